#include "host/views/string_drawing.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string_view>
#include <vector>

#include "host/layers/cg_context.h"
#include "host/views/graphics_context.h"

namespace host {

namespace {

constexpr const char* kEllipsis = "\u2026";

// The length of the well-formed UTF-8 sequence at s[i], or 0 when none starts
// there (a stray or overlong byte, a surrogate, past U+10FFFF, cut short, or NUL).
size_t sequenceLength(std::string_view s, size_t i) {
    const auto at = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = at(i);
    if (c != 0 && c < 0x80) return 1;
    size_t n = 0;
    unsigned char low = 0x80, high = 0xBF;  // the second byte's range
    if (c >= 0xC2 && c <= 0xDF)
        n = 2;
    else if (c >= 0xE0 && c <= 0xEF)
        n = 3, low = c == 0xE0 ? 0xA0 : 0x80, high = c == 0xED ? 0x9F : 0xBF;
    else if (c >= 0xF0 && c <= 0xF4)
        n = 4, low = c == 0xF0 ? 0x90 : 0x80, high = c == 0xF4 ? 0x8F : 0xBF;
    if (n == 0 || s.size() - i < n || at(i + 1) < low || at(i + 1) > high) return 0;
    for (size_t k = 2; k < n; ++k)
        if ((at(i + k) & 0xC0) != 0x80) return 0;
    return n;
}

// Valid UTF-8 with nothing that would break or mark the line: each byte that
// starts no well-formed character becomes U+FFFD; control characters and line
// or paragraph separators are dropped, tabs become spaces.
std::string singleLine(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size();) {
        const size_t n = sequenceLength(s, i);
        if (n == 0) {
            out += "\uFFFD";
            ++i;
            continue;
        }
        const std::string_view c = s.substr(i, n);
        i += n;
        const auto b = [&](size_t k) { return static_cast<unsigned char>(c[k]); };
        if (c == "\t")
            out += ' ';
        else if (b(0) < 0x20 || b(0) == 0x7F || (b(0) == 0xC2 && b(1) < 0xA0) || c == "\u2028" ||
                 c == "\u2029")
            continue;  // C0 and C1 controls, separators
        else
            out += c;
    }
    return out;
}

// Far beyond any screen; text engines keep sizes as whole 1/1024 points in an int,
// and a step of one point must still change a float size.
constexpr float kMaxFontSize = 10000.0f;

bool usableSize(float size) { return size > 0 && size <= kMaxFontSize; }

// Glyphs are placed at int positions of 1/1024 points; no line wider than
// this is laid out for drawing, so none of them overflows.
constexpr float kMaxLineWidth = 1'000'000.0f;

// Shaping cost grows with the text (with the square of a run of combining
// marks), so a line never holds more than this: far more than fits on any
// screen at a legible size. Of a longer text the line holds the first and the
// last kMaxClusters / 2 grapheme clusters within kMaxBytes / 2 each.
constexpr size_t kMaxClusters = 256;
constexpr size_t kMaxBytes = 1024;
// A letter with thirty marks or an emoji sequence is shorter; a longer
// cluster is never drawn (its stacked marks would only smear).
constexpr size_t kMaxClusterBytes = 64;
// Of a string longer than twice this only this much at each end is read.
constexpr size_t kScanBytes = 16384;

std::vector<size_t> clusterBounds(std::string_view s) { return drawingBackend().clusterBounds(s); }

bool continuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Boundaries (from 0) of the first clusters of valid UTF-8 `s` that a line may
// hold: at most half the clusters and bytes, stopping before a cluster too long
// to draw. `s` is all of the text, or only its start when not `complete`.
std::vector<size_t> frontClusters(std::string_view s, bool complete) {
    size_t n = s.size();
    if (n > kMaxBytes / 2 + kMaxClusterBytes) {
        n = kMaxBytes / 2 + kMaxClusterBytes;
        while (continuationByte(s[n])) --n;
        complete = false;
    }
    std::vector<size_t> all = clusterBounds(s.substr(0, n));
    // A cut may fall inside a cluster.
    if (!complete) all.pop_back();
    std::vector<size_t> kept{0};
    for (size_t i = 1; i < all.size() && kept.size() <= kMaxClusters / 2; ++i) {
        if (all[i] > kMaxBytes / 2 || all[i] - all[i - 1] > kMaxClusterBytes) break;
        kept.push_back(all[i]);
    }
    return kept;
}

// The same for the last clusters of `s` (all of the text, or its end when not
// `complete`): their boundaries as offsets in `s`, up to its length.
std::vector<size_t> backClusters(std::string_view s, bool complete) {
    size_t from = 0;
    if (s.size() > kMaxBytes / 2 + kMaxClusterBytes) {
        from = s.size() - kMaxBytes / 2 - kMaxClusterBytes;
        while (continuationByte(s[from])) ++from;
        complete = false;
    }
    std::vector<size_t> all = clusterBounds(s.substr(from));
    if (!complete) all.erase(all.begin());
    if (all.empty()) return {s.size()};
    std::vector<size_t> kept{all.back()};
    for (size_t i = all.size() - 1; i-- > 0 && kept.size() <= kMaxClusters / 2;) {
        if (all.back() - all[i] > kMaxBytes / 2 || all[i + 1] - all[i] > kMaxClusterBytes) break;
        kept.push_back(all[i]);
    }
    std::vector<size_t> bounds(kept.rbegin(), kept.rend());
    for (size_t& b : bounds) b += from;
    return bounds;
}

// What one line may hold of a string: all of it, or its first and last
// clusters with the middle left out (and then it never fits whole).
struct Holdable {
    std::string text;            // the first clusters, then the last
    std::vector<size_t> bounds;  // cluster boundaries in text, 0 to its length
    size_t front = 0;            // how many clusters begin the string
    bool whole = false;          // text is the whole string; front is all of it
    size_t clusters() const { return bounds.size() - 1; }
    bool nothing() const { return whole && text.empty(); }
};

// The first clusters of `head` and the last of `tail`: the start and the end
// of the text, or all of it (`complete`) in both.
Holdable join(std::string_view head, std::string_view tail, bool complete) {
    Holdable h;
    const std::vector<size_t> f = frontClusters(head, complete);
    const std::vector<size_t> b = backClusters(tail, complete);
    h.text = std::string(head.substr(0, f.back())) + std::string(tail.substr(b.front()));
    h.bounds = f;
    for (size_t i = 1; i < b.size(); ++i) h.bounds.push_back(f.back() + b[i] - b.front());
    h.front = f.size() - 1;
    return h;
}

Holdable holdable(const std::string& string) {
    if (string.size() > 2 * kScanBytes) {
        // Cuts inside a character become U+FFFD, in clusters left out anyway.
        return join(singleLine(string.substr(0, kScanBytes)),
                    singleLine(string.substr(string.size() - kScanBytes)), false);
    }
    const std::string text = singleLine(string);
    if (text.size() <= kMaxBytes) {
        std::vector<size_t> b = clusterBounds(text);
        bool fits = b.size() - 1 <= kMaxClusters;
        for (size_t i = 1; i < b.size(); ++i) fits = fits && b[i] - b[i - 1] <= kMaxClusterBytes;
        const size_t clusters = b.size() - 1;
        if (fits) return Holdable{text, std::move(b), clusters, true};
    }
    return join(text, text, true);
}

// One line of text at one size, laid out by the drawing backend.
class Line {
  public:
    Line(const std::string& family, float size)
        : line_(drawingBackend().newTextLine(family, size)) {}
    bool usable() const { return line_ != nullptr; }
    void setText(const std::string& text) { line_->setText(text); }
    float width() const { return static_cast<float>(units()) / kCGTextUnitsPerPoint; }
    float height() const { return line_->height(); }
    float baseline() const { return line_->baseline(); }
    bool fits(float limit) const { return units() <= limitUnits(limit); }
    const CGTextLine& laidOut() const { return *line_; }

    static int64_t limitUnits(float limit) {
        return static_cast<int64_t>(std::floor(double{limit} * kCGTextUnitsPerPoint));
    }
    std::vector<int64_t> advances(const std::vector<size_t>& bounds) const {
        return line_->clusterAdvances(bounds);
    }
    int64_t units() const { return line_->widthUnits(); }

  private:
    std::unique_ptr<CGTextLine> line_;
};

// Whether text can be laid out at all.
bool haveFonts() { return !drawingBackend().systemFontFamily().empty(); }

bool truncates(UILineBreakMode mode) {
    return mode == UILineBreakModeHeadTruncation || mode == UILineBreakModeTailTruncation ||
           mode == UILineBreakModeMiddleTruncation;
}

// The text that `line` shows of `h` within `width`: all of it if whole and it
// fits; for the truncating modes the most clusters that fit around an ellipsis
// (nothing if not even the ellipsis fits); for the others all that the line
// holds, clipped when drawn. Leaves `line` holding the result.
std::string fitText(Line& line, const Holdable& h, float width, UILineBreakMode mode) {
    const size_t n = h.clusters();
    line.setText(h.text);
    if (h.whole && line.fits(width)) return h.text;
    const std::vector<int64_t> advance = line.advances(h.bounds);
    if (!truncates(mode)) {
        size_t shown = h.front;
        int64_t units = 0;
        for (size_t i = 0; i < shown; ++i) units += advance[i];
        while (shown > 0 && units > Line::limitUnits(kMaxLineWidth)) units -= advance[--shown];
        std::string result = h.text.substr(0, h.bounds[shown]);
        line.setText(result);
        return result;
    }

    // How many clusters there are to keep from the start and from the end.
    const size_t front = h.whole ? n : h.front, back = h.whole ? n : n - h.front;
    // Of k clusters, those kept from the start and from the end around the
    // ellipsis: even halves in the middle, unless one side runs out first.
    auto parts = [&](size_t k) -> std::pair<size_t, size_t> {
        if (mode == UILineBreakModeHeadTruncation) return {0, k};
        if (mode == UILineBreakModeTailTruncation) return {k, 0};
        const size_t a = std::min(front, std::max((k + 1) / 2, k > back ? k - back : 0));
        return {a, k - a};
    };
    auto keep = [&](size_t k) {
        auto [a, b] = parts(k);
        return h.text.substr(0, h.bounds[a]) + kEllipsis + h.text.substr(h.bounds[n - b]);
    };
    // A whole text keeps at least one cluster out.
    const size_t most = h.whole                                 ? n - 1
                        : mode == UILineBreakModeHeadTruncation ? back
                        : mode == UILineBreakModeTailTruncation ? front
                                                                : front + back;

    // Estimated from the advances the text has as a whole...
    std::vector<int64_t> first(n + 1, 0), last(n + 1, 0);
    for (size_t i = 0; i < n; ++i) {
        first[i + 1] = first[i] + advance[i];
        last[i + 1] = last[i] + advance[n - 1 - i];
    }
    line.setText(kEllipsis);
    const int64_t room = Line::limitUnits(width) - line.units();
    size_t guess = 0;
    while (guess < most) {
        auto [a, b] = parts(guess + 1);
        if (first[a] + last[b] > room) break;
        ++guess;
    }
    // ...and checked by laying out the line itself: a cut shapes a little
    // differently. Bisects for the largest that fits if the estimate is off.
    auto fits = [&](size_t k) {
        line.setText(keep(k));
        return line.fits(width);
    };
    // fits(lo) unless lo is -1; !fits(hi) unless hi is past the most.
    long lo = -1, hi = static_cast<long>(most) + 1, g = static_cast<long>(guess);
    if (!fits(g))
        hi = g;
    else if (g + 1 < hi && !fits(g + 1))
        lo = g, hi = g + 1;
    else
        lo = std::min(g + 1, hi - 1);
    while (hi - lo > 1) {
        const long mid = lo + (hi - lo) / 2;
        if (fits(mid))
            lo = mid;
        else
            hi = mid;
    }
    std::string result = lo < 0 ? "" : keep(static_cast<size_t>(lo));
    line.setText(result);
    return result;
}

// Widths past the widest line laid out are that line's width.
float usableWidth(float width) { return std::isfinite(width) ? std::min(width, kMaxLineWidth) : 0; }

float drawnWidth(const Line& line, float width, UILineBreakMode mode) {
    float w = line.width();
    return truncates(mode) ? w : std::min(w, std::max(width, 0.0f));
}

}  // namespace

CGSize sizeWithFont(const std::string& string, const UIFont& font, float minFontSize,
                    float* actualFontSize, float width, UILineBreakMode lineBreakMode) {
    float size = font.pointSize();
    if (actualFontSize) *actualFontSize = size;
    const bool fonts = haveFonts();
    const Holdable text = holdable(string);
    if (!fonts || !usableSize(size) || text.nothing()) return CGSizeMake(0, 0);
    width = usableWidth(width);
    // Without a usable minimum the text is not shrunk.
    float minimum = usableSize(minFontSize) && minFontSize < size ? minFontSize : size;

    // A cut text never fits whole: straight to the minimum.
    if (!text.whole) size = minimum;
    for (;;) {
        Line line(font.familyName(), size);
        line.setText(text.text);
        if ((text.whole && line.fits(width)) || size <= minimum) {
            if (actualFontSize) *actualFontSize = size;
            fitText(line, text, width, lineBreakMode);
            return CGSizeMake(drawnWidth(line, width, lineBreakMode), line.height());
        }
        // Unhinted widths grow in proportion to the size, so the whole-point
        // steps down to a point above the proportional fit cannot fit either:
        // they are taken at once.
        float step = 1.0f;
        if (width > 0) step = std::max(step, std::floor(size - size * width / line.width()) - 1.0f);
        size = std::max(size - step, minimum);
    }
}

std::string lineAsDrawn(const std::string& string, const UIFont& font, float fontSize, float width,
                        UILineBreakMode lineBreakMode) {
    const bool fonts = haveFonts();
    const Holdable text = holdable(string);
    if (!fonts || !usableSize(fontSize) || text.nothing()) return "";
    width = usableWidth(width);
    Line line(font.familyName(), fontSize);
    return fitText(line, text, width, lineBreakMode);
}

CGSize drawAtPoint(const std::string& string, CGPoint point, float width, const UIFont& font,
                   float fontSize, UILineBreakMode lineBreakMode,
                   UIBaselineAdjustment baselineAdjustment) {
    const bool fonts = haveFonts();
    const Holdable text = holdable(string);
    if (!usableSize(fontSize)) fontSize = font.pointSize();
    if (!fonts || !usableSize(fontSize) || text.nothing()) return CGSizeMake(0, 0);
    width = usableWidth(width);

    Line line(font.familyName(), fontSize);
    fitText(line, text, width, lineBreakMode);
    CGSize drawn = CGSizeMake(drawnWidth(line, width, lineBreakMode), line.height());

    // The line box is laid out for the font's own size; a smaller size sits in it.
    float top = point.y;
    if (usableSize(font.pointSize()) && font.pointSize() != fontSize &&
        baselineAdjustment != UIBaselineAdjustmentNone) {
        Line box(font.familyName(), font.pointSize());
        box.setText(text.text);
        if (baselineAdjustment == UIBaselineAdjustmentAlignBaselines)
            top = point.y + box.baseline() - line.baseline();
        else
            top = point.y + 0.5f * box.height() - 0.5f * line.height();
    }

    CGContext* c = UIGraphicsGetCurrentContext();
    if (!c) return drawn;
    c->saveGState();
    if (!truncates(lineBreakMode))
        c->clipToRect(CGRectMake(point.x, top, drawn.width, drawn.height));
    // As outlines: glyphs shown as images would snap to whole pixels
    // vertically, and the half-point drop of a shadow would vanish.
    c->showTextLine(line.laidOut(), CGPointMake(point.x, top));
    c->restoreGState();
    return drawn;
}

}  // namespace host
