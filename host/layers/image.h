#pragma once

#include <cstdint>
#include <memory>
#include <string>

typedef struct _cairo_surface cairo_surface_t;

namespace host {

// A CPU image: 32-bit premultiplied ARGB in native byte order (cairo's
// ARGB32), the format of layer contents and of the composed frame.
class CGImage {
  public:
    // A transparent image; nullptr when the size is not positive or memory runs out.
    static std::shared_ptr<CGImage> create(int width, int height);
    // Adopts a cairo image surface (takes the reference).
    explicit CGImage(cairo_surface_t* surface);
    ~CGImage();
    CGImage(const CGImage&) = delete;
    CGImage& operator=(const CGImage&) = delete;

    int width() const;
    int height() const;
    int stride() const;  // bytes per row
    uint8_t* data();
    const uint8_t* data() const;
    // Call after writing pixels through data(), before cairo draws the image again.
    void markDirty();
    // 0xAARRGGBB, premultiplied.
    uint32_t pixel(int x, int y) const;

    // False (and the file untouched or partial) when it cannot be written.
    bool writePNG(const std::string& path) const;

    cairo_surface_t* surface() const { return surface_; }

  private:
    cairo_surface_t* surface_;
};

}  // namespace host
