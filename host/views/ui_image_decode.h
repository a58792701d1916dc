#pragma once

// Private to ui_image*.cpp: what the PNG reading shares between the file
// checks (ui_image.cpp) and the decoder, libpng natively (ui_image_png.cpp),
// the browser's in the web build (ui_image_web.cpp).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/layers/cg_image.h"

namespace host::ui_image {

// Every allocation a file's own numbers control is bounded: the file is read
// whole only up to kMaxFileBytes, no chunk but the image data may be longer
// than kMaxChunkBytes, and the pixels are allocated only for a size the image
// data can possibly hold.
inline constexpr uint32_t kMaxImageSide = 8192;
inline constexpr size_t kMaxFileBytes = 64 << 20;
inline constexpr uint32_t kMaxChunkBytes = 1 << 20;
// Ancillary chunks libpng keeps (text, unknown); more are skipped.
inline constexpr uint32_t kMaxChunksKept = 64;
// Deflate expands at most about 1032 to 1.
inline constexpr uint64_t kMaxInflation = 1032;

// The CRC-32 that PNG chunks carry.
uint32_t chunkCrc(const unsigned char* data, size_t size);

// Decodes the checked file `bytes` (read from `path`) into `image`, which has
// the header's size, as straight 8-bit RGBA bytes; empty, or why not.
std::string decodeRGBA(const std::string& path, const std::vector<unsigned char>& bytes,
                       CGImage& image);

}  // namespace host::ui_image
