// The canvas backend's PNG writer (built natively here for the test): what it
// writes, libpng reads back as the same premultiplied pixels.

#include <gtest/gtest.h>

#include <cstring>

#include "host/layers/canvas_png.h"
#include "host/views/ui_image.h"
#include "tests/support/host_support.h"

namespace {

using namespace host;

TEST(StoredPNG, EveryPremultipliedPixelAnd565ColourReadsBackAsWritten) {
    testsupport::TempDir dir;
    // Every alpha down, every colour value up to it across: each pair once.
    auto argb = CGImage::create(256, 256);
    for (uint32_t a = 0; a < 256; ++a)
        for (uint32_t c = 0; c < 256; ++c) {
            const uint32_t v = std::min(c, a), w = std::min(255 - c, a);
            const uint32_t pixel = a << 24 | v << 16 | w << 8 | (v + w) / 2;
            std::memcpy(argb->data() + a * argb->stride() + 4 * c, &pixel, 4);
        }
    // Odd width: rows are padded; a 70000-byte row set spans two stored blocks.
    auto rgb565 = CGImage::create(257, 91, CGImage::Format::rgb565);
    for (int y = 0; y < rgb565->height(); ++y)
        for (int x = 0; x < rgb565->width(); ++x) {
            const uint16_t p = uint16_t(x * 255 + y * 719);
            std::memcpy(rgb565->data() + y * rgb565->stride() + 2 * x, &p, 2);
        }
    for (const auto& image : {argb, rgb565}) {
        const std::string path = dir.file("out.png");
        ASSERT_TRUE(writeStoredPNG(*image, path));
        testsupport::StderrCapture quiet;
        auto read = UIImage::imageWithContentsOfFile(path);
        ASSERT_TRUE(read) << quiet.text();
        const CGImage& back = *read->CGImage();
        ASSERT_EQ(back.width(), image->width());
        ASSERT_EQ(back.height(), image->height());
        int wrong = 0;
        for (int y = 0; y < image->height(); ++y)
            for (int x = 0; x < image->width(); ++x)
                wrong += back.pixel(x, y) != image->pixel(x, y);
        EXPECT_EQ(wrong, 0);
    }
    EXPECT_FALSE(writeStoredPNG(*argb, dir.file("no/such/folder.png")));
}

}  // namespace
