#include "host/shell/options.h"

#include <gtest/gtest.h>

namespace {

using host::parseShellOptions;
using host::ShellOptions;

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
        EXPECT_FALSE(parseShellOptions(args, o, error)) << reason;
        EXPECT_EQ(error, reason);
    }
}

}  // namespace
