#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace host {

// A CPU image that owns its pixels, top row first: 32-bit premultiplied ARGB
// in native byte order (0xAARRGGBB as a uint32_t), the format of the composed
// frame and of most layer contents; or opaque 16-bit 5-6-5 RGB, as a GL
// renderbuffer of that format holds it, so that presenting one is a copy
// rather than a conversion. Rows are padded to a multiple of 4 bytes.
class CGImage {
  public:
    enum class Format { argb32, rgb565 };

    // The largest side any backend here draws.
    static constexpr int kMaxSide = 32767;
    // A transparent (argb32) or black (rgb565) image; nullptr when a side is
    // not 1 to kMaxSide or memory runs out.
    static std::shared_ptr<CGImage> create(int width, int height, Format format = Format::argb32);
    // An argb32 image over pixels it does not own (a window's own frame
    // buffer), rows width * 4 bytes apart; they must outlive the image.
    // nullptr for a bad size or no pixels.
    static std::shared_ptr<CGImage> borrow(uint8_t* pixels, int width, int height);
    // Pixels from calloc, as create makes them, which the image frees; or
    // borrowed ones, which it leaves alone.
    struct FreePixels {
        FreePixels() : owned(true) {}
        explicit FreePixels(bool owns) : owned(owns) {}
        bool owned;
        void operator()(uint8_t* p) const;
    };
    using Pixels = std::unique_ptr<uint8_t[], FreePixels>;
    CGImage(int width, int height, Format format, Pixels pixels);
    ~CGImage();
    CGImage(const CGImage&) = delete;
    CGImage& operator=(const CGImage&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }
    int stride() const { return stride_; }  // bytes per row
    Format format() const { return format_; }
    uint8_t* data() { return pixels_.get(); }
    const uint8_t* data() const { return pixels_.get(); }
    // Call after writing pixels through data(), before the image is drawn again.
    void markDirty() { ++changes_; }
    // Counts markDirty calls: a backend's copies made from the pixels are
    // stale once it moves on.
    unsigned long changes() const { return changes_; }
    // 0xAARRGGBB, premultiplied; 5-6-5 widened by repeating each channel's top
    // bits, so 0 and full scale stay exact.
    uint32_t pixel(int x, int y) const;

    // False (and the file untouched or partial) when it cannot be written.
    bool writePNG(const std::string& path) const;

    // What the drawing backend keeps with the image (its own handle on the
    // pixels, a widened copy for scaling): made, read and freed by it alone.
    struct BackendData {
        virtual ~BackendData() = default;
    };
    std::unique_ptr<BackendData>& backendData() const { return backendData_; }

  private:
    int width_, height_, stride_;
    Format format_;
    Pixels pixels_;
    unsigned long changes_ = 0;
    mutable std::unique_ptr<BackendData> backendData_;
};

}  // namespace host
