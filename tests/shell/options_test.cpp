#include "host/shell/options.h"

#include <gtest/gtest.h>

namespace {

// A bad command line is refused with its reason; the clock start is whole
// seconds from 1970 to the end of 9999, and 0 when not given.
TEST(ShellOptions, RejectsBadCommandLinesWithAReasonAndTakesClockStartsForHeadlessRuns) {
    auto badClock = [](const std::string& value) {
        return "--clock-start wants whole seconds since 1970, from 0 to 253402300799, not \"" +
               value + "\"";
    };
    const std::string zoom = "--zoom wants a whole number from 1 to 8, not ";
    const struct {
        std::vector<std::string> args;
        std::string reason;  // empty: accepted
        long long clockStart = 0;
    } cases[] = {
        // clang-format off
        {{"--frobnicate"}, "unknown option \"--frobnicate\""},
        {{"--zoom"}, "--zoom needs a value"},
        {{"--zoom", "0"}, zoom + "\"0\""},
        {{"--zoom", "9"}, zoom + "\"9\""},
        {{"--zoom", "2.5"}, zoom + "\"2.5\""},
        {{"--headless"}, "--headless needs --script FILE"},
        {{"--script", "s.txt"}, "--script is for --headless runs"},
        {{"--headless", "--script="}, "--script needs a file name"},
        {{"--headless=yes", "--script", "s"}, "--headless takes no value"},
        {{"--headless", "--script", "s", "--clock-start"}, "--clock-start needs a value"},
        {{"--headless", "--script", "s", "--clock-start", "-1"}, badClock("-1")},
        {{"--headless", "--script", "s", "--clock-start", "12.5"}, badClock("12.5")},
        {{"--headless", "--script", "s", "--clock-start", "253402300800"}, badClock("253402300800")},
        {{"--clock-start", "100"}, "--clock-start is for --headless runs"},
        {{"--headless", "--script", "s"}, ""},
        {{"--headless", "--clock-start=1234567890", "--script", "s"}, "", 1234567890},
        {{"--clock-start", "253402300799", "--headless", "--script=s"}, "", 253402300799LL},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        host::ShellOptions o;
        std::string error;
        EXPECT_EQ(host::parseShellOptions(c.args, o, error), c.reason.empty());
        EXPECT_EQ(error, c.reason);
        if (!c.reason.empty()) continue;
        EXPECT_EQ(o.clockStart, c.clockStart);
        EXPECT_EQ(o.clockStartGiven, c.args.size() > 3);
        EXPECT_TRUE(o.headless);
        EXPECT_EQ(o.scriptPath, "s");
    }
}

}  // namespace
