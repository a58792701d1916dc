#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct CowsimRun {
    int status = -1;
    std::vector<std::string> lines;
};

// Runs cowsim with the given arguments, stdout and stderr together.
CowsimRun run_cowsim(const std::string& args) {
    CowsimRun run;
    std::string command = std::string(COWSIM_PATH) + " " + args + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe)) {
        std::string line(buffer);
        if (!line.empty() && line.back() == '\n') line.pop_back();
        run.lines.push_back(line);
    }
    int raw = pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return run;
}

int count_prefixed(const CowsimRun& run, const std::string& prefix) {
    int n = 0;
    for (const std::string& line : run.lines) n += line.rfind(prefix, 0) == 0;
    return n;
}

TEST(Cowsim, PrintsEightContactsAndASummaryThatEndsAtHome) {
    CowsimRun run = run_cowsim("--seed 7");
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(count_prefixed(run, "contact "), 8);
    ASSERT_FALSE(run.lines.empty());
    const std::string& last = run.lines.back();
    EXPECT_EQ(last.rfind("show over: 8 floor contacts", 0), 0u) << last;
    EXPECT_NE(last.find("floater home at (0.0, -2.0, -10.0)"), std::string::npos) << last;
    EXPECT_NE(run.lines.front().find("seed 7"), std::string::npos);
    // The eighth contact takes count to 9.0 and puts the drift back.
    EXPECT_NE(run.lines[run.lines.size() - 2].find("count 9.0, inc +0.1000"), std::string::npos);
}

TEST(Cowsim, TheSameSeedReplaysTheSameShow) {
    CowsimRun a = run_cowsim("--seed 12345");
    CowsimRun b = run_cowsim("--seed=12345");
    CowsimRun c = run_cowsim("--seed 54321");
    ASSERT_EQ(a.status, 0);
    EXPECT_EQ(a.lines, b.lines);
    EXPECT_NE(a.lines, c.lines);
}

TEST(Cowsim, BadOptionsGiveUsageAndStatusTwo) {
    for (const char* args : {"--bogus", "--seed", "--seed abc", "--seed -1", "--seed 99999999999",
                             "--headless --script x"}) {
        CowsimRun run = run_cowsim(args);
        EXPECT_EQ(run.status, 2) << args;
        EXPECT_EQ(count_prefixed(run, "usage: cowsim"), 1) << args;
        EXPECT_EQ(count_prefixed(run, "contact "), 0) << args;
    }
    CowsimRun help = run_cowsim("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(count_prefixed(help, "usage: cowsim"), 1);
}

}  // namespace
