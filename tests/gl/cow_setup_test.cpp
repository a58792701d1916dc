// The scene's set-up against real GL state, and its matrices against the system's GLU.
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>
#include <malloc.h>

#include <cstdlib>
#include <vector>

#include "scene/cow_scene.h"
#include "tests/support/gles_fixture.h"

namespace {

using paddock::test::floats;
using paddock::test::integer;
using paddock::test::integers;

const std::vector<float> kIdentity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// GLU's matrices for the scene's camera, made in a desktop GL context of its
// own; empty when no such context can be had.
std::vector<float> gluMatrices(float aspect) {
    auto platformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    EGLDisplay display = platformDisplay ? platformDisplay(EGL_PLATFORM_SURFACELESS_MESA,
                                                           EGL_DEFAULT_DISPLAY, nullptr)
                                         : EGL_NO_DISPLAY;
    if (!eglInitialize(display, nullptr, nullptr) || !eglBindAPI(EGL_OPENGL_API)) return {};
    EGLContext context = eglCreateContext(display, nullptr, EGL_NO_CONTEXT, nullptr);
    std::vector<float> out;
    if (context != EGL_NO_CONTEXT &&
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) {
        glMatrixMode(GL_PROJECTION);
        gluPerspective(30.0, aspect, 1.0, 1000.0);
        glMatrixMode(GL_MODELVIEW);
        gluLookAt(0, 0, 30, 0, 0, 0, 0, 1, 0);
        out = floats(GL_PROJECTION_MATRIX);
        for (float v : floats(GL_MODELVIEW_MATRIX)) out.push_back(v);
        if (glGetError() != GL_NO_ERROR) out.clear();
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(display, context);
    }
    eglBindAPI(EGL_OPENGL_ES_API);
    return out;
}

// A fresh scene record.
class CowSceneTest : public paddock::test::GlesFixture {
  protected:
    void SetUp() override {
        GlesFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        scene = static_cast<cow_scene*>(calloc(1, sizeof(cow_scene)));
        speed = 0.2f;
        srandom(7);
    }
    void TearDown() override {
        free_cow_scene(scene);
        GlesFixture::TearDown();
    }
    cow_scene* scene = nullptr;
};

TEST_F(CowSceneTest, ReshapeGivesGlusPerspectiveAndCameraAndClears) {
    for (auto [w, h] : {std::pair{320, 480}, std::pair{480, 320}, std::pair{768, 1024}}) {
        SCOPED_TRACE(testing::Message() << w << " x " << h);
        host::EAGLContext::setCurrentContext(nullptr);
        std::vector<float> glu = gluMatrices(1.0f / (float(h) / float(w)));
        ASSERT_TRUE(host::EAGLContext::setCurrentContext(context()));
        if (glu.empty() && paddock::test::glRequired()) FAIL() << "no desktop GL for GLU";
        if (glu.empty()) GTEST_SKIP() << "no desktop GL context for GLU here";

        glClearColor(1, 1, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(0, 0, 0, 0);
        reshape_cow(scene, w, h);
        EXPECT_EQ(integers(GL_VIEWPORT, 4), (std::vector<GLint>{0, 0, w, h}));
        EXPECT_EQ(integer(GL_MATRIX_MODE), GL_MODELVIEW);
        std::vector<float> ours = floats(GL_PROJECTION_MATRIX);
        for (float v : floats(GL_MODELVIEW_MATRIX)) ours.push_back(v);
        // GLU multiplies in double and GL keeps floats: one rounding apart at most.
        for (int i = 0; i < 32; ++i) EXPECT_FLOAT_EQ(ours[i], glu[i]) << "element " << i;
        EXPECT_EQ(readPixels().count([](auto c) { return !c.black(); }), 0) << "cleared";
    }
    // A zero width gives aspect 0, and 0 x 0 a NaN: the projection stays the identity.
    for (auto [w, h] : {std::pair{0, 480}, std::pair{0, 0}}) {
        reshape_cow(scene, 320, 480);
        reshape_cow(scene, w, h);
        EXPECT_EQ(floats(GL_PROJECTION_MATRIX), kIdentity) << w << " x " << h;
        EXPECT_EQ(floats(GL_MODELVIEW_MATRIX)[14], -30.0f) << "the camera is set all the same";
    }
}

TEST_F(CowSceneTest, InitCowTurnsOnShadingDepthCullingAndLightZero) {
    init_cow(scene, 320, 480, YES);
    for (GLenum cap : {GL_DEPTH_TEST, GL_NORMALIZE, GL_CULL_FACE, GL_LIGHTING, GL_LIGHT0})
        EXPECT_TRUE(glIsEnabled(cap)) << "capability 0x" << std::hex << cap;
    EXPECT_FALSE(glIsEnabled(GL_LIGHT1));
    EXPECT_EQ(integer(GL_SHADE_MODEL), GL_SMOOTH);
    EXPECT_EQ(integer(GL_CULL_FACE_MODE), GL_BACK);
    auto light = [](GLenum name) {
        std::vector<float> v(4);
        glGetLightfv(GL_LIGHT0, name, v.data());
        return v;
    };
    // Directional, so the camera's translation leaves it as given.
    EXPECT_EQ(light(GL_POSITION), (std::vector<float>{0.4f, 0.2f, 0.4f, 0.0f}));
    EXPECT_EQ(light(GL_AMBIENT), (std::vector<float>{0.2f, 0.2f, 0.2f, 1.0f}));
    EXPECT_EQ(light(GL_DIFFUSE), (std::vector<float>{1, 1, 1, 1}));
    EXPECT_EQ(light(GL_SPECULAR), (std::vector<float>{1, 1, 1, 1}));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(CowSceneTest, FloatersStartOnTheirHomeSpotsWithFreshRotators) {
    cowreset = NO;
    init_cow(scene, 320, 480, YES);
    ASSERT_EQ(scene->floater_count, 5);
    const float homes[5][2] = {{0, 0}, {10, 0}, {0, 10}, {-10, 0}, {0, -10}};
    for (int i = 0; i < 5; ++i) {
        const floater& f = scene->floaters[i];
        SCOPED_TRACE(i);
        EXPECT_NEAR(f.home_x, homes[i][0], 1e-6);
        EXPECT_NEAR(f.home_z, homes[i][1], 1e-6);
        EXPECT_EQ(f.x, f.home_x);
        EXPECT_EQ(f.z, f.home_z);
        EXPECT_EQ(f.home_y, 0.0f) << "recorded before the reset";
        EXPECT_EQ(f.y, -2.0f);
        EXPECT_EQ(f.vy, 5.0f);
        EXPECT_EQ(f.rot->wander_rate, double(0.2f) * 0.05);
    }
    // The single-precision remainders, not exact zeros.
    EXPECT_NE(scene->floaters[2].home_x, 0.0f);
    EXPECT_EQ(cowreset, YES);

    // Later calls keep the array and floater 0's place, send the others home
    // and replace every rotator, freeing the old ones.
    floater* array = scene->floaters;
    std::vector<rotator*> before;
    for (int i = 0; i < 5; ++i) before.push_back(array[i].rot);
    array[0].x = 3.0f, array[0].z = -1.0f, array[4].x = 7.0f;
    array[4].rot->wander_frame = 40;
    scene->floater_count = 2;
    init_cow(scene, 320, 480, NO);
    EXPECT_EQ(scene->floaters, array);
    EXPECT_EQ(scene->floater_count, 5);
    EXPECT_EQ(array[0].x, 3.0f);
    EXPECT_EQ(array[0].home_z, -1.0f);
    EXPECT_NEAR(array[4].x, 0.0f, 1e-6);
    for (int i = 0; i < 5; ++i) {
        EXPECT_NE(array[i].rot, before[i]);
        EXPECT_EQ(array[i].rot->wander_frame, 0);
    }
    // The driver's own allocations wander by some kilobytes; the 25,000
    // rotators a leak would keep take 400 kB or more.
    size_t start = mallinfo2().uordblks;
    for (int i = 0; i < 5000; ++i) init_cow(scene, 320, 480, NO);
    EXPECT_LT(mallinfo2().uordblks, start + 64 * 1024);
}

TEST(SceneMath, NormalizeLeavesAZeroVectorAndCrossIsOrdered) {
    float v[3] = {3, 0, 4}, zero[3] = {0, 0, 0}, r[3];
    normalize(v);
    normalize(zero);
    EXPECT_EQ(std::vector<float>(v, v + 3), (std::vector<float>{0.6f, 0, 0.8f}));
    EXPECT_EQ(std::vector<float>(zero, zero + 3), (std::vector<float>{0, 0, 0}));
    const float p[3] = {2, 3, 4}, q[3] = {5, 6, 7};
    cross(p, q, r);
    EXPECT_EQ(std::vector<float>(r, r + 3), (std::vector<float>{-3, 6, -3}));
}

}  // namespace
