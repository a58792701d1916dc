#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "gl/EAGLView.h"
#include "tests/support/gles_fixture.h"

namespace {

using host::CGRectMake;
using host::EAGLContext;

// The fixture's context stands for "some other context" in these tests.
class EAGLViewTest : public paddock::test::GlesFixture {
  protected:
    EAGLViewTest() : GlesFixture(8, 8) {}

    static GLint integer(GLenum name) {
        GLint value = -1;
        glGetIntegerv(name, &value);
        return value;
    }
    // Size and internal format of an attachment of the bound framebuffer (0s when none).
    struct Attachment {
        GLint name = 0, width = 0, height = 0, format = 0;
    };
    static Attachment attachment(GLenum point) {
        Attachment a;
        GLint type = 0;
        glGetFramebufferAttachmentParameterivOES(GL_FRAMEBUFFER_OES, point,
                                                 GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE_OES, &type);
        if (type != GL_RENDERBUFFER_OES) return a;
        glGetFramebufferAttachmentParameterivOES(
            GL_FRAMEBUFFER_OES, point, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME_OES, &a.name);
        GLint saved = integer(GL_RENDERBUFFER_BINDING_OES);
        glBindRenderbufferOES(GL_RENDERBUFFER_OES, a.name);
        glGetRenderbufferParameterivOES(GL_RENDERBUFFER_OES, GL_RENDERBUFFER_WIDTH_OES, &a.width);
        glGetRenderbufferParameterivOES(GL_RENDERBUFFER_OES, GL_RENDERBUFFER_HEIGHT_OES, &a.height);
        glGetRenderbufferParameterivOES(GL_RENDERBUFFER_OES, GL_RENDERBUFFER_INTERNAL_FORMAT_OES,
                                        &a.format);
        glBindRenderbufferOES(GL_RENDERBUFFER_OES, saved);
        return a;
    }
    static std::string line(const char* format, unsigned value, const char* where) {
        char text[128];
        std::snprintf(text, sizeof text, format, value, where);
        return text;
    }
};

struct ResizeRecorder : EAGLViewDelegate {
    void didResizeEAGLSurfaceForView(EAGLView* view) override {
        ++calls;
        lastView = view;
        lastSize = view->surfaceSize();
    }
    int calls = 0;
    EAGLView* lastView = nullptr;
    host::CGSize lastSize{};
};

TEST_F(EAGLViewTest, FirstSurfaceIsTheRoundedBoundsWithContextCurrentAndFramebufferBound) {
    auto view =
        EAGLView::initWithFrame(CGRectMake(0, 0, 320.4f, 479.5f), host::kEAGLColorFormatRGB565,
                                GL_DEPTH_COMPONENT16_OES, false);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->surfaceSize().width, 320.0f);
    EXPECT_EQ(view->surfaceSize().height, 480.0f);
    EXPECT_TRUE(view->isCurrentContext());
    EXPECT_EQ(EAGLContext::currentContext(), view->context());
    EXPECT_NE(view->framebuffer(), 0u);
    EXPECT_EQ(static_cast<GLuint>(integer(GL_FRAMEBUFFER_BINDING_OES)), view->framebuffer());
    EXPECT_EQ(integer(GL_RENDERBUFFER_BINDING_OES), 0) << "as it was in the new context";
    GLint viewport[4], scissor[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetIntegerv(GL_SCISSOR_BOX, scissor);
    EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), (std::vector<GLint>{0, 0, 320, 480}));
    EXPECT_EQ(std::vector<GLint>(scissor, scissor + 4), (std::vector<GLint>{0, 0, 320, 480}));

    Attachment colour = attachment(GL_COLOR_ATTACHMENT0_OES);
    EXPECT_EQ(colour.width, 320);
    EXPECT_EQ(colour.height, 480);
    EXPECT_EQ(colour.format, GL_RGB565_OES);
    Attachment depth = attachment(GL_DEPTH_ATTACHMENT_OES);
    EXPECT_NE(depth.name, 0);
    EXPECT_EQ(depth.width, 320);
    EXPECT_EQ(depth.height, 480);
    EXPECT_EQ(depth.format, GL_DEPTH_COMPONENT16_OES);
    EXPECT_EQ(glCheckFramebufferStatusOES(GL_FRAMEBUFFER_OES), GLenum(GL_FRAMEBUFFER_COMPLETE_OES));
    EXPECT_EQ(view->depthFormat(), GLuint(GL_DEPTH_COMPONENT16_OES));
}

TEST_F(EAGLViewTest, ShortInitialisersMakeRGB565WithoutDepthOrRetainedBacking) {
    auto view = EAGLView::initWithFrame(CGRectMake(0, 0, 32, 48));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->pixelFormat(), host::kEAGLColorFormatRGB565);
    EXPECT_EQ(view->depthFormat(), 0u);
    EXPECT_FALSE(view->autoresizesSurface());
    EXPECT_EQ(view->delegate(), nullptr);
    EXPECT_EQ(attachment(GL_DEPTH_ATTACHMENT_OES).name, 0) << "depth format 0: no depth buffer";

    auto* layer = dynamic_cast<host::CAEAGLLayer*>(&view->layer());
    ASSERT_NE(layer, nullptr) << "layerClass gives the GL ES drawable layer";
    const auto& properties = layer->drawableProperties();
    EXPECT_EQ(properties.size(), 2u);
    ASSERT_NE(properties.find(host::kEAGLDrawablePropertyRetainedBacking), nullptr);
    EXPECT_EQ(*properties.find(host::kEAGLDrawablePropertyRetainedBacking),
              host::EAGLDrawableProperties::Value(false));
    EXPECT_EQ(properties.stringValue(host::kEAGLDrawablePropertyColorFormat, ""),
              host::kEAGLColorFormatRGB565);

    auto rgba = EAGLView::initWithFrame(CGRectMake(0, 0, 32, 48), host::kEAGLColorFormatRGBA8);
    ASSERT_NE(rgba, nullptr);
    EXPECT_EQ(attachment(GL_COLOR_ATTACHMENT0_OES).format, GL_RGBA8_OES);
    auto retained =
        EAGLView::initWithFrame(CGRectMake(0, 0, 4, 4), host::kEAGLColorFormatRGBA8, 0, true);
    ASSERT_NE(retained, nullptr);
    EXPECT_TRUE(static_cast<host::CAEAGLLayer&>(retained->layer()).retainedBacking());
}

TEST_F(EAGLViewTest, InitialiserYieldsNothingSilentlyWhenNoSurfaceCanBeMade) {
    testing::internal::CaptureStdout();
    auto empty = EAGLView::initWithFrame(CGRectMake(0, 0, 0.3f, 10));
    auto unknown = EAGLView::initWithFrame(CGRectMake(0, 0, 10, 10), "RGB9");
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(empty, nullptr);
    EXPECT_EQ(unknown, nullptr);
    EXPECT_EQ(out, "");
}

TEST_F(EAGLViewTest, LayoutRecreatesOnlyWhenAutoresizingAndTheRoundedSizeChanged) {
    auto view = EAGLView::initWithFrame(CGRectMake(0, 0, 100, 200));
    ASSERT_NE(view, nullptr);
    ResizeRecorder recorder;
    view->setDelegate(&recorder);
    GLuint first = view->framebuffer();

    view->setFrame(CGRectMake(0, 0, 50, 60));
    view->layoutSubviews();
    EXPECT_EQ(view->framebuffer(), first) << "autoresizing off: never touched";
    EXPECT_EQ(view->surfaceSize().width, 100.0f);
    view->setAutoresizesSurface(true);
    EXPECT_EQ(recorder.calls, 0) << "the property's setter only stores";
    view->setAutoresizesSurface(false);

    view->setAutoresizesEAGLSurface(true);
    EXPECT_EQ(recorder.calls, 1) << "turning it on catches up the resize at once";
    EXPECT_EQ(recorder.lastView, view.get());
    EXPECT_EQ(recorder.lastSize.width, 50.0f);
    EXPECT_EQ(recorder.lastSize.height, 60.0f);

    // Same rounded size: nothing.
    view->setFrame(CGRectMake(0, 0, 50.4f, 59.6f));
    GLuint second = view->framebuffer();
    view->layoutSubviews();
    EXPECT_EQ(recorder.calls, 1);
    EXPECT_EQ(view->framebuffer(), second);

    view->setFrame(CGRectMake(0, 0, 70, 59.6f));
    view->layoutSubviews();
    EXPECT_EQ(recorder.calls, 2);
    EXPECT_EQ(view->surfaceSize().width, 70.0f);
    glBindFramebufferOES(GL_FRAMEBUFFER_OES, view->framebuffer());
    EXPECT_EQ(attachment(GL_COLOR_ATTACHMENT0_OES).width, 70);
    EXPECT_EQ(attachment(GL_COLOR_ATTACHMENT0_OES).height, 60);

    view->setAutoresizesEAGLSurface(false);
    view->setFrame(CGRectMake(0, 0, 10, 10));
    view->layoutSubviews();
    EXPECT_EQ(recorder.calls, 2) << "with NO it only stores the flag";
}

TEST_F(EAGLViewTest, RecreationRestoresBindingsAndLeavesViewportAlone) {
    auto view = EAGLView::initWithFrame(CGRectMake(0, 0, 100, 200));
    ASSERT_NE(view, nullptr);
    view->setAutoresizesSurface(true);

    GLuint otherFramebuffer = 0, otherRenderbuffer = 0;
    glGenFramebuffersOES(1, &otherFramebuffer);
    glGenRenderbuffersOES(1, &otherRenderbuffer);
    glBindFramebufferOES(GL_FRAMEBUFFER_OES, otherFramebuffer);
    glBindRenderbufferOES(GL_RENDERBUFFER_OES, otherRenderbuffer);
    glViewport(1, 2, 3, 4);
    glScissor(5, 6, 7, 8);

    view->setFrame(CGRectMake(0, 0, 30, 40));
    view->layoutSubviews();
    EXPECT_EQ(view->surfaceSize().height, 40.0f);
    EXPECT_EQ(static_cast<GLuint>(integer(GL_FRAMEBUFFER_BINDING_OES)), otherFramebuffer);
    EXPECT_EQ(static_cast<GLuint>(integer(GL_RENDERBUFFER_BINDING_OES)), otherRenderbuffer);
    GLint viewport[4], scissor[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetIntegerv(GL_SCISSOR_BOX, scissor);
    EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), (std::vector<GLint>{1, 2, 3, 4}));
    EXPECT_EQ(std::vector<GLint>(scissor, scissor + 4), (std::vector<GLint>{5, 6, 7, 8}));

    // With the view's own framebuffer bound, its deletion unbinds it: afterwards none is.
    glBindFramebufferOES(GL_FRAMEBUFFER_OES, view->framebuffer());
    view->setFrame(CGRectMake(0, 0, 31, 41));
    view->layoutSubviews();
    EXPECT_EQ(integer(GL_FRAMEBUFFER_BINDING_OES), 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(EAGLViewTest, PendingErrorIsReportedOnceByCreationOrByPresenting) {
    auto view = EAGLView::initWithFrame(CGRectMake(0, 0, 16, 16));
    ASSERT_NE(view, nullptr);
    view->setAutoresizesSurface(true);

    glEnable(0x1234);
    testing::internal::CaptureStdout();
    view->setFrame(CGRectMake(0, 0, 20, 20));
    view->layoutSubviews();
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out,
              line("OpenGL error 0x%04X in %s\n", GL_INVALID_ENUM, "-[EAGLView _createSurface]"));
    EXPECT_EQ(view->surfaceSize().width, 20.0f) << "the error does not undo the creation";

    glBindFramebufferOES(GL_FRAMEBUFFER_OES, view->framebuffer());
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(0x1234);
    testing::internal::CaptureStdout();
    view->swapBuffers();
    view->swapBuffers();
    out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, line("OpenGL error 0x%04X in %s\n", GL_INVALID_ENUM, "-[EAGLView swapBuffers]"))
        << "reading the error clears it: printed once";
    ASSERT_NE(view->layer().contents(), nullptr);
    EXPECT_EQ(view->layer().contents()->pixel(5, 5), 0xFF0000FFu) << "and the frame is shown";
}

TEST_F(EAGLViewTest, SwapBuffersWithAnotherContextCurrentPresentsAndPutsItBack) {
    auto view = EAGLView::initWithFrame(CGRectMake(0, 0, 24, 12));
    ASSERT_NE(view, nullptr);
    glClearColor(1, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glFinish();

    ASSERT_TRUE(EAGLContext::setCurrentContext(context()));
    GLint fixtureRenderbuffer = integer(GL_RENDERBUFFER_BINDING_OES);
    testing::internal::CaptureStdout();
    view->swapBuffers();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(EAGLContext::currentContext(), context());
    EXPECT_FALSE(view->isCurrentContext());
    EXPECT_EQ(integer(GL_RENDERBUFFER_BINDING_OES), fixtureRenderbuffer);
    ASSERT_NE(view->layer().contents(), nullptr);
    EXPECT_EQ(view->layer().contents()->pixel(23, 11), 0xFFFFFF00u);

    // With none current too.
    EAGLContext::setCurrentContext(nullptr);
    view->swapBuffers();
    EXPECT_EQ(EAGLContext::currentContext(), nullptr);
}

TEST_F(EAGLViewTest, CurrentContextOperationsAnswerForTheViewsContext) {
    auto view = EAGLView::initWithFrame(CGRectMake(0, 0, 8, 8));
    ASSERT_NE(view, nullptr);
    testing::internal::CaptureStdout();
    view->clearCurrentContext();
    EXPECT_FALSE(view->isCurrentContext());
    EXPECT_EQ(EAGLContext::currentContext(), nullptr);
    view->setCurrentContext();
    EXPECT_TRUE(view->isCurrentContext());
    EAGLContext::setCurrentContext(context());
    EXPECT_FALSE(view->isCurrentContext());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_F(EAGLViewTest, DestructionPutsBackTheContextThatWasCurrent) {
    auto view = EAGLView::initWithFrame(CGRectMake(0, 0, 8, 8));
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(EAGLContext::setCurrentContext(context()));
    view.reset();
    EXPECT_EQ(EAGLContext::currentContext(), context());
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

    auto current = EAGLView::initWithFrame(CGRectMake(0, 0, 8, 8));
    ASSERT_NE(current, nullptr);
    current.reset();
    EXPECT_EQ(EAGLContext::currentContext(), nullptr) << "its own context goes with it";
}

TEST_F(EAGLViewTest, ConversionsScaleFromBoundsToSurfaceWithoutFlip) {
    auto view = EAGLView::initWithFrame(CGRectMake(0, 0, 320, 480));
    ASSERT_NE(view, nullptr);
    host::CGPoint p = view->convertPointFromViewToSurface(host::CGPointMake(12.5f, 470));
    EXPECT_EQ(p.x, 12.5f);
    EXPECT_EQ(p.y, 470.0f) << "near the bottom stays near the bottom";
    host::CGRect r = view->convertRectFromViewToSurface(CGRectMake(1, 2, 3, 4));
    EXPECT_EQ(r.origin.x, 1.0f);
    EXPECT_EQ(r.origin.y, 2.0f);
    EXPECT_EQ(r.size.width, 3.0f);
    EXPECT_EQ(r.size.height, 4.0f);

    view->setBounds(CGRectMake(10, 20, 160, 240));
    p = view->convertPointFromViewToSurface(host::CGPointMake(10, 20));
    EXPECT_EQ(p.x, 0.0f);
    EXPECT_EQ(p.y, 0.0f);
    p = view->convertPointFromViewToSurface(host::CGPointMake(90, 140));
    EXPECT_EQ(p.x, 160.0f);
    EXPECT_EQ(p.y, 240.0f);
    r = view->convertRectFromViewToSurface(CGRectMake(10, 20, 16, 24));
    EXPECT_EQ(r.size.width, 32.0f);
    EXPECT_EQ(r.size.height, 48.0f);

    view->setBounds(CGRectMake(0, 0, 0, 240));
    p = view->convertPointFromViewToSurface(host::CGPointMake(5, 5));
    EXPECT_FALSE(std::isfinite(p.x));
    EXPECT_TRUE(std::isfinite(p.y));
    r = view->convertRectFromViewToSurface(CGRectMake(1, 1, 1, 1));
    EXPECT_FALSE(std::isfinite(r.size.width));
}

}  // namespace
