#include <gtest/gtest.h>

#include <algorithm>

#include "host/foundation/messages.h"
#include "tests/support/host_support.h"

// A whole show with its sound files missing (and no fonts) or broken, or without GL ES: the
// program copied into a folder of its own beside a copy of its resources,
// which each case spoils. The show runs (or is skipped) with one line per
// failure, and the placard is dragged and springs back all the same.

namespace {

namespace fs = std::filesystem;
using testsupport::message;

TEST(ShowResources, MissingSoundFilesOrNoGLCostOnlyTheirLinesAndTheirSoundOrShow) {
    for (const std::string spoiled : {"no sound files, no fonts", "broken sound files", "no GL"}) {
        SCOPED_TRACE(spoiled);
        testsupport::TempDir dir;
        const std::string resources = dir.file("share/paddock/resources");
        fs::create_directories(dir.file("bin"));
        fs::copy_file(PADDOCK_BIN, dir.file("bin/paddock"));
        fs::create_directories(resources);
        fs::copy(PADDOCK_RESOURCES, resources, fs::copy_options::recursive);
        const bool broken = spoiled == "broken sound files", noGL = spoiled == "no GL";
        const bool noFonts = !broken && !noGL;
        dir.write("fonts.conf", "<?xml version=\"1.0\"?>\n<fontconfig><cachedir>" + dir.path() +
                                    "</cachedir></fontconfig>\n");
        for (const char* name : {"boing_0", "boing_1", "boing_2", "Cow_0", "Cow_1", "Cow_2"}) {
            if (noGL) break;
            fs::remove(resources + "/" + name + ".wav");
            if (broken)
                dir.write("share/paddock/resources/" + std::string(name) + ".wav", "RIFF\x04");
        }
        dir.write("show.script",
                  "0.2 snapshot resting.png\n0.5 down 160 240\n0.8 move 220 330\n1.0 up 220 330\n"
                  "13 snapshot back.png\n14 quit\n");
        auto r = testsupport::runProgram(
            "cd '" + dir.path() + "' && LSAN_OPTIONS=\"$LSAN_OPTIONS:print_suppressions=0\" " +
                (noGL ? "__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent.json" : "") +
                (noFonts ? "FONTCONFIG_FILE='" + dir.file("fonts.conf") + "'" : "") +
                " bin/paddock",
            "--headless --script show.script --trace trace.txt");
        EXPECT_EQ(r.status, 0);
        std::vector<std::string> shows;
        int cues = 0, fileCues = 0, interaction = 0;
        std::string expected = message(host::messages::kAudioSilent, "headless run");
        // Without fonts the placard shows its picture without text, said once.
        if (noFonts) expected += host::messages::kNoUsableFont;
        if (noGL)
            expected += message(host::messages::kEAGLNoContext, "no EGL display") +
                        toy::messages::kNoShowWithoutGL;
        for (const auto& l :
             testsupport::traceLines(testsupport::readFile(dir.file("trace.txt")))) {
            EXPECT_NE(l.what().rfind("sound played", 0), 0u) << "no sound is played";
            if (l.event == "show") shows.push_back(l.stamp + " " + l.details);
            interaction += l.details.starts_with("interaction");
            if (l.event != "cue" || (++cues, !l.details.ends_with(".wav"))) continue;
            // Every cue that drew a file prints the loader's two lines and stays silent.
            ++fileCues;
            const std::string file = l.details.substr(l.details.rfind(' ') + 1);
            expected += message(toy::messages::kCreateSoundFailed, broken ? 1954115647 : -43) +
                        message(toy::messages::kOpenSoundFileFailed,
                                (broken ? resources + "/" + file : file).c_str());
        }
        if (noGL)
            EXPECT_EQ(shows, std::vector<std::string>{"1.0000 skipped: no GL view"});
        else
            EXPECT_EQ(shows.size(), 2u) << "one start and one end";
        EXPECT_TRUE(noGL ? cues == 0 : fileCues > 8) << "a boing at every launch at least";
        EXPECT_EQ(interaction, 2) << "off for the return, then on";
        // Hundreds of lines: on a mismatch, show only where they part.
        const auto at =
            std::mismatch(r.output.begin(), r.output.end(), expected.begin(), expected.end());
        EXPECT_TRUE(r.output == expected)
            << "output parts from the expected at byte " << (at.first - r.output.begin()) << ": "
            << std::string(at.first, std::min(at.first + 160, r.output.end()));
        // The placard is back where it rested before the drag.
        EXPECT_EQ(testsupport::readFile(dir.file("resting.png")),
                  testsupport::readFile(dir.file("back.png")));
    }
}

}  // namespace
