#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "host/eagl/eagl_context.h"
#include "host/eagl/gles.h"

namespace paddock::test {

struct Rgba {
    uint8_t r = 0, g = 0, b = 0, a = 0;
    bool operator==(const Rgba&) const = default;
    bool black() const { return r == 0 && g == 0 && b == 0; }
};
std::ostream& operator<<(std::ostream& out, const Rgba& c);

// Pixels read back from GL, top row first.
struct RgbaImage {
    int width = 0, height = 0;
    std::vector<Rgba> pixels;
    const Rgba& at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    template <typename Test>
    int count(Test test) const {
        return static_cast<int>(std::count_if(pixels.begin(), pixels.end(), test));
    }
};

// True when the environment says GL must be there (CI, or PADDOCK_REQUIRE_GL set).
bool glRequired();
// GL state as read back with glGetIntegerv and glGetFloatv.
inline std::vector<GLint> integers(GLenum name, int n) {
    std::vector<GLint> v(n, -1);
    glGetIntegerv(name, v.data());
    return v;
}
inline GLint integer(GLenum name) { return integers(name, 1)[0]; }
inline std::vector<GLfloat> floats(GLenum name, int n = 16) {
    std::vector<GLfloat> v(n);
    glGetFloatv(name, v.data());
    return v;
}

// A fresh GL ES 1.1 context per test, current, with an offscreen framebuffer
// (an RGBA8 colour renderbuffer, no depth) bound and the viewport covering it.
// Without GL the test is skipped, or fails where GL is required. A subclass
// overriding SetUp calls GlesFixture::SetUp() first and returns if
// IsSkipped() or HasFatalFailure().
class GlesFixture : public ::testing::Test {
  protected:
    explicit GlesFixture(int width = 64, int height = 64) : width_(width), height_(height) {}
    void SetUp() override;
    void TearDown() override;

    RgbaImage readPixels() const;
    host::EAGLContext* context() const { return context_.get(); }
    GLuint framebuffer() const { return framebuffer_; }
    int width() const { return width_; }
    int height() const { return height_; }

  private:
    int width_, height_;
    std::shared_ptr<host::EAGLContext> context_;
    GLuint framebuffer_ = 0;
};

}  // namespace paddock::test
