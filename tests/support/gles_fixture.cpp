#include "tests/support/gles_fixture.h"

#include <cstdlib>
#include <ostream>

#include "host/layers/image.h"

namespace paddock::test {

std::ostream& operator<<(std::ostream& out, const Rgba& c) {
    return out << "rgba(" << int(c.r) << ", " << int(c.g) << ", " << int(c.b) << ", " << int(c.a)
               << ")";
}

bool RgbaImage::writePNG(const std::string& path) const {
    auto image = host::CGImage::create(width, height);
    if (!image) return false;
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(image->data() + y * image->stride());
        for (int x = 0; x < width; ++x) {
            const Rgba& p = at(x, y);
            row[x] = 0xFF000000u | uint32_t(p.r) << 16 | uint32_t(p.g) << 8 | p.b;
        }
    }
    image->markDirty();
    return image->writePNG(path);
}

bool glRequired() {
    auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v && *v && std::string(v) != "0" && std::string(v) != "false";
    };
    return set("CI") || set("PADDOCK_REQUIRE_GL");
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
    glGenRenderbuffersOES(1, &colour_);
    glBindRenderbufferOES(GL_RENDERBUFFER_OES, colour_);
    glRenderbufferStorageOES(GL_RENDERBUFFER_OES, GL_RGBA8_OES, width_, height_);
    glFramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_RENDERBUFFER_OES,
                                 colour_);
    if (depth_) {
        glGenRenderbuffersOES(1, &depthBuffer_);
        glBindRenderbufferOES(GL_RENDERBUFFER_OES, depthBuffer_);
        glRenderbufferStorageOES(GL_RENDERBUFFER_OES, GL_DEPTH_COMPONENT16_OES, width_, height_);
        glFramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_DEPTH_ATTACHMENT_OES,
                                     GL_RENDERBUFFER_OES, depthBuffer_);
    }
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
    RgbaImage image;
    image.width = width_;
    image.height = height_;
    std::vector<Rgba> bottomUp(static_cast<size_t>(width_) * height_);
    GLint alignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    glPixelStorei(GL_PACK_ALIGNMENT, alignment);
    image.pixels.resize(bottomUp.size());
    for (int y = 0; y < height_; ++y)
        std::copy_n(&bottomUp[static_cast<size_t>(height_ - 1 - y) * width_], width_,
                    &image.pixels[static_cast<size_t>(y) * width_]);
    return image;
}

GLenum GlesFixture::drainErrors() {
    GLenum first = glGetError();
    if (first == GL_NO_ERROR) return first;
    // GL keeps at most one flag per error kind; the bound only guards a broken driver.
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
    return first;
}

}  // namespace paddock::test
