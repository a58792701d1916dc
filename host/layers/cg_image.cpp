#include "host/layers/cg_image.h"

#include <cstdlib>

#include "host/layers/cg_context.h"

namespace host {

// Rows padded to 4 bytes, as cairo and pixman require of the pixels they are given.
static int strideFor(int width, CGImage::Format format) {
    return (width * (format == CGImage::Format::rgb565 ? 2 : 4) + 3) & ~3;
}

std::shared_ptr<CGImage> CGImage::create(int width, int height, Format format) {
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return nullptr;
    const int stride = strideFor(width, format);
    // Zeroed: transparent, or black in 5-6-5. calloc, so large images get
    // their pages zeroed lazily rather than written here.
    Pixels pixels(static_cast<uint8_t*>(std::calloc(static_cast<size_t>(stride) * height, 1)));
    if (!pixels) return nullptr;
    return std::make_shared<CGImage>(width, height, format, std::move(pixels));
}

std::shared_ptr<CGImage> CGImage::borrow(uint8_t* pixels, int width, int height) {
    if (!pixels || width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide)
        return nullptr;
    return std::make_shared<CGImage>(width, height, Format::argb32,
                                     Pixels(pixels, FreePixels(false)));
}

void CGImage::FreePixels::operator()(uint8_t* p) const {
    if (owned) std::free(p);
}

CGImage::CGImage(int width, int height, Format format, Pixels pixels)
    : width_(width),
      height_(height),
      stride_(strideFor(width, format)),
      format_(format),
      pixels_(std::move(pixels)) {}

// The backend's data goes first: it may still refer to the pixels.
CGImage::~CGImage() { backendData_.reset(); }

uint32_t CGImage::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width() || y >= height()) return 0;
    const uint8_t* row = data() + static_cast<size_t>(y) * stride();
    if (format() == Format::argb32) return reinterpret_cast<const uint32_t*>(row)[x];
    const uint32_t p = reinterpret_cast<const uint16_t*>(row)[x];
    const uint32_t r = p >> 11, g = (p >> 5) & 0x3F, b = p & 0x1F;
    return 0xFF000000u | (r << 3 | r >> 2) << 16 | (g << 2 | g >> 4) << 8 | (b << 3 | b >> 2);
}

bool CGImage::writePNG(const std::string& path) const {
    return drawingBackend().writePNG(*this, path);
}

}  // namespace host
