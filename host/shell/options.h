#pragma once

#include <string>
#include <vector>

namespace host {

// The command line of the program: the shell's options. The toy itself reads
// no configuration.
struct ShellOptions {
    bool help = false;
    bool headless = false;
    std::string scriptPath;
    std::string tracePath;
    // Pixels per point; 0 lets the window pick what fits the display.
    int zoom = 0;
};

inline constexpr int kMaxZoom = 8;

// Parses argv[1...]. On a bad command line returns false with a one-line
// reason in `error` (no newline).
bool parseShellOptions(const std::vector<std::string>& args, ShellOptions& options,
                       std::string& error);

// The --help text, several lines ending in a newline.
std::string shellUsage(const std::string& program);

}  // namespace host
