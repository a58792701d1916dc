#pragma once

#include <string>

#include "host/layers/cg_image.h"

namespace host {

// Writes `image` as an uncompressed PNG file (the canvas backend's writer:
// the browser's own encoders only answer asynchronously). False when the
// file cannot be written.
bool writeStoredPNG(const CGImage& image, const std::string& path);

}  // namespace host
