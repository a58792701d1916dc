// libFuzzer entry for PNG pictures, read from a file by
// host::UIImage::imageWithContentsOfFile: a loaded picture has the header's
// size, within the limits, and premultiplied pixels. Mutations nearly always
// break a chunk's CRC, so the input is loaded again with its CRCs put right.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "host/layers/cg_image.h"
#include "host/views/ui_image.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

constexpr int kMaxImageSide = 8192;

std::uint32_t be32(const unsigned char* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// The CRCs of every whole chunk after the signature set right; false when
// there was nothing to change.
bool fixChecksums(std::string& png) {
    bool changed = false;
    auto* b = reinterpret_cast<unsigned char*>(png.data());
    for (std::size_t at = 8; at + 12 <= png.size();) {
        const std::uint32_t length = be32(b + at);
        if (length > png.size() - at - 12) break;
        const auto crc = static_cast<std::uint32_t>(crc32(0, b + at + 4, length + 4));
        unsigned char* stored = b + at + 8 + length;
        if (be32(stored) != crc) {
            changed = true;
            for (int i = 0; i < 4; ++i) stored[i] = static_cast<unsigned char>(crc >> (24 - 8 * i));
        }
        at += 12 + std::size_t{length};
    }
    return changed;
}

void load(const std::string& bytes) {
    fuzz::Folder::get().write("picture.png", bytes);
    auto image = host::UIImage::imageWithContentsOfFile(fuzz::Folder::get().file("picture.png"));
    if (!image) return;
    FUZZ_EXPECT(image->CGImage() && bytes.size() >= 24);
    const host::CGImage& pixels = *image->CGImage();
    const int w = pixels.width(), h = pixels.height();
    FUZZ_EXPECT(w >= 1 && h >= 1 && w <= kMaxImageSide && h <= kMaxImageSide);
    // The size is the header's, and the image's size in points is the same.
    const auto* header = reinterpret_cast<const unsigned char*>(bytes.data());
    FUZZ_EXPECT(be32(header + 16) == std::uint32_t(w) && be32(header + 20) == std::uint32_t(h));
    FUZZ_EXPECT(image->size() == host::CGSizeMake(float(w), float(h)));
    FUZZ_EXPECT(pixels.stride() >= 4 * w);
    // Premultiplied ARGB: no colour exceeds its pixel's alpha.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::uint32_t p = pixels.pixel(x, y), a = p >> 24;
            FUZZ_EXPECT(((p >> 16) & 0xFF) <= a && ((p >> 8) & 0xFF) <= a && (p & 0xFF) <= a);
        }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string bytes(fuzz::bytesOf(data, size));
    load(bytes);
    if (fixChecksums(bytes)) load(bytes);
    return 0;
}
