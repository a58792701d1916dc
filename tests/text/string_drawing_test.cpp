#include "host/views/string_drawing.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <chrono>
#include <optional>

#include "host/layers/cg_image.h"
#include "host/views/color.h"
#include "host/views/graphics_context.h"

namespace {

using namespace host;

constexpr const char* kEllipsis = "\u2026";
const std::string kLong =
    "A rather long line about a cow who wandered into town and asked for directions home";
const auto kMiddle = UILineBreakModeMiddleTruncation;

float naturalWidth(const std::string& s, float size) {
    return sizeWithFont(s, *UIFont::systemFontOfSize(size), size, nullptr, 1e6f, kMiddle).width;
}

// A transparent canvas that is the current context while it lives.
struct Canvas {
    Canvas(int w, int h) : image(CGImage::create(w, h)), cr(cairo_create(image->surface())) {
        UIGraphicsPushContext(cr);
    }
    ~Canvas() {
        UIGraphicsPopContext();
        cairo_destroy(cr);
    }
    // The box of pixels with any ink; right < 0 when blank.
    struct Box {
        int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;
    };
    Box ink() const {
        Box b;
        for (int y = 0; y < image->height(); ++y)
            for (int x = 0; x < image->width(); ++x)
                if (image->pixel(x, y) >> 24) {
                    b.left = std::min(b.left, x), b.right = std::max(b.right, x);
                    b.top = std::min(b.top, y), b.bottom = std::max(b.bottom, y);
                }
        return b;
    }
    std::shared_ptr<CGImage> image;
    cairo_t* cr;
};

TEST(SystemFont, IsDejaVuSansWithSizesInPixels) {
    EXPECT_EQ(systemFontFamily(), "DejaVu Sans");
    auto font = UIFont::systemFontOfSize(16.0f);
    // The line at 16 is a little taller than 16, at 32 twice that.
    float h16 = sizeWithFont("Moo", *font, 16, nullptr, 500, UILineBreakModeClip).height;
    float h32 =
        sizeWithFont("Moo", *font->fontWithSize(32), 32, nullptr, 500, UILineBreakModeClip).height;
    EXPECT_GT(h16, 16.0f);
    EXPECT_LT(h16, 22.0f);
    EXPECT_NEAR(h32, 2 * h16, 0.01f);
}

TEST(SizeWithFont, ShrinksToTheLargestWholeSizeThatFitsThenTruncatesInTheMiddleAtTheMinimum) {
    auto font = UIFont::systemFontOfSize(16);
    const struct {
        std::string text;
        float smallest, largest;  // of the size used
    } cases[] = {{"Moo!", 16, 16}, {"The cow jumped over the moon", 10, 15}, {kLong, 9, 9}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        float actual = 0;
        CGSize size = sizeWithFont(c.text, *font, 9, &actual, 180, kMiddle);
        EXPECT_GE(actual, c.smallest);
        EXPECT_LE(actual, c.largest);
        EXPECT_EQ(actual, std::floor(actual));
        EXPECT_TRUE(actual == 16 || naturalWidth(c.text, actual + 1) > 180) << "the largest";
        // The size is that of the line as drawn, which fits.
        const std::string line = lineAsDrawn(c.text, *font, actual, 180, kMiddle);
        EXPECT_FLOAT_EQ(size.width, naturalWidth(line, actual));
        EXPECT_LE(size.width, 180.0f);
        if (naturalWidth(c.text, actual) <= 180) {
            EXPECT_EQ(line, c.text);
            continue;
        }
        // Cut in the middle, nearly full: one more character would not fit.
        EXPECT_GT(size.width, 170.0f);
        const std::size_t at = line.find(kEllipsis);
        ASSERT_NE(at, std::string::npos) << line;
        const std::string head = line.substr(0, at), tail = line.substr(at + 3);
        EXPECT_TRUE(c.text.starts_with(head) && c.text.ends_with(tail)) << line;
        EXPECT_GT(head.size(), 10u);
        EXPECT_LE(std::abs(int(head.size()) - int(tail.size())), 1) << line;
    }
    // Whatever the length, no whole size between the one used and 16 fits.
    for (std::size_t n = 20; n <= 50; ++n) {
        const std::string text = kLong.substr(0, n);
        float actual = 0;
        sizeWithFont(text, *font, 9, &actual, 180, kMiddle);
        EXPECT_TRUE(actual == 16 || naturalWidth(text, actual + 1) > 180) << text << ": " << actual;
    }
}

TEST(SizeWithFont, OtherModesCutAtTheirEndAndOddTextIsMeasuredSafely) {
    auto font = UIFont::systemFontOfSize(9);
    std::string tail = lineAsDrawn(kLong, *font, 9, 100, UILineBreakModeTailTruncation);
    EXPECT_TRUE(tail.ends_with(kEllipsis) && kLong.starts_with(tail.substr(0, tail.size() - 3)))
        << tail;
    std::string head = lineAsDrawn(kLong, *font, 9, 100, UILineBreakModeHeadTruncation);
    EXPECT_TRUE(head.starts_with(kEllipsis) && kLong.ends_with(head.substr(3))) << head;
    // Clipping keeps the text and reports the width it is clipped to.
    EXPECT_EQ(lineAsDrawn(kLong, *font, 9, 100, UILineBreakModeClip), kLong);
    EXPECT_FLOAT_EQ(sizeWithFont(kLong, *font, 9, nullptr, 100, UILineBreakModeClip).width, 100);
    EXPECT_EQ(lineAsDrawn(kLong, *font, 9, 2, kMiddle), "") << "not even the ellipsis fits";

    // Control characters take no space; bad bytes still measure; nothing is nothing.
    const float plain = naturalWidth("Moo", 9);
    EXPECT_FLOAT_EQ(naturalWidth("Moo\r", 9), plain);
    EXPECT_FLOAT_EQ(naturalWidth("M\noo", 9), plain);
    EXPECT_GT(naturalWidth(std::string("Mo\0o\xFF\xC3", 6), 9), plain);
    float actual = -1;
    EXPECT_EQ(sizeWithFont("", *UIFont::systemFontOfSize(16), 9, &actual, 180, kMiddle),
              CGSizeMake(0, 0));
    EXPECT_EQ(actual, 16.0f);
    // From the largest usable size the fit is still the largest whole step that fits.
    float big = 0;
    sizeWithFont("Moo!", *UIFont::systemFontOfSize(10000), 9, &big, 180, kMiddle);
    EXPECT_EQ(big, std::floor(big));
    EXPECT_LE(naturalWidth("Moo!", big), 180);
    EXPECT_GT(naturalWidth("Moo!", big + 1), 180);
    // Past what a font can take (or a one-point step can change), nothing is measured.
    for (float absurd : {2e6f, 1e9f})
        EXPECT_EQ(sizeWithFont(kLong, *UIFont::systemFontOfSize(absurd), 9, nullptr, 180, kMiddle),
                  CGSizeMake(0, 0))
            << absurd;
}

TEST(DrawAtPoint, InkSpansTheMeasuredLineInTheSetColourForAnyScriptAndNeedsAContext) {
    auto font = UIFont::systemFontOfSize(16);
    const std::string cyrillic = "\u041C\u0443\u0443! \u041A\u043E\u0440\u043E\u0432\u0430";
    const std::string hebrew = "\u05E4\u05E8\u05D4 \u05D0\u05D5\u05DE\u05E8\u05EA";
    for (const auto& [text, colour, white] : {std::tuple{kLong, UIColor::whiteColor(), true},
                                              std::tuple{cyrillic, UIColor::blackColor(), false},
                                              std::tuple{hebrew, UIColor::whiteColor(), true}}) {
        SCOPED_TRACE(text);
        float actual = 0;
        CGSize s = sizeWithFont(text, *font, 9, &actual, 180, kMiddle);
        Canvas canvas(240, 40);
        colour->set();
        EXPECT_EQ(drawAtPoint(text, CGPointMake(10, 5), 180, *font->fontWithSize(actual), actual,
                              kMiddle, UIBaselineAdjustmentAlignBaselines),
                  s);
        // The ink lies in the measured box; the last glyph ends near its advance.
        auto ink = canvas.ink();
        EXPECT_GE(ink.left, 10);
        EXPECT_LE(ink.left, 12);
        EXPECT_LE(ink.right, 10 + int(std::ceil(s.width)));
        EXPECT_GE(ink.right, 10 + int(s.width) - 3);
        EXPECT_GE(ink.top, 5);
        EXPECT_LE(ink.bottom, 5 + int(std::ceil(s.height)));
        // Every inked pixel is the colour at its coverage (premultiplied).
        int inked = 0, wrong = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 240; ++x) {
                const uint32_t p = canvas.image->pixel(x, y), alpha = p >> 24;
                inked += alpha > 0;
                wrong += alpha > 0 && (p & 0xFFFFFF) != (white ? alpha * 0x010101 : 0);
            }
        EXPECT_GT(inked, 200);
        EXPECT_EQ(wrong, 0);
    }
    // Without a current context: the same size, nothing drawn, no crash.
    ASSERT_EQ(UIGraphicsGetCurrentContext(), nullptr);
    EXPECT_EQ(drawAtPoint(kLong, CGPointMake(0, 0), 180, *font, 16, kMiddle,
                          UIBaselineAdjustmentAlignBaselines),
              sizeWithFont(kLong, *font, 16, nullptr, 180, kMiddle));
    UIColor::whiteColor()->set();
}

TEST(DrawAtPoint, BaselineAdjustmentPlacesASmallerSizeInTheFontsLineBox) {
    auto font = UIFont::systemFontOfSize(24);
    auto ink = [&](UIBaselineAdjustment adjustment, float size) {
        Canvas canvas(120, 60);
        UIColor::blackColor()->set();
        drawAtPoint("HOE", CGPointMake(0, 10), 120, *font, size, UILineBreakModeClip, adjustment);
        return canvas.ink();
    };
    auto full = ink(UIBaselineAdjustmentAlignBaselines, 24);
    auto baselines = ink(UIBaselineAdjustmentAlignBaselines, 12);
    auto centres = ink(UIBaselineAdjustmentAlignCenters, 12);
    auto none = ink(UIBaselineAdjustmentNone, 12);
    // Capitals without descenders: their bottom is the baseline.
    EXPECT_NEAR(baselines.bottom, full.bottom, 1);
    EXPECT_NEAR((centres.top + centres.bottom) / 2.0, (full.top + full.bottom) / 2.0, 3.0);
    EXPECT_LT(none.top, centres.top);
    EXPECT_LT(centres.top, baselines.top);
}

// Fits `text` as the placard does (16 points down to 9 in 180, cut in the
// middle) and draws it; checks that what was measured is what was drawn.
struct Fitted {
    float size = 0;
    CGSize box;
    std::string line;
    double ms = 0;  // fitting and drawing together
};
Fitted fitAndDraw(const std::string& text) {
    auto font = UIFont::systemFontOfSize(16);
    Canvas canvas(240, 40);
    UIColor::whiteColor()->set();
    Fitted f;
    const auto start = std::chrono::steady_clock::now();
    f.box = sizeWithFont(text, *font, 9, &f.size, 180, kMiddle);
    const CGSize drawn = drawAtPoint(text, CGPointMake(20, 5), 180, *font->fontWithSize(f.size),
                                     f.size, kMiddle, UIBaselineAdjustmentAlignBaselines);
    f.ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    f.line = lineAsDrawn(text, *font, f.size, 180, kMiddle);
    EXPECT_EQ(drawn, f.box);
    EXPECT_LE(f.box.width, 180.0f);
    EXPECT_FLOAT_EQ(f.box.width, naturalWidth(f.line, f.size));
    const auto ink = canvas.ink();
    if (ink.right >= 0) {
        EXPECT_GE(ink.left, 19);
        EXPECT_LE(ink.right, 20 + int(std::ceil(f.box.width)));
    }
    return f;
}

// The start and end a middle-cut line shows, or nothing when it is not cut.
std::optional<std::pair<std::string, std::string>> ends(const std::string& line) {
    const std::size_t at = line.find(kEllipsis);
    if (at == std::string::npos) return std::nullopt;
    return std::pair{line.substr(0, at), line.substr(at + 3)};
}

// Enough of a line to recognise it in a failure.
std::string shown(const std::string& line) {
    return line.size() > 60 ? line.substr(0, 60) + "..." : line;
}

std::string repeat(const std::string& s, std::size_t n) {
    std::string out;
    out.reserve(s.size() * n);
    while (n--) out += s;
    return out;
}

TEST(SizeWithFont, TextOfAnyLengthTakesAFewFramesAtMostAndIsCutInTheMiddleKeepingWholeClusters) {
    const std::string acute = "\u0301", zwsp = "\u200B";
    const std::string family = "\U0001F468\u200D\U0001F469\u200D\U0001F467";
    struct Case {
        std::string what, text;
        std::string head, tail;  // what the cut line starts and ends with
        std::string unit;        // both ends are as many whole ones of these as fit, if any
    };
    std::vector<Case> cases = {
        {"a letter with 20000 marks inside", "Moo" + ("a" + repeat(acute, 20'000)) + "!", "Moo",
         "!", ""},
        {"a letter with 200000 marks", "a" + repeat(acute, 200'000), "", "", ""},
        {"a million zero-width spaces", "Moo " + repeat(zwsp, 1'000'000) + " end", "Moo ", " end",
         ""},
        {"letters each with a mark", repeat("e" + acute, 200'000), "", "", "e" + acute},
        {"emoji families", repeat(family, 100'000), "", "", family},
    };
    // Around and far past the length whose width no longer fits an int of 1/1024 points.
    for (std::size_t n : {150'000, 155'000, 156'000, 157'000, 400'000, 1'000'000, 10'000'000})
        cases.push_back({std::to_string(n) + " letters", std::string(n, 'M'), "M", "M", "M"});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Fitted f = fitAndDraw(c.text);
        // The budget is a frame or two; quadratic or per-character work on
        // strings this long takes seconds.
        EXPECT_LT(f.ms, 250.0);
        EXPECT_EQ(f.size, 9.0f);
        const auto cut = ends(f.line);
        ASSERT_TRUE(cut) << shown(f.line);
        EXPECT_TRUE(cut->first.starts_with(c.head)) << shown(f.line);
        EXPECT_TRUE(cut->second.ends_with(c.tail)) << shown(f.line);
        EXPECT_TRUE(c.text.starts_with(cut->first) && c.text.ends_with(cut->second));
        if (c.unit.empty()) continue;
        for (const std::string& side : {cut->first, cut->second}) {
            EXPECT_GT(side.size(), 0u);
            EXPECT_EQ(side, repeat(c.unit, side.size() / c.unit.size())) << shown(side);
        }
        EXPECT_LE(std::abs(int(cut->first.size()) - int(cut->second.size())), int(c.unit.size()));
        if (c.unit.size() == 1) {
            EXPECT_GT(f.box.width, 165.0f) << "nearly full";
        }
    }
}

}  // namespace
