#include <gtest/gtest.h>
#include <malloc.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "host/eagl/gles.h"
#include "scene/cow_scene.h"
#include "tests/support/gles_fixture.h"

namespace {

std::vector<float> matrix(GLenum which) {
    std::vector<float> m(16);
    glGetFloatv(which, m.data());
    return m;
}

const std::vector<float> kIdentity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

class CowSetupTest : public paddock::test::GlesFixture {
  protected:
    CowSetupTest() : GlesFixture(32, 48) {}
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

TEST_F(CowSetupTest, ProjectionIsAThirtyDegreePerspectiveForTheScreensAspect) {
    reshape_cow(scene, 320, 480);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), (std::vector<GLint>{0, 0, 320, 480}));
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);

    // cot(15 degrees) = 2 + sqrt(3); the aspect is 2/3.
    const double cot = 2.0 + std::sqrt(3.0);
    std::vector<float> p = matrix(GL_PROJECTION_MATRIX);
    EXPECT_FLOAT_EQ(p[0], float(cot * 1.5));
    EXPECT_FLOAT_EQ(p[5], float(cot));
    EXPECT_FLOAT_EQ(p[10], float(-1001.0 / 999.0));
    EXPECT_FLOAT_EQ(p[11], -1.0f);
    EXPECT_FLOAT_EQ(p[14], float(-2000.0 / 999.0));
    for (int i : {1, 2, 3, 4, 6, 7, 8, 9, 12, 13, 15}) EXPECT_EQ(p[i], 0.0f) << "element " << i;

    // The camera at (0, 0, 30) looking at the origin is a translation along -z.
    std::vector<float> m = matrix(GL_MODELVIEW_MATRIX);
    std::vector<float> expected = kIdentity;
    expected[14] = -30.0f;
    EXPECT_EQ(m, expected);
}

TEST_F(CowSetupTest, DegenerateScreensLeaveTheProjectionIdentity) {
    reshape_cow(scene, 0, 480);
    EXPECT_EQ(matrix(GL_PROJECTION_MATRIX), kIdentity) << "zero width: aspect 0";
    reshape_cow(scene, 320, 480);
    reshape_cow(scene, 0, 0);
    EXPECT_EQ(matrix(GL_PROJECTION_MATRIX), kIdentity) << "0 x 0: no NaN in the projection";
    std::vector<float> m = matrix(GL_MODELVIEW_MATRIX);
    EXPECT_EQ(m[14], -30.0f) << "the camera is set all the same";
}

TEST_F(CowSetupTest, ReshapeClearsTheColourBuffer) {
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0, 0, 0, 0);
    reshape_cow(scene, width(), height());
    auto image = readPixels();
    EXPECT_EQ(image.count([](const paddock::test::Rgba& c) { return c.r != 0; }), 0);
}

TEST_F(CowSetupTest, InitCowTurnsOnShadingDepthCullingAndLightZero) {
    init_cow(scene, 320, 480, YES);
    for (GLenum cap : {GL_DEPTH_TEST, GL_NORMALIZE, GL_CULL_FACE, GL_LIGHTING, GL_LIGHT0})
        EXPECT_TRUE(glIsEnabled(cap)) << "capability 0x" << std::hex << cap;
    EXPECT_FALSE(glIsEnabled(GL_LIGHT1));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    GLint shade = 0, cullFace = 0, frontFace = 0;
    glGetIntegerv(GL_SHADE_MODEL, &shade);
    glGetIntegerv(GL_CULL_FACE_MODE, &cullFace);
    glGetIntegerv(GL_FRONT_FACE, &frontFace);
    EXPECT_EQ(shade, GL_SMOOTH);
    EXPECT_EQ(cullFace, GL_BACK);
    EXPECT_EQ(frontFace, GL_CCW);

    auto light = [](GLenum pname) {
        std::vector<float> v(4);
        glGetLightfv(GL_LIGHT0, pname, v.data());
        return v;
    };
    // Directional, so the camera's translation leaves it as given.
    EXPECT_EQ(light(GL_POSITION), (std::vector<float>{0.4f, 0.2f, 0.4f, 0.0f}));
    EXPECT_EQ(light(GL_AMBIENT), (std::vector<float>{0.2f, 0.2f, 0.2f, 1.0f}));
    EXPECT_EQ(light(GL_DIFFUSE), (std::vector<float>{1, 1, 1, 1}));
    EXPECT_EQ(light(GL_SPECULAR), (std::vector<float>{1, 1, 1, 1}));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(CowSetupTest, FloatersStandOnTheirHomeSpotsReadyToLaunch) {
    cowreset = NO;
    init_cow(scene, 320, 480, YES);
    ASSERT_EQ(scene->floater_count, 5);
    ASSERT_NE(scene->floaters, nullptr);
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
        EXPECT_LT(f.ay, -0.075f + 1e-6f);
        EXPECT_GE(f.ay, -0.12f - 1e-6f);
        ASSERT_NE(f.rot, nullptr);
        EXPECT_EQ(f.rot->wander_rate, double(0.2f) * 0.05);
        EXPECT_EQ(f.rot->wander_frame, 0);
    }
    // The single-precision remainders, not exact zeros.
    EXPECT_NE(scene->floaters[2].home_x, 0.0f);
    EXPECT_EQ(scene->floaters[4].home_z, -10.0f);
    EXPECT_EQ(cowreset, YES);
}

TEST_F(CowSetupTest, LaterCallsKeepTheArrayAndReplaceEveryRotator) {
    init_cow(scene, 320, 480, YES);
    floater* array = scene->floaters;
    std::vector<rotator*> before;
    for (int i = 0; i < 5; ++i) before.push_back(array[i].rot);
    array[0].x = 3.0f;
    array[0].z = -1.0f;
    array[4].x = 7.0f;
    array[4].rot->wander_frame = 40;
    scene->floater_count = 2;

    init_cow(scene, 320, 480, NO);
    EXPECT_EQ(scene->floaters, array);
    EXPECT_EQ(scene->floater_count, 5);
    EXPECT_EQ(array[0].x, 3.0f) << "floater 0 keeps its place";
    EXPECT_EQ(array[0].home_z, -1.0f);
    EXPECT_NEAR(array[4].x, 0.0f, 1e-6) << "the others go home";
    for (int i = 0; i < 5; ++i) {
        EXPECT_NE(array[i].rot, before[i]);
        EXPECT_EQ(array[i].rot->wander_frame, 0);
    }
}

TEST_F(CowSetupTest, ReplacedRotatorsAreFreed) {
    init_cow(scene, 320, 480, YES);
    // Under the sanitizers the leak check sees any rotator left behind; here
    // the heap must not grow with repeated set-ups.
    // The driver's own allocations wander by some kilobytes between runs; the
    // 25,000 rotators a leak would keep take 400 kB or more.
    struct mallinfo2 start = mallinfo2();
    for (int i = 0; i < 5000; ++i) init_cow(scene, 320, 480, NO);
    struct mallinfo2 end = mallinfo2();
    EXPECT_LT(end.uordblks, start.uordblks + 64 * 1024);
}

TEST(SceneMathTest, NormalizeCrossAndIdentity) {
    float v[3] = {3, 0, 4};
    normalize(v);
    EXPECT_FLOAT_EQ(v[0], 0.6f);
    EXPECT_EQ(v[1], 0.0f);
    EXPECT_FLOAT_EQ(v[2], 0.8f);
    float zero[3] = {0, 0, 0};
    normalize(zero);
    EXPECT_EQ(zero[0], 0.0f);
    EXPECT_FALSE(std::isnan(zero[2]));

    const float x[3] = {1, 0, 0}, y[3] = {0, 1, 0};
    float r[3];
    cross(x, y, r);
    EXPECT_EQ(std::vector<float>(r, r + 3), (std::vector<float>{0, 0, 1}));
    cross(y, x, r);
    EXPECT_EQ(std::vector<float>(r, r + 3), (std::vector<float>{0, 0, -1}));
    const float p[3] = {2, 3, 4}, q[3] = {5, 6, 7};
    cross(p, q, r);
    EXPECT_EQ(std::vector<float>(r, r + 3), (std::vector<float>{-3, 6, -3}));

    float mf[16];
    double md[16];
    std::fill(mf, mf + 16, 9.0f);
    std::fill(md, md + 16, 9.0);
    gluMakeIdentityf(mf);
    gluMakeIdentityd(md);
    EXPECT_EQ(std::vector<float>(mf, mf + 16), kIdentity);
    EXPECT_EQ(std::vector<double>(md, md + 16),
              std::vector<double>(kIdentity.begin(), kIdentity.end()));
}

}  // namespace
