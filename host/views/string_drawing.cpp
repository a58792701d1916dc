#include "host/views/string_drawing.h"

#include <cairo.h>

#include <cmath>
#include <vector>

#include "host/views/font_engine.h"
#include "host/views/graphics_context.h"

namespace host {

namespace {

constexpr const char* kEllipsis = "\u2026";

// Valid UTF-8 with nothing that would break or mark the line: control
// characters and line or paragraph separators are dropped, tabs become spaces.
std::string singleLine(const std::string& s) {
    gchar* valid = g_utf8_make_valid(s.data(), static_cast<gssize>(s.size()));
    std::string out;
    for (const gchar* p = valid; *p; p = g_utf8_next_char(p)) {
        gunichar c = g_utf8_get_char(p);
        if (c == '\t') {
            out += ' ';
        } else if (!g_unichar_iscntrl(c) && c != 0x2028 && c != 0x2029) {
            out.append(p, g_utf8_next_char(p) - p);
        }
    }
    g_free(valid);
    return out;
}

// Far beyond any screen; pango keeps sizes as whole 1/1024 points in an int,
// and a step of one point must still change a float size.
constexpr float kMaxFontSize = 10000.0f;

bool usableSize(float size) { return size > 0 && size <= kMaxFontSize; }

// One line of text at one size, measured in points.
class Line {
  public:
    Line(PangoContext* context, const std::string& family, float size)
        : layout_(pango_layout_new(context)) {
        PangoFontDescription* d = newFontDescription(family, size);
        pango_layout_set_font_description(layout_, d);
        pango_font_description_free(d);
        pango_layout_set_single_paragraph_mode(layout_, TRUE);
    }
    ~Line() { g_object_unref(layout_); }
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;

    void setText(const std::string& text) {
        pango_layout_set_text(layout_, text.data(), static_cast<int>(text.size()));
    }
    float width() const { return logical().width / float{PANGO_SCALE}; }
    float height() const { return logical().height / float{PANGO_SCALE}; }
    float baseline() const { return pango_layout_get_baseline(layout_) / float{PANGO_SCALE}; }
    bool fits(float limit) const { return logical().width <= std::floor(limit * PANGO_SCALE); }
    PangoLayout* layout() const { return layout_; }

    // Byte offsets of the grapheme boundaries of the current text, from 0 to its length.
    std::vector<size_t> clusterBounds() const {
        const char* text = pango_layout_get_text(layout_);
        int n = 0;
        const PangoLogAttr* attrs = pango_layout_get_log_attrs_readonly(layout_, &n);
        std::vector<size_t> bounds;
        const char* p = text;
        for (int i = 0; i < n; ++i) {
            if (attrs[i].is_cursor_position || i == 0 || i == n - 1)
                bounds.push_back(static_cast<size_t>(p - text));
            if (*p) p = g_utf8_next_char(p);
        }
        return bounds;
    }

  private:
    PangoRectangle logical() const {
        PangoRectangle r;
        pango_layout_get_extents(layout_, nullptr, &r);
        return r;
    }
    PangoLayout* layout_;
};

bool truncates(UILineBreakMode mode) {
    return mode == UILineBreakModeHeadTruncation || mode == UILineBreakModeTailTruncation ||
           mode == UILineBreakModeMiddleTruncation;
}

// The text that `line` shows within `width`: all of it if it fits; for the
// truncating modes the most grapheme clusters that fit around an ellipsis
// (nothing if not even the ellipsis fits); for the others all of it, clipped
// when drawn. Leaves `line` holding the result.
std::string fitText(Line& line, const std::string& text, float width, UILineBreakMode mode) {
    line.setText(text);
    if (line.fits(width) || !truncates(mode)) return text;
    const std::vector<size_t> b = line.clusterBounds();
    const size_t clusters = b.size() - 1;
    auto keep = [&](size_t k) {
        switch (mode) {
            case UILineBreakModeHeadTruncation:
                return kEllipsis + text.substr(b[clusters - k]);
            case UILineBreakModeTailTruncation:
                return text.substr(0, b[k]) + kEllipsis;
            default:
                return text.substr(0, b[(k + 1) / 2]) + kEllipsis +
                       text.substr(b[clusters - k / 2]);
        }
    };
    // Largest k that fits; widths grow with k, so bisect.
    size_t lo = 0, hi = clusters - 1;
    line.setText(keep(0));
    if (!line.fits(width)) {
        line.setText("");
        return "";
    }
    while (lo < hi) {
        size_t mid = (lo + hi + 1) / 2;
        line.setText(keep(mid));
        if (line.fits(width))
            lo = mid;
        else
            hi = mid - 1;
    }
    std::string result = keep(lo);
    line.setText(result);
    return result;
}

float drawnWidth(const Line& line, float width, UILineBreakMode mode) {
    float w = line.width();
    return truncates(mode) ? w : std::min(w, std::max(width, 0.0f));
}

}  // namespace

CGSize sizeWithFont(const std::string& string, const UIFont& font, float minFontSize,
                    float* actualFontSize, float width, UILineBreakMode lineBreakMode) {
    float size = font.pointSize();
    if (actualFontSize) *actualFontSize = size;
    PangoContext* context = fontContext();
    const std::string text = singleLine(string);
    if (!context || !usableSize(size) || text.empty()) return CGSizeMake(0, 0);
    if (!std::isfinite(width)) width = 0;
    // Without a usable minimum the text is not shrunk.
    float minimum = usableSize(minFontSize) && minFontSize < size ? minFontSize : size;

    for (;;) {
        Line line(context, font.familyName(), size);
        line.setText(text);
        if (line.fits(width) || size <= minimum) {
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
    PangoContext* context = fontContext();
    const std::string text = singleLine(string);
    if (!context || !usableSize(fontSize) || text.empty()) return "";
    if (!std::isfinite(width)) width = 0;
    Line line(context, font.familyName(), fontSize);
    return fitText(line, text, width, lineBreakMode);
}

CGSize drawAtPoint(const std::string& string, CGPoint point, float width, const UIFont& font,
                   float fontSize, UILineBreakMode lineBreakMode,
                   UIBaselineAdjustment baselineAdjustment) {
    PangoContext* context = fontContext();
    const std::string text = singleLine(string);
    if (!usableSize(fontSize)) fontSize = font.pointSize();
    if (!context || !usableSize(fontSize) || text.empty()) return CGSizeMake(0, 0);
    if (!std::isfinite(width)) width = 0;

    Line line(context, font.familyName(), fontSize);
    fitText(line, text, width, lineBreakMode);
    CGSize drawn = CGSizeMake(drawnWidth(line, width, lineBreakMode), line.height());

    // The line box is laid out for the font's own size; a smaller size sits in it.
    float top = point.y;
    if (usableSize(font.pointSize()) && font.pointSize() != fontSize &&
        baselineAdjustment != UIBaselineAdjustmentNone) {
        Line box(context, font.familyName(), font.pointSize());
        box.setText(text);
        if (baselineAdjustment == UIBaselineAdjustmentAlignBaselines)
            top = point.y + box.baseline() - line.baseline();
        else
            top = point.y + 0.5f * box.height() - 0.5f * line.height();
    }

    cairo_t* cr = UIGraphicsGetCurrentContext();
    if (!cr) return drawn;
    cairo_save(cr);
    if (!truncates(lineBreakMode)) {
        cairo_rectangle(cr, point.x, top, drawn.width, drawn.height);
        cairo_clip(cr);
    }
    // Filled as outlines: glyphs shown as images would snap to whole pixels
    // vertically, and the half-point drop of a shadow would vanish.
    cairo_move_to(cr, point.x, top);
    pango_cairo_layout_path(cr, line.layout());
    cairo_fill(cr);
    cairo_restore(cr);
    return drawn;
}

}  // namespace host
