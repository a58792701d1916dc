#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/host_support.h"

// A whole show with its resources missing or broken: the program copied into
// a folder of its own beside a copy of its resources, which each case spoils.

namespace {

namespace fs = std::filesystem;

class ShowResources : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(dir.file("bin"));
        fs::copy_file(PADDOCK_BIN, dir.file("bin/paddock"));
        fs::create_directories(dir.file("share/paddock"));
        fs::copy(PADDOCK_RESOURCES, resources, fs::copy_options::recursive);
        dir.write("show.script",
                  "0.2 snapshot resting.png\n0.5 down 160 240\n0.8 move 220 330\n1.0 up 220 330\n"
                  "13 snapshot back.png\n14 quit\n");
    }
    testsupport::ProgramRun run(const std::string& env = "") {
        return testsupport::runProgram(
            "cd '" + dir.path() + "' && LSAN_OPTIONS=\"$LSAN_OPTIONS:print_suppressions=0\" " +
                env + " bin/paddock",
            "--headless --script show.script --trace trace.txt");
    }
    std::vector<std::string> trace(const std::string& event) const {
        std::vector<std::string> out;
        std::istringstream in(testsupport::readFile(dir.file("trace.txt")));
        for (std::string line; std::getline(in, line);)
            if (line.find(" " + event + " ") != std::string::npos) out.push_back(line);
        return out;
    }
    // The placard is back where it rested before the drag.
    void expectPlacardBack() {
        EXPECT_EQ(testsupport::readFile(dir.file("resting.png")),
                  testsupport::readFile(dir.file("back.png")));
    }
    testsupport::TempDir dir;
    const std::string resources = dir.file("share/paddock/resources");
};

const std::string kSilent = "Sound is off (headless run): sounds play silently\n";

// Every cue that drew a file prints the loader's two lines and stays silent;
// the show runs to its end all the same.
TEST_F(ShowResources, MissingOrBrokenSoundFilesLeaveEachCueSilentWithItsTwoLines) {
    for (bool broken : {false, true}) {
        SCOPED_TRACE(broken ? "broken sound files" : "no sound files");
        for (const char* name : {"boing_0", "boing_1", "boing_2", "Cow_0", "Cow_1", "Cow_2"}) {
            const std::string file = resources + "/" + name + ".wav";
            fs::remove(file);
            if (broken) dir.write("share/paddock/resources/" + std::string(name) + ".wav", "RIFF\x04");
        }
        auto r = run();
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(trace("show").size(), 2u) << "one start and one end";
        const auto cues = trace("cue");
        std::string expected = kSilent;
        int played = 0;
        for (const auto& cue : cues) {
            // "T cue moo Cow_1.wav", or "T cue moo silent"
            const std::string file = cue.substr(cue.rfind(' ') + 1);
            if (!file.ends_with(".wav")) continue;
            ++played;
            const std::string shown = broken ? resources + "/" + file : file;
            expected += std::string("AudioServicesCreateSystemSoundID() called from -[AudioFX "
                                    "initWithPath:] returned error ") +
                        (broken ? "1954115647" : "-43") + "\n" +
                        "-[AudioFX initWithPath:]: Failed opening sound file at path \"" + shown +
                        "\"\n";
        }
        EXPECT_GT(played, 8) << "a boing at every launch at least";
        // Hundreds of lines: on a mismatch, show only where they part.
        const auto at = std::mismatch(r.output.begin(), r.output.end(), expected.begin(),
                                      expected.end());
        EXPECT_TRUE(r.output == expected)
            << "output parts from the expected at byte " << (at.first - r.output.begin())
            << ": " << std::string(at.first, std::min(at.first + 160, r.output.end()));
        EXPECT_TRUE(trace("sound played").empty());
        expectPlacardBack();
    }
}

// No GL ES at all: one line says why, one that the show is skipped; the
// placard is still dragged and springs back.
TEST_F(ShowResources, WithoutGLTheShowIsSkippedAndThePlacardStillWorks) {
    auto r = run("__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent.json");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, kSilent +
                            "EAGLContext: no OpenGL ES 1.1 context: no EGL display\n"
                            "-[PaddockView touchesEnded:withEvent:]: no GL view, so the cow show "
                            "is skipped\n");
    EXPECT_EQ(trace("show").size(), 1u);
    EXPECT_NE(testsupport::readFile(dir.file("trace.txt")).find("1.0000 show skipped: no GL view"),
              std::string::npos);
    EXPECT_TRUE(trace("cue").empty());
    EXPECT_EQ(trace("view interaction").size(), 2u) << "off for the return, then on";
    expectPlacardBack();
}

}  // namespace
