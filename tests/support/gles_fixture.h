#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/eagl/eagl_context.h"
#include "host/eagl/gles.h"

namespace paddock::test {

struct Rgba {
    uint8_t r = 0, g = 0, b = 0, a = 0;
    bool operator==(const Rgba&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Rgba& c);

// Pixels read back from GL, top row first.
struct RgbaImage {
    int width = 0;
    int height = 0;
    std::vector<Rgba> pixels;

    const Rgba& at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    // How many pixels satisfy the test.
    template <typename Test>
    int count(Test test) const {
        int n = 0;
        for (const Rgba& p : pixels) n += test(p) ? 1 : 0;
        return n;
    }
    // For looking at a failure; false when the file cannot be written.
    bool writePNG(const std::string& path) const;
};

// True when the environment says GL must be there (CI, or PADDOCK_REQUIRE_GL set).
bool glRequired();

// A fresh GL ES 1.1 context per test, current, with an offscreen framebuffer
// (RGBA8 colour renderbuffer and optional 16-bit depth) bound and the
// viewport covering it. Without GL the test is skipped, or fails where GL is
// required. A subclass overriding SetUp calls GlesFixture::SetUp() first and
// returns if IsSkipped() or HasFatalFailure().
class GlesFixture : public ::testing::Test {
  protected:
    explicit GlesFixture(int width = 64, int height = 64, bool depth = false)
        : width_(width), height_(height), depth_(depth) {}
    void SetUp() override;
    void TearDown() override;

    // The bound framebuffer's colour buffer, top row first.
    RgbaImage readPixels() const;
    // Reads GL errors until none is left; returns the first, or GL_NO_ERROR.
    static GLenum drainErrors();

    host::EAGLContext* context() const { return context_.get(); }
    GLuint framebuffer() const { return framebuffer_; }
    int width() const { return width_; }
    int height() const { return height_; }

  private:
    int width_, height_;
    bool depth_;
    std::shared_ptr<host::EAGLContext> context_;
    GLuint framebuffer_ = 0, colour_ = 0, depthBuffer_ = 0;
};

}  // namespace paddock::test
