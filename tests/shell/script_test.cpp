#include "host/shell/script.h"

#include <gtest/gtest.h>

namespace {

using host::ScriptStep;
using Kind = host::ScriptStep::Kind;

TEST(Script, ParsesTimedLinesWithCommentsAndBlanks) {
    const std::string text =
        "# a drag\n"
        "\n"
        "0.50 down 160 240\n"
        "0.60 move 170.5 250   # halfway\n"
        "0.60 down 10 20 2\n"
        "0.70 up 170 250\r\n"
        "1 cancel\n"
        "3.00 snapshot out/a.png\n"
        "12 quit\n";
    std::vector<ScriptStep> steps;
    int bad = 0;
    std::string error;
    ASSERT_TRUE(host::parseScript(text, steps, bad, error)) << bad << ": " << error;
    const ScriptStep want[] = {
        {0.5, Kind::Down, {160, 240}, 0, "", 3}, {0.6, Kind::Move, {170.5f, 250}, 0, "", 4},
        {0.6, Kind::Down, {10, 20}, 2, "", 5},   {0.7, Kind::Up, {170, 250}, 0, "", 6},
        {1, Kind::Cancel, {}, 0, "", 7},         {3, Kind::Snapshot, {}, 0, "out/a.png", 8},
        {12, Kind::Quit, {}, 0, "", 9},
    };
    ASSERT_EQ(steps.size(), std::size(want));
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const ScriptStep &got = steps[i], &w = want[i];
        EXPECT_EQ(std::tie(got.time, got.kind, got.point, got.finger, got.path, got.lineNumber),
                  std::tie(w.time, w.kind, w.point, w.finger, w.path, w.lineNumber))
            << "step " << i;
    }
}

TEST(Script, NamesTheBadLineAndWhy) {
    const std::pair<std::string, std::string> cases[] = {
        {"dance", "\"dance\" is not a time from 0 to 86400 seconds"},
        {"86400.5 quit", "\"86400.5\" is not a time from 0 to 86400 seconds"},
        {"nan quit", "\"nan\" is not a time from 0 to 86400 seconds"},
        {"1", "a command is missing after the time"},
        {"1 jump 3 4", "unknown command \"jump\""},
        {"1 down 3", "down wants X Y in points, and optionally a finger number"},
        {"1 up 3 4 5 6", "up wants X Y in points, and optionally a finger number"},
        {"1 move 3 -1e300", "X and Y are points from -100000 to 100000, not \"-1e300\""},
        {"1 down 3 4 10", "the finger number is a whole number from 0 to 9, not \"10\""},
        {"1 snapshot", "snapshot wants one file name (without spaces)"},
        {"1 quit now", "quit takes nothing after it"},
        {"2 down 1 1\n1 up 1 1", "the time goes back (the line before is at 2 s)"},
    };
    for (const auto& [body, reason] : cases) {
        std::vector<ScriptStep> steps;
        int bad = 0;
        std::string error;
        EXPECT_FALSE(host::parseScript("# header\n" + body + "\n0 quit\n", steps, bad, error))
            << body;
        EXPECT_EQ(error, reason) << body;
        // The comment is line 1; a two-line body fails on its second line.
        EXPECT_EQ(bad, body.find('\n') == std::string::npos ? 2 : 3) << body;
    }
}

}  // namespace
