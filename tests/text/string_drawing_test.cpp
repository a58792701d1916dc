#include "host/views/string_drawing.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <string>

#include "host/layers/image.h"
#include "host/views/color.h"
#include "host/views/font.h"
#include "host/views/graphics_context.h"

namespace {

using namespace host;

constexpr const char* kEllipsis = "\u2026";
const std::string kLong =
    "A rather long line about a cow who wandered into town and asked for directions home";
const std::string kMedium = "The cow jumped over the moon";

float naturalWidth(const std::string& s, float size) {
    float actual = 0;
    return sizeWithFont(s, *UIFont::systemFontOfSize(size), size, &actual, 1e6f,
                        UILineBreakModeMiddleTruncation)
        .width;
}

// A transparent canvas that is the current context while it lives.
struct Canvas {
    explicit Canvas(int w, int h) : image(CGImage::create(w, h)) {
        cr = cairo_create(image->surface());
        UIGraphicsPushContext(cr);
    }
    ~Canvas() {
        UIGraphicsPopContext();
        cairo_destroy(cr);
    }
    uint8_t alpha(int x, int y) const { return image->pixel(x, y) >> 24; }
    // Columns [first, last] with any ink; -1 when blank.
    std::pair<int, int> inkedColumns() const {
        int first = -1, last = -1;
        for (int x = 0; x < image->width(); ++x)
            for (int y = 0; y < image->height(); ++y)
                if (alpha(x, y) > 0) {
                    if (first < 0) first = x;
                    last = x;
                    break;
                }
        return {first, last};
    }
    std::pair<int, int> inkedRows() const {
        int first = -1, last = -1;
        for (int y = 0; y < image->height(); ++y)
            for (int x = 0; x < image->width(); ++x)
                if (alpha(x, y) > 0) {
                    if (first < 0) first = y;
                    last = y;
                    break;
                }
        return {first, last};
    }
    std::shared_ptr<CGImage> image;
    cairo_t* cr;
};

TEST(SystemFont, IsDejaVuSansAtThePointSizeAsked) {
    EXPECT_EQ(systemFontFamily(), "DejaVu Sans");
    auto font = UIFont::systemFontOfSize(16.0f);
    EXPECT_EQ(font->pointSize(), 16.0f);
    EXPECT_EQ(font->fontWithSize(9.0f)->pointSize(), 9.0f);
    // Sizes are pixels: the line at 16 is a little taller than 16, at 32 twice that.
    float h16 = sizeWithFont("Moo", *font, 16, nullptr, 500, UILineBreakModeClip).height;
    float h32 =
        sizeWithFont("Moo", *font->fontWithSize(32), 32, nullptr, 500, UILineBreakModeClip).height;
    EXPECT_GT(h16, 16.0f);
    EXPECT_LT(h16, 22.0f);
    EXPECT_NEAR(h32, 2 * h16, 0.01f);
}

TEST(SizeWithFont, ShortStringKeepsTheFontSize) {
    float actual = 0;
    CGSize s = sizeWithFont("Moo!", *UIFont::systemFontOfSize(16), 9, &actual, 180,
                            UILineBreakModeMiddleTruncation);
    EXPECT_EQ(actual, 16.0f);
    EXPECT_GT(s.width, 20.0f);
    EXPECT_LT(s.width, 60.0f);
    EXPECT_EQ(lineAsDrawn("Moo!", *UIFont::systemFontOfSize(16), 16, 180,
                          UILineBreakModeMiddleTruncation),
              "Moo!");
}

TEST(SizeWithFont, WiderStringShrinksToTheLargestWholeSizeThatFits) {
    ASSERT_GT(naturalWidth(kMedium, 16), 180.0f);
    ASSERT_LT(naturalWidth(kMedium, 9), 180.0f);
    float actual = 0;
    CGSize s = sizeWithFont(kMedium, *UIFont::systemFontOfSize(16), 9, &actual, 180,
                            UILineBreakModeMiddleTruncation);
    EXPECT_LT(actual, 16.0f);
    EXPECT_GE(actual, 9.0f);
    EXPECT_EQ(actual, std::floor(actual));
    EXPECT_LE(s.width, 180.0f);
    EXPECT_FLOAT_EQ(s.width, naturalWidth(kMedium, actual));
    EXPECT_GT(naturalWidth(kMedium, actual + 1), 180.0f);
}

TEST(SizeWithFont, StringTooWideAtTheMinimumIsTruncatedInTheMiddle) {
    ASSERT_GT(naturalWidth(kLong, 9), 180.0f);
    auto font = UIFont::systemFontOfSize(16);
    float actual = 0;
    CGSize s = sizeWithFont(kLong, *font, 9, &actual, 180, UILineBreakModeMiddleTruncation);
    EXPECT_EQ(actual, 9.0f);
    EXPECT_LE(s.width, 180.0f);
    // Nearly full: one more character would not have fitted.
    EXPECT_GT(s.width, 170.0f);

    std::string line = lineAsDrawn(kLong, *font, 9, 180, UILineBreakModeMiddleTruncation);
    size_t at = line.find(kEllipsis);
    ASSERT_NE(at, std::string::npos) << line;
    std::string head = line.substr(0, at), tail = line.substr(at + 3);
    EXPECT_TRUE(kLong.starts_with(head)) << line;
    EXPECT_TRUE(kLong.ends_with(tail)) << line;
    EXPECT_GT(head.size(), 10u);
    EXPECT_GT(tail.size(), 10u);
    EXPECT_LE(std::abs(static_cast<int>(head.size()) - static_cast<int>(tail.size())), 1);
    EXPECT_FLOAT_EQ(s.width, naturalWidth(line, 9));
}

TEST(SizeWithFont, OtherModesCutAtTheirEnd) {
    auto font = UIFont::systemFontOfSize(9);
    std::string tail = lineAsDrawn(kLong, *font, 9, 100, UILineBreakModeTailTruncation);
    EXPECT_TRUE(tail.ends_with(kEllipsis)) << tail;
    EXPECT_TRUE(kLong.starts_with(tail.substr(0, tail.size() - 3)));
    std::string head = lineAsDrawn(kLong, *font, 9, 100, UILineBreakModeHeadTruncation);
    EXPECT_TRUE(head.starts_with(kEllipsis)) << head;
    EXPECT_TRUE(kLong.ends_with(head.substr(3)));
    // Clipping keeps the text and reports the width it is clipped to.
    EXPECT_EQ(lineAsDrawn(kLong, *font, 9, 100, UILineBreakModeClip), kLong);
    EXPECT_FLOAT_EQ(sizeWithFont(kLong, *font, 9, nullptr, 100, UILineBreakModeClip).width, 100);
    // Not even the ellipsis fits in 2 points.
    EXPECT_EQ(lineAsDrawn(kLong, *font, 9, 2, UILineBreakModeMiddleTruncation), "");
}

TEST(SizeWithFont, NonLatinTextIsShapedAndMeasured) {
    auto font = UIFont::systemFontOfSize(16);
    for (std::string s : {"\u041C\u0443\u0443! \u041A\u043E\u0440\u043E\u0432\u0430",
                          "\u0391\u03B3\u03B5\u03BB\u03AC\u03B4\u03B1",
                          "\u05E4\u05E8\u05D4 \u05D0\u05D5\u05DE\u05E8\u05EA"}) {
        float actual = 0;
        CGSize size = sizeWithFont(s, *font, 9, &actual, 180, UILineBreakModeMiddleTruncation);
        EXPECT_GT(size.width, 20.0f) << s;
        EXPECT_GT(size.height, 16.0f) << s;
        Canvas canvas(200, 30);
        UIColor::whiteColor()->set();
        drawAtPoint(s, CGPointMake(0, 0), 180, *font, actual, UILineBreakModeMiddleTruncation,
                    UIBaselineAdjustmentAlignBaselines);
        EXPECT_GT(canvas.inkedColumns().second, 10) << s;
    }
}

TEST(SizeWithFont, ControlCharactersTakeNoSpaceAndBadBytesDoNotBreakIt) {
    auto font = UIFont::systemFontOfSize(16);
    float plain =
        sizeWithFont("Moo", *font, 9, nullptr, 180, UILineBreakModeMiddleTruncation).width;
    EXPECT_FLOAT_EQ(
        sizeWithFont("Moo\r", *font, 9, nullptr, 180, UILineBreakModeMiddleTruncation).width,
        plain);
    EXPECT_FLOAT_EQ(
        sizeWithFont("M\noo", *font, 9, nullptr, 180, UILineBreakModeMiddleTruncation).width,
        plain);
    std::string hostile("Mo\0o\xFF\xC3", 6);
    CGSize s = sizeWithFont(hostile, *font, 9, nullptr, 180, UILineBreakModeMiddleTruncation);
    EXPECT_GT(s.width, plain);
    float actual = -1;
    EXPECT_EQ(sizeWithFont("", *font, 9, &actual, 180, UILineBreakModeMiddleTruncation),
              CGSizeMake(0, 0));
    EXPECT_EQ(actual, 16.0f);
}

TEST(DrawAtPoint, InkSpansTheMeasuredWidthOfATruncatedLine) {
    auto font = UIFont::systemFontOfSize(16);
    float actual = 0;
    CGSize s = sizeWithFont(kLong, *font, 9, &actual, 180, UILineBreakModeMiddleTruncation);
    Canvas canvas(240, 40);
    UIColor::whiteColor()->set();
    CGSize drawn = drawAtPoint(kLong, CGPointMake(10, 5), 180, *font->fontWithSize(actual), actual,
                               UILineBreakModeMiddleTruncation, UIBaselineAdjustmentAlignBaselines);
    EXPECT_EQ(drawn, s);
    auto [first, last] = canvas.inkedColumns();
    EXPECT_GE(first, 10);
    EXPECT_LE(first, 12);
    // The last glyph's ink ends near the advance it was measured by.
    EXPECT_LE(last, 10 + static_cast<int>(std::ceil(s.width)));
    EXPECT_GE(last, 10 + static_cast<int>(s.width) - 3);
    auto [top, bottom] = canvas.inkedRows();
    EXPECT_GE(top, 5);
    EXPECT_LE(bottom, 5 + static_cast<int>(std::ceil(s.height)));
}

TEST(DrawAtPoint, DrawsInTheSetColour) {
    auto font = UIFont::systemFontOfSize(16);
    for (auto [color, rgb] : {std::pair{UIColor::whiteColor(), 0xFFFFFFu},
                              std::pair{UIColor::blackColor(), 0x000000u}}) {
        Canvas canvas(60, 24);
        color->set();
        drawAtPoint("HHH", CGPointMake(2, 2), 56, *font, 16, UILineBreakModeMiddleTruncation,
                    UIBaselineAdjustmentAlignBaselines);
        int solid = 0;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 60; ++x) {
                uint32_t p = canvas.image->pixel(x, y);
                if ((p >> 24) == 0xFF) {
                    ++solid;
                    EXPECT_EQ(p & 0xFFFFFF, rgb);
                }
            }
        // The stems of three H's are solid colour.
        EXPECT_GT(solid, 40);
    }
}

TEST(DrawAtPoint, BaselineAdjustmentPlacesASmallerSizeInTheFontsLineBox) {
    auto font = UIFont::systemFontOfSize(24);
    auto rows = [&](UIBaselineAdjustment adjustment, float size) {
        Canvas canvas(120, 60);
        UIColor::blackColor()->set();
        drawAtPoint("HOE", CGPointMake(0, 10), 120, *font, size, UILineBreakModeClip, adjustment);
        return canvas.inkedRows();
    };
    auto full = rows(UIBaselineAdjustmentAlignBaselines, 24);
    auto baselines = rows(UIBaselineAdjustmentAlignBaselines, 12);
    auto centres = rows(UIBaselineAdjustmentAlignCenters, 12);
    auto none = rows(UIBaselineAdjustmentNone, 12);
    // Capitals without descenders: their bottom is the baseline.
    EXPECT_NEAR(baselines.second, full.second, 1);
    EXPECT_NEAR((centres.first + centres.second) / 2.0, (full.first + full.second) / 2.0, 3.0);
    EXPECT_LT(none.first, centres.first);
    EXPECT_LT(centres.first, baselines.first);
}

TEST(DrawAtPoint, WithoutAContextReturnsTheSizeAndDrawsNothing) {
    auto font = UIFont::systemFontOfSize(16);
    ASSERT_EQ(UIGraphicsGetCurrentContext(), nullptr);
    CGSize drawn = drawAtPoint("Moo", CGPointMake(0, 0), 180, *font, 16,
                               UILineBreakModeMiddleTruncation, UIBaselineAdjustmentAlignBaselines);
    EXPECT_FLOAT_EQ(drawn.width, naturalWidth("Moo", 16));
    UIColor::whiteColor()->set();  // no context: nothing to set, no crash
}

}  // namespace
