// The whole program on the null GL ES backend (PADDOCK_GL=none).
#include <gtest/gtest.h>

#include <string>

#include "host/foundation/messages.h"
#include "tests/support/host_support.h"

namespace {

// The show is skipped with one line, the placard is still dragged and springs back.
TEST(NoGLRun, TheShowIsSkippedWithOneLineAndThePlacardStillSpringsBack) {
    testsupport::TempDir dir;
    dir.write("show.script",
              "0.2 snapshot resting.png\n0.5 down 160 240\n0.8 move 220 330\n1.0 up 220 330\n"
              "13 snapshot back.png\n14 quit\n");
    auto run = testsupport::runProgram("cd '" + dir.path() + "' && PADDOCK_GL=none " PADDOCK_BIN,
                                       "--headless --script show.script --trace trace.txt");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, testsupport::message(host::messages::kAudioSilent, "headless run") +
                              testsupport::message(host::messages::kEAGLNoContext,
                                                   "GL ES is turned off (PADDOCK_GL=none)") +
                              toy::messages::kNoShowWithoutGL);
    const std::string trace = testsupport::readFile(dir.file("trace.txt"));
    EXPECT_TRUE(trace.find("1.0000 show skipped: no GL view\n") != std::string::npos &&
                trace.find(" cue ") == std::string::npos)
        << trace;
    EXPECT_EQ(testsupport::readFile(dir.file("resting.png")),
              testsupport::readFile(dir.file("back.png")));

    auto bad = testsupport::runProgram("PADDOCK_GL=vulkan " PADDOCK_BIN, "--headless --script x");
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.output,
              testsupport::message(host::messages::kUnknownGLESBackend, "paddock", "vulkan"));
}

}  // namespace
