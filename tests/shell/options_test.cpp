#include "host/shell/options.h"

#include <gtest/gtest.h>

namespace {

using host::parseShellOptions;
using host::ShellOptions;

bool parse(std::vector<std::string> args, ShellOptions& o, std::string& error) {
    return parseShellOptions(args, o, error);
}

TEST(ShellOptions, AcceptsTheWindowAndHeadlessForms) {
    ShellOptions o;
    std::string error;
    ASSERT_TRUE(parse({}, o, error));
    EXPECT_FALSE(o.headless);
    EXPECT_EQ(o.zoom, 0);

    ASSERT_TRUE(
        parse({"--headless", "--script", "s.txt", "--trace", "t.txt", "--zoom", "3"}, o, error))
        << error;
    EXPECT_TRUE(o.headless);
    EXPECT_EQ(o.scriptPath, "s.txt");
    EXPECT_EQ(o.tracePath, "t.txt");
    EXPECT_EQ(o.zoom, 3);

    ASSERT_TRUE(parse({"--zoom=8", "--trace=x"}, o, error)) << error;
    EXPECT_EQ(o.zoom, 8);
    EXPECT_EQ(o.tracePath, "x");

    ASSERT_TRUE(parse({"--help"}, o, error));
    EXPECT_TRUE(o.help);
    ASSERT_TRUE(parse({"-h"}, o, error));
    EXPECT_TRUE(o.help);
}

TEST(ShellOptions, RejectsBadCommandLinesWithAReason) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--frobnicate"}, "unknown option \"--frobnicate\""},
        {{"script.txt"}, "unknown option \"script.txt\""},
        {{"--zoom"}, "--zoom needs a value"},
        {{"--zoom", "0"}, "--zoom wants a whole number from 1 to 8, not \"0\""},
        {{"--zoom", "9"}, "--zoom wants a whole number from 1 to 8, not \"9\""},
        {{"--zoom", "2.5"}, "--zoom wants a whole number from 1 to 8, not \"2.5\""},
        {{"--zoom=two"}, "--zoom wants a whole number from 1 to 8, not \"two\""},
        {{"--headless"}, "--headless needs --script FILE"},
        {{"--script", "s.txt"}, "--script is for --headless runs"},
        {{"--headless", "--script="}, "--script needs a file name"},
        {{"--headless=yes", "--script", "s"}, "--headless takes no value"},
    };
    for (const auto& [args, reason] : cases) {
        ShellOptions o;
        std::string error;
        EXPECT_FALSE(parse(args, o, error)) << reason;
        EXPECT_EQ(error, reason);
    }
}

TEST(ShellOptions, UsageNamesEveryOption) {
    std::string usage = host::shellUsage("paddock");
    for (const char* word : {"--zoom", "--trace", "--headless", "--script", "--help", "snapshot",
                             "quit", "down", "move", "up", "Exit status"})
        EXPECT_NE(usage.find(word), std::string::npos) << word;
}

}  // namespace
