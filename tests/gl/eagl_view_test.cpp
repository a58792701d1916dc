#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "gl/EAGLView.h"
#include "tests/support/gles_fixture.h"
#include "tests/support/host_support.h"

namespace {

using host::CGRectMake;
using host::EAGLContext;
using paddock::test::integer;
using paddock::test::integers;

// Size and internal format of an attachment of the bound framebuffer (0s when none).
std::vector<GLint> attachment(GLenum point) {
    std::vector<GLint> out(3, 0);
    GLint type = 0, name = 0;
    glGetFramebufferAttachmentParameterivOES(GL_FRAMEBUFFER_OES, point,
                                             GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE_OES, &type);
    if (type != GL_RENDERBUFFER_OES) return out;
    glGetFramebufferAttachmentParameterivOES(GL_FRAMEBUFFER_OES, point,
                                             GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME_OES, &name);
    GLint saved = integer(GL_RENDERBUFFER_BINDING_OES);
    glBindRenderbufferOES(GL_RENDERBUFFER_OES, name);
    const GLenum names[3] = {GL_RENDERBUFFER_WIDTH_OES, GL_RENDERBUFFER_HEIGHT_OES,
                             GL_RENDERBUFFER_INTERNAL_FORMAT_OES};
    for (int i = 0; i < 3; ++i)
        glGetRenderbufferParameterivOES(GL_RENDERBUFFER_OES, names[i], &out[i]);
    glBindRenderbufferOES(GL_RENDERBUFFER_OES, saved);
    return out;
}

std::string errorLine(const char* where) {
    char text[128];
    std::snprintf(text, sizeof text, "OpenGL error 0x%04X in %s\n", GL_INVALID_ENUM, where);
    return text;
}

// The fixture's context stands for "some other context".
class EAGLViewTest : public paddock::test::GlesFixture {};

struct ResizeRecorder : EAGLViewDelegate {
    void didResizeEAGLSurfaceForView(EAGLView* v) override {
        view = v;
        sizes.push_back({v->surfaceSize().width, v->surfaceSize().height});
    }
    EAGLView* view = nullptr;
    std::vector<std::pair<float, float>> sizes;
};

TEST_F(EAGLViewTest, InitialisersMakeTheRoundedSurfaceCurrentAndBoundWithDepthOnlyIfAsked) {
    struct Row {
        float w, h;
        const char* format;
        GLuint depth;
        bool retained;
        GLint width, height, internalFormat;
    };
    for (Row row : {Row{320.4f, 479.5f, host::kEAGLColorFormatRGB565, GL_DEPTH_COMPONENT16_OES,
                        false, 320, 480, GL_RGB565_OES},
                    Row{32, 48, nullptr, 0, false, 32, 48, GL_RGB565_OES},
                    Row{32, 48, host::kEAGLColorFormatRGBA8, 0, false, 32, 48, GL_RGBA8_OES},
                    Row{4, 4, host::kEAGLColorFormatRGBA8, 0, true, 4, 4, GL_RGBA8_OES}}) {
        SCOPED_TRACE(testing::Message() << row.w << " x " << row.h);
        auto frame = CGRectMake(0, 0, row.w, row.h);
        auto view = row.depth || row.retained
                        ? EAGLView::initWithFrame(frame, row.format, row.depth, row.retained)
                    : row.format ? EAGLView::initWithFrame(frame, row.format)
                                 : EAGLView::initWithFrame(frame);
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->surfaceSize().width, float(row.width));
        EXPECT_EQ(view->surfaceSize().height, float(row.height));
        EXPECT_EQ(EAGLContext::currentContext(), view->context());
        EXPECT_EQ(GLuint(integer(GL_FRAMEBUFFER_BINDING_OES)), view->framebuffer());
        EXPECT_EQ(integer(GL_RENDERBUFFER_BINDING_OES), 0) << "as it was in the new context";
        const std::vector<GLint> box = {0, 0, row.width, row.height};
        EXPECT_EQ(integers(GL_VIEWPORT, 4), box);
        EXPECT_EQ(integers(GL_SCISSOR_BOX, 4), box);
        EXPECT_EQ(attachment(GL_COLOR_ATTACHMENT0_OES),
                  (std::vector<GLint>{row.width, row.height, row.internalFormat}));
        const GLint depth = GLint(row.depth);
        EXPECT_EQ(attachment(GL_DEPTH_ATTACHMENT_OES),
                  (std::vector<GLint>{depth ? row.width : 0, depth ? row.height : 0, depth}));
        auto* layer = dynamic_cast<host::CAEAGLLayer*>(&view->layer());
        ASSERT_NE(layer, nullptr) << "layerClass gives the GL ES drawable layer";
        EXPECT_EQ(layer->retainedBacking(), row.retained);
    }
    // No surface, no view, and nothing said.
    testsupport::StdoutCapture out;
    EXPECT_EQ(EAGLView::initWithFrame(CGRectMake(0, 0, 0.3f, 10)), nullptr);
    EXPECT_EQ(EAGLView::initWithFrame(CGRectMake(0, 0, 10, 10), "RGB9"), nullptr);
    EXPECT_EQ(out.text(), "");
}

TEST_F(EAGLViewTest, LayoutRecreatesOnlyWhenAutoresizingAndTheRoundedSizeChanged) {
    auto view = EAGLView::initWithFrame(CGRectMake(0, 0, 100, 200));
    ASSERT_NE(view, nullptr);
    ResizeRecorder recorder;
    view->setDelegate(&recorder);
    GLuint first = view->framebuffer();
    view->setFrame(CGRectMake(0, 0, 50, 60));
    view->layoutSubviews();
    view->setAutoresizesSurface(true);
    view->setAutoresizesSurface(false);
    EXPECT_EQ(view->framebuffer(), first) << "autoresizing off, and the property only stores";
    view->setAutoresizesEAGLSurface(true);
    EXPECT_EQ(recorder.view, view.get()) << "turning it on catches up the resize at once";
    view->setFrame(CGRectMake(0, 0, 50.4f, 59.6f));
    view->layoutSubviews();

    // Re-creation puts back the bindings it found and leaves viewport and scissor alone.
    GLuint otherFramebuffer = 0, otherRenderbuffer = 0;
    glGenFramebuffersOES(1, &otherFramebuffer);
    glGenRenderbuffersOES(1, &otherRenderbuffer);
    glBindFramebufferOES(GL_FRAMEBUFFER_OES, otherFramebuffer);
    glBindRenderbufferOES(GL_RENDERBUFFER_OES, otherRenderbuffer);
    glViewport(1, 2, 3, 4);
    glScissor(5, 6, 7, 8);
    view->setFrame(CGRectMake(0, 0, 70, 59.6f));
    view->layoutSubviews();
    EXPECT_EQ(GLuint(integer(GL_FRAMEBUFFER_BINDING_OES)), otherFramebuffer);
    EXPECT_EQ(GLuint(integer(GL_RENDERBUFFER_BINDING_OES)), otherRenderbuffer);
    EXPECT_EQ(integers(GL_VIEWPORT, 4), (std::vector<GLint>{1, 2, 3, 4}));
    EXPECT_EQ(integers(GL_SCISSOR_BOX, 4), (std::vector<GLint>{5, 6, 7, 8}));
    glBindFramebufferOES(GL_FRAMEBUFFER_OES, view->framebuffer());
    EXPECT_EQ(attachment(GL_COLOR_ATTACHMENT0_OES)[0], 70);
    EXPECT_EQ(attachment(GL_COLOR_ATTACHMENT0_OES)[1], 60);
    // With the view's own framebuffer bound, its deletion unbinds it: afterwards none is.
    // A pending GL error is reported, and does not undo the creation.
    glEnable(0x1234);
    {
        testsupport::StdoutCapture out;
        view->setFrame(CGRectMake(0, 0, 31, 41));
        view->layoutSubviews();
        EXPECT_EQ(out.text(), errorLine("-[EAGLView _createSurface]"));
    }
    EXPECT_EQ(integer(GL_FRAMEBUFFER_BINDING_OES), 0);

    view->setAutoresizesEAGLSurface(false);
    view->setFrame(CGRectMake(0, 0, 10, 10));
    view->layoutSubviews();
    EXPECT_EQ(recorder.sizes, (std::vector<std::pair<float, float>>{{50, 60}, {70, 60}, {31, 41}}))
        << "not for the same rounded size, nor with autoresizing off";
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(EAGLViewTest, ContextOperationsAndPresentingPutBackWhateverWasCurrent) {
    auto view = EAGLView::initWithFrame(CGRectMake(0, 0, 24, 12));
    ASSERT_NE(view, nullptr);
    glClearColor(1, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(0x1234);
    testsupport::StdoutCapture out;
    view->swapBuffers();
    view->clearCurrentContext();
    EXPECT_FALSE(view->isCurrentContext());
    EXPECT_EQ(EAGLContext::currentContext(), nullptr);
    view->setCurrentContext();
    EXPECT_TRUE(view->isCurrentContext());

    // Presenting with another context current, and with none.
    ASSERT_TRUE(EAGLContext::setCurrentContext(context()));
    EXPECT_FALSE(view->isCurrentContext());
    GLint fixtureRenderbuffer = integer(GL_RENDERBUFFER_BINDING_OES);
    view->swapBuffers();
    EXPECT_EQ(EAGLContext::currentContext(), context());
    EXPECT_EQ(integer(GL_RENDERBUFFER_BINDING_OES), fixtureRenderbuffer);
    EXPECT_EQ(view->layer().contents()->pixel(23, 11), 0xFFFFFF00u);
    EAGLContext::setCurrentContext(nullptr);
    view->swapBuffers();
    EXPECT_EQ(EAGLContext::currentContext(), nullptr);

    // Destruction puts back another current context, and takes its own with it.
    ASSERT_TRUE(EAGLContext::setCurrentContext(context()));
    view.reset();
    EXPECT_EQ(EAGLContext::currentContext(), context());
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EAGLView::initWithFrame(CGRectMake(0, 0, 8, 8)).reset();
    EXPECT_EQ(EAGLContext::currentContext(), nullptr);
    EXPECT_EQ(out.text(), errorLine("-[EAGLView swapBuffers]")) << "once: reading it clears it";
}

TEST_F(EAGLViewTest, ConversionsScaleFromBoundsToSurfaceWithoutFlip) {
    auto view = EAGLView::initWithFrame(CGRectMake(0, 0, 320, 480));
    ASSERT_NE(view, nullptr);
    // The point (x, y) and the rect (x, y, w, h) converted.
    auto convert = [&](float x, float y, float w, float h) {
        host::CGPoint p = view->convertPointFromViewToSurface(host::CGPointMake(x, y));
        host::CGRect r = view->convertRectFromViewToSurface(CGRectMake(x, y, w, h));
        return std::vector<float>{p.x, p.y, r.origin.x, r.origin.y, r.size.width, r.size.height};
    };
    EXPECT_EQ(convert(12.5f, 470, 3, 4), (std::vector<float>{12.5f, 470, 12.5f, 470, 3, 4}));
    view->setBounds(CGRectMake(10, 20, 160, 240));
    EXPECT_EQ(convert(90, 140, 16, 24), (std::vector<float>{160, 240, 160, 240, 32, 48}));
    view->setBounds(CGRectMake(0, 0, 0, 240));
    auto degenerate = convert(5, 5, 1, 1);
    EXPECT_FALSE(std::isfinite(degenerate[0]));
    EXPECT_TRUE(std::isfinite(degenerate[1]));
    EXPECT_FALSE(std::isfinite(degenerate[4]));
}

}  // namespace
