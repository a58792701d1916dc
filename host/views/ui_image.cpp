#include "host/views/ui_image.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "host/foundation/bundle.h"
#include "host/foundation/messages.h"
#include "host/layers/cg_context.h"
#include "host/views/graphics_context.h"
#include "host/views/screen.h"
#include "host/views/ui_image_decode.h"

namespace host {

namespace {

// "cow.png" at scale 2 is "cow@2x.png".
std::string variantName(const std::string& name, int scale) {
    const auto dot = name.rfind('.');
    const auto stem = dot == std::string::npos ? name : name.substr(0, dot);
    const auto extension = dot == std::string::npos ? std::string() : name.substr(dot);
    return stem + "@" + std::to_string(scale) + "x" + extension;
}

// 2 to 8 from a file name ending "@Nx.png" (any extension), else 1.
int scaleInName(const std::string& path) {
    const auto slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const auto dot = name.rfind('.');
    const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
    if (stem.size() < 3 || stem[stem.size() - 3] != '@' || stem.back() != 'x') return 1;
    const char digit = stem[stem.size() - 2];
    return digit >= '2' && digit <= '8' ? digit - '0' : 1;
}

}  // namespace

std::shared_ptr<UIImage> UIImage::imageNamed(const std::string& name) {
    // A damaged variant costs only its detail: its line is said, the plain file used.
    const int wanted = static_cast<int>(std::lround(UIScreen::mainScreen().scale()));
    for (int scale = wanted; scale >= 2; --scale)
        if (auto variant = NSBundle::mainBundle().pathForResource(variantName(name, scale), ""))
            if (auto image = imageWithContentsOfFile(*variant)) return image;
    auto path = NSBundle::mainBundle().pathForResource(name, "");
    if (!path) {
        say(messages::kImageNotFound, name.c_str(), NSBundle::mainBundle().resourcePath().c_str());
        return nullptr;
    }
    return imageWithContentsOfFile(*path);
}

namespace {

using ui_image::kMaxChunkBytes;
using ui_image::kMaxFileBytes;
using ui_image::kMaxImageSide;
using ui_image::kMaxInflation;

uint32_t be32(const unsigned char* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}

// A chunk type as printed: four letters, anything else as '?'.
std::string chunkName(const unsigned char* p) {
    std::string name(reinterpret_cast<const char*>(p), 4);
    for (char& c : name)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) c = '?';
    return name;
}

// The whole file, or why it is not had; empty problem when read.
std::string readFile(const std::string& path, std::vector<unsigned char>& bytes) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return std::strerror(errno);
    struct stat st;
    std::string problem;
    if (fstat(fileno(f), &st) != 0) {
        problem = std::strerror(errno);
    } else if (st.st_size == 0) {
        problem = "the file is empty";
    } else if (static_cast<uint64_t>(st.st_size) > kMaxFileBytes) {
        problem = "the file is larger than 64 MiB";
    } else {
        bytes.resize(static_cast<size_t>(st.st_size));
        if (std::fread(bytes.data(), 1, bytes.size(), f) != bytes.size())
            problem = std::ferror(f) ? std::strerror(errno) : "truncated";
    }
    std::fclose(f);
    return problem;
}

// Walks the chunks before libpng sees them, for a clear line on what is
// wrong and to refuse what would be too costly to decode. Empty when usable.
std::string checkChunks(const std::vector<unsigned char>& b) {
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (b.size() < 16 || std::memcmp(b.data(), kSignature, 8) != 0 ||
        std::memcmp(b.data() + 12, "IHDR", 4) != 0)
        return "not a PNG file";
    uint64_t imageData = 0, rawBytes = 0;
    char problem[128];
    for (size_t at = 8;;) {
        if (b.size() - at < 12) return "truncated";
        const uint32_t length = be32(&b[at]);
        const std::string name = chunkName(&b[at + 4]);
        if (length > kMaxChunkBytes && name != "IDAT") {
            std::snprintf(problem, sizeof problem, "%s chunk of %u bytes is over the limit of %u",
                          name.c_str(), length, kMaxChunkBytes);
            return problem;
        }
        if (b.size() - at - 12 < length) return "truncated";
        const unsigned char* data = &b[at + 8];
        // A size out of bounds is refused whatever the CRC says.
        if (name == "IHDR" && length >= 13) {
            const uint32_t w = be32(data), h = be32(data + 4);
            if (w == 0 || h == 0 || w > kMaxImageSide || h > kMaxImageSide) {
                std::snprintf(problem, sizeof problem, "%u x %u pixels is outside 1 to %u a side",
                              w, h, kMaxImageSide);
                return problem;
            }
            // The fewest bytes the pixels take before compression.
            const int channels[7] = {1, 0, 3, 1, 2, 0, 4};
            const unsigned colour = data[9] < 7 ? data[9] : 0;
            const uint64_t bits = uint64_t{w} * data[8] * std::max(channels[colour], 1);
            rawBytes = h * ((bits + 7) / 8);
            std::snprintf(problem, sizeof problem, "too little image data for %u x %u pixels", w,
                          h);
        }
        const uint32_t crc = ui_image::chunkCrc(&b[at + 4], length + 4);
        if (crc != be32(data + length)) return name + " chunk has a bad CRC";
        if (name == "IDAT") imageData += length;
        if (name == "IEND") break;
        at += 12 + size_t{length};
    }
    if (rawBytes > imageData * kMaxInflation) return problem;
    return "";
}

// Cairo's rounding, so pixels match what its own loader gave.
uint8_t premultiply(uint8_t alpha, uint8_t colour) {
    const unsigned t = unsigned{alpha} * colour + 0x80;
    return static_cast<uint8_t>((t + (t >> 8)) >> 8);
}

}  // namespace

std::shared_ptr<UIImage> UIImage::imageWithContentsOfFile(const std::string& path) {
    std::vector<unsigned char> bytes;
    std::string problem = readFile(path, bytes);
    if (problem.empty()) problem = checkChunks(bytes);
    if (!problem.empty()) {
        say(messages::kImageUnreadable, path.c_str(), problem.c_str());
        return nullptr;
    }
    auto image = host::CGImage::create(static_cast<int>(be32(&bytes[16])),
                                       static_cast<int>(be32(&bytes[20])));
    if (!image) {
        say(messages::kImageUnreadable, path.c_str(), "out of memory");
        return nullptr;
    }
    problem = ui_image::decodeRGBA(path, bytes, *image);
    if (!problem.empty()) {
        say(messages::kImageUnreadable, path.c_str(), problem.c_str());
        return nullptr;
    }
    // RGBA bytes to premultiplied native 0xAARRGGBB, in place.
    for (int y = 0; y < image->height(); ++y) {
        uint8_t* row = image->data() + static_cast<size_t>(y) * image->stride();
        for (int x = 0; x < image->width(); ++x) {
            uint8_t* p = row + 4 * x;
            const uint8_t a = p[3];
            const uint32_t pixel =
                a == 0 ? 0
                       : uint32_t{a} << 24 | uint32_t{premultiply(a, p[0])} << 16 |
                             uint32_t{premultiply(a, p[1])} << 8 | premultiply(a, p[2]);
            std::memcpy(p, &pixel, 4);
        }
    }
    image->markDirty();
    return std::make_shared<UIImage>(std::move(image), static_cast<float>(scaleInName(path)));
}

CGSize UIImage::size() const {
    return CGSizeMake(static_cast<float>(image_->width()) / scale_,
                      static_cast<float>(image_->height()) / scale_);
}

void UIImage::drawAtPoint(CGPoint point) const {
    CGContext* c = UIGraphicsGetCurrentContext();
    if (!c) return;
    c->saveGState();
    c->translateCTM(point.x, point.y);
    c->scaleCTM(1.0 / scale_, 1.0 / scale_);
    c->drawImage(*image_, CGImageFilter::smooth, CGImageEdges::transparent);
    c->restoreGState();
}

}  // namespace host
