#include <cairo.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "host/foundation/bundle.h"
#include "host/views/font.h"
#include "host/views/string_drawing.h"
#include "placard/PlacardView.h"

namespace {

using namespace host;
namespace fs = std::filesystem;

constexpr uint32_t kGrey = 0xFF808080;

// A bundle of our own in a temporary folder, for the placard to load from.
class Placard : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_ = NSBundle::mainBundle().resourcePath();
        dir_ = fs::temp_directory_path() /
               ("paddock-placard-" + std::to_string(getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        NSBundle::mainBundle().setResourcePath(dir_.string());
    }
    void TearDown() override {
        NSBundle::mainBundle().setResourcePath(saved_);
        fs::remove_all(dir_);
    }

    // A grey (or other level) picture whose top-left 4 x 4 corner is transparent.
    void writeImage(int w, int h, double level = 0.5) {
        cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
        cairo_t* cr = cairo_create(s);
        cairo_set_source_rgb(cr, level, level, level);
        cairo_paint(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
        cairo_rectangle(cr, 0, 0, 4, 4);
        cairo_fill(cr);
        cairo_destroy(cr);
        ASSERT_EQ(cairo_surface_write_to_png(s, (dir_ / "cow.png").c_str()), CAIRO_STATUS_SUCCESS);
        cairo_surface_destroy(s);
    }
    void writeRaw(const std::string& name, const std::string& bytes) {
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
    }
    void writeStrings(const std::u16string& text) {
        std::string bytes;
        for (char16_t c : text) {
            bytes += static_cast<char>(c >> 8);
            bytes += static_cast<char>(c & 0xFF);
        }
        writeRaw("DisplayStrings.strings", bytes);
    }
    std::shared_ptr<PlacardView> make(std::string& printed) {
        ::testing::internal::CaptureStdout();
        auto p = PlacardView::init();
        std::fflush(stdout);
        printed = ::testing::internal::GetCapturedStdout();
        return p;
    }

    fs::path dir_;
    std::string saved_;
};

void expectShows(const PlacardView& p, const char* text, uint32_t index) {
    ASSERT_TRUE(p.currentDisplayString());
    EXPECT_EQ(*p.currentDisplayString(), text);
    EXPECT_EQ(p.displayStringsIndex(), index);
}

TEST_F(Placard, TakesItsSizeFromTheImageAndIsNotOpaque) {
    writeImage(220, 300);
    writeStrings(u"Moo");
    std::string printed;
    auto p = make(printed);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->frame(), CGRectMake(0, 0, 220, 300));
    EXPECT_EQ(p->bounds().origin, CGPointMake(0, 0));
    EXPECT_FALSE(p->isOpaque());
    EXPECT_EQ(p->placardImage()->size(), CGSizeMake(220, 300));
    EXPECT_TRUE(p->needsDisplay());
    EXPECT_EQ(printed, "");
}

TEST_F(Placard, CyclesThreeLinesInFileOrder) {
    writeImage(220, 300);
    writeStrings(u"first\nsecond\nthird");
    std::string printed;
    auto p = make(printed);
    ASSERT_TRUE(p);
    ASSERT_TRUE(p->displayStrings());
    EXPECT_EQ(p->displayStrings()->size(), 3u);
    expectShows(*p, "first", 1);
    p->setupNextDisplayString();
    expectShows(*p, "second", 2);
    p->setupNextDisplayString();
    expectShows(*p, "third", 0);
    p->setupNextDisplayString();
    expectShows(*p, "first", 1);
}

TEST_F(Placard, TrailingLineFeedGivesAnEmptyLastStringWithNoText) {
    writeImage(220, 300);
    writeStrings(u"a\r\nb\n");
    std::string printed;
    auto p = make(printed);
    ASSERT_TRUE(p);
    // Nothing is trimmed: the carriage return stays with its string.
    expectShows(*p, "a\r", 1);
    float widthA = p->textSize().width;
    EXPECT_GT(widthA, 0);
    p->setupNextDisplayString();
    expectShows(*p, "b", 2);
    p->setupNextDisplayString();
    expectShows(*p, "", 0);
    EXPECT_EQ(p->textSize().width, 0);
    p->setupNextDisplayString();
    expectShows(*p, "a\r", 1);
    EXPECT_EQ(p->textSize().width, widthA);
}

TEST_F(Placard, SingleStringIsShownAgainOnEveryAdvance) {
    writeImage(220, 300);
    writeStrings(u"only");
    std::string printed;
    auto p = make(printed);
    ASSERT_TRUE(p);
    for (int i = 0; i < 3; ++i) {
        expectShows(*p, "only", 0);
        EXPECT_TRUE(p->needsDisplay());
        p->displayIfNeeded();
        EXPECT_FALSE(p->needsDisplay());
        p->setupNextDisplayString();
    }
}

TEST_F(Placard, WithoutAListShowsTheImageOnlyAndSaysNothing) {
    writeImage(220, 300);
    std::string printed;
    auto p = make(printed);
    ASSERT_TRUE(p);
    EXPECT_EQ(printed, "");
    EXPECT_FALSE(p->displayStrings());
    EXPECT_FALSE(p->currentDisplayString());
    EXPECT_EQ(p->displayStringsIndex(), 0u);
    p->setupNextDisplayString();
    EXPECT_FALSE(p->currentDisplayString());
    EXPECT_EQ(p->displayStringsIndex(), 0u);
    EXPECT_EQ(p->textSize(), CGSizeMake(0, 0));
}

TEST_F(Placard, MalformedListIsNamedInOneLineAndShowsTheImageOnly) {
    writeImage(220, 300);
    const std::pair<std::string, std::string> cases[] = {
        {"", "the text file is empty"},
        {std::string("\0M\0o\0", 5), "not UTF-16 text: odd length of 5 bytes"},
        {std::string("\0M\xD8\x3D\0o", 6), "not UTF-16 text: unpaired surrogate at byte 2"},
    };
    for (const auto& [bytes, problem] : cases) {
        writeRaw("DisplayStrings.strings", bytes);
        std::string printed;
        auto p = make(printed);
        ASSERT_TRUE(p);
        EXPECT_EQ(printed, (dir_ / "DisplayStrings.strings").string() + ": " + problem + "\n");
        EXPECT_FALSE(p->currentDisplayString());
        EXPECT_EQ(p->displayStringsIndex(), 0u);
    }
}

TEST_F(Placard, MissingOrCorruptImageGivesNoPlacardAndOneLine) {
    writeStrings(u"Moo");
    std::string printed;
    EXPECT_FALSE(make(printed));
    EXPECT_EQ(printed, "image \"cow.png\" not found in " + dir_.string() + "\n");

    writeImage(220, 300);
    std::ifstream in(dir_ / "cow.png", std::ios::binary);
    std::string png((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string path = (dir_ / "cow.png").string();
    const std::pair<std::string, std::string> cases[] = {
        {png.substr(0, png.size() / 2), "image " + path + " cannot be used: "},
        {"GIF89a, not a png at all", "image " + path + " cannot be used: not a PNG file\n"},
        // A header claiming 100000 x 100000 pixels.
        {png.substr(0, 16) + std::string("\0\x01\x86\xA0\0\x01\x86\xA0", 8) + png.substr(24),
         "image " + path + " cannot be used: 100000 x 100000 pixels is outside 1 to 8192 a side\n"},
    };
    for (const auto& [bytes, line] : cases) {
        writeRaw("cow.png", bytes);
        EXPECT_FALSE(make(printed));
        EXPECT_TRUE(printed.starts_with(line)) << printed;
        EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << printed;
    }
}

TEST_F(Placard, TwoHundredWideImageFitsTextInOneHundredEighty) {
    writeImage(200, 300);
    const std::string medium = "The cow jumped over the moon";
    const std::string lengthy =
        "A rather long line about a cow who wandered into town and asked for directions home";
    writeStrings(
        u"The cow jumped over the moon\nA rather long line about a cow who wandered into "
        u"town and asked for directions home");
    std::string printed;
    auto p = make(printed);
    ASSERT_TRUE(p);
    auto natural = [](const std::string& s, float size) {
        return sizeWithFont(s, *UIFont::systemFontOfSize(size), size, nullptr, 1e6f,
                            UILineBreakModeClip)
            .width;
    };
    // Shrunk to the largest whole size that fits 180.
    EXPECT_LT(p->fontSize(), 16.0f);
    EXPECT_GE(p->fontSize(), 9.0f);
    EXPECT_LE(p->textSize().width, 180.0f);
    EXPECT_GT(natural(medium, p->fontSize() + 1), 180.0f);
    // Too long even at 9: truncated in the middle to at most 180.
    p->setupNextDisplayString();
    EXPECT_EQ(p->fontSize(), 9.0f);
    EXPECT_LE(p->textSize().width, 180.0f);
    EXPECT_GT(p->textSize().width, 170.0f);
    EXPECT_GT(natural(lengthy, 9), 180.0f);
}

// Rows and columns of the pixels that differ from `background` (corner aside).
struct Ink {
    int left = 1000, right = -1, top = 1000, bottom = -1, count = 0;
};
Ink inkOver(const CGImage& image, uint32_t background) {
    Ink ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            if ((x < 4 && y < 4) || image.pixel(x, y) == background) continue;
            ink.left = std::min(ink.left, x), ink.right = std::max(ink.right, x);
            ink.top = std::min(ink.top, y), ink.bottom = std::max(ink.bottom, y);
            ++ink.count;
        }
    return ink;
}

TEST_F(Placard, DrawsTheImageAndWhiteTextNinetyPointsAboveTheMiddle) {
    writeImage(220, 300);
    writeStrings(u"HOLD ON");
    std::string printed;
    auto p = make(printed);
    ASSERT_TRUE(p);
    p->displayIfNeeded();
    auto image = p->layer().contents();
    ASSERT_TRUE(image);
    ASSERT_EQ(image->width(), 220);
    ASSERT_EQ(image->height(), 300);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(image->pixel(x, y), 0u) << "transparent corner";

    // All that is not picture lies in the text box, centred across and 90
    // points above the middle; its brightest pixels are white.
    const CGSize t = p->textSize();
    Ink ink = inkOver(*image, kGrey);
    EXPECT_GE(ink.left, 110 - t.width / 2 - 1);
    EXPECT_LE(ink.right, 110 + t.width / 2 + 1);
    EXPECT_GE(ink.top, 60 - t.height / 2 - 1);
    EXPECT_LE(ink.bottom, 60 + t.height / 2 + 1);
    EXPECT_NEAR((ink.left + ink.right) / 2.0, 110, 2);
    int white = 0;
    for (int y = ink.top; y <= ink.bottom; ++y)
        for (int x = ink.left; x <= ink.right; ++x) white += image->pixel(x, y) == 0xFFFFFFFF;
    EXPECT_GT(white, 40);
}

TEST_F(Placard, DrawsABlackShadowHalfAPointUnderTheText) {
    // Over a white picture only the shadow shows: below the white letters.
    writeImage(220, 300, 1.0);
    writeStrings(u"HOLD ON");
    std::string printed;
    auto p = make(printed);
    ASSERT_TRUE(p);
    p->displayIfNeeded();
    auto image = p->layer().contents();
    ASSERT_TRUE(image);
    Ink shadow = inkOver(*image, 0xFFFFFFFF);
    const CGSize t = p->textSize();
    EXPECT_GT(shadow.count, 20);
    EXPECT_GE(shadow.top, 60 - t.height / 2);
    EXPECT_LE(shadow.bottom, 60 + t.height / 2 + 2);
    // Every shadow pixel is grey to black, never coloured.
    for (int y = shadow.top; y <= shadow.bottom; ++y)
        for (int x = shadow.left; x <= shadow.right; ++x) {
            uint32_t px = image->pixel(x, y);
            EXPECT_EQ(px & 0xFF, (px >> 8) & 0xFF);
            EXPECT_EQ(px & 0xFF, (px >> 16) & 0xFF);
        }
}

}  // namespace
