#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>

#include "tests/support/host_support.h"

// Outputs that fail, inputs that would block, and tokens that would garble a
// terminal: each gives one clear line and an exit status that says so.

namespace {

class Faults : public ::testing::Test {
  protected:
    testsupport::ProgramRun run(const std::string& args) {
        return testsupport::runProgram(
            "cd '" + dir.path() + "' && LSAN_OPTIONS=\"$LSAN_OPTIONS:print_suppressions=0\" '" +
                std::string(PADDOCK_BIN) + "'",
            args);
    }
    testsupport::TempDir dir;
};

const std::string kSilent = "Sound is off (headless run): sounds play silently\n";
const std::string kScript = "0.1 snapshot a.png\n0.2 quit\n";

TEST_F(Faults, OutputThatCannotBeWrittenFailsTheRunWithOneLine) {
    const struct {
        std::string args, script;
        int status;
        std::string output;
    } cases[] = {
        {"--headless --script s --trace /dev/full", kScript, 1,
         kSilent + "cannot write the trace file /dev/full: No space left on device\n"},
        {"--headless --script s", "0.1 snapshot /dev/full\n", 1,
         kSilent + "cannot write the snapshot /dev/full: the file cannot be written\n"},
        {"--help > /dev/full 2>err; s=$?; cat err; exit $s", "", 1,
         "cannot write to standard output: No space left on device\n"},
        {"--version > /dev/full 2>err; s=$?; cat err; exit $s", "", 1,
         "cannot write to standard output: No space left on device\n"},
        // The script is never overwritten, by the trace or by a snapshot.
        {"--headless --script s --trace ./s", kScript, 2,
         "paddock: --trace names the script itself, which it would overwrite (try --help)\n"},
        {"--headless --script s", "0.1 snapshot s\n0.2 snapshot t/../s\n", 1,
         kSilent + "cannot write the snapshot s: it names the script or the trace, which it would "
                   "overwrite\ncannot write the snapshot t/../s: it names the script or the "
                   "trace, which it would overwrite\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        dir.write("s", c.script);
        std::filesystem::create_directory(dir.file("t"));
        auto r = run(c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.output, c.output);
        EXPECT_EQ(testsupport::readFile(dir.file("s")), c.script);
    }
}

// A FIFO nobody writes to, or reads from, must not hang the run.
TEST_F(Faults, PipesWithNobodyAtTheOtherEndAreGivenUp) {
    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
    dir.write("s", kScript);
    auto start = std::chrono::steady_clock::now();
    auto trace = run("--headless --script s --trace fifo");
    EXPECT_EQ(trace.status, 1);
    EXPECT_EQ(trace.output, "cannot write the trace file fifo: nothing reads that pipe\n");
    auto script = run("--headless --script fifo");
    EXPECT_EQ(script.status, 2);
    EXPECT_EQ(script.output, "cannot read the script fifo: nothing came through it for 10 s\n");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    // A pipe with a writer is read as a script.
    auto piped = testsupport::runProgram(
        "cd '" + dir.path() + "' && printf '0.1 quit\\n' | '" + PADDOCK_BIN + "'",
        "--headless --script /dev/stdin --trace t.txt");
    EXPECT_EQ(piped.status, 0) << piped.output;
    EXPECT_NE(testsupport::readFile(dir.file("t.txt")).find("0.1000 quit"), std::string::npos);
    auto folder = run("--headless --script .");
    EXPECT_EQ(folder.output, "cannot read the script .: it is a folder\n");
    EXPECT_EQ(folder.status, 2);
}

// Escape sequences, NUL bytes and huge tokens from a script come back quoted,
// inert and short.
TEST_F(Faults, ScriptTokensAreQuotedAndCutInMessages) {
    const std::string huge(100000, '9');
    const std::pair<std::string, std::string> cases[] = {
        {std::string("0.1 \x1b[2J\x1b]0;owned\x07 1 2\n"),
         "s:1: unknown command \"\\x1B[2J\\x1B]0;owned\\x07\"\n"},
        {std::string("0.1 wig\0gle\n", 12), "s:1: unknown command \"wig\\x00gle\"\n"},
        {huge + " quit\n", "s:1: \"" + std::string(60, '9') + "...\" is not a time from 0 to 86400 seconds\n"},
        {"0.1 down 1 " + std::string(300, '8') + "\n",
         "s:1: X and Y are points from -100000 to 100000, not \"" + std::string(60, '8') + "...\"\n"},
    };
    for (const auto& [script, line] : cases) {
        dir.write("s", script);
        auto r = run("--headless --script s");
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.output, line);
    }
}

}  // namespace
