#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <set>
#include <vector>

#include "model/gllist.h"
#include "scene/cow_scene.h"
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
const Rgba kHide = lit(0.63f, 0.43f, 0.36f), kUdder = lit(1.0f, 0.53f, 0.53f),
           kFace = lit(0.1f, 0.1f, 0.1f, 0.1f, 8);

bool near(const Rgba& c, const Rgba& want) {
    return std::abs(c.r - want.r) <= 2 && std::abs(c.g - want.g) <= 2 &&
           std::abs(c.b - want.b) <= 2;
}

// A screen-shaped framebuffer with the scene set up on it and the shown
// floater, number 4, standing still where the test puts it.
class CowDrawTest : public paddock::test::GlesFixture {
  protected:
    CowDrawTest() : GlesFixture(64, 96) {}
    void SetUp() override {
        GlesFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        for (gllist& part : test_parts) part = {42, GL_TRIANGLES, 0, nullptr, nullptr};
        scene = static_cast<cow_scene*>(calloc(1, sizeof(cow_scene)));
        speed = 0.2f;
        srand(11);
        init_cow(scene, width(), height(), YES);
        shown = &scene->floaters[4];
        place(5, 0);
        count = 1;
    }
    void TearDown() override {
        free_cow_scene(scene);
        GlesFixture::TearDown();
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

TEST_F(CowDrawTest, PartsGetTheirMaterialsLaterPartsCoverEarlierOnesAndBackFacesAreCulled) {
    // The hide in front, the udder behind it but drawn later, a face part on
    // the left and a tail square turned away on the right.
    setPart(1, square(-4, -4, 4, 4, 0));
    setPart(5, square(-1.5f, -1.5f, 1.5f, 1.5f, -1));
    setPart(0, square(-6, -0.5f, -4.5f, 0.5f, 0));
    setPart(4, square(4.5f, -0.5f, 6, 0.5f, 0, true));
    auto image = frame();
    ASSERT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    // Model units to pixels: a 0.14 scale, 5 in front of the eye, 30 degrees over 96 rows.
    const int faceX = 32 - int(std::lround(5.25 * 0.14 / (5 * std::tan(M_PI / 12)) * 48));
    EXPECT_TRUE(near(image.at(32, 48), kUdder)) << "udder over hide: " << image.at(32, 48);
    EXPECT_TRUE(near(image.at(32, 36), kHide)) << image.at(32, 36);
    EXPECT_TRUE(near(image.at(faceX, 48), kFace)) << image.at(faceX, 48);
    EXPECT_TRUE(image.at(64 - faceX, 48).black()) << "the tail turned away is culled";
    EXPECT_EQ(image.count([](const Rgba& c) {
        return !c.black() && !near(c, kUdder) && !near(c, kHide) && !near(c, kFace);
    }),
              0)
        << "black around the three colours";
}

TEST_F(CowDrawTest, PlacesTheCowAtItsHeightAndAtTheDepthBeforeTheDrift) {
    setPart(1, square(-4, -4, 4, 4, 0));
    auto still = frame();
    EXPECT_EQ(shown->z, -10.0f);
    place(5, 4.0f);
    auto drifting = frame();
    EXPECT_FLOAT_EQ(shown->z, -14.0f) << "the tick sees the z after the drift";
    EXPECT_TRUE(still.pixels == drifting.pixels) << "the frame shows the z before it";
    EXPECT_GT(still.count([](const Rgba& c) { return !c.black(); }), 64 * 96 / 8);

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

TEST_F(CowDrawTest, StacksModeAndTextureComeBackAndEmptyPartsStillGetTheirMaterials) {
    setPart(1, square(-4, -4, 4, 4, 0));
    glTranslatef(0.25f, 0.5f, -1);
    std::vector<float> before = paddock::test::floats(GL_MODELVIEW_MATRIX);
    GLint modelviewDepth = integer(GL_MODELVIEW_STACK_DEPTH);
    GLint textureDepth = integer(GL_TEXTURE_STACK_DEPTH);
    draw_cow(scene);
    EXPECT_EQ(paddock::test::floats(GL_MODELVIEW_MATRIX), before);
    EXPECT_EQ(integer(GL_MATRIX_MODE), GL_MODELVIEW);
    EXPECT_EQ(integer(GL_MODELVIEW_STACK_DEPTH), modelviewDepth);
    EXPECT_EQ(integer(GL_TEXTURE_STACK_DEPTH), textureDepth);
    EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D), 0);
    // The udder's record is empty (and the horns' head null), yet its material was sent last.
    float colour[4], specular[4], shininess = 0;
    glGetMaterialfv(GL_BACK, GL_DIFFUSE, colour);
    glGetMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    glGetMaterialfv(GL_FRONT, GL_SHININESS, &shininess);
    EXPECT_EQ(std::vector<float>(colour, colour + 4), (std::vector<float>{1.0f, 0.53f, 0.53f, 1}));
    EXPECT_EQ(std::vector<float>(specular, specular + 4), (std::vector<float>{0, 0, 0, 1}));
    EXPECT_EQ(shininess, 128.0f);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(CowDrawTest, SpinStateStepsWithinItsRangesFrameByFrame) {
    srand(2024);
    std::set<int> spinSteps, tiltSteps;
    int frames = 0;
    for (; frames < 600 && count <= 8.0f; ++frames) {
        int y0 = yrotateRight, z0 = zrotate, wander = shown->rot->wander_frame;
        BOOL armed = reset;
        float countBefore = count;
        glLoadIdentity();
        draw_cow(scene);
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

TEST_F(CowDrawTest, TheTurnIsTheSpinTimesTheWanderOfAStillRotator) {
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

}  // namespace
