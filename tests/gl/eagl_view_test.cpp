#include <gtest/gtest.h>

#include "gl/EAGLView.h"
#include "host/foundation/messages.h"
#include "tests/support/gles_fixture.h"
#include "tests/support/host_support.h"

namespace {

using host::CGRectMake;
using host::EAGLContext;
using paddock::test::integer;
using paddock::test::integers;
using Ints = std::vector<GLint>;

// Width, height and internal format of an attachment of the bound framebuffer (0s when none).
Ints attachment(GLenum point) {
    Ints out(3, 0);
    GLint type = 0, name = 0;
    glGetFramebufferAttachmentParameterivOES(GL_FRAMEBUFFER_OES, point,
                                             GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE_OES, &type);
    if (type != GL_RENDERBUFFER_OES) return out;
    glGetFramebufferAttachmentParameterivOES(GL_FRAMEBUFFER_OES, point,
                                             GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME_OES, &name);
    GLint saved = integer(GL_RENDERBUFFER_BINDING_OES);
    glBindRenderbufferOES(GL_RENDERBUFFER_OES, name);
    int i = 0;
    for (GLenum p : {GL_RENDERBUFFER_WIDTH_OES, GL_RENDERBUFFER_HEIGHT_OES,
                     GL_RENDERBUFFER_INTERNAL_FORMAT_OES})
        glGetRenderbufferParameterivOES(GL_RENDERBUFFER_OES, p, &out[i++]);
    glBindRenderbufferOES(GL_RENDERBUFFER_OES, saved);
    return out;
}

// The fixture's context stands for "some other context".
class EAGLViewTest : public paddock::test::GlesFixture {};

TEST_F(EAGLViewTest, InitialisersMakeTheRoundedSurfaceCurrentAndBoundWithDepthOnlyIfAsked) {
    // Frame, colour format, depth format, retained; the surface's size and colour format.
    for (auto [fw, fh, format, depthFormat, retained, w, h, internalFormat] :
         {std::tuple{320.4f, 479.5f, host::kEAGLColorFormatRGB565, GLuint(GL_DEPTH_COMPONENT16_OES),
                     false, 320, 480, GLint(GL_RGB565_OES)},
          {32.0f, 48.0f, nullptr, 0u, false, 32, 48, GLint(GL_RGB565_OES)},
          {32.0f, 48.0f, host::kEAGLColorFormatRGBA8, 0u, false, 32, 48, GLint(GL_RGBA8_OES)},
          {4.0f, 4.0f, host::kEAGLColorFormatRGBA8, 0u, true, 4, 4, GLint(GL_RGBA8_OES)}}) {
        SCOPED_TRACE(testing::Message() << fw << " x " << fh);
        auto frame = CGRectMake(0, 0, fw, fh);
        auto view = depthFormat || retained
                        ? EAGLView::initWithFrame(frame, format, depthFormat, retained)
                    : format ? EAGLView::initWithFrame(frame, format)
                             : EAGLView::initWithFrame(frame);
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->surfaceSize(), host::CGSizeMake(w, h));
        EXPECT_EQ(EAGLContext::currentContext(), view->context());
        // The view's framebuffer bound, no renderbuffer (as in a new context),
        // viewport and scissor over the surface; colour and depth attached.
        const GLint depth = GLint(depthFormat);
        EXPECT_EQ(integers(GL_FRAMEBUFFER_BINDING_OES, 1), Ints{GLint(view->framebuffer())});
        EXPECT_EQ(integers(GL_RENDERBUFFER_BINDING_OES, 1), Ints{0});
        EXPECT_EQ(integers(GL_VIEWPORT, 4), (Ints{0, 0, w, h}));
        EXPECT_EQ(integers(GL_SCISSOR_BOX, 4), (Ints{0, 0, w, h}));
        EXPECT_EQ(attachment(GL_COLOR_ATTACHMENT0_OES), (Ints{w, h, internalFormat}));
        EXPECT_EQ(attachment(GL_DEPTH_ATTACHMENT_OES), (Ints{depth ? w : 0, depth ? h : 0, depth}));
        auto* layer = dynamic_cast<host::CAEAGLLayer*>(&view->layer());
        EXPECT_TRUE(layer && layer->retainedBacking() == retained) << "the GL ES drawable layer";
    }
    // No surface, no view, and nothing said.
    testsupport::StdoutCapture out;
    EXPECT_EQ(EAGLView::initWithFrame(CGRectMake(0, 0, 0.3f, 10)), nullptr);
    EXPECT_EQ(EAGLView::initWithFrame(CGRectMake(0, 0, 10, 10), "RGB9"), nullptr);
    EXPECT_EQ(out.text(), "");
}

TEST_F(EAGLViewTest, ContextOperationsAndPresentingPutBackWhateverWasCurrent) {
    auto view = EAGLView::initWithFrame(CGRectMake(0, 0, 24, 12));
    ASSERT_NE(view, nullptr);
    glClearColor(1, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(0x1234);
    testsupport::StdoutCapture out;
    view->swapBuffers();

    // Presenting with another context current, and with none.
    ASSERT_TRUE(EAGLContext::setCurrentContext(context()));
    EXPECT_FALSE(view->isCurrentContext());
    GLint fixtureRenderbuffer = integer(GL_RENDERBUFFER_BINDING_OES);
    view->swapBuffers();
    EXPECT_TRUE(EAGLContext::currentContext() == context() &&
                integer(GL_RENDERBUFFER_BINDING_OES) == fixtureRenderbuffer);
    EXPECT_EQ(view->layer().contents()->pixel(23, 11), 0xFFFFFF00u);
    EAGLContext::setCurrentContext(nullptr);
    view->swapBuffers();
    EXPECT_EQ(EAGLContext::currentContext(), nullptr);

    // Destruction puts back another current context, and takes its own with it.
    ASSERT_TRUE(EAGLContext::setCurrentContext(context()));
    view.reset();
    EXPECT_TRUE(EAGLContext::currentContext() == context() && glGetError() == GL_NO_ERROR);
    EAGLView::initWithFrame(CGRectMake(0, 0, 8, 8)).reset();
    EXPECT_EQ(EAGLContext::currentContext(), nullptr);
    EXPECT_EQ(out.text(), testsupport::message(toy::messages::kSwapBuffersGLError, GL_INVALID_ENUM))
        << "once: reading it clears it";
}

}  // namespace
