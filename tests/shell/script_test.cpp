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
    ASSERT_EQ(steps.size(), 7u);
    EXPECT_EQ(steps[0].kind, Kind::Down);
    EXPECT_DOUBLE_EQ(steps[0].time, 0.5);
    EXPECT_EQ(steps[0].point, host::CGPointMake(160, 240));
    EXPECT_EQ(steps[0].finger, 0);
    EXPECT_EQ(steps[0].lineNumber, 3);
    EXPECT_EQ(steps[1].kind, Kind::Move);
    EXPECT_EQ(steps[1].point, host::CGPointMake(170.5f, 250));
    EXPECT_EQ(steps[2].finger, 2);
    EXPECT_EQ(steps[3].kind, Kind::Up);
    EXPECT_EQ(steps[4].kind, Kind::Cancel);
    EXPECT_EQ(steps[5].kind, Kind::Snapshot);
    EXPECT_EQ(steps[5].path, "out/a.png");
    EXPECT_EQ(steps[6].kind, Kind::Quit);
    EXPECT_DOUBLE_EQ(steps[6].time, 12);
    EXPECT_EQ(steps[6].lineNumber, 9);
}

TEST(Script, NamesTheBadLineAndWhy) {
    const std::pair<std::string, std::string> cases[] = {
        {"dance", "\"dance\" is not a time from 0 to 600 seconds"},
        {"-1 quit", "\"-1\" is not a time from 0 to 600 seconds"},
        {"601 quit", "\"601\" is not a time from 0 to 600 seconds"},
        {"nan quit", "\"nan\" is not a time from 0 to 600 seconds"},
        {"1", "a command is missing after the time"},
        {"1 jump 3 4", "unknown command \"jump\""},
        {"1 down 3", "down wants X Y in points, and optionally a finger number"},
        {"1 move 3 y", "move wants X Y in points, and optionally a finger number"},
        {"1 up 3 4 5 6", "up wants X Y in points, and optionally a finger number"},
        {"1 down 3 4 10", "the finger number is a whole number from 0 to 9, not \"10\""},
        {"1 down 3 4 1.5", "the finger number is a whole number from 0 to 9, not \"1.5\""},
        {"1 snapshot", "snapshot wants one file name (without spaces)"},
        {"1 snapshot a b", "snapshot wants one file name (without spaces)"},
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
