// libFuzzer entry for headless-run scripts. A parsed script's steps keep to
// their limits, their times never go back, and written out again they parse to
// the same steps; a refused script names a line that exists, the lines before
// it parse, and the reason is one line.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "host/shell/script.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

// In the order of ScriptStep::Kind.
constexpr const char* kCommands[] = {"down", "move", "up", "cancel", "snapshot", "quit"};

// The steps as a script of their own, numbers written so that they read back
// exactly.
std::string written(const std::vector<host::ScriptStep>& steps) {
    std::string out;
    char number[64];
    for (const auto& step : steps) {
        std::snprintf(number, sizeof number, "%.17g ", step.time);
        out += number;
        out += kCommands[static_cast<int>(step.kind)];
        using K = host::ScriptStep::Kind;
        if (step.kind == K::Down || step.kind == K::Move || step.kind == K::Up) {
            std::snprintf(number, sizeof number, " %.9g %.9g %d", double(step.point.x),
                          double(step.point.y), step.finger);
            out += number;
        } else if (step.kind == K::Snapshot) {
            out += " " + step.path;
        }
        out += "\n";
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(fuzz::bytesOf(data, size));
    std::size_t lines = 0;
    for (char c : text) lines += c == '\n';
    if (!text.empty() && text.back() != '\n') ++lines;

    std::vector<host::ScriptStep> steps;
    int badLine = 0;
    std::string error;
    if (host::parseScript(text, steps, badLine, error)) {
        FUZZ_EXPECT(steps.size() <= lines);
        double last = 0;
        int lastLine = 0;
        for (const auto& step : steps) {
            FUZZ_EXPECT(step.time >= last && step.time <= host::kMaxScriptTime);
            FUZZ_EXPECT(step.lineNumber > lastLine && std::size_t(step.lineNumber) <= lines);
            FUZZ_EXPECT(std::isfinite(step.point.x) && std::isfinite(step.point.y));
            FUZZ_EXPECT(std::fabs(step.point.x) <= host::kMaxScriptCoordinate &&
                        std::fabs(step.point.y) <= host::kMaxScriptCoordinate);
            FUZZ_EXPECT(step.finger >= 0 && step.finger <= host::kMaxScriptFinger);
            if (step.kind == host::ScriptStep::Kind::Snapshot) FUZZ_EXPECT(!step.path.empty());
            last = step.time;
            lastLine = step.lineNumber;
        }
        std::vector<host::ScriptStep> again;
        FUZZ_EXPECT(host::parseScript(written(steps), again, badLine, error));
        FUZZ_EXPECT(written(again) == written(steps));  // exact numbers: the same steps
    } else {
        FUZZ_EXPECT(badLine >= 1 && std::size_t(badLine) <= lines);
        FUZZ_EXPECT(!error.empty() && error.size() < 400 &&
                    error.find_first_of("\r\n") == std::string::npos);
        // Everything before the bad line is a good script.
        std::size_t start = 0;
        for (int n = 1, bad = badLine; n < bad; ++n) start = text.find('\n', start) + 1;
        FUZZ_EXPECT(host::parseScript(text.substr(0, start), steps, badLine, error));
    }
    return 0;
}
