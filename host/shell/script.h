#pragma once

#include <string>
#include <vector>

#include "host/geometry/geometry.h"

namespace host {

// One timed line of a headless run's script.
struct ScriptStep {
    enum class Kind { Down, Move, Up, Cancel, Snapshot, Quit };
    double time = 0;  // seconds on the virtual clock
    Kind kind = Kind::Quit;
    CGPoint point;     // window points (down, move, up)
    int finger = 0;    // down, move, up
    std::string path;  // snapshot
    int lineNumber = 0;
};

// Times run from 0 to a day. Virtual time between events costs nothing (the
// frame timer runs only during a show), so a long script is slow only for the
// shows it asks for: a thousand of them, for a measurement, is fine.
inline constexpr double kMaxScriptTime = 86400.0;
inline constexpr int kMaxScriptFinger = 9;
// Far off the screen either way, yet every coordinate stays a finite float.
inline constexpr double kMaxScriptCoordinate = 100000.0;

// Parses a whole script. Lines hold "TIME COMMAND ARGUMENTS"; # starts a
// comment; blank lines are skipped; times never go back. On a bad line
// returns false with its number and a one-line reason (no newline).
bool parseScript(const std::string& text, std::vector<ScriptStep>& steps, int& badLine,
                 std::string& error);

}  // namespace host
