#include "host/shell/options.h"

#include <charconv>

#include "host/foundation/strings.h"
#include "host/record/recorder.h"

namespace host {

static bool parseZoom(const std::string& text, int& zoom) {
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 1 || value > kMaxZoom)
        return false;
    zoom = value;
    return true;
}

static bool parseClockStart(const std::string& text, long long& seconds) {
    long long value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 0 ||
        value > kMaxClockStart)
        return false;
    seconds = value;
    return true;
}

bool parseShellOptions(const std::vector<std::string>& args, ShellOptions& options,
                       std::string& error) {
    options = ShellOptions{};
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // --name=value and --name value are both accepted.
        std::string name = arg, value;
        bool hasValue = false;
        if (size_t eq = arg.find('='); arg.starts_with("--") && eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            hasValue = true;
        }
        auto takeValue = [&]() {
            if (hasValue) return true;
            if (i + 1 >= args.size()) {
                error = name + " needs a value";
                return false;
            }
            value = args[++i];
            return true;
        };
        auto noValue = [&]() {
            if (hasValue) error = name + " takes no value";
            return !hasValue;
        };

        if (name == "--help" || name == "-h") {
            if (!noValue()) return false;
            options.help = true;
        } else if (name == "--version") {
            if (!noValue()) return false;
            options.version = true;
        } else if (name == "--headless") {
            if (!noValue()) return false;
            options.headless = true;
        } else if (name == "--script") {
            if (!takeValue()) return false;
            if (value.empty()) {
                error = "--script needs a file name";
                return false;
            }
            options.scriptPath = value;
        } else if (name == "--trace") {
            if (!takeValue()) return false;
            if (value.empty()) {
                error = "--trace needs a file name";
                return false;
            }
            options.tracePath = value;
        } else if (name == "--record") {
            if (!takeValue()) return false;
            if (!recordingFormatFor(value)) {
                error = "--record wants a file name ending in .mp4, .webm or .webp, not " +
                        quotedForMessage(value);
                return false;
            }
            options.recordPath = value;
        } else if (name == "--zoom") {
            if (!takeValue()) return false;
            if (!parseZoom(value, options.zoom)) {
                error = "--zoom wants a whole number from 1 to " + std::to_string(kMaxZoom) +
                        ", not " + quotedForMessage(value);
                return false;
            }
        } else if (name == "--clock-start") {
            if (!takeValue()) return false;
            if (!parseClockStart(value, options.clockStart)) {
                error = "--clock-start wants whole seconds since 1970, from 0 to " +
                        std::to_string(kMaxClockStart) + ", not " + quotedForMessage(value);
                return false;
            }
            options.clockStartGiven = true;
        } else {
            error = "unknown option " + quotedForMessage(arg);
            return false;
        }
    }
    if (options.help || options.version) return true;
    if (options.headless && options.scriptPath.empty()) {
        error = "--headless needs --script FILE";
        return false;
    }
    if (!options.headless && !options.scriptPath.empty()) {
        error = "--script is for --headless runs";
        return false;
    }
    if (!options.headless && options.clockStartGiven) {
        error = "--clock-start is for --headless runs";
        return false;
    }
    return true;
}

std::string shellUsage(const std::string& program) {
    return "Usage: " + program +
           " [--zoom N] [--trace FILE] [--record FILE]\n"
           "       " +
           program +
           " --headless --script FILE [--clock-start SECONDS] [--zoom N] [--trace FILE]\n"
           "       [--record FILE]\n"
           "\n"
           "Opens the paddock in a window. Drag the placard with the mouse or a finger\n"
           "and let go: it springs back to the middle while a cow is flung up from the\n"
           "floor, bounces eight times with boings and moos, and vanishes. Double-tap\n"
           "beside the placard for its next line. Ctrl+R starts and stops a recording\n"
           "into the videos folder. Ctrl+Q or closing the window quits.\n"
           "\n"
           "  --zoom N         pixels per point, 1 to 8 (default: what fits the display;\n"
           "                   1 headless)\n"
           "  --trace FILE     write one line per event (touches, views shown and hidden,\n"
           "                   interaction on and off, animations, shows, cues, sounds)\n"
           "                   to FILE\n"
           "  --record FILE    record what the stage shows, from the first frame to the\n"
           "                   end of the run, with its sound: FILE.mp4 (H.264 and AAC),\n"
           "                   FILE.webm (VP9 and Opus) or FILE.webp (animated, silent)\n"
           "  --headless       run without a display on a virtual clock, replaying a script\n"
           "  --clock-start SECONDS\n"
           "                   headless: the calendar time the virtual clock starts at,\n"
           "                   in seconds since 1970 (default 0); the same script and\n"
           "                   clock start give the same run, sounds and frames alike\n"
           "  --script FILE    the script: one event a line, at a time in seconds:\n"
           "                     0.50 down 160 240      a finger comes down at (160, 240)\n"
           "                     0.60 move 170 250      it moves\n"
           "                     0.70 up 170 250        it lifts\n"
           "                     0.80 cancel            every finger down is cancelled\n"
           "                     3.00 snapshot a.png    the screen is written as PNG\n"
           "                     12 quit                the run ends (else at the last line)\n"
           "                   down, move and up take an optional finger number 0-9\n"
           "                   after the point; # starts a comment\n"
           "  --version        show the version and exit\n"
           "  --help           show this and exit\n"
           "\n"
           "Environment: PADDOCK_GL=none runs without GL ES (the cow show is skipped);\n"
           "PADDOCK_GL=egl, the default, draws it through EGL.\n"
           "\n"
           "Exit status: 0 done, 1 the run failed (no display, an unwritable file),\n"
           "2 a bad command line, script or PADDOCK_GL.\n";
}

}  // namespace host
