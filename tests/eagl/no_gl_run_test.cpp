// The whole program on the null GL ES backend (PADDOCK_GL=none); the skipped
// show itself is checked in tests/robustness (no EGL display).
#include <gtest/gtest.h>

#include <string>

#include "host/foundation/messages.h"
#include "tests/support/host_support.h"

namespace {

TEST(NoGLRun, NoneTurnsGLOffWithOneLineAndAnUnknownBackendIsABadCommandLine) {
    testsupport::TempDir dir;
    dir.write("show.script", "0.5 down 160 240\n1.0 up 220 330\n2 quit\n");
    auto run = testsupport::runProgram("cd '" + dir.path() + "' && PADDOCK_GL=none " PADDOCK_BIN,
                                       "--headless --script show.script");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, testsupport::message(host::messages::kAudioSilent, "headless run") +
                              testsupport::message(host::messages::kEAGLNoContext,
                                                   "GL ES is turned off (PADDOCK_GL=none)") +
                              toy::messages::kNoShowWithoutGL);
    auto bad = testsupport::runProgram("PADDOCK_GL=vulkan " PADDOCK_BIN, "--headless --script x");
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.output,
              testsupport::message(host::messages::kUnknownGLESBackend, "paddock", "vulkan"));
}

}  // namespace
