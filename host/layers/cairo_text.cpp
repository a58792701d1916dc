#include <algorithm>

#include "host/foundation/messages.h"
#include "host/layers/cairo_backend.h"

namespace host::cairo_backend {

namespace {

constexpr const char* kSystemFamily = "DejaVu Sans";
// Any nominal size: only the family that fontconfig picks matters here.
constexpr float kProbeSize = 16.0f;

// A description of `family` at `size` points; the caller frees it.
PangoFontDescription* newFontDescription(const std::string& family, float size) {
    PangoFontDescription* d = pango_font_description_new();
    pango_font_description_set_family(d, family.c_str());
    // Absolute: a point is a pixel whatever the resolution.
    pango_font_description_set_absolute_size(d, static_cast<double>(size) * PANGO_SCALE);
    return d;
}

struct FontEngine {
    PangoFontMap* fontMap = nullptr;
    PangoContext* context = nullptr;
    std::string family;

    FontEngine() {
        // A font map of our own, so nothing else in the process changes its
        // options. Hinting off and glyph positions unrounded, so measurements
        // are the same on every machine with the same font files.
        fontMap = pango_cairo_font_map_new();
        context = pango_font_map_create_context(fontMap);
        cairo_font_options_t* options = cairo_font_options_create();
        cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
        cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
        cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
        pango_cairo_context_set_font_options(context, options);
        cairo_font_options_destroy(options);
        pango_context_set_round_glyph_positions(context, FALSE);

        PangoFontDescription* wanted = newFontDescription(kSystemFamily, kProbeSize);
        PangoFont* font = pango_font_map_load_font(fontMap, context, wanted);
        pango_font_description_free(wanted);
        if (!font) {
            say("%s", messages::kNoUsableFont);
            g_object_unref(context);
            context = nullptr;
            return;
        }
        PangoFontDescription* got = pango_font_describe(font);
        const char* name = pango_font_description_get_family(got);
        family = name ? name : kSystemFamily;
        pango_font_description_free(got);
        g_object_unref(font);
        if (family != kSystemFamily)
            say(messages::kSystemFontSubstituted, kSystemFamily, family.c_str());
    }
};

FontEngine& engine() {
    // Lives for the process: pango's font caches are process-wide anyway.
    static FontEngine* e = new FontEngine;
    return *e;
}

// Calls f(byte offset of the glyph's cluster, advance) for every glyph of the
// layout's one line.
template <typename F>
void forEachGlyph(PangoLayout* layout, F f) {
    PangoLayoutLine* line = pango_layout_get_line_readonly(layout, 0);
    for (GSList* r = line ? line->runs : nullptr; r; r = r->next) {
        const auto* run = static_cast<PangoGlyphItem*>(r->data);
        for (int g = 0; g < run->glyphs->num_glyphs; ++g)
            f(static_cast<size_t>(run->item->offset + run->glyphs->log_clusters[g]),
              run->glyphs->glyphs[g].geometry.width);
    }
}

}  // namespace

PangoContext* fontContext() { return engine().context; }
const std::string& fontFamily() { return engine().family; }

PangoTextLine::PangoTextLine(PangoContext* context, const std::string& family, float size)
    : layout_(pango_layout_new(context)) {
    PangoFontDescription* d = newFontDescription(family, size);
    pango_layout_set_font_description(layout_, d);
    pango_font_description_free(d);
    pango_layout_set_single_paragraph_mode(layout_, TRUE);
}

PangoTextLine::~PangoTextLine() { g_object_unref(layout_); }

void PangoTextLine::setText(const std::string& text) {
    if (laidOut_ && text == text_) return;
    text_ = text;
    laidOut_ = true;
    pango_layout_set_text(layout_, text.data(), static_cast<int>(text.size()));
}

// Summed here in 64 bits: pango's own extents are an int and overflow past
// about two million points.
int64_t PangoTextLine::widthUnits() const {
    int64_t sum = 0;
    forEachGlyph(layout_, [&](size_t, int width) { sum += width; });
    return sum;
}

std::vector<int64_t> PangoTextLine::clusterAdvances(const std::vector<size_t>& bounds) const {
    std::vector<int64_t> a(bounds.size() - 1, 0);
    forEachGlyph(layout_, [&](size_t at, int width) {
        size_t c = std::upper_bound(bounds.begin(), bounds.end(), at) - bounds.begin();
        a[std::min(c, a.size()) - 1] += width;
    });
    return a;
}

float PangoTextLine::height() const {
    PangoRectangle r;
    pango_layout_get_extents(layout_, nullptr, &r);
    return r.height / float{PANGO_SCALE};
}

float PangoTextLine::baseline() const {
    return pango_layout_get_baseline(layout_) / float{PANGO_SCALE};
}

std::unique_ptr<CGTextLine> newTextLine(const std::string& family, float size) {
    PangoContext* context = fontContext();
    if (!context) return nullptr;
    return std::make_unique<PangoTextLine>(context, family, size);
}

std::vector<size_t> clusterBounds(std::string_view s) {
    const int chars = static_cast<int>(g_utf8_strlen(s.data(), static_cast<gssize>(s.size())));
    std::vector<PangoLogAttr> attrs(chars + 1);
    pango_get_log_attrs(s.data(), static_cast<int>(s.size()), -1, pango_language_get_default(),
                        attrs.data(), chars + 1);
    std::vector<size_t> bounds;
    const char* p = s.data();
    for (int i = 0; i <= chars; ++i) {
        if (attrs[i].is_cursor_position || i == 0 || i == chars)
            bounds.push_back(static_cast<size_t>(p - s.data()));
        if (i < chars) p = g_utf8_next_char(p);
    }
    return bounds;
}

}  // namespace host::cairo_backend
