#pragma once

// Private to the cairo and pango backend (cairo_*.cpp): nothing else includes
// this header.

#include <cairo.h>
#include <pango/pangocairo.h>

#include "host/layers/cg_context.h"

namespace host::cairo_backend {

// The image as a cairo surface over its own pixels, kept with the image and
// marked dirty when its pixels changed. `forScaling` gives what to sample when
// smoothing: the image itself, or for 5-6-5 a copy widened to 32 bits (made
// again only when the pixels changed), since scaling straight from 5-6-5 is
// many times slower.
cairo_surface_t* surfaceOf(const CGImage& image, bool forScaling = false);

// One line laid out by pango.
class PangoTextLine : public CGTextLine {
  public:
    PangoTextLine(PangoContext* context, const std::string& family, float size);
    ~PangoTextLine() override;
    PangoTextLine(const PangoTextLine&) = delete;
    PangoTextLine& operator=(const PangoTextLine&) = delete;

    void setText(const std::string& text) override;
    int64_t widthUnits() const override;
    std::vector<int64_t> clusterAdvances(const std::vector<size_t>& bounds) const override;
    float height() const override;
    float baseline() const override;
    PangoLayout* layout() const { return layout_; }

  private:
    PangoLayout* layout_;
    std::string text_;
    bool laidOut_ = false;
};

// The pango context all text is measured and drawn with, so that sizes never
// depend on the surface drawn to; null when no font is usable.
PangoContext* fontContext();
const std::string& fontFamily();

}  // namespace host::cairo_backend

namespace host::cairo_backend {

std::unique_ptr<CGTextLine> newTextLine(const std::string& family, float size);
std::vector<size_t> clusterBounds(std::string_view text);

}  // namespace host::cairo_backend
