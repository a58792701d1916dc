#pragma once

#include <cstdint>
#include <memory>
#include <string>

typedef struct _cairo_surface cairo_surface_t;

namespace host {

// A CPU image, top row first: 32-bit premultiplied ARGB in native byte order
// (cairo's ARGB32), the format of the composed frame and of most layer
// contents; or opaque 16-bit 5-6-5 RGB, as a GL renderbuffer of that format
// holds it, so that presenting one is a copy rather than a conversion.
class CGImage {
  public:
    enum class Format { argb32, rgb565 };

    // A transparent (argb32) or black (rgb565) image; nullptr when the size is
    // not positive or memory runs out.
    static std::shared_ptr<CGImage> create(int width, int height, Format format = Format::argb32);
    // Adopts a cairo image surface (takes the reference).
    explicit CGImage(cairo_surface_t* surface);
    ~CGImage();
    CGImage(const CGImage&) = delete;
    CGImage& operator=(const CGImage&) = delete;

    int width() const;
    int height() const;
    int stride() const;  // bytes per row
    Format format() const;
    uint8_t* data();
    const uint8_t* data() const;
    // Call after writing pixels through data(), before cairo draws the image again.
    void markDirty();
    // The picture as cairo should sample it when scaling: the image itself,
    // or for rgb565 a copy widened to 32 bits (cairo's RGB24), made again
    // only after markDirty(). Scaling straight from 5-6-5 is many times slower.
    cairo_surface_t* surfaceForScaling() const;
    // 0xAARRGGBB, premultiplied; 5-6-5 widened by repeating each channel's top
    // bits (as cairo does), so 0 and full scale stay exact.
    uint32_t pixel(int x, int y) const;

    // False (and the file untouched or partial) when it cannot be written.
    bool writePNG(const std::string& path) const;

    cairo_surface_t* surface() const { return surface_; }

  private:
    cairo_surface_t* surface_;
    unsigned long changes_ = 0;
    mutable cairo_surface_t* widened_ = nullptr;
    mutable unsigned long widenedAt_ = 0;
};

}  // namespace host
