#include "host/layers/image.h"

#include <cairo.h>

namespace host {

std::shared_ptr<CGImage> CGImage::create(int width, int height) {
    if (width <= 0 || height <= 0) return nullptr;
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return nullptr;
    }
    return std::make_shared<CGImage>(s);
}

CGImage::CGImage(cairo_surface_t* surface) : surface_(surface) {}

CGImage::~CGImage() { cairo_surface_destroy(surface_); }

int CGImage::width() const { return cairo_image_surface_get_width(surface_); }
int CGImage::height() const { return cairo_image_surface_get_height(surface_); }
int CGImage::stride() const { return cairo_image_surface_get_stride(surface_); }

uint8_t* CGImage::data() {
    cairo_surface_flush(surface_);
    return cairo_image_surface_get_data(surface_);
}
const uint8_t* CGImage::data() const {
    cairo_surface_flush(surface_);
    return cairo_image_surface_get_data(surface_);
}

void CGImage::markDirty() { cairo_surface_mark_dirty(surface_); }

uint32_t CGImage::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width() || y >= height()) return 0;
    const uint8_t* row = data() + static_cast<size_t>(y) * stride();
    return reinterpret_cast<const uint32_t*>(row)[x];
}

bool CGImage::writePNG(const std::string& path) const {
    return cairo_surface_write_to_png(surface_, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

}  // namespace host
