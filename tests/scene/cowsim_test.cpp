#include <gtest/gtest.h>

#include <string>

#include "tests/support/host_support.h"

namespace {

using testsupport::runProgram;

TEST(Cowsim, PrintsEachContactAndASummaryTheSameForTheSameSeedAndRefusesBadOptions) {
    auto run = runProgram(COWSIM_PATH, "--seed 7");
    ASSERT_EQ(run.status, 0);
    auto lines = run.lines();
    ASSERT_EQ(lines.size(), 10u) << run.output;
    EXPECT_NE(lines[0].find("seed 7"), std::string::npos);
    for (int i = 1; i <= 8; ++i)
        EXPECT_EQ(lines[i].rfind("contact " + std::to_string(i) + ":", 0), 0u) << lines[i];
    EXPECT_EQ(lines[9].rfind("show over: 8 floor contacts", 0), 0u) << lines[9];
    EXPECT_NE(lines[9].find("floater home at (0.0, -2.0, -10.0)"), std::string::npos);
    EXPECT_TRUE(runProgram(COWSIM_PATH, "--seed=7").output == run.output &&
                runProgram(COWSIM_PATH, "--seed 54321").output != run.output);
    for (const char* args : {"--bogus", "--seed", "--seed abc", "--seed -1", "--seed 99999999999",
                             "--seed=' 7'", "--headless --script x"}) {
        auto bad = runProgram(COWSIM_PATH, args);
        EXPECT_EQ(bad.status, 2) << args;
        int usage = 0;
        for (const std::string& line : bad.lines()) usage += line.rfind("usage: cowsim", 0) == 0;
        EXPECT_EQ(usage, 1) << args << ": " << bad.output;
    }
}

}  // namespace
