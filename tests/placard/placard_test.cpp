#include <cairo.h>
#include <gtest/gtest.h>

#include "host/foundation/bundle.h"
#include "host/views/string_drawing.h"
#include "placard/PlacardView.h"
#include "tests/support/host_support.h"

namespace {

using namespace host;

using testsupport::be;

// A bundle of our own in a temporary folder, for the placard to load from.
class Placard : public ::testing::Test {
  protected:
    void SetUp() override {
        saved = NSBundle::mainBundle().resourcePath();
        NSBundle::mainBundle().setResourcePath(dir.path());
    }
    void TearDown() override { NSBundle::mainBundle().setResourcePath(saved); }
    // A picture of one grey level whose top-left 4 x 4 corner is transparent.
    void writeImage(int w, int h, double level = 0.5) {
        cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
        cairo_t* cr = cairo_create(s);
        cairo_set_source_rgb(cr, level, level, level);
        cairo_paint(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
        cairo_rectangle(cr, 0, 0, 4, 4);
        cairo_fill(cr);
        cairo_destroy(cr);
        ASSERT_EQ(cairo_surface_write_to_png(s, dir.file("cow.png").c_str()), CAIRO_STATUS_SUCCESS);
        cairo_surface_destroy(s);
    }
    std::shared_ptr<PlacardView> make() {
        testsupport::StderrCapture out;
        auto placard = PlacardView::init();
        printed = out.text();
        return placard;
    }
    testsupport::TempDir dir;
    std::string saved, printed;
};

TEST_F(Placard, CyclesItsStringsInFileOrderAndShowsTheImageOnlyWithoutAUsableList) {
    writeImage(220, 300);
    const char* none = nullptr;
    const struct {
        const char* what;
        std::optional<std::string> file;
        std::string problem;
        std::vector<std::pair<const char*, uint32_t>> shown;  // string (or none) and next index
    } cases[] = {
        {"three lines",
         be(u"first\nsecond\nthird"),
         "",
         {{"first", 1}, {"second", 2}, {"third", 0}, {"first", 1}}},
        // Nothing is trimmed: the carriage return stays with its string.
        {"trailing line feed", be(u"a\r\nb\n"), "", {{"a\r", 1}, {"b", 2}, {"", 0}, {"a\r", 1}}},
        {"single string", be(u"only"), "", {{"only", 0}, {"only", 0}, {"only", 0}}},
        {"no list", std::nullopt, "", {{none, 0}, {none, 0}}},
        {"odd length",
         std::string("\0M\0o\0", 5),
         "not UTF-16 text: odd length of 5 bytes",
         {{none, 0}}},
    };
    const std::string list = dir.file("DisplayStrings.strings");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(list);
        if (c.file) dir.write("DisplayStrings.strings", *c.file);
        auto p = make();
        ASSERT_TRUE(p);
        EXPECT_EQ(printed, c.problem.empty() ? "" : list + ": " + c.problem + "\n");
        EXPECT_EQ(p->frame(), CGRectMake(0, 0, 220, 300));
        EXPECT_FALSE(p->isOpaque());
        for (const auto& [text, index] : c.shown) {
            EXPECT_EQ(p->currentDisplayString(),
                      text ? std::optional<std::string>(text) : std::nullopt);
            EXPECT_EQ(p->displayStringsIndex(), index);
            EXPECT_EQ(p->textSize().width > 0, text && *text) << "a size only for text";
            EXPECT_TRUE(p->needsDisplay());
            p->displayIfNeeded();
            EXPECT_FALSE(p->needsDisplay());
            p->setupNextDisplayString();
        }
    }
}

// What makes a picture unusable is the image loader's to say (tests/views);
// the placard only passes the one line on and is not made.
TEST_F(Placard, MissingOrCorruptImageGivesNoPlacardAndOneLine) {
    dir.write("DisplayStrings.strings", be(u"Moo"));
    EXPECT_FALSE(make());
    EXPECT_EQ(printed, "image \"cow.png\" not found in " + dir.path() + "\n");
    dir.write("cow.png", "GIF89a, not a png at all");
    EXPECT_FALSE(make());
    EXPECT_EQ(printed, "image " + dir.file("cow.png") + " cannot be used: not a PNG file\n");
}

TEST_F(Placard, TwoHundredWideImageFitsTextInOneHundredEighty) {
    writeImage(200, 300);
    const std::string
        medium = "The cow jumped over the moon",
        lengthy =
            "A rather long line about a cow who wandered into town and asked for directions home";
    const std::string both = medium + "\n" + lengthy;
    dir.write("DisplayStrings.strings", be(std::u16string(both.begin(), both.end())));
    auto p = make();
    ASSERT_TRUE(p);
    // 16 points shrunk to fit 180, then down to 9 and cut in the middle.
    for (const auto& [text, smallest, largest] :
         {std::tuple{medium, 10.0f, 15.0f}, std::tuple{lengthy, 9.0f, 9.0f}}) {
        SCOPED_TRACE(text);
        float fitted = 0;
        const CGSize size = sizeWithFont(text, *UIFont::systemFontOfSize(16), 9, &fitted, 180,
                                         UILineBreakModeMiddleTruncation);
        EXPECT_EQ(p->fontSize(), fitted);
        EXPECT_EQ(p->textSize(), size);
        EXPECT_GE(fitted, smallest);
        EXPECT_LE(fitted, largest);
        p->setupNextDisplayString();
    }
}

TEST_F(Placard, DrawsThePictureAndWhiteTextOverABlackShadowNinetyPointsAboveTheMiddle) {
    dir.write("DisplayStrings.strings", be(u"HOLD ON"));
    // Over grey the white text shows; over white only its shadow does.
    for (uint32_t level : {0x80u, 0xFFu}) {
        SCOPED_TRACE(level);
        writeImage(220, 300, level / 255.0);
        auto p = make();
        ASSERT_TRUE(p);
        p->displayIfNeeded();
        auto image = p->layer().contents();
        ASSERT_TRUE(image);
        ASSERT_EQ(image->width(), 220);
        ASSERT_EQ(image->height(), 300);
        EXPECT_EQ(image->pixel(3, 3), 0u) << "the picture's transparent corner";
        // All that is not picture is grey to white, in the text box centred
        // across and 90 points above the middle.
        const CGSize t = p->textSize();
        int white = 0, darker = 0, left = 1000, right = -1;
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 220; ++x) {
                const uint32_t px = image->pixel(x, y), v = px & 0xFF;
                if ((x < 4 && y < 4) || px == (0xFF000000 | level * 0x010101)) continue;
                EXPECT_TRUE(px >> 24 == 0xFF && v == ((px >> 8) & 0xFF) &&
                            v == ((px >> 16) & 0xFF));
                EXPECT_GE(y, 60 - t.height / 2 - 1);
                EXPECT_LE(y, 60 + t.height / 2 + 2);
                left = std::min(left, x), right = std::max(right, x);
                white += v == 0xFF, darker += v < level;
            }
        EXPECT_GT(level == 0xFF ? darker : white, 40);
        EXPECT_GE(left, 110 - t.width / 2 - 1);
        EXPECT_LE(right, 110 + t.width / 2 + 1);
        EXPECT_NEAR((left + right) / 2.0, 110, 2);
    }
}

}  // namespace
