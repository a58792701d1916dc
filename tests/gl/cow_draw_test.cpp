#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <set>
#include <vector>

#include "host/eagl/gles.h"
#include "model/gllist.h"
#include "scene/cow_scene.h"
#include "tests/support/gles_fixture.h"

// The draw tests bring their own cow: these definitions stand in for the
// model's part heads and table, so the real parts are not linked in, while
// the model's GL walk is. Each head points at a record the test fills; the
// horns' head is null.
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

using paddock::test::Rgba;

// Two triangles facing +z (towards the viewer), counter-clockwise from there.
std::vector<GLfloat> square(float x0, float y0, float x1, float y1, float z, bool facing = true) {
    std::vector<GLfloat> v;
    auto corner = [&](float x, float y) { v.insert(v.end(), {0, 0, 1, x, y, z}); };
    if (facing) {
        corner(x0, y0), corner(x1, y0), corner(x1, y1);
        corner(x0, y0), corner(x1, y1), corner(x0, y1);
    } else {
        corner(x0, y0), corner(x1, y1), corner(x1, y0);
        corner(x0, y0), corner(x0, y1), corner(x1, y1);
    }
    return v;
}

// Lit colour of a surface facing the viewer under light 0 as the set-up gives
// it: global ambient 0.2 + light ambient 0.2 + diffuse N.L = 2/3, clamped.
uint8_t lit(float material) {
    float v = std::min(1.0f, material * (0.2f + 0.2f + 2.0f / 3.0f));
    return static_cast<uint8_t>(std::lround(v * 255));
}

// The face's grey with its specular highlight: the half vector between the light
// and the (infinitely far) viewer, against the normal +z, to the power 8.
uint8_t litFace() {
    double l[3] = {0.4, 0.2, 0.4}, h[3];
    double ln = std::sqrt(l[0] * l[0] + l[1] * l[1] + l[2] * l[2]);
    for (int i = 0; i < 3; ++i) h[i] = l[i] / ln + (i == 2 ? 1 : 0);
    double hz = h[2] / std::sqrt(h[0] * h[0] + h[1] * h[1] + h[2] * h[2]);
    double v = 0.1 * (0.2 + 0.2 + 2.0 / 3.0) + 0.1 * std::pow(hz, 8);
    return static_cast<uint8_t>(std::lround(v * 255));
}

bool near(const Rgba& c, uint8_t r, uint8_t g, uint8_t b, int tolerance = 2) {
    return std::abs(c.r - r) <= tolerance && std::abs(c.g - g) <= tolerance &&
           std::abs(c.b - b) <= tolerance;
}

bool black(const Rgba& c) { return c.r == 0 && c.g == 0 && c.b == 0; }

// A screen-shaped framebuffer with the scene set up on it and the shown
// floater, number 4, standing still where the test puts it. The model's part
// heads point at the test's own lists while it runs.
class CowDrawTest : public paddock::test::GlesFixture {
  protected:
    CowDrawTest() : GlesFixture(64, 96) {}
    void SetUp() override {
        GlesFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        // Empty records: the walk draws nothing for them.
        for (gllist& part : test_parts) part = {42, GL_TRIANGLES, 0, nullptr, nullptr};
        scene = static_cast<cow_scene*>(calloc(1, sizeof(cow_scene)));
        speed = 0.2f;
        srand(11);
        init_cow(scene, width(), height(), YES);
        shown = &scene->floaters[4];
        // Height 5 is drawn at 0; z -10 is 5 in front of the eye after the half scale.
        shown->x = 0;
        shown->y = 5;
        shown->z = -10;
        yrotateRight = 0;
        zrotate = 90;
        inc = 0;
        count = 1;
        glClearColor(0, 0, 0, 0);
    }
    void TearDown() override {
        free_cow_scene(scene);
        GlesFixture::TearDown();
    }
    static void setPart(int index, const std::vector<GLfloat>& data) {
        test_parts[index] = {42, GL_TRIANGLES, static_cast<GLint>(data.size() / 6), data.data(),
                             nullptr};
    }
    // One frame as the stage's tick makes it.
    paddock::test::RgbaImage frame() {
        glClear(GL_COLOR_BUFFER_BIT);
        glLoadIdentity();
        draw_cow(scene);
        return readPixels();
    }

    cow_scene* scene = nullptr;
    floater* shown = nullptr;
};

TEST_F(CowDrawTest, PartsGetTheirMaterialsAndTheLaterPartCoversTheEarlier) {
    // The hide in front, the udder behind it but drawn later, a face part off to the
    // left and a tail square turned away from the viewer on the right.
    auto hide = square(-4, -4, 4, 4, 0);
    auto udder = square(-1.5f, -1.5f, 1.5f, 1.5f, -1);
    auto face = square(-6, -0.5f, -4.5f, 0.5f, 0);
    auto tail = square(4.5f, -0.5f, 6, 0.5f, 0, false);
    setPart(1, hide);
    setPart(5, udder);
    setPart(0, face);
    setPart(4, tail);

    auto image = frame();
    ASSERT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    const int cx = 32, cy = 48;
    EXPECT_TRUE(near(image.at(cx, cy), lit(1.0f), lit(0.53f), lit(0.53f)))
        << "the udder wins where both face the viewer: " << image.at(cx, cy);
    EXPECT_TRUE(near(image.at(cx, cy - 12), lit(0.63f), lit(0.43f), lit(0.36f)))
        << "hide: " << image.at(cx, cy - 12);
    int faceX = cx - static_cast<int>(std::lround(5.25 * 0.14 / (5 * std::tan(M_PI / 12)) * 48));
    EXPECT_TRUE(near(image.at(faceX, cy), litFace(), litFace(), litFace()))
        << "face: " << image.at(faceX, cy);
    int tailX = cx + (cx - faceX);
    EXPECT_TRUE(black(image.at(tailX, cy))) << "a back face is culled: " << image.at(tailX, cy);
    EXPECT_TRUE(black(image.at(2, 2)));
    EXPECT_TRUE(black(image.at(61, 93)));

    // Everything that is not black is one of the three colours.
    int other = image.count([](const Rgba& c) {
        return !black(c) && !near(c, lit(1.0f), lit(0.53f), lit(0.53f)) &&
               !near(c, lit(0.63f), lit(0.43f), lit(0.36f)) &&
               !near(c, litFace(), litFace(), litFace());
    });
    EXPECT_EQ(other, 0);
    for (const Rgba& c : image.pixels)
        if (!black(c) && !near(c, lit(1.0f), lit(0.53f), lit(0.53f)) &&
            !near(c, lit(0.63f), lit(0.43f), lit(0.36f)) &&
            !near(c, litFace(), litFace(), litFace())) {
            ADD_FAILURE() << c;
            break;
        }
}

TEST_F(CowDrawTest, TranslationUsesTheDepthBeforeTheDriftIsSubtracted) {
    auto hide = square(-4, -4, 4, 4, 0);
    setPart(1, hide);

    auto still = frame();
    EXPECT_FLOAT_EQ(shown->z, -10.0f);
    shown->x = 0, shown->y = 5, shown->z = -10;
    yrotateRight = 0;
    inc = 4.0f;
    auto drifting = frame();
    EXPECT_FLOAT_EQ(shown->z, -14.0f) << "the tick sees the z after the drift";
    EXPECT_TRUE(still.pixels == drifting.pixels) << "the frame shows the z before it";
    int covered = still.count([](const Rgba& c) { return !black(c); });
    EXPECT_GT(covered, 64 * 96 / 8);

    // Height: at y = -2 the model sits at -1.4 before the half scale, so lower on screen.
    shown->x = 0, shown->y = -2, shown->z = -10;
    yrotateRight = 0;
    inc = 0;
    auto low = frame();
    auto topRow = [](const paddock::test::RgbaImage& im) {
        for (int y = 0; y < im.height; ++y)
            if (!black(im.at(32, y))) return y;
        return -1;
    };
    double pixelsPerUnit = 48 / (5 * std::tan(M_PI / 12));
    EXPECT_NEAR(topRow(low) - topRow(still), 0.7 * pixelsPerUnit, 1.5);
}

TEST_F(CowDrawTest, StacksModeAndStateComeBackAndEmptyPartsStillGetMaterials) {
    auto hide = square(-4, -4, 4, 4, 0);
    setPart(1, hide);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.25f, 0.5f, -1);
    std::vector<float> before(16), after(16);
    glGetFloatv(GL_MODELVIEW_MATRIX, before.data());
    GLint modelviewDepth = 0, textureDepth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &modelviewDepth);
    glGetIntegerv(GL_TEXTURE_STACK_DEPTH, &textureDepth);

    draw_cow(scene);
    glGetFloatv(GL_MODELVIEW_MATRIX, after.data());
    EXPECT_EQ(after, before);
    GLint value = 0;
    glGetIntegerv(GL_MATRIX_MODE, &value);
    EXPECT_EQ(value, GL_MODELVIEW);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &value);
    EXPECT_EQ(value, modelviewDepth);
    glGetIntegerv(GL_TEXTURE_STACK_DEPTH, &value);
    EXPECT_EQ(value, textureDepth);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
    EXPECT_EQ(value, 0);

    // The udder's record is empty (and the horns' head null), yet the udder's
    // material was the last one sent.
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
        int y0 = yrotateRight, z0 = zrotate;
        int wander = shown->rot->wander_frame;
        BOOL armed = reset;
        float countBefore = count;
        glLoadIdentity();
        draw_cow(scene);
        EXPECT_EQ(shown->rot->wander_frame, wander + 1);
        // The physics may set the spin back at the top of a flight or the show's end.
        bool setBack = (armed && !reset) || count != countBefore;
        if (setBack && zrotate == 90) continue;
        spinSteps.insert(y0 - yrotateRight);
        tiltSteps.insert(zrotate - z0);
    }
    ASSERT_GT(frames, 300);
    EXPECT_EQ(spinSteps, (std::set<int>{1, 2, 3, 4})) << "yrotateRight falls by 1 to 4";
    EXPECT_GE(*tiltSteps.begin(), 5);
    EXPECT_LE(*tiltSteps.rbegin(), 16);
    EXPECT_GE(tiltSteps.size(), 11u) << "zrotate grows by 5 to 16, most of them seen";
}

TEST_F(CowDrawTest, TheSameSeedDrawsTheSameFrames) {
    auto hide = square(-5, -2, 5, 2, 0);
    auto udder = square(-1, -3, 1, -1, 0.5f);
    setPart(1, hide);
    setPart(5, udder);
    auto run = [&] {
        init_cow(scene, width(), height(), NO);
        yrotateRight = 0, zrotate = 90, inc = 0.1f, count = 1, reset = YES;
        srand(5);
        srandom(5);
        init_cow(scene, width(), height(), NO);
        std::vector<paddock::test::RgbaImage> frames;
        for (int i = 0; i < 40; ++i) frames.push_back(frame());
        return frames;
    };
    auto first = run();
    auto second = run();
    ASSERT_EQ(first.size(), second.size());
    for (size_t i = 0; i < first.size(); ++i)
        EXPECT_TRUE(first[i].pixels == second[i].pixels) << "frame " << i;
    // It spins: late frames differ from the first.
    EXPECT_FALSE(first[0].pixels == first[39].pixels);
}

TEST_F(CowDrawTest, StillWanderGivesHalfTheSpinFactor) {
    // With wander rate 0 the rotator's y is 0.5: the angle is yrotateRight / 2.
    replace_rotator(shown, make_rotator(100, 0, 0, 4, 0, 0));
    auto bar = square(-0.5f, -6, 0.5f, 6, 0);
    setPart(1, bar);
    // -60 degrees about y keeps the bar's face towards the viewer, and about
    // (0, 1, 90), nearly the view axis, tips its top to the right. A full
    // factor of 1 would turn it 120 degrees away: culled, nothing drawn.
    yrotateRight = -120;
    zrotate = 90;
    auto turned = frame();
    EXPECT_EQ(shown->rot->wander_frame, 0) << "a still rotator does not advance";
    double upperX = 0, lowerX = 0;
    int upper = 0, lower = 0;
    for (int y = 0; y < 96; ++y)
        for (int x = 0; x < 64; ++x) {
            if (black(turned.at(x, y))) continue;
            (y < 48 ? upperX : lowerX) += x;
            ++(y < 48 ? upper : lower);
        }
    ASSERT_GT(upper, 20);
    ASSERT_GT(lower, 20);
    EXPECT_GT(upperX / upper, 36.0);
    EXPECT_LT(lowerX / lower, 28.0);
}

}  // namespace
