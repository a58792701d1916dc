#include "host/views/font.h"

#include <cstdio>

#include "host/foundation/messages.h"
#include "host/views/font_engine.h"

namespace host {

static constexpr const char* kSystemFamily = "DejaVu Sans";
// Any nominal size: only the family that fontconfig picks matters here.
static constexpr float kProbeSize = 16.0f;

namespace {

struct FontEngine {
    PangoFontMap* fontMap = nullptr;
    PangoContext* context = nullptr;
    std::string family;

    FontEngine() {
        // A font map of our own, so nothing else in the process changes its options.
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

}  // namespace

PangoContext* fontContext() { return engine().context; }

PangoFontDescription* newFontDescription(const std::string& family, float size) {
    PangoFontDescription* d = pango_font_description_new();
    pango_font_description_set_family(d, family.c_str());
    // Absolute: a point is a pixel whatever the resolution.
    pango_font_description_set_absolute_size(d, static_cast<double>(size) * PANGO_SCALE);
    return d;
}

const std::string& systemFontFamily() { return engine().family; }

std::shared_ptr<UIFont> UIFont::systemFontOfSize(float size) {
    return std::make_shared<UIFont>(systemFontFamily(), size);
}

std::shared_ptr<UIFont> UIFont::fontWithSize(float size) const {
    return std::make_shared<UIFont>(family_, size);
}

}  // namespace host
