#pragma once

#include <string>
#include <vector>

namespace host {

// The command line of the program: the shell's options. The toy itself reads
// no configuration.
struct ShellOptions {
    bool help = false;
    bool version = false;
    bool headless = false;
    std::string scriptPath;
    std::string tracePath;
    // Pixels per point; 0 lets the window pick what fits the display.
    int zoom = 0;
    // Headless: the calendar time (seconds since 1970) at which the virtual
    // clock starts. What the program seeds from the time follows it.
    long long clockStart = 0;
    bool clockStartGiven = false;
    // A recording of the run: .mp4, .webm or .webp.
    std::string recordPath;
};

// Up to the year 9999, so the calendar time never overflows.
inline constexpr long long kMaxClockStart = 253402300799LL;

inline constexpr int kMaxZoom = 8;

// Parses argv[1...]. On a bad command line returns false with a one-line
// reason in `error` (no newline).
bool parseShellOptions(const std::vector<std::string>& args, ShellOptions& options,
                       std::string& error);

// The --help text, several lines ending in a newline.
std::string shellUsage(const std::string& program);

}  // namespace host
