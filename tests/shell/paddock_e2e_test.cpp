#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <optional>

#include "host/foundation/messages.h"
#include "host/layers/cg_context.h"
#include "host/views/ui_image.h"
#include "tests/support/host_support.h"

// Drives the real program headless with scripts, and reads its frames, trace
// and messages.

namespace {

namespace fs = std::filesystem;
using host::CGImage;

std::shared_ptr<CGImage> loadPng(const std::string& path) {
    auto image = host::UIImage::imageWithContentsOfFile(path);
    return image ? image->CGImage() : nullptr;
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

// Compares the placard picture's opaque pixels, outside the text band, with
// the frame where a placard centred on the stage has them. Returns how many
// matched, and sets `compared` to how many were looked at.
int centredPlacardPixels(const CGImage& frame, const CGImage& cow, int& compared) {
    const int w = cow.width(), h = cow.height(), left = 160 - w / 2, top = 240 - h / 2;
    int matched = 0;
    compared = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (uint32_t p = cow.pixel(x, y); p >> 24 == 0xFF && std::abs(y - (h / 2 - 90)) >= 15) {
                matched += frame.pixel(left + x, top + y) == p;
                ++compared;
            }
    return matched;
}

// The placard alone, resting on the stage's middle: every opaque pixel of its
// picture in place, black around it, its string in white 90 points above.
void expectCentredPlacard(const CGImage& frame) {
    auto cow = loadPng(PADDOCK_RESOURCES "/cow.png");
    ASSERT_TRUE(cow);
    ASSERT_EQ(frame.width(), 320);
    ASSERT_EQ(frame.height(), 480);
    int compared = 0;
    const int matched = centredPlacardPixels(frame, *cow, compared);
    EXPECT_EQ(matched, compared);
    EXPECT_GT(compared, cow->width() * cow->height() / 2);
    const int w = cow->width(), h = cow->height(), left = 160 - w / 2, top = 240 - h / 2;
    const Box box = nonBlack(frame);
    EXPECT_TRUE(box.left >= left && box.right < left + w && box.top >= top && box.bottom < top + h);
    EXPECT_GT(whiteInTextBand(frame, 160, 240), 40);
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
    // A copy of the program with its own resources beside it, as installed:
    // tree/bin/paddock and tree/share/paddock/resources. The bundle is found
    // from the executable's real path, so the program is copied, not linked.
    std::string makeTree() {
        fs::remove_all(dir.file("tree"));
        fs::create_directories(dir.file("tree/bin"));
        fs::create_directories(dir.file("tree/share/paddock"));
        fs::copy(PADDOCK_RESOURCES, resources(), fs::copy_options::recursive);
        fs::copy_file(PADDOCK_BIN, dir.file("tree/bin/paddock"));
        return dir.file("tree/bin/paddock");
    }
    std::string resources() const { return dir.file("tree/share/paddock/resources"); }
    testsupport::TempDir dir;
};

std::string format(const char* format, const std::string& a, const std::string& b = "",
                   const std::string& c = "") {
    char line[1024];
    std::snprintf(line, sizeof line, format, a.c_str(), b.c_str(), c.c_str());
    return line;
}

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

    auto centred = loadPng(dir.file("centred.png"));
    ASSERT_TRUE(centred);
    expectCentredPlacard(*centred);
    const Box box = nonBlack(*centred);

    // Held, the placard is 1.1 times its size about its centre, which is
    // under the finger at (150, 200): the settle took it to where the finger
    // came down, the last move on from there.
    auto dragged = loadPng(dir.file("first.png"));
    ASSERT_TRUE(dragged);
    const Box moved = nonBlack(*dragged);
    auto scaled = [](int edge, int from, int to) { return to + (edge - from) * 1.1; };
    EXPECT_NEAR(moved.left, scaled(box.left, 160, 150), 1.5);
    EXPECT_NEAR(moved.right + 1, scaled(box.right + 1, 160, 150), 1.5);
    EXPECT_NEAR(moved.top, scaled(box.top, 240, 200), 1.5);
    EXPECT_NEAR(moved.bottom + 1, scaled(box.bottom + 1, 240, 200), 1.5);
    // Its string, scaled too, sits 99 points above its centre (near white:
    // scaled pixels blend).
    int nearWhite = 0;
    for (int y = 200 - 99 - 12; y <= 200 - 99 + 12; ++y)
        for (int x = 150 - 121; x < 150 + 121; ++x)
            nearWhite += (dragged->pixel(x, y) & 0xE0E0E0) == 0xE0E0E0;
    EXPECT_GT(nearWhite, 30);
    // Letting go over the placard starts a show.
    const std::string trace = testsupport::readFile(dir.file("t1.txt"));
    for (const char* line :
         {"0.5000 touch began view=PlacardView tap=1 x=100.0 y=200.0\n",
          "0.6000 touch moved view=PlacardView tap=1 x=120.0 y=230.0\n",
          "1.5000 snapshot frames/dragged.png\n",
          "1.6000 touch ended view=PlacardView tap=1 x=150.0 y=200.0\n", "1.6000 show start\n",
          "1.6000 view interaction off view=PaddockView\n", "2.0000 quit \n"})
        EXPECT_NE(trace.find(line), std::string::npos) << line << "in\n" << trace;

    ASSERT_EQ(run("--headless --script drag.script --zoom=2").status, 0);
    dragged = loadPng(dir.file("frames/dragged.png"));
    ASSERT_TRUE(dragged);
    EXPECT_EQ(dragged->width(), 640) << "--zoom scales the snapshot";
}

// Mean change in brightness between neighbouring pixels across the text band
// of the resting placard, in a frame `zoom` pixels per point: how sharp the
// lettering's edges are.
double textEdgeStrength(const CGImage& frame, int zoom) {
    auto luma = [](uint32_t p) {
        return 0.3 * (p >> 16 & 0xFF) + 0.59 * (p >> 8 & 0xFF) + 0.11 * (p & 0xFF);
    };
    double sum = 0;
    int n = 0;
    for (int y = (150 - 10) * zoom; y < (150 + 10) * zoom; ++y)
        for (int x = 60 * zoom; x < 260 * zoom; ++x, ++n)
            sum += std::abs(luma(frame.pixel(x + 1, y)) - luma(frame.pixel(x, y)));
    return sum / n;
}

TEST_F(Paddock, AnEnlargedRunIsDrawnAtItsZoomInPlaceAndSharperThanAnEnlargement) {
    dir.write("rest.script", "0.1 snapshot rest.png\n0.2 quit\n");
    std::shared_ptr<CGImage> frames[4];
    for (int zoom : {1, 2, 3}) {
        ASSERT_EQ(run("--headless --script rest.script --zoom " + std::to_string(zoom)).status, 0);
        frames[zoom] = loadPng(dir.file("rest.png"));
        ASSERT_TRUE(frames[zoom]);
        ASSERT_EQ(frames[zoom]->width(), 320 * zoom);
    }
    // The placard's picture in its variant for the zoom, pixel for pixel where
    // the placard rests: nothing shifted or resampled.
    for (int zoom : {2, 3}) {
        SCOPED_TRACE(zoom);
        auto art = loadPng(PADDOCK_RESOURCES "/cow@" + std::to_string(zoom) + "x.png");
        ASSERT_TRUE(art);
        ASSERT_EQ(art->width(), 220 * zoom);
        int matched = 0, compared = 0;
        for (int y = 0; y < art->height(); ++y)
            for (int x = 0; x < art->width(); ++x)
                if (uint32_t p = art->pixel(x, y);
                    p >> 24 == 0xFF && std::abs(y - 60 * zoom) >= 15 * zoom) {
                    matched += frames[zoom]->pixel(50 * zoom + x, 90 * zoom + y) == p;
                    ++compared;
                }
        EXPECT_EQ(matched, compared);
        EXPECT_GT(compared, art->width() * art->height() / 2);
    }
    // The text is laid out again at the zoom, not enlarged: its edges are
    // clearly sharper than those of the zoom-1 frame enlarged smoothly (about
    // 1.3 times; an enlargement would measure 1).
    auto enlarged = CGImage::create(640, 960);
    host::drawingBackend().drawIntoImage(*enlarged, [&](host::CGContext& c) {
        c.scaleCTM(2, 2);
        c.drawImage(*frames[1], host::CGImageFilter::bilinear, host::CGImageEdges::transparent);
    });
    const double sharp = textEdgeStrength(*frames[2], 2), soft = textEdgeStrength(*enlarged, 2);
    EXPECT_GT(sharp, 1.2 * soft) << "zoom 2: " << sharp << ", zoom 1 enlarged: " << soft;
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
         kSilent + format(host::messages::kSnapshotUnwritable, "/proc/no/such/place.png",
                          std::strerror(ENOENT))},
        {"--headless --script snap.script --trace /proc/no/trace.txt", "", 1,
         format(host::messages::kTraceUnwritable, "/proc/no/trace.txt", std::strerror(ENOENT))},
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
    const std::string resources = this->resources();
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
        const std::string program = makeTree();
        c.damage();
        auto result = run("--headless --script snap.script", c.env, program);
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

// Start-up files that cannot be used stop the program at once with one line
// saying which file and why; a stage that cannot be loaded leaves the window
// empty, which is said after the loader's own line.
TEST_F(Paddock, UnusableStartUpFilesStopTheProgramWithOneClearLine) {
    dir.write("quit.script", "0.5 quit\n");
    namespace m = host::messages;
    const std::string res = resources();
    const std::string window = R"("window": {"class": "UIWindow"})";
    // The line for an unusable property list, main interface file or stage;
    // a stage's comes after the sound notice and before the empty window's.
    auto info = [&](const std::string& why) {
        return format(m::kStartFileUnusable, "property list", res + "/Info.json", why);
    };
    auto main = [&](const std::string& why) {
        return format(m::kStartFileUnusable, "main interface file", res + "/MainWindow.json", why);
    };
    auto stage = [&](const std::string& why) {
        return kSilent + format(m::kInterfaceFileUnusable, res + "/PaddockView.json", why) +
               m::kNothingLaunched;
    };
    const std::string unconnected =
        "the delegate's \"window\" outlet is not connected to the window";
    const struct {
        const char* what;
        const char* file;
        std::optional<std::string> contents;  // nothing: the file is removed
        std::string output;
    } cases[] = {
        {"no property list",
         "Info.json",
         {},
         format(m::kStartFileMissing, "property list", "Info", res)},
        {"broken property list", "Info.json", "{\"NSMainNibFile\": ", info("it is not JSON")},
        {"no main interface file named", "Info.json", R"({"CFBundleName": "Paddock"})",
         info("it names no main interface file (\"NSMainNibFile\")")},
        {"main interface file named but missing", "Info.json", R"({"NSMainNibFile": "Elsewhere"})",
         format(m::kStartFileMissing, "main interface file", "Elsewhere", res)},
        {"no main interface file",
         "MainWindow.json",
         {},
         format(m::kStartFileMissing, "main interface file", "MainWindow", res)},
        {"broken main interface file", "MainWindow.json", "[{\"window\"", main("it is not JSON")},
        {"no window", "MainWindow.json",
         R"({"delegate": {"class": "PaddockAppDelegate", "outlets": {"window": "window"}}})",
         main("it holds no window of class \"UIWindow\"")},
        {"unknown delegate class", "MainWindow.json",
         "{" + window +
             R"(, "delegate": {"class": "PaddockDelegate", "outlets": {"window": "window"}}})",
         main("the application delegate class \"PaddockDelegate\" is unknown")},
        {"window outlet not connected", "MainWindow.json",
         "{" + window + R"(, "delegate": {"class": "PaddockAppDelegate"}})", main(unconnected)},
        {"window outlet connected elsewhere", "MainWindow.json",
         "{" + window +
             R"(, "delegate": {"class": "PaddockAppDelegate", "outlets": {"window": "view"}}})",
         main(unconnected)},
        {"no stage",
         "PaddockView.json",
         {},
         kSilent + format(m::kInterfaceFileMissing, "PaddockView", res) + m::kNothingLaunched},
        {"broken stage", "PaddockView.json", R"({"view": {"class": "PaddockView")",
         stage("it is not JSON")},
        {"stage of an unknown class", "PaddockView.json", R"({"view": {"class": "Paddock"}})",
         stage("the view class \"Paddock\" is unknown")},
        {"stage that cannot be made", "PaddockView.json",
         R"({"view": {"class": "PaddockView", "frame": [0, 0, -320, 480]}})",
         stage("a view of class \"PaddockView\" cannot be made from it")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string program = makeTree();
        if (c.contents)
            dir.write(std::string("tree/share/paddock/resources/") + c.file, *c.contents);
        else
            fs::remove(res + "/" + c.file);
        auto result = run("--headless --script quit.script --trace t.txt", "", program);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.output, c.output);
    }
}

// A whole show, headless: the cow over black while it runs, the placard back
// in the middle after it; the trace tells the show line by line. The same
// script and clock start give the same run to the byte; another clock start
// gives other cues.
TEST_F(Paddock, HeadlessShowRunsTheSameWayForTheSameClockStart) {
    dir.write("show.script",
              "0.50 down 160 240\n0.90 move 200 300\n1.00 up 200 300\n"
              "4.00 snapshot show1.png\n7.00 snapshot show2.png\n"
              "15.50 snapshot after.png\n16 quit\n");
    // The first three seconds of the same show.
    dir.write("short.script", "0.50 down 160 240\n0.90 move 200 300\n1.00 up 200 300\n4 quit\n");
    const char* shots[] = {"show1.png", "show2.png", "after.png"};
    auto runAt = [&](const std::string& clockStart, const std::string& folder) {
        auto result =
            run("--headless --script show.script --trace t.txt --clock-start " + clockStart);
        EXPECT_EQ(result.status, 0) << result.output;
        EXPECT_EQ(result.output, kSilent);
        fs::create_directories(dir.file(folder));
        for (const char* name : {"t.txt", "show1.png", "show2.png", "after.png"})
            fs::rename(dir.file(name), dir.file(folder + "/" + name));
    };
    runAt("1000", "a");
    runAt("1000", "b");
    auto other = run("--headless --script short.script --trace c.txt --clock-start 2000");
    EXPECT_EQ(other.status, 0) << other.output;
    for (const char* name : {"t.txt", "show1.png", "show2.png", "after.png"})
        EXPECT_EQ(testsupport::readFile(dir.file(std::string("a/") + name)),
                  testsupport::readFile(dir.file(std::string("b/") + name)))
            << name << " differs between two runs with the same clock start";

    // While the show runs the GL view covers the stage: the cow over black,
    // none of the placard.
    auto cow = loadPng(PADDOCK_RESOURCES "/cow.png");
    ASSERT_TRUE(cow);
    for (const char* name : {shots[0], shots[1]}) {
        SCOPED_TRACE(name);
        auto frame = loadPng(dir.file(std::string("a/") + name));
        ASSERT_TRUE(frame);
        int compared = 0;
        const int matched = centredPlacardPixels(*frame, *cow, compared);
        EXPECT_LT(matched, compared / 50);
        int lit = 0;
        for (int y = 0; y < frame->height(); ++y)
            for (int x = 0; x < frame->width(); ++x) lit += frame->pixel(x, y) != 0xFF000000;
        EXPECT_GT(lit, 50);
        EXPECT_LT(lit, frame->width() * frame->height() / 2);
    }
    auto after = loadPng(dir.file("a/after.png"));
    ASSERT_TRUE(after);
    expectCentredPlacard(*after);

    // At the release the GL view comes up, the show starts with a moo cue and
    // the stage stops taking touches; the show lasts about ten seconds, with
    // a boing at the first tick and at each of the first seven floor contacts.
    std::vector<std::string> atRelease, cues;
    double end = 0;
    int boings = 0;
    for (const auto& l : testsupport::traceLines(testsupport::readFile(dir.file("a/t.txt")))) {
        if (l.stamp == "1.0000" && (l.event == "show" || l.event == "cue" || l.event == "view"))
            atRelease.push_back(l.what());
        if (l.what() == "show end") end = l.time;
        if (l.event == "cue") cues.push_back(l.stamp + " " + l.what());
        boings += l.details.starts_with("boing boing_");
    }
    ASSERT_EQ(atRelease.size(), 4u);
    EXPECT_EQ(atRelease[0], "view shown view=EAGLView");
    EXPECT_EQ(atRelease[1], "show start");
    EXPECT_TRUE(atRelease[2].starts_with("cue moo ")) << atRelease[2];
    EXPECT_EQ(atRelease[3], "view interaction off view=PaddockView");
    EXPECT_GT(end, 7.0);
    EXPECT_LT(end, 15.5);
    EXPECT_GE(boings, 8);

    std::vector<std::string> early, otherCues;
    for (const auto& cue : cues)
        if (std::stod(cue) <= 4.0) early.push_back(cue);
    for (const auto& l : testsupport::traceLines(testsupport::readFile(dir.file("c.txt"))))
        if (l.event == "cue") otherCues.push_back(l.stamp + " " + l.what());
    EXPECT_GT(early.size(), 5u);
    EXPECT_GT(otherCues.size(), 5u);
    EXPECT_NE(otherCues, early) << "another clock start seeds other draws";
}

}  // namespace
