#include "host/views/image.h"

#include <cairo.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "host/foundation/bundle.h"
#include "host/foundation/messages.h"
#include "host/views/graphics_context.h"

namespace host {

std::shared_ptr<UIImage> UIImage::imageNamed(const std::string& name) {
    auto path = NSBundle::mainBundle().pathForResource(name, "");
    if (!path) {
        std::printf(messages::kImageNotFound, name.c_str(),
                    NSBundle::mainBundle().resourcePath().c_str());
        return nullptr;
    }
    return imageWithContentsOfFile(*path);
}

// Larger pictures are refused before decoding, so a hostile header cannot ask
// for gigabytes.
static constexpr uint32_t kMaxImageSide = 8192;

// Checks the PNG signature and header size first, for a clearer line than
// cairo's status and to keep absurd sizes from being decoded at all.
static bool checkPngHeader(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        std::printf(messages::kImageUnreadable, path.c_str(), std::strerror(errno));
        return false;
    }
    unsigned char header[24];
    size_t n = std::fread(header, 1, sizeof header, f);
    std::fclose(f);
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (n < sizeof header || std::memcmp(header, kSignature, 8) != 0 ||
        std::memcmp(header + 12, "IHDR", 4) != 0) {
        std::printf(messages::kImageUnreadable, path.c_str(), "not a PNG file");
        return false;
    }
    auto be32 = [&](int at) {
        return (uint32_t{header[at]} << 24) | (uint32_t{header[at + 1]} << 16) |
               (uint32_t{header[at + 2]} << 8) | uint32_t{header[at + 3]};
    };
    uint32_t w = be32(16), h = be32(20);
    if (w == 0 || h == 0 || w > kMaxImageSide || h > kMaxImageSide) {
        char problem[96];
        std::snprintf(problem, sizeof problem, "%u x %u pixels is outside 1 to %u a side", w, h,
                      kMaxImageSide);
        std::printf(messages::kImageUnreadable, path.c_str(), problem);
        return false;
    }
    return true;
}

std::shared_ptr<UIImage> UIImage::imageWithContentsOfFile(const std::string& path) {
    if (!checkPngHeader(path)) return nullptr;
    cairo_surface_t* surface = cairo_image_surface_create_from_png(path.c_str());
    cairo_status_t status = cairo_surface_status(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        std::printf(messages::kImageUnreadable, path.c_str(), cairo_status_to_string(status));
        return nullptr;
    }
    // Drawing and layer contents expect 32-bit pixels; greyscale or
    // alpha-only PNGs come back in other formats and are converted once here.
    if (cairo_image_surface_get_format(surface) != CAIRO_FORMAT_ARGB32) {
        int w = cairo_image_surface_get_width(surface);
        int h = cairo_image_surface_get_height(surface);
        auto converted = host::CGImage::create(w, h);
        if (!converted) {
            cairo_surface_destroy(surface);
            std::printf(messages::kImageUnreadable, path.c_str(), "out of memory");
            return nullptr;
        }
        cairo_t* cr = cairo_create(converted->surface());
        cairo_set_source_surface(cr, surface, 0, 0);
        cairo_paint(cr);
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
        return std::make_shared<UIImage>(std::move(converted));
    }
    return std::make_shared<UIImage>(std::make_shared<host::CGImage>(surface));
}

CGSize UIImage::size() const {
    return CGSizeMake(static_cast<float>(image_->width()), static_cast<float>(image_->height()));
}

void UIImage::drawAtPoint(CGPoint point) const {
    cairo_t* cr = UIGraphicsGetCurrentContext();
    if (!cr) return;
    cairo_save(cr);
    cairo_set_source_surface(cr, image_->surface(), point.x, point.y);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    cairo_paint(cr);
    cairo_restore(cr);
}

}  // namespace host
