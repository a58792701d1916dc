#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "host/foundation/messages.h"
#include "host/views/ui_image.h"
#include "tests/support/host_support.h"

// Drives the real program headless with scripts, and reads its frames, trace
// and messages.

namespace {

namespace fs = std::filesystem;
namespace m = host::messages;
using host::CGImage;

std::shared_ptr<CGImage> loadPng(const std::string& path) {
    auto image = host::UIImage::imageWithContentsOfFile(path);
    return image ? image->CGImage() : nullptr;
}

const auto said = testsupport::message;
const std::string kSilent = said(m::kAudioSilent, "headless run");

// The box of pixels that are not the stage's black; right < 0 when none.
struct Box {
    int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;
};
Box nonBlack(const CGImage& image) {
    Box b;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != 0xFF000000)
                b = {std::min(b.left, x), std::min(b.top, y), std::max(b.right, x),
                     std::max(b.bottom, y)};
    return b;
}

// How many of the placard picture's opaque pixels (for the zoom, outside the
// text band) a frame shows where the resting placard has them; and of how many.
std::pair<int, int> restingPlacardPixels(const CGImage& frame, int zoom) {
    auto art = loadPng(PADDOCK_RESOURCES "/cow" + std::string(zoom > 1 ? "@2x" : "") + ".png");
    EXPECT_TRUE(art && art->width() == 220 * zoom);
    int matched = 0, compared = 0;
    for (int y = 0; art && y < art->height(); ++y)
        for (int x = 0; x < art->width(); ++x)
            if (uint32_t p = art->pixel(x, y);
                p >> 24 == 0xFF && std::abs(y - 60 * zoom) >= 15 * zoom) {
                matched += frame.pixel(50 * zoom + x, 90 * zoom + y) == p;
                ++compared;
            }
    return {matched, compared};
}

// The placard alone, resting in the middle, its string in white above.
void expectRestingPlacard(const CGImage& frame, int zoom = 1) {
    const auto [matched, compared] = restingPlacardPixels(frame, zoom);
    EXPECT_EQ(matched, compared);
    EXPECT_GT(compared, 220 * 300 * zoom * zoom / 2);
    const Box box = nonBlack(frame);
    EXPECT_TRUE(box.left >= 50 * zoom && box.right < 270 * zoom && box.top >= 90 * zoom &&
                box.bottom < 390 * zoom);
    int white = 0;  // in the text band
    for (int y = 150 - 12; y <= 150 + 12; ++y)
        for (int x = 50; x < 270; ++x) white += frame.pixel(x, y) == 0xFFFFFFFF;
    EXPECT_TRUE(zoom > 1 || white > 40);
}

class Paddock : public ::testing::Test {
  protected:
    // Runs the program in the test's folder, `env` before it; the leak
    // checker's list of suppressed leaks is kept out of the output.
    testsupport::ProgramRun run(const std::string& args, const std::string& env = "",
                                const std::string& binary = PADDOCK_BIN) {
        return testsupport::runProgram(
            "cd '" + dir.path() + "' && LSAN_OPTIONS=\"$LSAN_OPTIONS:print_suppressions=0\" " +
                env + " '" + binary + "'",
            args);
    }
    // A copy of the program with its own resources beside it, as installed.
    std::string makeTree() {
        fs::remove_all(dir.file("tree"));
        for (const char* d : {"tree/bin", "tree/share/paddock"})
            fs::create_directories(dir.file(d));
        fs::copy(PADDOCK_RESOURCES, resources(), fs::copy_options::recursive);
        fs::copy_file(PADDOCK_BIN, dir.file("tree/bin/paddock"));
        return dir.file("tree/bin/paddock");
    }
    std::string resources() const { return dir.file("tree/share/paddock/resources"); }
    std::string file(const std::string& name) const {
        return testsupport::readFile(dir.file(name));
    }
    testsupport::TempDir dir;
};

// A drag and the show it starts: the same run to the byte for the same script
// and clock start, other cues for another; the placard held at 1.1 times its
// size under the finger, the cow over black while the show runs, the placard
// back in the middle after it, and at zoom 2 its 2x picture.
TEST_F(Paddock, AHeadlessRunIsTheSameForTheSameClockStartAndDrawnAtTheZoom) {
    dir.write("drag.script",
              "0.10 snapshot rest.png\n0.50 down 100 200\n0.60 move 120 230\n0.90 move 150 200\n"
              "1.50 snapshot f/drag.png\n1.60 up 150 200\n4.60 snapshot show.png\n"
              "16 snapshot after.png\n16.5 quit\n");
    const char* outputs[] = {"t.txt", "rest.png", "f/drag.png", "show.png", "after.png"};
    std::map<std::string, std::string> runs[3];
    for (int i = 0; i < 3; ++i) {
        for (const char* name : outputs) fs::remove(dir.file(name));
        auto result =
            run(i == 1 ? "--headless --script=drag.script --trace=t.txt --clock-start 1000"
                       : "--headless --script drag.script --trace t.txt --clock-start " +
                             std::string(i ? "2000" : "1000"));
        ASSERT_EQ(result.status, 0) << result.output;
        EXPECT_EQ(result.output, kSilent);
        for (const char* name : outputs) runs[i][name] = file(name);
    }
    EXPECT_EQ(runs[0], runs[1]) << "two runs with the same clock start differ";
    // Letting go over the placard starts a show.
    for (const char* line : {"0.6000 touch moved view=PlacardView tap=1 x=120.0 y=230.0\n",
                             "1.6000 show start\n", "16.5000 quit \n"})
        EXPECT_NE(runs[0]["t.txt"].find(line), std::string::npos) << line;
    auto cues = [](const std::string& trace) {
        std::vector<std::string> out;
        for (const auto& l : testsupport::traceLines(trace))
            if (l.event == "cue" && l.time <= 4.6) out.push_back(l.stamp + " " + l.what());
        return out;
    };
    EXPECT_GT(cues(runs[0]["t.txt"]).size(), 5u);
    EXPECT_NE(cues(runs[0]["t.txt"]), cues(runs[2]["t.txt"])) << "another clock start, other draws";

    auto rest = loadPng(dir.file("rest.png")), dragged = loadPng(dir.file("f/drag.png"));
    auto show = loadPng(dir.file("show.png")), after = loadPng(dir.file("after.png"));
    ASSERT_TRUE(rest && dragged && show && after);
    ASSERT_EQ(rest->width(), 320);
    expectRestingPlacard(*rest);
    // Held, the placard is 1.1 times its size about its centre, under the
    // finger at (150, 200).
    const Box box = nonBlack(*rest), moved = nonBlack(*dragged);
    auto scaled = [](int edge, int from, int to) { return to + (edge - from) * 1.1; };
    EXPECT_NEAR(moved.left, scaled(box.left, 160, 150), 1.5);
    EXPECT_NEAR(moved.right + 1, scaled(box.right + 1, 160, 150), 1.5);
    EXPECT_NEAR(moved.top, scaled(box.top, 240, 200), 1.5);
    EXPECT_NEAR(moved.bottom + 1, scaled(box.bottom + 1, 240, 200), 1.5);
    // While the show runs the GL view covers the stage: the cow over black,
    // none of the placard.
    const auto [matched, compared] = restingPlacardPixels(*show, 1);
    EXPECT_LT(matched, compared / 50);
    const Box cow = nonBlack(*show);
    EXPECT_TRUE(cow.right > cow.left &&
                (cow.right - cow.left) * (cow.bottom - cow.top) < 320 * 480 / 2);
    expectRestingPlacard(*after);

    ASSERT_EQ(run("--headless --script drag.script --zoom=2").status, 0);
    rest = loadPng(dir.file("rest.png"));
    ASSERT_TRUE(rest);
    ASSERT_EQ(rest->width(), 640);
    expectRestingPlacard(*rest, 2);
}

TEST_F(Paddock, ABadCommandLineOrNoDisplayGivesOneLineAndAFailingStatus) {
    auto bad = run("--frobnicate");
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.output, said(m::kBadCommandLine, "paddock", "unknown option \"--frobnicate\""));
    auto none = run("", "env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER");
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.output, said(m::kNoDisplay, "paddock",
                                "neither DISPLAY nor WAYLAND_DISPLAY is set", "paddock"));
    auto help = run("-h");
    EXPECT_EQ(help.status, 0);
    for (const char* word : {"--zoom", "--trace", "--headless --script FILE", "--help", "snapshot",
                             "quit", "down", "move", "up", "Exit status"})
        EXPECT_NE(help.output.find(word), std::string::npos) << word;
}

// Start-up files that cannot be used stop the program with one line saying
// which file and why; a stage that cannot be loaded leaves the window empty,
// which is said after the loader's own line.
TEST_F(Paddock, UnusableStartUpFilesStopTheProgramWithOneClearLine) {
    dir.write("quit.script", "0.5 quit\n");
    const std::string res = resources(), window = R"("window": {"class": "UIWindow"})";
    auto info = [&](const char* why) {
        return said(m::kStartFileUnusable, "property list", (res + "/Info.json").c_str(), why);
    };
    auto main = [&](const std::string& why) {
        return said(m::kStartFileUnusable, "main interface file",
                    (res + "/MainWindow.json").c_str(), why.c_str());
    };
    auto missing = [&](const char* what, const char* name) {
        return said(m::kStartFileMissing, what, name, res.c_str());
    };
    auto withDelegate = [&](const char* before, const char* cls, const char* outlet) {
        return std::string("{") + before + R"("delegate": {"class": ")" + cls +
               R"(", "outlets": {"window": ")" + outlet + "\"}}}";
    };
    const std::string w = window + ", ";
    const struct {
        const char* file;
        std::optional<std::string> contents;  // nothing: the file is removed
        std::string output;
    } cases[] = {
        // clang-format off
        {"Info.json", {}, missing("property list", "Info")},
        {"Info.json", "{\"NSMainNibFile\": ", info("it is not JSON")},
        {"MainWindow.json", {}, missing("main interface file", "MainWindow")},
        {"MainWindow.json", withDelegate("", "PaddockAppDelegate", "window"),
         main("it holds no window of class \"UIWindow\"")},
        {"MainWindow.json", withDelegate(w.c_str(), "Pad", "window"),
         main("the application delegate class \"Pad\" is unknown")},
        {"MainWindow.json", withDelegate(w.c_str(), "PaddockAppDelegate", "view"),
         main("the delegate's \"window\" outlet is not connected to the window")},
        {"PaddockView.json", {},
         kSilent + said(m::kInterfaceFileMissing, "PaddockView", res.c_str()) + m::kNothingLaunched},
        {"PaddockView.json", R"({"view": {"class": "Paddock"}})",
         kSilent + said(m::kInterfaceFileUnusable, (res + "/PaddockView.json").c_str(),
                        "the view class \"Paddock\" is unknown") + m::kNothingLaunched},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.output);
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

}  // namespace
