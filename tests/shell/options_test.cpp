#include "host/shell/options.h"

#include <gtest/gtest.h>

namespace {

using host::parseShellOptions;
using host::ShellOptions;

TEST(ShellOptions, RejectsBadCommandLinesWithAReason) {
    auto badClock = [](const std::string& value) {
        return "--clock-start wants whole seconds since 1970, from 0 to 253402300799, not \"" +
               value + "\"";
    };
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--frobnicate"}, "unknown option \"--frobnicate\""},
        {{"--zoom"}, "--zoom needs a value"},
        {{"--zoom", "0"}, "--zoom wants a whole number from 1 to 8, not \"0\""},
        {{"--zoom", "9"}, "--zoom wants a whole number from 1 to 8, not \"9\""},
        {{"--zoom", "2.5"}, "--zoom wants a whole number from 1 to 8, not \"2.5\""},
        {{"--headless"}, "--headless needs --script FILE"},
        {{"--script", "s.txt"}, "--script is for --headless runs"},
        {{"--headless", "--script="}, "--script needs a file name"},
        {{"--headless=yes", "--script", "s"}, "--headless takes no value"},
        {{"--headless", "--script", "s", "--clock-start"}, "--clock-start needs a value"},
        {{"--headless", "--script", "s", "--clock-start", "-1"}, badClock("-1")},
        {{"--headless", "--script", "s", "--clock-start", "12.5"}, badClock("12.5")},
        {{"--headless", "--script", "s", "--clock-start", "253402300800"},
         badClock("253402300800")},
        {{"--clock-start", "100"}, "--clock-start is for --headless runs"},
    };
    for (const auto& [args, reason] : cases) {
        ShellOptions o;
        std::string error;
        EXPECT_FALSE(parseShellOptions(args, o, error)) << reason;
        EXPECT_EQ(error, reason);
    }
}

// The clock start is whole seconds from 1970 up to the end of the year 9999;
// without it a headless run starts at 0.
TEST(ShellOptions, ClockStartTakesWholeSecondsForHeadlessRuns) {
    const std::pair<std::vector<std::string>, long long> cases[] = {
        {{"--headless", "--script", "s"}, 0},
        {{"--headless", "--clock-start=1234567890", "--script", "s"}, 1234567890},
        {{"--clock-start", "253402300799", "--headless", "--script=s"}, 253402300799LL},
    };
    for (const auto& [args, seconds] : cases) {
        ShellOptions o;
        std::string error;
        ASSERT_TRUE(parseShellOptions(args, o, error)) << error;
        EXPECT_EQ(o.clockStart, seconds);
        EXPECT_EQ(o.clockStartGiven, args.size() > 3);
        EXPECT_TRUE(o.headless);
        EXPECT_EQ(o.scriptPath, "s");
    }
}

}  // namespace
