#include "host/eagl/eagl_context.h"

#include <EGL/egl.h>
#include <gtest/gtest.h>

#include <array>
#include <thread>
#include <tuple>

#include "host/eagl/eagl_layer.h"
#include "host/eagl/gles_backend.h"
#include "host/foundation/messages.h"
#include "tests/support/gles_fixture.h"
#include "tests/support/host_support.h"

namespace {

using host::CAEAGLLayer;
using host::EAGLContext;
using paddock::test::integer;

// A drawable layer held the way a view holds it, and a renderbuffer bound in
// the fixture's context.
class DrawableTest : public paddock::test::GlesFixture {
  protected:
    void SetUp() override {
        GlesFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        layer = std::make_shared<CAEAGLLayer>();
        setLayer(320.4f, 479.5f, host::kEAGLColorFormatRGB565);
        glGenRenderbuffersOES(1, &renderbuffer);
        glBindRenderbufferOES(GL_RENDERBUFFER_OES, renderbuffer);
    }
    void setLayer(float width, float height, const char* format) {
        layer->setBounds(host::CGRectMake(0, 0, width, height));
        layer->setDrawableProperties(
            {{host::kEAGLDrawablePropertyColorFormat, std::string(format)}});
    }
    // The layer at w x h in `format`, its storage given to the renderbuffer and
    // cleared to `colour` with a green block in GL's top-left corner.
    void drawInto(int w, int h, const char* format, std::array<GLfloat, 4> colour) {
        setLayer(w, h, format);
        ASSERT_TRUE(context()->renderbufferStorage(GL_RENDERBUFFER_OES, layer.get()));
        GLuint fb = 0;
        glGenFramebuffersOES(1, &fb);
        glBindFramebufferOES(GL_FRAMEBUFFER_OES, fb);
        glFramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES,
                                     GL_RENDERBUFFER_OES, renderbuffer);
        glClearColor(colour[0], colour[1], colour[2], colour[3]);
        glClear(GL_COLOR_BUFFER_BIT);
        glEnable(GL_SCISSOR_TEST);
        glScissor(0, h - 10, 20, 10);
        glClearColor(0, 1, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glDisable(GL_SCISSOR_TEST);
    }

    std::shared_ptr<CAEAGLLayer> layer;
    GLuint renderbuffer = 0;
};

TEST_F(DrawableTest, OnlyGLES11IsOfferedAndTheCurrentContextIsPerThread) {
    EXPECT_NE(std::string(reinterpret_cast<const char*>(glGetString(GL_VERSION))).find("ES-CM 1.1"),
              std::string::npos);
    {
        testsupport::StderrCapture out;
        EXPECT_EQ(EAGLContext::initWithAPI(host::kEAGLRenderingAPIOpenGLES2), nullptr);
        EXPECT_EQ(out.text(), testsupport::message(host::messages::kEAGLUnsupportedAPI, 2))
            << "one line";
    }
    EAGLContext* seenElsewhere = context();
    std::thread([&] { seenElsewhere = EAGLContext::currentContext(); }).join();
    EXPECT_TRUE(EAGLContext::currentContext() == context() && !seenElsewhere);
    auto other = EAGLContext::initWithAPI(host::kEAGLRenderingAPIOpenGLES1);
    ASSERT_TRUE(EAGLContext::setCurrentContext(other.get()));
    EXPECT_EQ(EAGLContext::currentContext(), other.get());
    EXPECT_EQ(integer(GL_FRAMEBUFFER_BINDING_OES), 0) << "the new context has its own objects";
    // Neither storage nor present is given through a context that is not current.
    EXPECT_FALSE(context()->renderbufferStorage(GL_RENDERBUFFER_OES, layer.get()));
    EXPECT_FALSE(context()->presentRenderbuffer(GL_RENDERBUFFER_OES));
    other.reset();
    EXPECT_EQ(EAGLContext::currentContext(), nullptr);
    ASSERT_TRUE(EAGLContext::setCurrentContext(context()));
    EXPECT_EQ(GLuint(integer(GL_FRAMEBUFFER_BINDING_OES)), framebuffer());
    // Released behind the context's back with EGL itself: making it current
    // again really makes it current.
    const EGLDisplay display = eglGetCurrentDisplay();
    ASSERT_TRUE(eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT));
    ASSERT_TRUE(EAGLContext::setCurrentContext(context()));
    EXPECT_NE(eglGetCurrentContext(), EGL_NO_CONTEXT);
    EXPECT_EQ(GLuint(integer(GL_FRAMEBUFFER_BINDING_OES)), framebuffer());
}

TEST_F(DrawableTest,
       StorageHasTheRoundedBoundsAndFormatAndBothStorageAndPresentRefuseWhatCannotBe) {
    auto storage = [] {  // width, height and internal format of the bound renderbuffer
        std::vector<GLint> v(3, -1);
        for (int i = 0; GLenum p : {GL_RENDERBUFFER_WIDTH_OES, GL_RENDERBUFFER_HEIGHT_OES,
                                    GL_RENDERBUFFER_INTERNAL_FORMAT_OES})
            glGetRenderbufferParameterivOES(GL_RENDERBUFFER_OES, p, &v[i++]);
        return v;
    };
    EXPECT_FALSE(context()->presentRenderbuffer(GL_RENDERBUFFER_OES)) << "no drawable's storage";
    setLayer(2.5f, 3.49f, host::kEAGLColorFormatRGB565);
    ASSERT_TRUE(context()->renderbufferStorage(GL_RENDERBUFFER_OES, layer.get()));
    EXPECT_EQ(storage(), (std::vector<GLint>{3, 3, GL_RGB565_OES}));
    layer->setDrawableProperties({{host::kEAGLDrawablePropertyRetainedBacking, true}});
    ASSERT_TRUE(context()->renderbufferStorage(GL_RENDERBUFFER_OES, layer.get()));
    EXPECT_EQ(storage(), (std::vector<GLint>{3, 3, GL_RGBA8_OES})) << "the default format";
    EXPECT_TRUE(layer->retainedBacking());
    // Refused: another target, no layer, an unknown format, under a pixel, no renderbuffer bound.
    EXPECT_FALSE(context()->renderbufferStorage(GL_FRAMEBUFFER_OES, layer.get()));
    EXPECT_FALSE(context()->renderbufferStorage(GL_RENDERBUFFER_OES, nullptr));
    for (auto [w, format, bound] : {std::tuple{4.0f, "RGB9", renderbuffer},
                                    {0.4f, host::kEAGLColorFormatRGBA8, renderbuffer},
                                    {100.0f, host::kEAGLColorFormatRGBA8, 0u}}) {
        setLayer(w, 100, format);
        glBindRenderbufferOES(GL_RENDERBUFFER_OES, bound);
        EXPECT_FALSE(context()->renderbufferStorage(GL_RENDERBUFFER_OES, layer.get())) << w;
    }
    glBindRenderbufferOES(GL_RENDERBUFFER_OES, renderbuffer);
    EXPECT_EQ(storage(), (std::vector<GLint>{3, 3, GL_RGBA8_OES})) << "refusals leave the storage";
    // Present refuses another target, storage given again by plain GL, and a layer gone.
    EXPECT_FALSE(context()->presentRenderbuffer(GL_FRAMEBUFFER_OES));
    EXPECT_TRUE(context()->presentRenderbuffer(GL_RENDERBUFFER_OES));
    glRenderbufferStorageOES(GL_RENDERBUFFER_OES, GL_RGBA8_OES, 8, 8);
    EXPECT_FALSE(context()->presentRenderbuffer(GL_RENDERBUFFER_OES));
    ASSERT_TRUE(context()->renderbufferStorage(GL_RENDERBUFFER_OES, layer.get()));
    layer.reset();
    EXPECT_FALSE(context()->presentRenderbuffer(GL_RENDERBUFFER_OES));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(DrawableTest, PresentCopiesTopRowFirstRestoresStateAndKeepsHeldFrames) {
    drawInto(40, 30, host::kEAGLColorFormatRGB565, {1, 0, 0, 1});
    // Something else bound and an unusual pack alignment: present puts them back.
    glBindFramebufferOES(GL_FRAMEBUFFER_OES, framebuffer());
    glPixelStorei(GL_PACK_ALIGNMENT, 8);
    glEnable(0x1234);
    ASSERT_TRUE(context()->presentRenderbuffer(GL_RENDERBUFFER_OES));
    EXPECT_EQ(glGetError(), GLenum(GL_INVALID_ENUM)) << "a pending error is the caller's to read";
    EXPECT_EQ(GLuint(integer(GL_FRAMEBUFFER_BINDING_OES)), framebuffer());
    EXPECT_EQ(GLuint(integer(GL_RENDERBUFFER_BINDING_OES)), renderbuffer);
    EXPECT_EQ(integer(GL_PACK_ALIGNMENT), 8);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    std::shared_ptr<host::CGImage> held = layer->contents();
    ASSERT_TRUE(held && held->width() == 40 && held->height() == 30);
    // GL's top rows are the image's first.
    EXPECT_EQ((std::vector{held->pixel(0, 0), held->pixel(19, 9), held->pixel(20, 9),
                           held->pixel(39, 29)}),
              (std::vector{0xFF00FF00u, 0xFF00FF00u, 0xFFFF0000u, 0xFFFF0000u}));

    const host::CGImage* mine = held.get();
    held.reset();
    ASSERT_TRUE(context()->presentRenderbuffer(GL_RENDERBUFFER_OES));
    EXPECT_EQ(layer->contents().get(), mine) << "steady frames reuse the image";
    held = layer->contents();
    // Presented straight after drawing, from the framebuffer that holds it:
    // read where it is, nothing rebound.
    drawInto(40, 30, host::kEAGLColorFormatRGB565, {0, 0, 1, 1});
    const GLint drawnIn = integer(GL_FRAMEBUFFER_BINDING_OES);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    ASSERT_TRUE(context()->presentRenderbuffer(GL_RENDERBUFFER_OES));
    EXPECT_EQ(integer(GL_FRAMEBUFFER_BINDING_OES), drawnIn);
    EXPECT_EQ(integer(GL_PACK_ALIGNMENT), 1);
    EXPECT_EQ(held->pixel(30, 20), 0xFFFF0000u) << "a held frame stays as it was";
    EXPECT_EQ(layer->contents()->pixel(30, 20), 0xFF0000FFu);
}

TEST_F(DrawableTest, ContentsAreOpaqueForRGB565AndPremultipliedForRGBA8) {
    // Colour above alpha is held to the alpha.
    for (auto [format, colour, pixel, tolerance] :
         {std::tuple{host::kEAGLColorFormatRGB565, std::array{0.63f, 0.43f, 0.36f, 0.0f},
                     0xFFA16E5Cu, 5},
          {host::kEAGLColorFormatRGBA8, std::array{0.2f, 0.4f, 0.6f, 1.0f}, 0xFF336699u, 0},
          {host::kEAGLColorFormatRGBA8, std::array{1.0f, 0.25f, 0.0f, 0.5f}, 0x80804000u, 0}}) {
        SCOPED_TRACE(format);
        drawInto(25, 12, format, colour);
        ASSERT_TRUE(context()->presentRenderbuffer(GL_RENDERBUFFER_OES));
        // 5-6-5 is kept as it was read, for the compositor to widen.
        const bool rgb565 = format == std::string(host::kEAGLColorFormatRGB565);
        EXPECT_EQ(layer->contents()->format(),
                  rgb565 ? host::CGImage::Format::rgb565 : host::CGImage::Format::argb32);
        const uint32_t p = layer->contents()->pixel(24, 11);
        for (int shift : {24, 16, 8, 0})  // alpha exact, colour within the tolerance
            EXPECT_NEAR(int(p >> shift & 0xFF), int(pixel >> shift & 0xFF),
                        shift == 24 ? 0 : tolerance)
                << "shift " << shift;
    }
}

// The null backend refuses every context with its one line, and EGL serves
// again once chosen back, its OES entry points looked up anew.
TEST(GLESBackends, NoneRefusesEveryContextAndEGLServesAgainAfterIt) {
    ASSERT_TRUE(host::useGLESBackend("none"));
    EXPECT_FALSE(host::useGLESBackend("vulkan"));
    EXPECT_STREQ(host::glesBackend().name(), "none") << "an unknown name changes nothing";
    testsupport::StderrCapture out;
    EXPECT_EQ(EAGLContext::initWithAPI(host::kEAGLRenderingAPIOpenGLES1), nullptr);
    EXPECT_EQ(out.text(), testsupport::message(host::messages::kEAGLNoContext,
                                               "GL ES is turned off (PADDOCK_GL=none)"));
    EXPECT_TRUE(EAGLContext::setCurrentContext(nullptr) && !EAGLContext::currentContext());
    GLuint name = 0;
    glGenFramebuffersOES(1, &name);
    EXPECT_EQ(name, 0u) << "no entry point, no call";

    ASSERT_TRUE(host::useGLESBackend(nullptr));
    auto context = EAGLContext::initWithAPI(host::kEAGLRenderingAPIOpenGLES1);
    if (!context && !paddock::test::glRequired()) GTEST_SKIP() << "no GL ES 1.1 context here";
    ASSERT_TRUE(context && EAGLContext::setCurrentContext(context.get()));
    glGenFramebuffersOES(1, &name);
    EXPECT_NE(name, 0u);
    EXPECT_TRUE(EAGLContext::setCurrentContext(nullptr));
}

}  // namespace
