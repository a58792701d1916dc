// PNG files written without a compression library: 8-bit RGBA (or RGB for
// 5-6-5), unpremultiplied, in stored deflate blocks. Larger than a
// compressed file, but any reader opens it; the web build has no zlib.

#include "host/layers/canvas_png.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace host {

namespace {

void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(v >> s));
}

void chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    put32(out, uint32_t(data.size()));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put32(out, pngChunkCrc(out.data() + start, out.size() - start));
}

// The zlib stream of `raw` in stored blocks of at most 65535 bytes.
std::vector<uint8_t> stored(const std::vector<uint8_t>& raw) {
    std::vector<uint8_t> z{0x78, 0x01};
    size_t at = 0;
    do {
        const size_t n = std::min<size_t>(raw.size() - at, 65535);
        z.push_back(at + n == raw.size() ? 1 : 0);
        z.push_back(uint8_t(n)), z.push_back(uint8_t(n >> 8));
        z.push_back(uint8_t(~n)), z.push_back(uint8_t(~n >> 8));
        z.insert(z.end(), raw.begin() + at, raw.begin() + at + n);
        at += n;
    } while (at < raw.size());
    uint32_t a = 1, b = 0;
    for (uint8_t v : raw) a = (a + v) % 65521, b = (b + a) % 65521;
    put32(z, b << 16 | a);
    return z;
}

}  // namespace

uint32_t pngChunkCrc(const uint8_t* data, size_t size) {
    static const auto table = [] {
        std::vector<uint32_t> t(256);
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t v = i;
            for (int k = 0; k < 8; ++k) v = v & 1 ? 0xEDB88320u ^ (v >> 1) : v >> 1;
            t[i] = v;
        }
        return t;
    }();
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) c = table[(c ^ data[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

bool writeStoredPNG(const CGImage& image, const std::string& path) {
    const bool opaque = image.format() == CGImage::Format::rgb565;
    const int channels = opaque ? 3 : 4;
    std::vector<uint8_t> raw;
    raw.reserve(size_t(image.height()) * (1 + size_t(image.width()) * channels));
    for (int y = 0; y < image.height(); ++y) {
        raw.push_back(0);  // no filter
        for (int x = 0; x < image.width(); ++x) {
            const uint32_t p = image.pixel(x, y), a = p >> 24;
            for (int s = 16; s >= 0; s -= 8) {
                const uint32_t c = (p >> s) & 0xFF;
                raw.push_back(uint8_t(a == 0 ? 0 : std::min<uint32_t>(255, (c * 255 + a / 2) / a)));
            }
            if (!opaque) raw.push_back(uint8_t(a));
        }
    }
    std::vector<uint8_t> out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    put32(header, uint32_t(image.width()));
    put32(header, uint32_t(image.height()));
    header.insert(header.end(), {8, uint8_t(opaque ? 2 : 6), 0, 0, 0});
    chunk(out, "IHDR", header);
    chunk(out, "IDAT", stored(raw));
    chunk(out, "IEND", {});
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool written = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && written;
}

}  // namespace host
