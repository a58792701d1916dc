#include "host/views/ui_image.h"

#include <cairo.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include "host/foundation/bundle.h"
#include "host/layers/cg_image.h"
#include "host/views/graphics_context.h"
#include "host/views/screen.h"
#include "tests/support/host_support.h"

namespace {

using namespace host;

std::string be32(uint32_t v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }
uint32_t be32At(const std::string& s, size_t at) {
    uint32_t v = 0;
    for (size_t i = at; i < at + 4; ++i) v = v << 8 | uint8_t(s[i]);
    return v;
}

// A chunk whose length field says `claimed` bytes, with `data` after it and
// the CRC of what is there.
std::string chunk(const std::string& type, const std::string& data, uint32_t claimed) {
    const std::string body = type + data;
    return be32(claimed) + body +
           be32(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size())));
}
std::string chunk(const std::string& type, const std::string& data) {
    return chunk(type, data, uint32_t(data.size()));
}

// `n` copies of `c`, deflated a block at a time.
std::string deflatedRepeat(char c, size_t n) {
    z_stream z{};
    deflateInit(&z, 9);
    const std::string block(1 << 20, c);
    std::string out;
    char buffer[1 << 16];
    for (size_t left = n;;) {
        const size_t take = std::min(left, block.size());
        left -= take;
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(block.data()));
        z.avail_in = uInt(take);
        do {
            z.next_out = reinterpret_cast<Bytef*>(buffer);
            z.avail_out = sizeof buffer;
            deflate(&z, left ? Z_NO_FLUSH : Z_FINISH);
            out.append(buffer, sizeof buffer - z.avail_out);
        } while (z.avail_out == 0);
        if (!left) break;
    }
    deflateEnd(&z);
    return out;
}

// A size from this process's status, in bytes: "VmSize" now, "VmPeak" the most so far.
size_t memory(const std::string& field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with(field + ":")) return std::stoull(line.substr(field.size() + 1)) * 1024;
    return 0;
}

struct Loaded {
    bool loaded = false;
    size_t grown = 0;  // how far the peak of memory mapped rose past the size before
    std::string printed;
};

// Loads the file in a child process, whose peak then shows what loading mapped.
Loaded loadApart(const std::string& path) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    if (fork() == 0) {
        close(fds[0]);
        const size_t before = memory("VmSize");
        testsupport::StderrCapture out;
        const bool loaded = bool(UIImage::imageWithContentsOfFile(path));
        const std::string report = std::to_string(loaded) + " " +
                                   std::to_string(memory("VmPeak") - before) + "\n" + out.text();
        ssize_t ignored = write(fds[1], report.data(), report.size());
        (void)ignored;
        _exit(0);
    }
    close(fds[1]);
    std::string report;
    char buffer[4096];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) report.append(buffer, n);
    close(fds[0]);
    wait(nullptr);
    Loaded l;
    std::istringstream in(report);
    in >> l.loaded >> l.grown;
    in.ignore(1);
    l.printed.assign(std::istreambuf_iterator<char>(in), {});
    return l;
}

class Png : public ::testing::Test {
  protected:
    // A PNG as cairo writes it from a `format` surface of `w` x `h` pixels:
    // a ramp across that grows more opaque downwards, the first row clear.
    std::string picture(int w, int h, cairo_format_t format = CAIRO_FORMAT_ARGB32) {
        cairo_surface_t* s = cairo_image_surface_create(format, w, h);
        auto* data = cairo_image_surface_get_data(s);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint32_t a = y * 255 / std::max(h - 1, 1), v = x * a / std::max(w - 1, 1);
                uint8_t* row = data + y * cairo_image_surface_get_stride(s);
                if (format == CAIRO_FORMAT_A8)
                    row[x] = uint8_t(v);
                else
                    reinterpret_cast<uint32_t*>(row)[x] = a << 24 | v << 16 | (a - v) << 8 | v / 2;
            }
        cairo_surface_mark_dirty(s);
        const std::string path = dir.file("made.png");
        EXPECT_EQ(cairo_surface_write_to_png(s, path.c_str()), CAIRO_STATUS_SUCCESS);
        cairo_surface_destroy(s);
        return testsupport::readFile(path);
    }
    // Loads `bytes` as a file; returns what was printed.
    std::string load(const std::string& bytes) {
        const std::string path = dir.write("cow.png", bytes);
        testsupport::StderrCapture out;
        image = UIImage::imageWithContentsOfFile(path);
        return out.text();
    }
    std::string line(const std::string& problem) {
        return "image " + dir.file("cow.png") + " cannot be used: " + problem + "\n";
    }
    testsupport::TempDir dir;
    std::shared_ptr<UIImage> image;
};

TEST_F(Png, DecodesToTheSamePremultipliedPixelsAsCairo) {
    // With alpha, opaque colour and grey.
    for (auto format : {CAIRO_FORMAT_ARGB32, CAIRO_FORMAT_RGB24, CAIRO_FORMAT_A8})
        for (auto [w, h] : {std::pair{1, 1}, std::pair{37, 19}, std::pair{256, 3}}) {
            SCOPED_TRACE(testing::Message() << format << ": " << w << " x " << h);
            EXPECT_EQ(load(picture(w, h, format)), "");
            ASSERT_TRUE(image);
            ASSERT_EQ(image->size(), CGSizeMake(float(w), float(h)));
            // What cairo's own loader gives, drawn onto 32-bit pixels.
            auto want = CGImage::create(w, h);
            cairo_surface_t* png =
                cairo_image_surface_create_from_png(dir.file("made.png").c_str());
            cairo_t* cr = cairo_create(want->surface());
            cairo_set_source_surface(cr, png, 0, 0);
            cairo_paint(cr);
            cairo_destroy(cr);
            cairo_surface_destroy(png);
            int differ = 0;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    differ += image->CGImage()->pixel(x, y) != want->pixel(x, y);
            EXPECT_EQ(differ, 0);
        }
}

TEST_F(Png, HostileOrDamagedFilesAreRefusedInOneLineWithoutAllocatingWhatTheyClaim) {
    const std::string png = picture(1, 1);
    // Signature and header chunk, then the rest (image data and end).
    const std::string head = png.substr(0, 33), rest = png.substr(33);
    const uint32_t huge = 0x7FFFFFFF;
    std::string badCrc = png;
    badCrc[badCrc.size() - 13] ^= 1;  // the last byte of the image data's CRC
    // Image data whose first byte is not a zlib header.
    const std::string idat = png.substr(41, be32At(png, 33));
    const std::string badData =
        head + chunk("IDAT", char(idat[0] ^ 0xFF) + idat.substr(1)) + chunk("IEND", "");
    std::string wide = png;  // a header of 8192 x 8192 pixels over the same image data
    wide.replace(16, 8, be32(8192) + be32(8192));
    wide.replace(29, 4, be32(crc32(0, reinterpret_cast<const Bytef*>(wide.data() + 12), 17)));

    const struct {
        const char* what;
        std::string bytes;
        std::string problem;
    } cases[] = {
        {"empty", "", "the file is empty"},
        {"not a PNG", "GIF89a, not a png at all", "not a PNG file"},
        {"text claiming 2 GiB", head + chunk("tEXt", "Comment\0moo", huge) + rest,
         "tEXt chunk of 2147483647 bytes is over the limit of 1048576"},
        {"compressed text claiming 2 GiB", head + chunk("zTXt", "", huge),
         "zTXt chunk of 2147483647 bytes is over the limit of 1048576"},
        {"international text claiming 2 GiB", head + chunk("iTXt", "x", huge) + rest,
         "iTXt chunk of 2147483647 bytes is over the limit of 1048576"},
        {"unknown chunk claiming 4 GiB", head + chunk("moOo", "", 0xFFFFFFFF) + rest,
         "moOo chunk of 4294967295 bytes is over the limit of 1048576"},
        {"truncated", png.substr(0, png.size() - 20), "truncated"},
        {"no end chunk", png.substr(0, png.size() - 12), "truncated"},
        {"bad CRC", badCrc, "IDAT chunk has a bad CRC"},
        {"bad image data", badData, "bad image data (IDAT: invalid window size (libpng))"},
        {"huge header", head.substr(0, 16) + be32(100000) + be32(100000) + head.substr(24) + rest,
         "100000 x 100000 pixels is outside 1 to 8192 a side"},
        {"large header over a few bytes of data", wide,
         "too little image data for 8192 x 8192 pixels"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Loaded l = loadApart(dir.write("cow.png", c.bytes));
        EXPECT_EQ(l.printed, line(c.problem));
        EXPECT_FALSE(l.loaded);
        EXPECT_LT(l.grown, 64u << 20);
    }

    // Larger than any picture is read at all.
    const std::string big = dir.write("cow.png", png);
    ASSERT_EQ(truncate(big.c_str(), 65 << 20), 0);
    const Loaded l = loadApart(big);
    EXPECT_FALSE(l.loaded);
    EXPECT_EQ(l.printed, line("the file is larger than 64 MiB"));
}

TEST_F(Png, TextThatInflatesFarPastTheLimitIsSkippedAndThePictureLoads) {
    const std::string png = picture(2, 2);
    const std::string bomb =
        chunk("zTXt", std::string("Comment\0\0", 9) + deflatedRepeat('m', size_t(128) << 20));
    const Loaded l = loadApart(dir.write("cow.png", png.substr(0, 33) + bomb + png.substr(33)));
    EXPECT_EQ(l.printed, "");
    EXPECT_TRUE(l.loaded);
    EXPECT_LT(l.grown, 32u << 20);
}

}  // namespace

namespace {

// Pictures for an enlarged screen: "name@Nx.png" in the bundle holds "name.png"
// at N times the detail and the same size in points.
class ScaledPicture : public Png {
  protected:
    void TearDown() override {
        UIScreen::mainScreen().setScale(1.0f);
        NSBundle::mainBundle().setResourcePath(saved);
    }
    // Loads "cow.png" through the bundle at screen scale `scale`.
    std::string named(float scale) {
        UIScreen::mainScreen().setScale(scale);
        NSBundle::mainBundle().setResourcePath(dir.path());
        testsupport::StderrCapture out;
        image = UIImage::imageNamed("cow.png");
        return out.text();
    }
    std::string saved = NSBundle::mainBundle().resourcePath();
};

TEST_F(ScaledPicture, TheVariantForTheScreenIsChosenTheNextSmallerOrThePlainFileOtherwise) {
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
    EXPECT_EQ(named(2), "image " + dir.file("cow@2x.png") +
                            " cannot be used: not a PNG file\n");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->scale(), 1.0f);
    // A file opened by path takes the scale its name gives.
    const std::string path = dir.write("art@3x.png", picture(33, 45));
    image = UIImage::imageWithContentsOfFile(path);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), CGSizeMake(11, 15));
}

TEST_F(ScaledPicture, ADetailedVariantDrawsInItsPointsWithEveryPixelKept) {
    dir.write("cow.png", picture(22, 30));
    dir.write("cow@2x.png", picture(44, 60));
    ASSERT_EQ(named(2), "");
    // Drawn at (5, 5) points into a context of 2 pixels per point: pixel for pixel.
    auto target = CGImage::create(60, 80);
    cairo_t* cr = cairo_create(target->surface());
    cairo_scale(cr, 2, 2);
    UIGraphicsPushContext(cr);
    image->drawAtPoint(CGPointMake(5, 5));
    UIGraphicsPopContext();
    cairo_destroy(cr);
    int differ = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 44; ++x)
            differ += target->pixel(10 + x, 10 + y) != image->CGImage()->pixel(x, y);
    EXPECT_EQ(differ, 0);
    EXPECT_EQ(target->pixel(9, 40), 0u);
    EXPECT_EQ(target->pixel(54, 40), 0u);
}

}  // namespace
