#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "host/eagl/eagl_context.h"
#include "scene/cow_scene.h"
#include "tests/support/gles_fixture.h"

// The scene builds its projection and camera itself; here the system's GLU
// library builds them in a desktop GL context, and the two must agree.
namespace {

struct GluMatrices {
    std::vector<float> projection, modelview;
};

// Runs GLU in a desktop GL context of its own; false when no such context can be had.
bool gluMatrices(float aspect, GluMatrices& out) {
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) return false;
    EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA,
                                            reinterpret_cast<void*>(EGL_DEFAULT_DISPLAY), nullptr);
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr)) return false;
    if (!eglBindAPI(EGL_OPENGL_API)) return false;
    EGLContext context = eglCreateContext(display, nullptr, EGL_NO_CONTEXT, nullptr);
    bool made = context != EGL_NO_CONTEXT &&
                eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context);
    if (made) {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(30.0, aspect, 1.0, 1000.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        gluLookAt(0, 0, 30, 0, 0, 0, 0, 1, 0);
        out.projection.resize(16);
        out.modelview.resize(16);
        glGetFloatv(GL_PROJECTION_MATRIX, out.projection.data());
        glGetFloatv(GL_MODELVIEW_MATRIX, out.modelview.data());
        made = glGetError() == GL_NO_ERROR;
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    }
    if (context != EGL_NO_CONTEXT) eglDestroyContext(display, context);
    eglBindAPI(EGL_OPENGL_ES_API);
    return made;
}

class GluCrossCheckTest : public paddock::test::GlesFixture {};

TEST_F(GluCrossCheckTest, SceneMatricesEqualGlusForPortraitAndLandscapeScreens) {
    for (auto [w, h] : {std::pair{320, 480}, std::pair{480, 320}, std::pair{768, 1024}}) {
        SCOPED_TRACE(testing::Message() << w << " x " << h);
        float aspect = 1.0f / (float(h) / float(w));
        GluMatrices glu;
        host::EAGLContext::setCurrentContext(nullptr);
        bool haveGlu = gluMatrices(aspect, glu);
        ASSERT_TRUE(host::EAGLContext::setCurrentContext(context()));
        if (!haveGlu) GTEST_SKIP() << "no desktop GL context for GLU here";

        cow_scene scene{};
        reshape_cow(&scene, w, h);
        std::vector<float> projection(16), modelview(16);
        glGetFloatv(GL_PROJECTION_MATRIX, projection.data());
        glGetFloatv(GL_MODELVIEW_MATRIX, modelview.data());
        for (int i = 0; i < 16; ++i) {
            // GLU multiplies in double and GL keeps floats: one rounding apart at most.
            EXPECT_FLOAT_EQ(projection[i], glu.projection[i]) << "projection element " << i;
            EXPECT_FLOAT_EQ(modelview[i], glu.modelview[i]) << "modelview element " << i;
        }
    }
}

}  // namespace
