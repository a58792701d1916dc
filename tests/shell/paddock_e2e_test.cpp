#include <cairo.h>
#include <gtest/gtest.h>

#include <functional>

#include "host/layers/image.h"
#include "tests/support/host_support.h"

// Drives the real program headless with scripts, and reads its frames, trace
// and messages.

namespace {

namespace fs = std::filesystem;
using host::CGImage;

std::shared_ptr<CGImage> loadPng(const std::string& path) {
    cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
    if (cairo_surface_status(s) == CAIRO_STATUS_SUCCESS) return std::make_shared<CGImage>(s);
    cairo_surface_destroy(s);
    return nullptr;
}

// The box of pixels that are not the stage's black; right < 0 when none.
struct Box {
    int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;
};
Box nonBlack(const CGImage& image) {
    Box b;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != 0xFF000000) {
                b.left = std::min(b.left, x), b.right = std::max(b.right, x);
                b.top = std::min(b.top, y), b.bottom = std::max(b.bottom, y);
            }
    return b;
}

// White pixels in the text band of a placard centred at (x, y).
int whiteInTextBand(const CGImage& image, int x, int y) {
    int white = 0;
    for (int row = y - 90 - 12; row <= y - 90 + 12; ++row)
        for (int column = x - 110; column < x + 110; ++column)
            white += image.pixel(column, row) == 0xFFFFFFFF;
    return white;
}

class Paddock : public ::testing::Test {
  protected:
    // Runs the program in the test's folder, `env` before it. Under the leak
    // checker its list of suppressed leaks would join the output.
    testsupport::ProgramRun run(const std::string& args, const std::string& env = "",
                                const std::string& binary = PADDOCK_BIN) {
        return testsupport::runProgram(
            "cd '" + dir.path() + "' && LSAN_OPTIONS=\"$LSAN_OPTIONS:print_suppressions=0\" " +
                env + " '" + binary + "'",
            args);
    }
    testsupport::TempDir dir;
};

const std::string kSilent = "Sound is off (headless run): sounds play silently\n";

TEST_F(Paddock, HeadlessScriptComposesThePlacardAndDragsItTheSameWayEveryTime) {
    dir.write("drag.script",
              "# take the placard by its top left and drag it\n"
              "0.10 snapshot centred.png\n0.50 down 100 200\n0.60 move 120 230\n"
              "0.90 move 150 200\n1.50 snapshot frames/dragged.png\n1.60 up 150 200\n2 quit\n");
    auto first = run("--headless --script drag.script --trace t1.txt");
    ASSERT_EQ(first.status, 0) << first.output;
    // Headless runs are silent and say so once.
    EXPECT_EQ(first.output, kSilent);
    fs::rename(dir.file("frames/dragged.png"), dir.file("first.png"));
    ASSERT_EQ(run("--headless --script=drag.script --trace=t2.txt").status, 0);
    EXPECT_EQ(testsupport::readFile(dir.file("t1.txt")), testsupport::readFile(dir.file("t2.txt")));
    EXPECT_EQ(testsupport::readFile(dir.file("first.png")),
              testsupport::readFile(dir.file("frames/dragged.png")));

    // Centred on the stage: the picture's own opaque pixels, black around
    // them, and the first string in white across the band 90 points above.
    auto centred = loadPng(dir.file("centred.png"));
    auto cow = loadPng(PADDOCK_RESOURCES "/cow.png");
    ASSERT_TRUE(centred && cow);
    ASSERT_EQ(centred->width(), 320);
    ASSERT_EQ(centred->height(), 480);
    const int w = cow->width(), h = cow->height(), left = 160 - w / 2, top = 240 - h / 2;
    int compared = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (uint32_t p = cow->pixel(x, y);
                p >> 24 == 0xFF && std::abs(y - (h / 2 - 90)) >= 15) {
                ASSERT_EQ(centred->pixel(left + x, top + y), p) << x << "," << y;
                ++compared;
            }
    EXPECT_GT(compared, w * h / 2);
    const Box box = nonBlack(*centred);
    EXPECT_TRUE(box.left >= left && box.right < left + w && box.top >= top && box.bottom < top + h);
    EXPECT_GT(whiteInTextBand(*centred, 160, 240), 40);

    // Dragged: the placard's centre followed the finger to (150, 200).
    auto dragged = loadPng(dir.file("first.png"));
    ASSERT_TRUE(dragged);
    const Box moved = nonBlack(*dragged);
    EXPECT_EQ(std::tuple(moved.left, moved.top, moved.right, moved.bottom),
              std::tuple(box.left - 10, box.top - 40, box.right - 10, box.bottom - 40));
    EXPECT_GT(whiteInTextBand(*dragged, 150, 200), 30);
    const std::string trace = testsupport::readFile(dir.file("t1.txt"));
    for (const char* line :
         {"0.5000 touch began view=PlacardView tap=1 x=100.0 y=200.0\n",
          "0.6000 touch moved view=PlacardView tap=1 x=120.0 y=230.0\n",
          "1.5000 snapshot frames/dragged.png\n",
          "1.6000 touch ended view=PlacardView tap=1 x=150.0 y=200.0\n", "2.0000 quit \n"})
        EXPECT_NE(trace.find(line), std::string::npos) << line << "in\n" << trace;

    ASSERT_EQ(run("--headless --script drag.script --zoom=2").status, 0);
    dragged = loadPng(dir.file("frames/dragged.png"));
    ASSERT_TRUE(dragged);
    EXPECT_EQ(dragged->width(), 640) << "--zoom scales the snapshot";
}

TEST_F(Paddock, BadInputGivesOneClearLineAndAFailingStatus) {
    dir.write("bad.script", "0.5 down 160 240\n\n0.7 wiggle 1 2\n");
    dir.write("snap.script", "1 snapshot /proc/no/such/place.png\n2 quit\n");
    const struct {
        std::string args, env;
        int status;
        std::string output;
    } cases[] = {
        {"--frobnicate", "", 2, "paddock: unknown option \"--frobnicate\" (try --help)\n"},
        {"--headless --script bad.script", "", 2, "bad.script:3: unknown command \"wiggle\"\n"},
        {"--headless --script missing.script", "", 2,
         "cannot read the script missing.script: No such file or directory\n"},
        {"", "env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER", 1,
         "paddock: no display to open a window on (neither DISPLAY nor WAYLAND_DISPLAY is set); "
         "run without one with paddock --headless --script FILE\n"},
        {"--headless --script snap.script", "", 1,
         kSilent + "cannot write the snapshot /proc/no/such/place.png\n"},
        {"--headless --script snap.script --trace /proc/no/trace.txt", "", 1,
         "cannot write the trace file /proc/no/trace.txt\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        auto result = run(c.args, c.env);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.output, c.output);
    }
    auto help = run("-h");
    EXPECT_EQ(help.status, 0);
    for (const char* word : {"--zoom", "--trace", "--headless --script FILE", "--help", "snapshot",
                             "quit", "down", "move", "up", "Exit status"})
        EXPECT_NE(help.output.find(word), std::string::npos) << word;
}

TEST_F(Paddock, DamagedResourcesOrNoFontsLeaveWhatCanBeShownAndSayOnce) {
    dir.write("snap.script", "0.5 snapshot snap.png\n1 quit\n");
    dir.write("fonts.conf", "<?xml version=\"1.0\"?>\n<fontconfig><cachedir>" + dir.path() +
                                "</cachedir></fontconfig>\n");
    const std::string resources = dir.file("tree/share/paddock/resources");
    const struct {
        const char* what;
        std::function<void()> damage;
        std::string env, output;
        bool placard;
    } cases[] = {
        {"corrupt picture",
         [&] { dir.write("tree/share/paddock/resources/cow.png", "\x89PNG\r\n\x1a\n truncated"); },
         "", kSilent + "image " + resources + "/cow.png cannot be used: not a PNG file\n", false},
        {"no strings", [&] { fs::remove(resources + "/DisplayStrings.strings"); }, "", kSilent,
         true},
        {"no fonts", [] {}, "FONTCONFIG_FILE='" + dir.file("fonts.conf") + "'",
         kSilent + "no usable font (install fonts-dejavu-core): text is not drawn\n", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // A copy of the program with its own resources beside it.
        fs::remove_all(dir.file("tree"));
        fs::create_directories(dir.file("tree/bin"));
        fs::create_directories(dir.file("tree/share/paddock"));
        fs::copy(PADDOCK_RESOURCES, resources, fs::copy_options::recursive);
        fs::copy_file(PADDOCK_BIN, dir.file("tree/bin/paddock"));
        c.damage();
        auto result = run("--headless --script snap.script", c.env, dir.file("tree/bin/paddock"));
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.output, c.output);
        auto frame = loadPng(dir.file("snap.png"));
        ASSERT_TRUE(frame);
        // The picture is there, or the stage is empty; never any text.
        const Box b = nonBlack(*frame);
        EXPECT_TRUE(c.placard ? std::abs(b.left - 50) <= 3 && std::abs(b.right - 269) <= 3
                              : b.right < 0)
            << b.left << " to " << b.right;
        EXPECT_EQ(whiteInTextBand(*frame, 160, 240), 0);
    }
}

}  // namespace
