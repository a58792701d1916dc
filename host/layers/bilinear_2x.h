#pragma once

#include <cstdint>

namespace host {

// Opaque 16-bit 5-6-5 pixels in native byte order, with their row stride in bytes.
struct PixelRows {
    const uint8_t* data;
    int width, height, stride;
};

// Draws `source` widened to 32 bits and enlarged exactly twice, smoothed
// bilinearly with its edge pixels repeated beyond its edges, into the rectangle [x0, x1) x [y0, y1)
// of `target` (32-bit pixels, `targetStride` bytes a row), the source's top left pixel landing at
// target pixel (originX, originY). Gives the same pixels as pixman widening the picture and then
// scaling it with its SIMD bilinear filter (7-bit weights), at a fraction of the time: the window's
// zoom 2 enlarges the whole GL view this way every frame.
void drawBilinear2x(const PixelRows& source, uint8_t* target, int targetStride, int originX,
                    int originY, int x0, int y0, int x1, int y1);

}  // namespace host
