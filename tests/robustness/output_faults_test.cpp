#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstring>

#include "host/foundation/messages.h"
#include "tests/support/host_support.h"

// Outputs that fail, inputs that would block, and tokens that would garble a
// terminal: each gives one clear line and an exit status that says so.

namespace {

using namespace host::messages;
using testsupport::message;

TEST(Faults, BadOutputsAndInputsFailTheRunWithOneLineEachAndNeverHang) {
    testsupport::TempDir dir;
    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
    std::filesystem::create_directory(dir.file("t"));
    const std::string silent = message(kAudioSilent, "headless run"), full = std::strerror(ENOSPC);
    const std::string script = "0.1 snapshot a.png\n0.2 quit\n";
    const char* overwrite = "it names the script or the trace, which it would overwrite";
    const std::string unwritable = message(kOutputUnwritable, full.c_str());
    const struct {
        std::string args, script;
        int status;
        std::string output;
    } cases[] = {
        {"--headless --script s --trace /dev/full", script, 1,
         silent + message(kTraceUnwritable, "/dev/full", full.c_str())},
        {"--headless --script s", "0.1 snapshot /dev/full\n", 1,
         silent + message(kSnapshotUnwritable, "/dev/full", "the file cannot be written")},
        {"--help > /dev/full 2>err; s=$?; cat err; exit $s", "", 1, unwritable},
        {"--version > /dev/full 2>err; s=$?; cat err; exit $s", "", 1, unwritable},
        // The script is never overwritten, by the trace or by a snapshot.
        {"--headless --script s --trace ./s", script, 2,
         message(kBadCommandLine, "paddock",
                 "--trace names the script itself, which it would overwrite")},
        {"--headless --script s", "0.1 snapshot s\n0.2 snapshot t/../s\n", 1,
         silent + message(kSnapshotUnwritable, "s", overwrite) +
             message(kSnapshotUnwritable, "t/../s", overwrite)},
        // A FIFO nobody reads from or writes to, and a folder.
        {"--headless --script s --trace fifo", script, 1,
         message(kTraceUnwritable, "fifo", "nothing reads that pipe")},
        {"--headless --script fifo", "", 2,
         message(kScriptUnreadable, "fifo", "nothing came through it for 10 s")},
        {"--headless --script .", "", 2, message(kScriptUnreadable, ".", "it is a folder")},
        // Escape sequences come back quoted and inert (the quoting's own test has the rest).
        {"--headless --script s", "0.1 \x1b[2J\x1b]0;owned\x07 1 2\n", 2,
         message(kScriptBadLine, "s", 1, "unknown command \"\\x1B[2J\\x1B]0;owned\\x07\"")},
    };
    const auto start = std::chrono::steady_clock::now();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        dir.write("s", c.script);
        auto r = testsupport::runProgram(
            "cd '" + dir.path() + "' && LSAN_OPTIONS=\"$LSAN_OPTIONS:print_suppressions=0\" '" +
                std::string(PADDOCK_BIN) + "'",
            c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.output, c.output);
        EXPECT_EQ(testsupport::readFile(dir.file("s")), c.script);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
    // A pipe with a writer is read as a script.
    auto piped = testsupport::runProgram(
        "cd '" + dir.path() + "' && printf '0.1 quit\\n' | '" + PADDOCK_BIN + "'",
        "--headless --script /dev/stdin --trace t.txt");
    EXPECT_EQ(piped.status, 0) << piped.output;
    EXPECT_NE(testsupport::readFile(dir.file("t.txt")).find("0.1000 quit"), std::string::npos);
}

}  // namespace
