#include "host/views/ui_image.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <array>
#include <cmath>
#include <fstream>

#include "host/foundation/bundle.h"
#include "host/foundation/messages.h"
#include "host/views/screen.h"
#include "tests/support/host_support.h"

namespace {

using namespace host;

std::string be32(uint32_t v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }

// A chunk whose length field says `claimed` bytes, with `data` after it and
// the CRC of what is there.
std::string chunk(const std::string& type, const std::string& data, int64_t claimed = -1) {
    const std::string body = type + data;
    return be32(claimed < 0 ? uint32_t(data.size()) : uint32_t(claimed)) + body +
           be32(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size())));
}
std::string deflated(const std::string& raw) {
    uLongf size = compressBound(uLong(raw.size()));
    std::string z(size, '\0');
    compress(reinterpret_cast<Bytef*>(z.data()), &size, reinterpret_cast<const Bytef*>(raw.data()),
             uLong(raw.size()));
    return z.substr(0, size);
}

// A PNG of `w` x `h` pixels in colour type `colour` (0 grey, 2 RGB, 4 grey and
// alpha, 6 RGBA) at `depth` 8 or 16 bits: a ramp across, more opaque downwards.
struct Picture {
    int w, h, colour = 6, depth = 8;
    // Straight 8-bit RGBA at (x, y), as stored.
    std::array<uint32_t, 4> rgba(int x, int y) const {
        const uint32_t a = colour & 4 ? y * 255 / std::max(h - 1, 1) : 255;
        const uint32_t v = x * 255 / std::max(w - 1, 1);
        return colour & 2 ? std::array{v, 255 - v, v / 2, a} : std::array{v, v, v, a};
    }
    std::string bytes() const {
        const int channels = (colour & 2 ? 3 : 1) + (colour & 4 ? 1 : 0);
        std::string raw;
        for (int y = 0; y < h; ++y) {
            raw += '\0';  // no filter
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < channels; ++c) {
                    const auto p = rgba(x, y);
                    raw.append(depth / 8, char(c == channels - 1 && colour & 4 ? p[3] : p[c]));
                }
        }
        return "\x89PNG\r\n\x1A\n" +
               chunk("IHDR",
                     be32(w) + be32(h) + char(depth) + char(colour) + std::string(3, '\0')) +
               chunk("IDAT", deflated(raw)) + chunk("IEND", "");
    }
};
std::string picture(int w, int h) { return Picture{w, h}.bytes(); }

// A size from this process's status, in bytes: "VmSize" now, "VmPeak" the most so far.
size_t memory(const std::string& field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with(field + ":")) return std::stoull(line.substr(field.size() + 1)) * 1024;
    return 0;
}

// Loads the file in a child process, whose peak then shows what loading
// mapped; what it prints goes to the capture it inherits.
struct Loaded {
    bool loaded, small;  // small: the peak of memory mapped rose less than 32 MiB
    std::string printed;
};
Loaded loadApart(const std::string& path) {
    testsupport::StderrCapture out;
    if (fork() == 0) {
        const size_t before = memory("VmSize");
        const bool loaded = bool(UIImage::imageWithContentsOfFile(path));
        _exit(int(loaded) | (memory("VmPeak") - before < (32u << 20) ? 2 : 0));
    }
    int status = 0;
    wait(&status);
    return {bool(WEXITSTATUS(status) & 1), bool(WEXITSTATUS(status) & 2), out.text()};
}

class Png : public ::testing::Test {
  protected:
    void TearDown() override {
        UIScreen::mainScreen().setScale(1.0f);
        NSBundle::mainBundle().setResourcePath(saved);
    }
    std::string line(const std::string& file, const std::string& problem) {
        return testsupport::message(messages::kImageUnreadable, dir.file(file).c_str(),
                                    problem.c_str());
    }
    // Loads "cow.png" through the bundle at screen scale `scale`; returns what was printed.
    std::string named(float scale) {
        UIScreen::mainScreen().setScale(scale);
        NSBundle::mainBundle().setResourcePath(dir.path());
        testsupport::StderrCapture out;
        image = UIImage::imageNamed("cow.png");
        return out.text();
    }
    testsupport::TempDir dir;
    std::shared_ptr<UIImage> image;
    std::string saved = NSBundle::mainBundle().resourcePath();
};

TEST_F(Png, DecodesEveryColourTypeToPremultipliedPixelsRoundedToNearest) {
    for (const auto& [colour, depth] : {std::pair{6, 8}, {2, 8}, {0, 8}, {4, 8}, {6, 16}})
        for (auto [w, h] : {std::pair{1, 1}, {37, 19}, {256, 3}}) {
            SCOPED_TRACE(testing::Message() << colour << "/" << depth << ": " << w << " x " << h);
            const Picture made{w, h, colour, depth};
            image = UIImage::imageWithContentsOfFile(dir.write("cow.png", made.bytes()));
            ASSERT_TRUE(image);
            ASSERT_EQ(image->size(), CGSizeMake(float(w), float(h)));
            int differ = 0;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const auto p = made.rgba(x, y);
                    auto pre = [&](uint32_t c) { return uint32_t(std::lround(c * p[3] / 255.0)); };
                    differ += image->CGImage()->pixel(x, y) !=
                              (p[3] << 24 | pre(p[0]) << 16 | pre(p[1]) << 8 | pre(p[2]));
                }
            EXPECT_EQ(differ, 0);
        }
}

TEST_F(Png, HostileOrDamagedFilesAreRefusedInOneLineWithoutAllocatingWhatTheyClaim) {
    const std::string png = picture(1, 1);
    // Signature and header chunk, then the rest (image data and end).
    const std::string head = png.substr(0, 33), rest = png.substr(33);
    std::string badCrc = png;
    badCrc[badCrc.size() - 13] ^= 1;  // the last byte of the image data's CRC
    // Image data whose first byte is not a zlib header.
    const std::string idat = deflated(std::string(5, '\0'));  // the one clear pixel
    const std::string badData = head + chunk("IDAT", "\x87" + idat.substr(1)) + chunk("IEND", "");
    std::string wide = png;  // a header of 8192 x 8192 pixels over the same image data
    wide.replace(16, 8, be32(8192) + be32(8192));
    wide.replace(29, 4, be32(crc32(0, reinterpret_cast<const Bytef*>(wide.data() + 12), 17)));
    const std::string over = " bytes is over the limit of 1048576";
    const struct {
        const char* what;
        std::string bytes, problem;
    } cases[] = {
        {"empty", "", "the file is empty"},
        {"not a PNG", "GIF89a, not a png at all", "not a PNG file"},
        {"text claiming 2 GiB", head + chunk("tEXt", "Comment\0moo", 0x7FFFFFFF) + rest,
         "tEXt chunk of 2147483647" + over},
        {"unknown chunk claiming 4 GiB", head + chunk("moOo", "", 0xFFFFFFFF) + rest,
         "moOo chunk of 4294967295" + over},
        {"truncated", png.substr(0, png.size() - 20), "truncated"},
        {"bad CRC", badCrc, "IDAT chunk has a bad CRC"},
        {"bad image data", badData, "bad image data (IDAT: invalid window size (libpng))"},
        {"huge header", head.substr(0, 16) + be32(100000) + be32(100000) + head.substr(24) + rest,
         "100000 x 100000 pixels is outside 1 to 8192 a side"},
        {"large header over a few bytes of data", wide,
         "too little image data for 8192 x 8192 pixels"},
        {"larger than any picture is read", "", "the file is larger than 64 MiB"},
        // Text that inflates far past the limit is skipped and the picture loads.
        {"compressed text bomb",
         head +
             chunk("zTXt", std::string("Comment\0\0", 9) + deflated(std::string(128 << 20, 'm'))) +
             rest,
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.write("cow.png", c.bytes);
        if (c.problem.ends_with("64 MiB")) {
            ASSERT_EQ(truncate(path.c_str(), 65 << 20), 0);
        }
        const Loaded l = loadApart(path);
        EXPECT_EQ(l.printed, c.problem.empty() ? "" : line("cow.png", c.problem));
        EXPECT_EQ(l.loaded, c.problem.empty());
        EXPECT_TRUE(l.small);
    }
}

// "name@Nx.png" in the bundle holds "name.png" at N times the detail and the
// same size in points. Drawing one is checked by the placard's test and the
// end-to-end run at zoom 2.
TEST_F(Png, TheVariantForTheScreenIsChosenWithItsSizeInPoints) {
    dir.write("cow.png", picture(22, 30));
    dir.write("cow@2x.png", picture(44, 60));
    const struct {
        float screen;
        int pixelsWide;
        float scale;
    } cases[] = {{1, 22, 1}, {2, 44, 2}, {3, 44, 2}, {2.4f, 44, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.screen);
        EXPECT_EQ(named(c.screen), "");
        ASSERT_TRUE(image);
        EXPECT_EQ(image->CGImage()->width(), c.pixelsWide);
        EXPECT_EQ(image->scale(), c.scale);
        EXPECT_EQ(image->size(), CGSizeMake(22, 30)) << "the same size in points";
    }
    // A damaged variant costs only its detail, and says so.
    dir.write("cow@2x.png", "not a picture");
    EXPECT_EQ(named(2), line("cow@2x.png", "not a PNG file"));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->scale(), 1.0f);
    // A file opened by path takes the scale its name gives.
    image = UIImage::imageWithContentsOfFile(dir.write("art@3x.png", picture(33, 45)));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), CGSizeMake(11, 15));
}

}  // namespace
