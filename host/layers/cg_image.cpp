#include "host/layers/cg_image.h"

#include <cairo.h>

namespace host {

std::shared_ptr<CGImage> CGImage::create(int width, int height, Format format) {
    if (width <= 0 || height <= 0) return nullptr;
    cairo_surface_t* s = cairo_image_surface_create(
        format == Format::rgb565 ? CAIRO_FORMAT_RGB16_565 : CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return nullptr;
    }
    return std::make_shared<CGImage>(s);
}

CGImage::CGImage(cairo_surface_t* surface) : surface_(surface) {}

CGImage::~CGImage() {
    cairo_surface_destroy(surface_);
    if (widened_) cairo_surface_destroy(widened_);
}

int CGImage::width() const { return cairo_image_surface_get_width(surface_); }
int CGImage::height() const { return cairo_image_surface_get_height(surface_); }
int CGImage::stride() const { return cairo_image_surface_get_stride(surface_); }
CGImage::Format CGImage::format() const {
    return cairo_image_surface_get_format(surface_) == CAIRO_FORMAT_RGB16_565 ? Format::rgb565
                                                                              : Format::argb32;
}

uint8_t* CGImage::data() {
    cairo_surface_flush(surface_);
    return cairo_image_surface_get_data(surface_);
}
const uint8_t* CGImage::data() const {
    cairo_surface_flush(surface_);
    return cairo_image_surface_get_data(surface_);
}

void CGImage::markDirty() {
    cairo_surface_mark_dirty(surface_);
    ++changes_;
}

cairo_surface_t* CGImage::surfaceForScaling() const {
    if (format() == Format::argb32) return surface_;
    if (!widened_) {
        widened_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width(), height());
        if (cairo_surface_status(widened_) != CAIRO_STATUS_SUCCESS) {
            cairo_surface_destroy(widened_);
            widened_ = nullptr;
            return surface_;  // slower, but drawn
        }
        widenedAt_ = changes_ + 1;
    }
    if (widenedAt_ != changes_) {
        cairo_t* cr = cairo_create(widened_);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_set_source_surface(cr, surface_, 0, 0);
        cairo_paint(cr);
        cairo_destroy(cr);
        widenedAt_ = changes_;
    }
    return widened_;
}

uint32_t CGImage::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width() || y >= height()) return 0;
    const uint8_t* row = data() + static_cast<size_t>(y) * stride();
    if (format() == Format::argb32) return reinterpret_cast<const uint32_t*>(row)[x];
    const uint32_t p = reinterpret_cast<const uint16_t*>(row)[x];
    const uint32_t r = p >> 11, g = (p >> 5) & 0x3F, b = p & 0x1F;
    return 0xFF000000u | (r << 3 | r >> 2) << 16 | (g << 2 | g >> 4) << 8 | (b << 3 | b >> 2);
}

bool CGImage::writePNG(const std::string& path) const {
    if (format() == Format::argb32)
        return cairo_surface_write_to_png(surface_, path.c_str()) == CAIRO_STATUS_SUCCESS;
    // PNG has no 5-6-5: write the widened colours.
    cairo_surface_t* wide = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width(), height());
    cairo_t* cr = cairo_create(wide);
    cairo_set_source_surface(cr, surface_, 0, 0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    const bool written = cairo_surface_status(wide) == CAIRO_STATUS_SUCCESS &&
                         cairo_surface_write_to_png(wide, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(wide);
    return written;
}

}  // namespace host
