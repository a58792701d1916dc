#include <cairo.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "host/layers/image.h"

// Drives the real program headless with a script, and reads its frames,
// trace and messages.

namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::shared_ptr<host::CGImage> loadPng(const fs::path& path) {
    cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return nullptr;
    }
    return std::make_shared<host::CGImage>(s);
}

class Paddock : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("paddock-e2e-" + std::to_string(getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path write(const std::string& name, const std::string& text) {
        std::ofstream(dir_ / name, std::ios::binary) << text;
        return dir_ / name;
    }
    // Runs the program in the test's folder; returns its exit status, with
    // its standard output and error in out_ and err_.
    int run(const std::string& args, const std::string& env = "",
            const std::string& binary = PADDOCK_BIN) {
        std::string cmd = "cd '" + dir_.string() + "' && " + env + " '" + binary + "' " + args +
                          " >out.txt 2>err.txt";
        int rc = std::system(cmd.c_str());
        out_ = slurp(dir_ / "out.txt");
        err_ = slurp(dir_ / "err.txt");
        return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    }

    fs::path dir_;
    std::string out_, err_;
};

const char* kDrag =
    "# take the placard by its top left and drag it\n"
    "0.50 down 100 200\n"
    "0.60 move 120 230\n"
    "0.90 move 150 200\n"
    "1.50 snapshot frames/dragged.png\n"
    "1.60 up 150 200\n"
    "2 quit\n";

// Pixels that differ from the black background, as a bounding box.
struct Box {
    int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;
};
Box nonBlack(const host::CGImage& image) {
    Box b;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != 0xFF000000) {
                b.left = std::min(b.left, x), b.right = std::max(b.right, x);
                b.top = std::min(b.top, y), b.bottom = std::max(b.bottom, y);
            }
    return b;
}

TEST_F(Paddock, HeadlessScriptDragsThePlacardAndWritesFrameAndTrace) {
    write("drag.script", kDrag);
    ASSERT_EQ(run("--headless --script drag.script --trace trace.txt"), 0) << err_;
    EXPECT_EQ(err_, "");

    auto frame = loadPng(dir_ / "frames/dragged.png");
    ASSERT_TRUE(frame) << "the snapshot's folder is made";
    ASSERT_EQ(frame->width(), 320);
    ASSERT_EQ(frame->height(), 480);
    // The placard's centre follows the finger to (150, 200): its picture
    // shows there, pixel for pixel, except in the text band 90 points above
    // the centre, where the text is white.
    auto cow = loadPng(PADDOCK_RESOURCES "/cow.png");
    ASSERT_TRUE(cow);
    ASSERT_EQ(cow->width(), 220);
    ASSERT_EQ(cow->height(), 300);
    const int left = 150 - 110, top = 200 - 150;
    int compared = 0;
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 220; ++x) {
            uint32_t p = cow->pixel(x, y);
            if (p >> 24 != 0xFF || (y > 150 - 90 - 15 && y < 150 - 90 + 15)) continue;
            ASSERT_EQ(frame->pixel(left + x, top + y), p) << x << "," << y;
            ++compared;
        }
    EXPECT_GT(compared, 50000);
    Box b = nonBlack(*frame);
    EXPECT_GE(b.left, left);
    EXPECT_LE(b.right, left + 219);
    EXPECT_GE(b.top, top);
    EXPECT_LE(b.bottom, top + 299);
    int white = 0;
    for (int y = 200 - 90 - 10; y <= 200 - 90 + 10; ++y)
        for (int x = left; x < left + 220; ++x) white += frame->pixel(x, y) == 0xFFFFFFFF;
    EXPECT_GT(white, 30);

    const std::string trace = slurp(dir_ / "trace.txt");
    for (const char* line :
         {"0.5000 touch began view=PlacardView tap=1 x=100.0 y=200.0\n",
          "0.6000 touch moved view=PlacardView tap=1 x=120.0 y=230.0\n",
          "1.5000 snapshot frames/dragged.png\n",
          "1.6000 touch ended view=PlacardView tap=1 x=150.0 y=200.0\n", "2.0000 quit \n"})
        EXPECT_NE(trace.find(line), std::string::npos) << line << "in\n" << trace;
}

TEST_F(Paddock, HeadlessRunsAreIdenticalEveryTime) {
    write("drag.script", std::string(kDrag) + "");
    ASSERT_EQ(run("--headless --script drag.script --trace t1.txt --zoom 2"), 0) << err_;
    fs::rename(dir_ / "frames/dragged.png", dir_ / "first.png");
    ASSERT_EQ(run("--headless --script drag.script --trace t2.txt --zoom 2"), 0) << err_;
    EXPECT_EQ(slurp(dir_ / "t1.txt"), slurp(dir_ / "t2.txt"));
    std::string first = slurp(dir_ / "first.png");
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(first, slurp(dir_ / "frames/dragged.png"));
    auto frame = loadPng(dir_ / "first.png");
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->width(), 640) << "--zoom scales the snapshot";
}

TEST_F(Paddock, BadOptionsAndScriptLinesExitWithTwo) {
    EXPECT_EQ(run("--frobnicate"), 2);
    EXPECT_EQ(err_, "paddock: unknown option \"--frobnicate\" (try --help)\n");
    EXPECT_EQ(run("--headless"), 2);
    EXPECT_EQ(err_, "paddock: --headless needs --script FILE (try --help)\n");
    EXPECT_EQ(run("--zoom 0 --headless --script x"), 2);

    write("bad.script", "0.5 down 160 240\n\n0.7 wiggle 1 2\n");
    EXPECT_EQ(run("--headless --script bad.script"), 2);
    EXPECT_EQ(err_, "bad.script:3: unknown command \"wiggle\"\n");

    EXPECT_EQ(run("--headless --script missing.script"), 2);
    EXPECT_EQ(err_, "cannot read the script missing.script: No such file or directory\n");

    EXPECT_EQ(run("--help"), 0);
    EXPECT_NE(out_.find("--headless --script FILE"), std::string::npos);
}

TEST_F(Paddock, WithoutADisplayTheWindowPointsToHeadless) {
    EXPECT_EQ(run("", "env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER"), 1);
    EXPECT_EQ(err_,
              "paddock: no display to open a window on (neither DISPLAY nor WAYLAND_DISPLAY is "
              "set); run without one with paddock --headless --script FILE\n");
}

TEST_F(Paddock, UnwritableSnapshotOrTraceFailsTheRun) {
    write("snap.script", "1 snapshot /proc/no/such/place.png\n2 quit\n");
    EXPECT_EQ(run("--headless --script snap.script"), 1);
    EXPECT_EQ(err_, "cannot write the snapshot /proc/no/such/place.png\n");
    EXPECT_EQ(run("--headless --script snap.script --trace /proc/no/trace.txt"), 1);
    EXPECT_EQ(err_, "cannot write the trace file /proc/no/trace.txt\n");
}

// A copy of the program with resources of our choosing beside it.
class PaddockCopy : public Paddock {
  protected:
    void SetUp() override {
        Paddock::SetUp();
        fs::create_directories(dir_ / "tree/bin");
        fs::create_directories(dir_ / "tree/share/paddock");
        fs::copy(PADDOCK_RESOURCES, dir_ / "tree/share/paddock/resources",
                 fs::copy_options::recursive);
        fs::copy_file(PADDOCK_BIN, dir_ / "tree/bin/paddock");
        binary_ = (dir_ / "tree/bin/paddock").string();
        write("snap.script", "0.5 snapshot snap.png\n1 quit\n");
    }
    fs::path resource(const char* name) { return dir_ / "tree/share/paddock/resources" / name; }
    std::string binary_;
};

TEST_F(PaddockCopy, CorruptPictureGivesNoPlacardAndOneLine) {
    std::ofstream(resource("cow.png"), std::ios::binary) << "\x89PNG\r\n\x1a\n truncated";
    ASSERT_EQ(run("--headless --script snap.script", "", binary_), 0) << err_;
    EXPECT_EQ(out_, "image " + resource("cow.png").string() + " cannot be used: not a PNG file\n");
    auto frame = loadPng(dir_ / "snap.png");
    ASSERT_TRUE(frame);
    EXPECT_EQ(nonBlack(*frame).right, -1) << "an empty stage";
}

TEST_F(PaddockCopy, MissingStringsShowThePictureOnlyAndSayNothing) {
    fs::remove(resource("DisplayStrings.strings"));
    ASSERT_EQ(run("--headless --script snap.script", "", binary_), 0) << err_;
    EXPECT_EQ(out_, "");
    auto frame = loadPng(dir_ / "snap.png");
    ASSERT_TRUE(frame);
    // The text band, 90 points above the centred placard's middle, is empty.
    int white = 0;
    for (int y = 240 - 90 - 12; y <= 240 - 90 + 12; ++y)
        for (int x = 50; x < 270; ++x) white += frame->pixel(x, y) == 0xFFFFFFFF;
    EXPECT_EQ(white, 0) << "no text";
    EXPECT_NEAR(nonBlack(*frame).left, 50, 3) << "the picture is there";
}

TEST_F(PaddockCopy, WithoutFontsTheTextIsLeftOutAndSaidOnce) {
    write("fonts.conf", "<?xml version=\"1.0\"?>\n<fontconfig><cachedir>" + dir_.string() +
                            "</cachedir></fontconfig>\n");
    ASSERT_EQ(run("--headless --script snap.script",
                  "FONTCONFIG_FILE='" + (dir_ / "fonts.conf").string() + "'", binary_),
              0)
        << err_;
    EXPECT_EQ(out_, "no usable font (install fonts-dejavu-core): text is not drawn\n");
    auto frame = loadPng(dir_ / "snap.png");
    ASSERT_TRUE(frame);
    EXPECT_NEAR(nonBlack(*frame).left, 50, 3) << "the placard is still there";
}

}  // namespace
