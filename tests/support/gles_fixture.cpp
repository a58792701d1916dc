#include "tests/support/gles_fixture.h"

#include <cstdlib>
#include <ostream>
#include <string>

namespace paddock::test {

std::ostream& operator<<(std::ostream& out, const Rgba& c) {
    return out << "rgba(" << int(c.r) << ", " << int(c.g) << ", " << int(c.b) << ", " << int(c.a)
               << ")";
}

bool glRequired() {
    for (const char* name : {"CI", "PADDOCK_REQUIRE_GL"}) {
        const char* v = std::getenv(name);
        if (v && *v && std::string(v) != "0" && std::string(v) != "false") return true;
    }
    return false;
}

void GlesFixture::SetUp() {
    context_ = host::EAGLContext::initWithAPI(host::kEAGLRenderingAPIOpenGLES1);
    if (!context_) {
        if (glRequired()) FAIL() << "no GL ES 1.1 context, and CI or PADDOCK_REQUIRE_GL is set";
        GTEST_SKIP() << "no GL ES 1.1 context on this machine";
    }
    ASSERT_TRUE(host::EAGLContext::setCurrentContext(context_.get()));
    glGenFramebuffersOES(1, &framebuffer_);
    glBindFramebufferOES(GL_FRAMEBUFFER_OES, framebuffer_);
    GLuint colour = 0;
    glGenRenderbuffersOES(1, &colour);
    glBindRenderbufferOES(GL_RENDERBUFFER_OES, colour);
    glRenderbufferStorageOES(GL_RENDERBUFFER_OES, GL_RGBA8_OES, width_, height_);
    glFramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_RENDERBUFFER_OES,
                                 colour);
    glBindRenderbufferOES(GL_RENDERBUFFER_OES, 0);
    ASSERT_EQ(glCheckFramebufferStatusOES(GL_FRAMEBUFFER_OES), GLenum(GL_FRAMEBUFFER_COMPLETE_OES));
    ASSERT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    glViewport(0, 0, width_, height_);
}

void GlesFixture::TearDown() {
    if (!context_) return;
    // Tests may leave another context current; the fixture's own goes with it.
    host::EAGLContext::setCurrentContext(nullptr);
    context_.reset();
}

RgbaImage GlesFixture::readPixels() const {
    RgbaImage image{width_, height_, std::vector<Rgba>(static_cast<size_t>(width_) * height_)};
    std::vector<Rgba> bottomUp(image.pixels.size());
    GLint alignment = integer(GL_PACK_ALIGNMENT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    glPixelStorei(GL_PACK_ALIGNMENT, alignment);
    for (int y = 0; y < height_; ++y)
        std::copy_n(&bottomUp[static_cast<size_t>(height_ - 1 - y) * width_], width_,
                    &image.pixels[static_cast<size_t>(y) * width_]);
    return image;
}

}  // namespace paddock::test
