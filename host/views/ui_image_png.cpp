// PNG pixels decoded with libpng (the native build's), within the limits
// the file checks in ui_image.cpp set.

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "host/views/ui_image_decode.h"

namespace host::ui_image {

namespace {

struct Reader {
    const std::vector<unsigned char>* bytes;
    size_t at = 0;
    char problem[160] = "";
};

void readBytes(png_structp png, png_bytep out, size_t n) {
    auto* r = static_cast<Reader*>(png_get_io_ptr(png));
    if (n > r->bytes->size() - r->at) png_error(png, "truncated");
    std::memcpy(out, r->bytes->data() + r->at, n);
    r->at += n;
}

void onError(png_structp png, png_const_charp message) {
    auto* r = static_cast<Reader*>(png_get_error_ptr(png));
    std::snprintf(r->problem, sizeof r->problem, "bad image data (%s)", message);
    png_longjmp(png, 1);
}

// Damaged extras (text, colour notes) are skipped without a word, as libpng does.
void onWarning(png_structp, png_const_charp) {}

// Decodes `r` into `image`, whose size is the header's; false with
// r.problem set. Nothing with a destructor lives here across the longjmp.
bool decode(Reader& r, CGImage& image, png_bytep* rows) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &r, onError, onWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        std::snprintf(r.problem, sizeof r.problem, "out of memory");
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &r, readBytes);
    png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
    png_set_chunk_cache_max(png, kMaxChunksKept);
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    png_read_info(png, info);

    // Whatever the file holds becomes 8-bit RGBA, as cairo's PNG loader made it.
    const int colour = png_get_color_type(png, info);
    if (colour == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colour == PNG_COLOR_TYPE_GRAY) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    png_set_strip_16(png);
    if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != static_cast<size_t>(image.width()) * 4)
        png_error(png, "unexpected pixel layout");
    png_read_image(png, rows);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

}  // namespace

uint32_t chunkCrc(const unsigned char* data, size_t size) {
    return static_cast<uint32_t>(crc32(0, data, static_cast<uInt>(size)));
}

std::string decodeRGBA(const std::string&, const std::vector<unsigned char>& bytes,
                       CGImage& image) {
    std::vector<png_bytep> rows(image.height());
    for (int y = 0; y < image.height(); ++y)
        rows[y] = image.data() + static_cast<size_t>(y) * image.stride();
    Reader reader{&bytes};
    if (!decode(reader, image, rows.data())) return reader.problem;
    return "";
}

}  // namespace host::ui_image
