// PNG pixels decoded by the browser (the web build's): the page decodes the
// bundle's pictures before main runs (ui_image_web.js), and this hands out
// what it made for a file, checked against the file's own header.

#include <emscripten.h>

#include <string>

#include "host/layers/canvas_png.h"
#include "host/views/ui_image_decode.h"

extern "C" {
// 1 and the straight RGBA pixels, 0 when the browser could not decode the
// file, -1 when it was never given the file; `why` gets the browser's reason.
int paddock_image_pixels(const char* path, int width, int height, uint8_t* pixels, int stride,
                         char* why, int whySize);
}

namespace host::ui_image {

uint32_t chunkCrc(const unsigned char* data, size_t size) { return pngChunkCrc(data, size); }

std::string decodeRGBA(const std::string& path, const std::vector<unsigned char>&, CGImage& image) {
    char why[160] = "";
    switch (paddock_image_pixels(path.c_str(), image.width(), image.height(), image.data(),
                                 image.stride(), why, sizeof why)) {
        case 1:
            return "";
        case 0:
            return std::string("bad image data (") + why + ")";
        default:
            return "not decoded by the page before the program started";
    }
}

}  // namespace host::ui_image
