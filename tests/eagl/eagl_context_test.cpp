#include "host/eagl/eagl_context.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <thread>

#include "host/eagl/eagl_layer.h"
#include "host/eagl/gles.h"
#include "host/foundation/messages.h"
#include "tests/support/gles_fixture.h"

namespace {

using host::CAEAGLLayer;
using host::EAGLContext;
using paddock::test::GlesFixture;

TEST(EAGLContextTest, MakesAGLES11ContextWhereverGLIsRequired) {
    auto context = EAGLContext::initWithAPI(host::kEAGLRenderingAPIOpenGLES1);
    if (!context) {
        ASSERT_FALSE(paddock::test::glRequired()) << "CI or PADDOCK_REQUIRE_GL is set";
        GTEST_SKIP() << "no GL ES 1.1 context on this machine";
    }
    EXPECT_EQ(context->API(), host::kEAGLRenderingAPIOpenGLES1);
    ASSERT_TRUE(EAGLContext::setCurrentContext(context.get()));
    EXPECT_NE(std::string(reinterpret_cast<const char*>(glGetString(GL_VERSION))).find("ES-CM 1.1"),
              std::string::npos);
    EXPECT_TRUE(EAGLContext::setCurrentContext(nullptr));
}

TEST(EAGLContextTest, OtherAPIsYieldNothingWithOneLine) {
    testing::internal::CaptureStdout();
    auto context = EAGLContext::initWithAPI(host::kEAGLRenderingAPIOpenGLES2);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(context, nullptr);
    char expected[128];
    std::snprintf(expected, sizeof expected, host::messages::kEAGLUnsupportedAPI, 2);
    EXPECT_EQ(out, expected);
}

class CurrentContextTest : public GlesFixture {};

TEST_F(CurrentContextTest, IsPerThreadAndClearedByNullOrByDestruction) {
    EXPECT_EQ(EAGLContext::currentContext(), context());
    EAGLContext* seenElsewhere = context();
    std::thread([&] { seenElsewhere = EAGLContext::currentContext(); }).join();
    EXPECT_EQ(seenElsewhere, nullptr);

    auto other = EAGLContext::initWithAPI(host::kEAGLRenderingAPIOpenGLES1);
    ASSERT_NE(other, nullptr);
    ASSERT_TRUE(EAGLContext::setCurrentContext(other.get()));
    EXPECT_EQ(EAGLContext::currentContext(), other.get());
    // The new context has its own objects: the fixture's framebuffer is not bound here.
    GLint framebuffer = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &framebuffer);
    EXPECT_EQ(framebuffer, 0);

    other.reset();
    EXPECT_EQ(EAGLContext::currentContext(), nullptr);

    ASSERT_TRUE(EAGLContext::setCurrentContext(context()));
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &framebuffer);
    EXPECT_EQ(static_cast<GLuint>(framebuffer), this->framebuffer());
    EXPECT_TRUE(EAGLContext::setCurrentContext(nullptr));
    EXPECT_EQ(EAGLContext::currentContext(), nullptr);
}

// A drawable layer held the way a view holds it, and a renderbuffer bound in
// the fixture's context.
class DrawableTest : public GlesFixture {
  protected:
    void SetUp() override {
        GlesFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        layer = std::make_shared<CAEAGLLayer>();
        layer->setBounds(host::CGRectMake(0, 0, 320.4f, 479.5f));
        layer->setDrawableProperties(
            {{host::kEAGLDrawablePropertyColorFormat, std::string(host::kEAGLColorFormatRGB565)}});
        glGenRenderbuffersOES(1, &renderbuffer);
        glBindRenderbufferOES(GL_RENDERBUFFER_OES, renderbuffer);
    }

    GLint renderbufferParameter(GLenum name) {
        GLint value = -1;
        glGetRenderbufferParameterivOES(GL_RENDERBUFFER_OES, name, &value);
        return value;
    }

    // Draws into `renderbuffer` through a framebuffer of its own: red, with
    // a green block in GL's top-left corner.
    GLuint drawRedWithGreenTopLeft(int width, int height) {
        GLuint fb = 0;
        glGenFramebuffersOES(1, &fb);
        glBindFramebufferOES(GL_FRAMEBUFFER_OES, fb);
        glFramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES,
                                     GL_RENDERBUFFER_OES, renderbuffer);
        EXPECT_EQ(glCheckFramebufferStatusOES(GL_FRAMEBUFFER_OES),
                  GLenum(GL_FRAMEBUFFER_COMPLETE_OES));
        glDisable(GL_SCISSOR_TEST);
        glClearColor(1, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glEnable(GL_SCISSOR_TEST);
        glScissor(0, height - 10, 20, 10);
        glClearColor(0, 1, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glDisable(GL_SCISSOR_TEST);
        glViewport(0, 0, width, height);
        return fb;
    }

    std::shared_ptr<CAEAGLLayer> layer;
    GLuint renderbuffer = 0;
};

TEST_F(DrawableTest, StorageHasTheRoundedBoundsAndTheColourFormat) {
    ASSERT_TRUE(context()->renderbufferStorage(GL_RENDERBUFFER_OES, layer.get()));
    EXPECT_EQ(renderbufferParameter(GL_RENDERBUFFER_WIDTH_OES), 320);
    EXPECT_EQ(renderbufferParameter(GL_RENDERBUFFER_HEIGHT_OES), 480);
    EXPECT_EQ(renderbufferParameter(GL_RENDERBUFFER_INTERNAL_FORMAT_OES), GL_RGB565_OES);
    EXPECT_EQ(renderbufferParameter(GL_RENDERBUFFER_GREEN_SIZE_OES), 6);

    layer->setDrawableProperties(
        {{host::kEAGLDrawablePropertyColorFormat, std::string(host::kEAGLColorFormatRGBA8)}});
    layer->setBounds(host::CGRectMake(0, 0, 2.5f, 3.49f));
    ASSERT_TRUE(context()->renderbufferStorage(GL_RENDERBUFFER_OES, layer.get()));
    EXPECT_EQ(renderbufferParameter(GL_RENDERBUFFER_WIDTH_OES), 3);
    EXPECT_EQ(renderbufferParameter(GL_RENDERBUFFER_HEIGHT_OES), 3);
    EXPECT_EQ(renderbufferParameter(GL_RENDERBUFFER_ALPHA_SIZE_OES), 8);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(DrawableTest, StorageIsRefusedWhenItCannotBeGiven) {
    // Wrong target, no drawable.
    EXPECT_FALSE(context()->renderbufferStorage(GL_FRAMEBUFFER_OES, layer.get()));
    EXPECT_FALSE(context()->renderbufferStorage(GL_RENDERBUFFER_OES, nullptr));
    // A colour format that is not one of the two.
    layer->setDrawableProperties({{host::kEAGLDrawablePropertyColorFormat, std::string("RGB9")}});
    EXPECT_FALSE(context()->renderbufferStorage(GL_RENDERBUFFER_OES, layer.get()));
    layer->setDrawableProperties({});
    // An empty layer.
    layer->setBounds(host::CGRectMake(0, 0, 0.4f, 100));
    EXPECT_FALSE(context()->renderbufferStorage(GL_RENDERBUFFER_OES, layer.get()));
    layer->setBounds(host::CGRectMake(0, 0, 100, 100));
    // No renderbuffer bound.
    glBindRenderbufferOES(GL_RENDERBUFFER_OES, 0);
    EXPECT_FALSE(context()->renderbufferStorage(GL_RENDERBUFFER_OES, layer.get()));
    glBindRenderbufferOES(GL_RENDERBUFFER_OES, renderbuffer);
    // Another context current.
    auto other = EAGLContext::initWithAPI(host::kEAGLRenderingAPIOpenGLES1);
    ASSERT_NE(other, nullptr);
    ASSERT_TRUE(EAGLContext::setCurrentContext(other.get()));
    EXPECT_FALSE(context()->renderbufferStorage(GL_RENDERBUFFER_OES, layer.get()));
    ASSERT_TRUE(EAGLContext::setCurrentContext(context()));
    EXPECT_EQ(renderbufferParameter(GL_RENDERBUFFER_WIDTH_OES), 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(DrawableTest, PresentCopiesTheRenderbufferTopRowFirstAndRestoresState) {
    layer->setBounds(host::CGRectMake(0, 0, 40, 30));
    ASSERT_TRUE(context()->renderbufferStorage(GL_RENDERBUFFER_OES, layer.get()));
    GLuint fb = drawRedWithGreenTopLeft(40, 30);

    // Bind something else and an unusual pack alignment: present must put them back.
    glBindFramebufferOES(GL_FRAMEBUFFER_OES, framebuffer());
    glPixelStorei(GL_PACK_ALIGNMENT, 8);
    glEnable(GL_TEXTURE_2D);  // an error-free call; then leave an error pending
    glEnable(0x1234);
    ASSERT_TRUE(context()->presentRenderbuffer(GL_RENDERBUFFER_OES));

    EXPECT_EQ(glGetError(), GLenum(GL_INVALID_ENUM)) << "a pending error is the caller's to read";
    GLint value = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &value);
    EXPECT_EQ(static_cast<GLuint>(value), framebuffer());
    glGetIntegerv(GL_RENDERBUFFER_BINDING_OES, &value);
    EXPECT_EQ(static_cast<GLuint>(value), renderbuffer);
    glGetIntegerv(GL_PACK_ALIGNMENT, &value);
    EXPECT_EQ(value, 8);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

    auto contents = layer->contents();
    ASSERT_NE(contents, nullptr);
    ASSERT_EQ(contents->width(), 40);
    ASSERT_EQ(contents->height(), 30);
    EXPECT_EQ(contents->pixel(0, 0), 0xFF00FF00u) << "GL's top rows are the image's first";
    EXPECT_EQ(contents->pixel(19, 9), 0xFF00FF00u);
    EXPECT_EQ(contents->pixel(20, 9), 0xFFFF0000u);
    EXPECT_EQ(contents->pixel(0, 10), 0xFFFF0000u);
    EXPECT_EQ(contents->pixel(39, 29), 0xFFFF0000u);
    glDeleteFramebuffersOES(1, &fb);
}

TEST_F(DrawableTest, PresentWritesOverItsOwnImageButNotOneSomebodyHolds) {
    layer->setBounds(host::CGRectMake(0, 0, 40, 30));
    ASSERT_TRUE(context()->renderbufferStorage(GL_RENDERBUFFER_OES, layer.get()));
    GLuint fb = drawRedWithGreenTopLeft(40, 30);
    ASSERT_TRUE(context()->presentRenderbuffer(GL_RENDERBUFFER_OES));
    const host::CGImage* first = layer->contents().get();
    ASSERT_TRUE(context()->presentRenderbuffer(GL_RENDERBUFFER_OES));
    EXPECT_EQ(layer->contents().get(), first) << "steady frames reuse the image";

    std::shared_ptr<host::CGImage> held = layer->contents();
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    ASSERT_TRUE(context()->presentRenderbuffer(GL_RENDERBUFFER_OES));
    EXPECT_NE(layer->contents(), held);
    EXPECT_EQ(held->pixel(30, 20), 0xFFFF0000u) << "a held frame stays as it was";
    EXPECT_EQ(layer->contents()->pixel(30, 20), 0xFF0000FFu);
    glDeleteFramebuffersOES(1, &fb);
}

TEST_F(DrawableTest, PresentAnswersNoWhenNothingCanBeShown) {
    // A renderbuffer whose storage did not come from a drawable.
    glRenderbufferStorageOES(GL_RENDERBUFFER_OES, GL_RGBA8_OES, 8, 8);
    EXPECT_FALSE(context()->presentRenderbuffer(GL_RENDERBUFFER_OES));

    ASSERT_TRUE(context()->renderbufferStorage(GL_RENDERBUFFER_OES, layer.get()));
    EXPECT_FALSE(context()->presentRenderbuffer(GL_FRAMEBUFFER_OES));
    EXPECT_TRUE(context()->presentRenderbuffer(GL_RENDERBUFFER_OES));

    // Not current.
    auto other = EAGLContext::initWithAPI(host::kEAGLRenderingAPIOpenGLES1);
    ASSERT_NE(other, nullptr);
    ASSERT_TRUE(EAGLContext::setCurrentContext(other.get()));
    EXPECT_FALSE(context()->presentRenderbuffer(GL_RENDERBUFFER_OES));
    ASSERT_TRUE(EAGLContext::setCurrentContext(context()));

    // Storage given again by plain GL: the drawable no longer backs it.
    glRenderbufferStorageOES(GL_RENDERBUFFER_OES, GL_RGBA8_OES, 8, 8);
    EXPECT_FALSE(context()->presentRenderbuffer(GL_RENDERBUFFER_OES));

    // The layer is gone.
    ASSERT_TRUE(context()->renderbufferStorage(GL_RENDERBUFFER_OES, layer.get()));
    layer.reset();
    EXPECT_FALSE(context()->presentRenderbuffer(GL_RENDERBUFFER_OES));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(DrawableTest, RGB565ContentsAreOpaqueAndCloseToTheDrawnColour) {
    layer->setBounds(host::CGRectMake(0, 0, 4, 4));
    ASSERT_TRUE(context()->renderbufferStorage(GL_RENDERBUFFER_OES, layer.get()));
    GLuint fb = drawRedWithGreenTopLeft(4, 4);
    glClearColor(0.63f, 0.43f, 0.36f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    ASSERT_TRUE(context()->presentRenderbuffer(GL_RENDERBUFFER_OES));
    uint32_t p = layer->contents()->pixel(1, 1);
    EXPECT_EQ(p >> 24, 0xFFu) << "RGB565 has no alpha: opaque";
    EXPECT_NEAR(int(p >> 16 & 0xFF), 161, 5);
    EXPECT_NEAR(int(p >> 8 & 0xFF), 110, 3);
    EXPECT_NEAR(int(p & 0xFF), 92, 5);
    glDeleteFramebuffersOES(1, &fb);
}

TEST_F(DrawableTest, RGBA8ContentsKeepOpaqueColoursExactlyAndTranslucentOnesPremultiplied) {
    layer->setDrawableProperties(
        {{host::kEAGLDrawablePropertyColorFormat, std::string(host::kEAGLColorFormatRGBA8)}});
    layer->setBounds(host::CGRectMake(0, 0, 5, 3));
    ASSERT_TRUE(context()->renderbufferStorage(GL_RENDERBUFFER_OES, layer.get()));
    GLuint fb = drawRedWithGreenTopLeft(5, 3);
    glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    ASSERT_TRUE(context()->presentRenderbuffer(GL_RENDERBUFFER_OES));
    EXPECT_EQ(layer->contents()->pixel(4, 2), 0xFF336699u);

    // Colour above alpha is not a premultiplied colour: it is held to the alpha.
    glClearColor(1.0f, 0.25f, 0.0f, 0.5f);
    glClear(GL_COLOR_BUFFER_BIT);
    ASSERT_TRUE(context()->presentRenderbuffer(GL_RENDERBUFFER_OES));
    EXPECT_EQ(layer->contents()->pixel(0, 0), 0x80804000u);
    glDeleteFramebuffersOES(1, &fb);
}

TEST(DrawablePropertiesTest, UnsetPropertiesReadAsPlatformDefaults) {
    CAEAGLLayer layer;
    EXPECT_EQ(layer.colorFormat(), host::kEAGLColorFormatRGBA8);
    EXPECT_FALSE(layer.retainedBacking());
    layer.setDrawableProperties(
        {{host::kEAGLDrawablePropertyRetainedBacking, true},
         {host::kEAGLDrawablePropertyColorFormat, std::string(host::kEAGLColorFormatRGB565)}});
    EXPECT_TRUE(layer.retainedBacking());
    EXPECT_EQ(layer.colorFormat(), host::kEAGLColorFormatRGB565);
    EXPECT_EQ(layer.drawableProperties().size(), 2u);
    // A value of the wrong kind reads as the default.
    layer.setDrawableProperties({{host::kEAGLDrawablePropertyRetainedBacking, std::string("yes")}});
    EXPECT_FALSE(layer.retainedBacking());
}

}  // namespace
