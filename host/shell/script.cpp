#include "host/shell/script.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "host/foundation/strings.h"

namespace host {

static bool parseNumber(const std::string& token, double& value) {
    auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
    return ec == std::errc() && end == token.data() + token.size() && std::isfinite(value);
}

static bool parseLine(const std::string& line, ScriptStep& step, std::string& error) {
    std::istringstream in(line);
    std::string timeText, command;
    in >> timeText >> command;
    if (!parseNumber(timeText, step.time) || step.time < 0 || step.time > kMaxScriptTime) {
        error = quotedForMessage(timeText) + " is not a time from 0 to " +
                std::to_string(static_cast<int>(kMaxScriptTime)) + " seconds";
        return false;
    }
    std::vector<std::string> args;
    for (std::string a; in >> a;) args.push_back(a);

    if (command == "down" || command == "move" || command == "up") {
        step.kind = command == "down"   ? ScriptStep::Kind::Down
                    : command == "move" ? ScriptStep::Kind::Move
                                        : ScriptStep::Kind::Up;
        double x, y, finger = 0;
        if (args.size() < 2 || args.size() > 3 || !parseNumber(args[0], x) ||
            !parseNumber(args[1], y)) {
            error = command + " wants X Y in points, and optionally a finger number";
            return false;
        }
        const std::string* far = std::fabs(x) > kMaxScriptCoordinate   ? &args[0]
                                 : std::fabs(y) > kMaxScriptCoordinate ? &args[1]
                                                                       : nullptr;
        if (far) {
            const std::string limit = std::to_string(static_cast<int>(kMaxScriptCoordinate));
            error = "X and Y are points from -" + limit + " to " + limit + ", not " +
                    quotedForMessage(*far);
            return false;
        }
        if (args.size() == 3 && (!parseNumber(args[2], finger) || finger != std::floor(finger) ||
                                 finger < 0 || finger > kMaxScriptFinger)) {
            error = "the finger number is a whole number from 0 to " +
                    std::to_string(kMaxScriptFinger) + ", not " + quotedForMessage(args[2]);
            return false;
        }
        step.point = CGPointMake(static_cast<float>(x), static_cast<float>(y));
        step.finger = static_cast<int>(finger);
        return true;
    }
    if (command == "cancel" || command == "quit") {
        step.kind = command == "cancel" ? ScriptStep::Kind::Cancel : ScriptStep::Kind::Quit;
        if (!args.empty()) {
            error = command + " takes nothing after it";
            return false;
        }
        return true;
    }
    if (command == "snapshot") {
        step.kind = ScriptStep::Kind::Snapshot;
        if (args.size() != 1) {
            error = "snapshot wants one file name (without spaces)";
            return false;
        }
        step.path = args[0];
        return true;
    }
    error = command.empty() ? "a command is missing after the time"
                            : "unknown command " + quotedForMessage(command);
    return false;
}

bool parseScript(const std::string& text, std::vector<ScriptStep>& steps, int& badLine,
                 std::string& error) {
    steps.clear();
    std::istringstream in(text);
    std::string line;
    int number = 0;
    double last = 0;
    while (std::getline(in, line)) {
        ++number;
        if (size_t hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        ScriptStep step;
        step.lineNumber = number;
        if (!parseLine(line, step, error)) {
            badLine = number;
            return false;
        }
        if (step.time < last) {
            badLine = number;
            char before[32];
            std::snprintf(before, sizeof before, "%g", last);
            error = std::string("the time goes back (the line before is at ") + before + " s)";
            return false;
        }
        last = step.time;
        steps.push_back(std::move(step));
    }
    return true;
}

}  // namespace host
