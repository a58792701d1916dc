#include "host/views/string_drawing.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "host/layers/recording_backend.h"
#include "host/views/color.h"
#include "host/views/graphics_context.h"

namespace {

using namespace host;

const std::string kLong =
    "A rather long line about a cow who wandered into town and asked for directions home";
const auto kMiddle = UILineBreakModeMiddleTruncation;

// Fitting and cutting, on the recording backend's rule: a character is half
// the size wide, a line 1.25 sizes high.
TEST(FitText, ShrinksByWholePointsToTheLargestFitThenCutsByModeAroundAnEllipsis) {
    ScopedRecordingBackend recording;
    // Shrinking to 12 and a middle cut at 9 are the placard's (tests/placard).
    const std::string bad("\0\xED\xA0\x80\xF0\x9F\x90\xAE", 8);
    const auto tail = UILineBreakModeTailTruncation, head = UILineBreakModeHeadTruncation;
    const struct {
        std::string text;
        float width;
        UILineBreakMode mode;
        float size;  // the size used, starting at 16 with 9 the minimum
        std::string line;
        CGSize box;
    } cases[] = {
        {"Moo!", 180, kMiddle, 16, "Moo!", {32, 20}},
        {kLong, 100, tail, 9, "A rather long line ab\u2026", {99, 11.25f}},
        {kLong, 100, head, 9, "\u2026d for directions home", {99, 11.25f}},
        // Clipping keeps the text and reports the width it is clipped to.
        {kLong, 100, UILineBreakModeClip, 9, kLong, {100, 11.25f}},
        {kLong, 4, kMiddle, 9, "", {0, 11.25f}},  // not even the ellipsis fits
        // Control characters go, tabs are spaces, each stray byte is U+FFFD.
        {"M\r\n\to\xC2\x85o\xFF\xE2\x82!", 180, kMiddle, 16, "M oo\uFFFD\uFFFD\uFFFD!", {64, 20}},
        {bad, 180, kMiddle, 16, "\uFFFD\uFFFD\uFFFD\uFFFD\U0001F42E", {40, 20}},
        {"", 180, kMiddle, 16, "", {0, 0}},
    };
    auto font = UIFont::systemFontOfSize(16);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        float size = 0;
        EXPECT_EQ(sizeWithFont(c.text, *font, 9, &size, c.width, c.mode), c.box);
        EXPECT_EQ(size, c.size);
        EXPECT_EQ(lineAsDrawn(c.text, *font, size, c.width, c.mode), c.line);
    }
    // Past what a font can take nothing is measured; a bad minimum does not shrink.
    EXPECT_EQ(sizeWithFont(kLong, *font->fontWithSize(2e6f), 9, nullptr, 180, kMiddle),
              CGSizeMake(0, 0));
    float size = 0;
    EXPECT_EQ(sizeWithFont(kLong, *font, -1, &size, 180, kMiddle).width, 176);
    EXPECT_EQ(size, 16);
}

// A transparent w x h image with what `draw` drew into it.
std::shared_ptr<CGImage> painted(int w, int h, const std::function<void()>& draw) {
    auto image = CGImage::create(w, h);
    drawingBackend().drawIntoImage(*image, [&](CGContext& c) {
        UIGraphicsPushContext(&c);
        draw();
        UIGraphicsPopContext();
    });
    return image;
}

TEST(DrawAtPoint, DrawsTheFittedLineInTheSetColourWhereTheBaselineAdjustmentSays) {
    ScopedRecordingBackend recording;
    auto draw = [&](const std::string& text, float size, UILineBreakMode mode,
                    UIBaselineAdjustment adjustment) {
        recording.calls.clear();
        CGSize drawn;
        painted(10, 10, [&] {
            UIColor::whiteColor()->set();
            drawn = drawAtPoint(text, CGPointMake(10, 5), 100, *UIFont::systemFontOfSize(24), size,
                                mode, adjustment);
        });
        return drawn;
    };
    // A smaller size sits in the 24-point line box: baselines 24 and 12 below
    // the top, or the middles of 30 and 15 points together, or at the top.
    const struct {
        UIBaselineAdjustment adjustment;
        float size;
        const char* text;
    } placed[] = {
        {UIBaselineAdjustmentAlignBaselines, 24, "text 24 \"Moo\" at 10 5"},
        {UIBaselineAdjustmentAlignBaselines, 12, "text 12 \"Moo\" at 10 17"},
        {UIBaselineAdjustmentAlignCenters, 12, "text 12 \"Moo\" at 10 12.5"},
        {UIBaselineAdjustmentNone, 12, "text 12 \"Moo\" at 10 5"},
    };
    for (const auto& p : placed) {
        EXPECT_EQ(draw("Moo", p.size, kMiddle, p.adjustment),
                  CGSizeMake(1.5f * p.size, 1.25f * p.size));
        EXPECT_EQ(recording.calls, (std::vector<std::string>{"into 10 x 10", "fill-color 1 1 1 1",
                                                             "save", p.text, "restore"}));
    }
    // Only the clipping modes clip, to the box drawn.
    EXPECT_EQ(draw(kLong, 12, UILineBreakModeClip, UIBaselineAdjustmentNone), CGSizeMake(100, 15));
    EXPECT_EQ(recording.callsStartingWith("clip"), std::vector<std::string>{"clip 10 5 100 15"});
    // Without a current context: the same size, nothing drawn.
    ASSERT_EQ(UIGraphicsGetCurrentContext(), nullptr);
    recording.calls.clear();
    EXPECT_EQ(drawAtPoint("Moo", CGPointMake(0, 0), 100, *UIFont::systemFontOfSize(24), 24, kMiddle,
                          UIBaselineAdjustmentNone),
              CGSizeMake(36, 30));
    EXPECT_TRUE(recording.calls.empty());
}

// The rest is pango's: real fonts, real shaping, real pixels.

// The box of pixels with any ink; right < 0 when blank.
struct Box {
    int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;
};
Box ink(const CGImage& image) {
    Box b;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) >> 24) {
                b.left = std::min(b.left, x), b.right = std::max(b.right, x);
                b.top = std::min(b.top, y), b.bottom = std::max(b.bottom, y);
            }
    return b;
}

TEST(PangoText, DejaVuSansInkSpansTheMeasuredLineInTheSetColourForAnyScript) {
    EXPECT_EQ(systemFontFamily(), "DejaVu Sans");
    auto font = UIFont::systemFontOfSize(16);
    const float h16 = sizeWithFont("Moo", *font, 16, nullptr, 500, UILineBreakModeClip).height;
    EXPECT_TRUE(h16 > 16 && h16 < 22) << h16;
    EXPECT_NEAR(
        sizeWithFont("Moo", *font->fontWithSize(32), 32, nullptr, 500, UILineBreakModeClip).height,
        2 * h16, 0.01f);
    const std::string cyrillic = "\u041C\u0443\u0443! \u041A\u043E\u0440\u043E\u0432\u0430";
    const std::string hebrew = "\u05E4\u05E8\u05D4 \u05D0\u05D5\u05DE\u05E8\u05EA";
    for (const auto& [text, white] : {std::pair{kLong, true}, {cyrillic, false}, {hebrew, true}}) {
        SCOPED_TRACE(text);
        float actual = 0;
        const CGSize s = sizeWithFont(text, *font, 9, &actual, 180, kMiddle);
        CGSize drawn;
        auto image = painted(240, 40, [&] {
            (white ? UIColor::whiteColor() : UIColor::blackColor())->set();
            drawn = drawAtPoint(text, CGPointMake(10, 5), 180, *font->fontWithSize(actual), actual,
                                kMiddle, UIBaselineAdjustmentAlignBaselines);
        });
        EXPECT_EQ(drawn, s);
        const Box b = ink(*image);
        EXPECT_TRUE(b.left >= 10 && b.left <= 12 && b.top >= 5) << b.left << " " << b.top;
        EXPECT_LE(b.right, 10 + int(std::ceil(s.width)));
        EXPECT_GE(b.right, 10 + int(s.width) - 3);
        EXPECT_LE(b.bottom, 5 + int(std::ceil(s.height)));
        // Every inked pixel is the colour at its coverage (premultiplied).
        int inked = 0, wrong = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 240; ++x) {
                const uint32_t p = image->pixel(x, y), alpha = p >> 24;
                inked += alpha > 0;
                wrong += alpha > 0 && (p & 0xFFFFFF) != (white ? alpha * 0x010101 : 0);
            }
        EXPECT_GT(inked, 200);
        EXPECT_EQ(wrong, 0);
    }
}

std::string repeat(const std::string& s, std::size_t n) {
    std::string out;
    while (n--) out += s;
    return out;
}

TEST(PangoText, TextOfAnyLengthTakesAFrameOrTwoAndIsCutInTheMiddleKeepingWholeClusters) {
    const std::string acute = "\u0301", family = "\U0001F468\u200D\U0001F469\u200D\U0001F467";
    const struct {
        std::string what, text;
        std::string unit;  // both ends are whole ones of these
    } cases[] = {
        {"a letter with 200000 marks", "a" + repeat(acute, 200'000), ""},
        {"a million zero-width spaces", "Moo " + repeat("\u200B", 1'000'000) + " end", ""},
        {"letters each with a mark", repeat("e" + acute, 200'000), "e" + acute},
        {"emoji families", repeat(family, 100'000), family},
        // Past the width that fits an int of 1/1024 points.
        {"157000 letters", std::string(157'000, 'M'), "M"},
        {"ten million letters", std::string(10'000'000, 'M'), "M"},
    };
    auto font = UIFont::systemFontOfSize(16);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        float size = 0;
        const auto start = std::chrono::steady_clock::now();
        auto image = painted(240, 40, [&] {
            const CGSize box = sizeWithFont(c.text, *font, 9, &size, 180, kMiddle);
            EXPECT_EQ(drawAtPoint(c.text, CGPointMake(20, 5), 180, *font, size, kMiddle,
                                  UIBaselineAdjustmentNone),
                      box);
            EXPECT_LE(box.width, 180.0f);
        });
        EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
                  0.25);
        EXPECT_EQ(size, 9.0f);
        const std::string line = lineAsDrawn(c.text, *font, size, 180, kMiddle);
        const std::size_t at = line.find("\u2026");
        ASSERT_NE(at, std::string::npos);
        const std::string head = line.substr(0, at), tail = line.substr(at + 3);
        EXPECT_TRUE(c.text.starts_with(head) && c.text.ends_with(tail));
        EXPECT_LE(ink(*image).right, 20 + 180);
        if (c.unit.empty()) continue;
        for (const std::string& side : {head, tail}) {
            EXPECT_GT(side.size(), 0u);
            EXPECT_EQ(side, repeat(c.unit, side.size() / c.unit.size()));
        }
        EXPECT_LE(std::abs(int(head.size()) - int(tail.size())), int(c.unit.size()));
    }
}

}  // namespace
