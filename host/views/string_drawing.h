#pragma once

#include <string>

#include "host/geometry/geometry.h"
#include "host/views/font.h"

// Measuring and drawing one line of text (NSString's UIKit additions, over
// UTF-8 std::string). Text is shaped by the drawing backend, so any script draws. Line
// feeds and other control characters are not drawn: a line is one line. Font
// sizes are usable above 0 up to 10000 points: text at any other size
// measures as nothing and is not drawn.
//
// So that no string stalls a frame, a line holds at most 256 grapheme clusters
// in 1 KiB, none of them longer than 64 bytes, and is at most a million points
// wide. Of a string beyond that only the first and the last clusters are ever
// laid out; it never fits whole, so it is cut at the minimum size like any
// string too wide (the clipping modes show its start). A cluster too long to
// hold is left out with the middle.

namespace host {

// On one line every wrapping mode clips at the width.
enum UILineBreakMode {
    UILineBreakModeWordWrap = 0,
    UILineBreakModeCharacterWrap,
    UILineBreakModeClip,
    UILineBreakModeHeadTruncation,
    UILineBreakModeTailTruncation,
    UILineBreakModeMiddleTruncation,
};

// Where a line drawn smaller than its font sits in the line box of the font's
// own size.
enum UIBaselineAdjustment {
    UIBaselineAdjustmentAlignBaselines = 0,
    UIBaselineAdjustmentAlignCenters,
    UIBaselineAdjustmentNone,
};

// Fits `string` on one line no wider than `width`: at the font's size if it
// fits, else at the largest size that fits, stepping down a whole point at a
// time to `minFontSize`; at the minimum it is cut by `lineBreakMode` (an
// ellipsis for the truncating modes). Reports the size used in
// *actualFontSize (when not null) and returns the size of the line as it is
// drawn: drawAtPoint with that size, width and mode draws exactly this.
CGSize sizeWithFont(const std::string& string, const UIFont& font, float minFontSize,
                    float* actualFontSize, float width, UILineBreakMode lineBreakMode);

// The text that one line of `string` shows within `width` at `fontSize`: all
// of it when it fits or the mode only clips; otherwise the most grapheme
// clusters that fit with an ellipsis at the start, end or middle (empty when
// not even the ellipsis fits). Control characters are already left out.
std::string lineAsDrawn(const std::string& string, const UIFont& font, float fontSize, float width,
                        UILineBreakMode lineBreakMode);

// Draws `string` on one line in the current context's colour at `fontSize`,
// its line box's top left at `point` (for the font's own size; see
// UIBaselineAdjustment), cut to `width` by `lineBreakMode`. Returns the size
// drawn. Draws nothing without a current context or a usable font.
CGSize drawAtPoint(const std::string& string, CGPoint point, float width, const UIFont& font,
                   float fontSize, UILineBreakMode lineBreakMode,
                   UIBaselineAdjustment baselineAdjustment);

}  // namespace host
