#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "host/layers/cg_image.h"

namespace host {

// Writes `image` as an uncompressed PNG file (the canvas backend's writer:
// the browser's own encoders only answer asynchronously). False when the
// file cannot be written.
bool writeStoredPNG(const CGImage& image, const std::string& path);

// The CRC-32 a PNG chunk carries, of its type and data.
uint32_t pngChunkCrc(const uint8_t* data, size_t size);

}  // namespace host
