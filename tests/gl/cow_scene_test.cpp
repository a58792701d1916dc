// The scene's set-up and drawing against real GL state and pixels.
#include "scene/cow_scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <set>
#include <tuple>
#include <vector>

#include "model/gllist.h"
#include "tests/support/gles_fixture.h"

// These stand in for the model's part heads and table, so the real parts are
// not linked in while the model's GL walk is. Each head points at a record
// the test fills; the horns' head is null.
gllist test_parts[6] = {};
const gllist* const cow_face = &test_parts[0];
const gllist* const cow_hide = &test_parts[1];
const gllist* const cow_hoofs = &test_parts[2];
const gllist* const cow_horns = nullptr;
const gllist* const cow_tail = &test_parts[4];
const gllist* const cow_udder = &test_parts[5];
const gllist* const* const all_objs[6] = {&cow_face,  &cow_hide, &cow_hoofs,
                                          &cow_horns, &cow_tail, &cow_udder};

namespace {

using paddock::test::floats;
using paddock::test::integer;
using paddock::test::Rgba;
using paddock::test::RgbaImage;

// Two triangles facing +z (the viewer), counter-clockwise seen from there unless turned away.
std::vector<GLfloat> square(float x0, float y0, float x1, float y1, float z, bool away = false) {
    std::vector<GLfloat> v;
    for (auto [x, y] : {std::pair{x0, y0}, {x1, y0}, {x1, y1}, {x0, y0}, {x1, y1}, {x0, y1}})
        v.insert(v.end(), {0, 0, 1, x, away ? y0 + y1 - y : y, z});
    return v;
}

// A surface facing the viewer under light 0 as the set-up gives it: global
// ambient 0.2 + light ambient 0.2 + diffuse N.L = 2/3, and the specular of
// the half vector between the light and the (infinitely far) viewer.
Rgba lit(float r, float g, float b, float specular = 0, float shininess = 1) {
    const double hx = 0.4 / 0.6, hy = 0.2 / 0.6, hz = 0.4 / 0.6 + 1;
    const double highlight =
        specular * std::pow(hz / std::sqrt(hx * hx + hy * hy + hz * hz), shininess);
    auto channel = [&](float m) {
        return uint8_t(std::lround(std::min(1.0, m * (0.2 + 0.2 + 2.0 / 3.0) + highlight) * 255));
    };
    return {channel(r), channel(g), channel(b), 0};
}
bool near(const Rgba& c, const Rgba& w) {
    return std::max({std::abs(c.r - w.r), std::abs(c.g - w.g), std::abs(c.b - w.b)}) <= 2;
}
bool notBlack(const Rgba& c) { return !c.black(); }

// A fresh scene record on a screen-shaped framebuffer; the shown floater,
// number 4, stands still where the test puts it once the scene is set up.
class CowSceneTest : public paddock::test::GlesFixture {
  protected:
    CowSceneTest() : GlesFixture(64, 96) {}
    void SetUp() override {
        GlesFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        for (gllist& part : test_parts) part = {42, GL_TRIANGLES, 0, nullptr, nullptr};
        scene = static_cast<cow_scene*>(calloc(1, sizeof(cow_scene)));
        speed = 0.2f, srandom(7), srand(11);
    }
    void TearDown() override {
        free_cow_scene(scene);
        GlesFixture::TearDown();
    }
    void setUpScene() {
        init_cow(scene, width(), height(), YES);
        shown = &scene->floaters[4];
        place(5, 0);
        count = 1;
    }
    // Height 5 is drawn at 0; z -10 is 5 in front of the eye after the half scale.
    void place(float y, float drift) {
        shown->x = 0, shown->y = y, shown->z = -10;
        yrotateRight = 0, zrotate = 90, inc = drift;
    }
    void setPart(int index, std::vector<GLfloat> data) {
        vertices[index] = std::move(data);
        test_parts[index] = {42, GL_TRIANGLES, GLint(vertices[index].size() / 6),
                             vertices[index].data(), nullptr};
    }
    // One frame as the stage's tick makes it.
    RgbaImage frame() {
        glLoadIdentity();
        draw_cow(scene);
        return readPixels();
    }

    cow_scene* scene = nullptr;
    floater* shown = nullptr;
    std::vector<GLfloat> vertices[6];
};

TEST_F(CowSceneTest, ReshapeGivesGlusPerspectiveAndCameraAndClears) {
    // What GLU's gluPerspective(30, w / h, 1, 1000) and gluLookAt from (0, 0, 30) give.
    for (auto [w, h, xScale] : {std::tuple{320, 480, 5.5980759f}, {480, 320, 2.4880338f}}) {
        glClearColor(1, 1, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(0, 0, 0, 0);
        reshape_cow(scene, w, h);
        EXPECT_EQ(paddock::test::integers(GL_VIEWPORT, 4), (std::vector<GLint>{0, 0, w, h}));
        EXPECT_EQ(integer(GL_MATRIX_MODE), GL_MODELVIEW);
        const float projection[16] = {xScale, 0, 0,          0,  0, 3.7320509f, 0,          0,
                                      0,      0, -1.002002f, -1, 0, 0,          -2.002002f, 0};
        for (int i = 0; i < 16; ++i)
            EXPECT_FLOAT_EQ(floats(GL_PROJECTION_MATRIX)[i], projection[i]) << w << " x " << h;
        EXPECT_EQ(floats(GL_MODELVIEW_MATRIX),
                  (std::vector<float>{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, -30, 1}));
        EXPECT_EQ(readPixels().count(notBlack), 0) << "cleared";
    }
    // A zero width gives aspect 0, and 0 x 0 a NaN: the projection stays the identity.
    for (auto [w, h] : {std::pair{0, 480}, std::pair{0, 0}}) {
        reshape_cow(scene, 320, 480);
        reshape_cow(scene, w, h);
        EXPECT_EQ(floats(GL_PROJECTION_MATRIX),
                  (std::vector<float>{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}));
        EXPECT_EQ(floats(GL_MODELVIEW_MATRIX)[14], -30.0f) << "the camera is set all the same";
    }
}

TEST_F(CowSceneTest, InitCowLightsTheSceneAndPutsTheFloatersHomeRenewingOnlyTheirRotators) {
    cowreset = NO;
    init_cow(scene, 320, 480, YES);
    for (GLenum cap :
         {GL_DEPTH_TEST, GL_NORMALIZE, GL_CULL_FACE, GL_LIGHTING, GL_LIGHT0, GL_LIGHT1})
        EXPECT_EQ(glIsEnabled(cap), cap != GL_LIGHT1) << "capability 0x" << std::hex << cap;
    EXPECT_TRUE(integer(GL_SHADE_MODEL) == GL_SMOOTH && integer(GL_CULL_FACE_MODE) == GL_BACK);
    // Directional, so the camera's translation leaves it as given.
    std::vector<float> light(16);
    for (int i = 0; i < 4; ++i)
        glGetLightfv(GL_LIGHT0, std::array{GL_POSITION, GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR}[i],
                     &light[4 * i]);
    EXPECT_EQ(light, (std::vector<float>{0.4f, 0.2f, 0.4f, 0, 0.2f, 0.2f, 0.2f, 1, 1, 1, 1, 1, 1, 1,
                                         1, 1}));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

    ASSERT_EQ(scene->floater_count, 5);
    const float homes[5][2] = {{0, 0}, {10, 0}, {0, 10}, {-10, 0}, {0, -10}};
    for (int i = 0; i < 5; ++i) {
        const floater& f = scene->floaters[i];
        // home_y is recorded before the reset puts the floater on the floor.
        EXPECT_EQ(std::vector<float>({f.x, f.z, f.home_y, f.y, f.vy}),
                  std::vector<float>({f.home_x, f.home_z, 0, -2, 5}));
        EXPECT_NEAR(f.home_x, homes[i][0], 1e-6) << i;
        EXPECT_NEAR(f.home_z, homes[i][1], 1e-6) << i;
        EXPECT_EQ(f.rot->wander_rate, double(0.2f) * 0.05) << i;
    }
    EXPECT_TRUE(scene->floaters[2].home_x != 0 && cowreset) << "a float remainder, not 0";

    // Later calls keep the array and floater 0's place, send the others home
    // and replace every rotator, freeing the old ones.
    floater* array = scene->floaters;
    std::vector<rotator*> before;
    for (int i = 0; i < 5; ++i) before.push_back(array[i].rot);
    array[0].x = 3.0f, array[0].z = -1.0f, array[4].x = 7.0f;
    scene->floater_count = 2;
    init_cow(scene, 320, 480, NO);
    EXPECT_TRUE(scene->floaters == array && scene->floater_count == 5);
    EXPECT_TRUE(array[0].x == 3.0f && array[0].home_z == -1.0f && std::fabs(array[4].x) < 1e-6);
    // Freed, too: the sanitizer run's leak check fails this test otherwise.
    for (int i = 0; i < 5; ++i) EXPECT_NE(array[i].rot, before[i]);
    free_cow_scene(nullptr);
}

TEST_F(CowSceneTest, PartsGetTheirMaterialsLaterPartsCoverEarlierOnesAndBackFacesAreCulled) {
    setUpScene();
    // The hide in front, the udder behind it but drawn later, a face part on
    // the left and a tail square turned away on the right.
    setPart(1, square(-4, -4, 4, 4, 0));
    setPart(5, square(-1.5f, -1.5f, 1.5f, 1.5f, -1));
    setPart(0, square(-6, -0.5f, -4.5f, 0.5f, 0));
    setPart(4, square(4.5f, -0.5f, 6, 0.5f, 0, true));
    auto image = frame();
    ASSERT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    const Rgba hide = lit(0.63f, 0.43f, 0.36f), udder = lit(1.0f, 0.53f, 0.53f),
               face = lit(0.1f, 0.1f, 0.1f, 0.1f, 8);
    // Model units to pixels: a 0.14 scale, 5 in front of the eye, 30 degrees over 96 rows.
    const int faceX = 32 - int(std::lround(5.25 * 0.14 / (5 * std::tan(M_PI / 12)) * 48));
    EXPECT_TRUE(near(image.at(32, 48), udder)) << "udder over hide: " << image.at(32, 48);
    EXPECT_TRUE(near(image.at(32, 36), hide)) << image.at(32, 36);
    EXPECT_TRUE(near(image.at(faceX, 48), face)) << image.at(faceX, 48);
    EXPECT_TRUE(image.at(64 - faceX, 48).black()) << "the tail turned away is culled";
    EXPECT_EQ(image.count([&](const Rgba& c) {
        return !c.black() && !near(c, udder) && !near(c, hide) && !near(c, face);
    }),
              0)
        << "black around the three colours";
}

TEST_F(CowSceneTest, PlacesTheCowAtItsHeightAndAtTheDepthBeforeTheDrift) {
    setUpScene();
    setPart(1, square(-4, -4, 4, 4, 0));
    auto still = frame();
    place(5, 4.0f);
    auto drifting = frame();
    EXPECT_FLOAT_EQ(shown->z, -14.0f) << "the tick sees the z after the drift";
    EXPECT_TRUE(still.pixels == drifting.pixels) << "the frame shows the z before it";
    EXPECT_GT(still.count(notBlack), 64 * 96 / 8);
    // At y = -2 the model sits 1.4 lower before the half scale.
    place(-2, 0);
    auto low = frame();
    auto topRow = [](const RgbaImage& im) {
        for (int y = 0; y < im.height; ++y)
            if (!im.at(32, y).black()) return y;
        return -1;
    };
    EXPECT_NEAR(topRow(low) - topRow(still), 0.7 * 48 / (5 * std::tan(M_PI / 12)), 1.5);
}

}  // namespace

TEST_F(CowSceneTest, SpinStateStepsWithinItsRangesFrameByFrame) {
    setUpScene();
    srand(2024);
    std::set<int> spinSteps, tiltSteps;
    int frames = 0;
    for (; frames < 600 && count <= 8.0f; ++frames) {
        int y0 = yrotateRight, z0 = zrotate, wander = shown->rot->wander_frame;
        BOOL armed = reset;
        float countBefore = count;
        frame();
        EXPECT_EQ(shown->rot->wander_frame, wander + 1);
        // The physics may set the spin back at the top of a flight or the show's end.
        if (((armed && !reset) || count != countBefore) && zrotate == 90) continue;
        spinSteps.insert(y0 - yrotateRight);
        tiltSteps.insert(zrotate - z0);
    }
    ASSERT_GT(frames, 300);
    EXPECT_EQ(spinSteps, (std::set<int>{1, 2, 3, 4})) << "yrotateRight falls by 1 to 4";
    EXPECT_GE(*tiltSteps.begin(), 5);
    EXPECT_LE(*tiltSteps.rbegin(), 16);
    EXPECT_GE(tiltSteps.size(), 11u) << "zrotate grows by 5 to 16, most of them seen";
}

TEST_F(CowSceneTest, TheTurnIsTheSpinTimesTheWanderOfAStillRotator) {
    setUpScene();
    // With wander rate 0 the rotator's y is 0.5: the angle is yrotateRight / 2.
    replace_rotator(shown, make_rotator(100, 0, 0, 4, 0, 0));
    setPart(1, square(-0.5f, -6, 0.5f, 6, 0));
    // -60 degrees about y keeps the bar's face towards the viewer, and about
    // (0, 1, 90), nearly the view axis, tips its top to the right. A full
    // factor of 1 would turn it 120 degrees away: culled, nothing drawn.
    yrotateRight = -120;
    auto turned = frame();
    EXPECT_EQ(shown->rot->wander_frame, 0) << "a still rotator does not advance";
    double sumX[2] = {0, 0};
    int n[2] = {0, 0};
    for (int y = 0; y < 96; ++y)
        for (int x = 0; x < 64; ++x)
            if (!turned.at(x, y).black()) sumX[y >= 48] += x, ++n[y >= 48];
    ASSERT_GT(n[0], 20);
    ASSERT_GT(n[1], 20);
    EXPECT_GT(sumX[0] / n[0], 36.0) << "top to the right";
    EXPECT_LT(sumX[1] / n[1], 28.0);
}
