#include <gtest/gtest.h>

#include <string>

#include "tests/support/host_support.h"

namespace {

using testsupport::runProgram;

int linesStartingWith(const testsupport::ProgramRun& run, const std::string& prefix) {
    int n = 0;
    for (const std::string& line : run.lines()) n += line.rfind(prefix, 0) == 0;
    return n;
}

TEST(Cowsim, PrintsEightContactsAndASummaryThatEndsAtHomeTheSameForTheSameSeed) {
    auto run = runProgram(COWSIM_PATH, "--seed 7");
    ASSERT_EQ(run.status, 0);
    auto lines = run.lines();
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_NE(lines.front().find("seed 7"), std::string::npos);
    EXPECT_EQ(linesStartingWith(run, "contact "), 8);
    // The eighth contact takes count to 9.0 and puts the drift back.
    EXPECT_NE(lines[8].find("count 9.0, inc +0.1000"), std::string::npos) << lines[8];
    EXPECT_EQ(lines[9].rfind("show over: 8 floor contacts", 0), 0u) << lines[9];
    EXPECT_NE(lines[9].find("floater home at (0.0, -2.0, -10.0)"), std::string::npos);

    EXPECT_EQ(runProgram(COWSIM_PATH, "--seed=7").output, run.output);
    EXPECT_NE(runProgram(COWSIM_PATH, "--seed 54321").output, run.output);
}

TEST(Cowsim, BadOptionsGiveUsageAndStatusTwo) {
    for (const char* args : {"--bogus", "--seed", "--seed abc", "--seed -1", "--seed 99999999999",
                             "--headless --script x"}) {
        auto run = runProgram(COWSIM_PATH, args);
        EXPECT_EQ(run.status, 2) << args;
        EXPECT_EQ(linesStartingWith(run, "usage: cowsim"), 1) << args;
        EXPECT_EQ(linesStartingWith(run, "contact "), 0) << args;
    }
    auto help = runProgram(COWSIM_PATH, "--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(linesStartingWith(help, "usage: cowsim"), 1);
}

}  // namespace
