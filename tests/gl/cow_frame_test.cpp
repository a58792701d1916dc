#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "host/eagl/gles.h"
#include "scene/cow_scene.h"
#include "tests/support/gles_fixture.h"

// The built-in cow drawn by the scene on a screen-sized framebuffer.
namespace {

using paddock::test::Rgba;

bool black(const Rgba& c) { return c.r == 0 && c.g == 0 && c.b == 0; }

// Lit by white light only, a part keeps the proportions of its material colour.
bool hue(const Rgba& c, float r, float g, float b) {
    if (c.r < 24) return false;
    float k = c.r / (255.0f * r);
    return std::abs(c.g - 255 * g * k) <= 3 && std::abs(c.b - 255 * b * k) <= 3;
}
bool hide(const Rgba& c) { return hue(c, 0.63f, 0.43f, 0.36f); }
bool udder(const Rgba& c) { return hue(c, 1.0f, 0.53f, 0.53f); }

class CowFrameTest : public paddock::test::GlesFixture {
  protected:
    CowFrameTest() : GlesFixture(320, 480) {}
};

TEST_F(CowFrameTest, AStillCowSideOnIsHideColouredWithItsUdderAndBlackAround) {
    auto* scene = static_cast<cow_scene*>(calloc(1, sizeof(cow_scene)));
    speed = 0.2f;
    init_cow(scene, 320, 480, YES);
    floater* f = &scene->floaters[4];
    // Drawn at height 0, 5 in front of the eye, unturned: head to the right.
    f->x = 0, f->y = 5, f->z = -10;
    yrotateRight = 0, zrotate = 90, inc = 0;
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glLoadIdentity();
    draw_cow(scene);
    auto image = readPixels();
    free_cow_scene(scene);
    ASSERT_EQ(glGetError(), GLenum(GL_NO_ERROR));

    // The model's bounds at 0.14 scale under a 30 degree field of view, its
    // nearest side (z 1.7014) 5 - 0.14 * 1.7014 away.
    const double perUnit = 0.14 * 240 / ((5 - 0.14 * 1.7014) * std::tan(M_PI / 12));
    const int left = static_cast<int>(160 - 4.4458 * perUnit) - 2;
    const int right = static_cast<int>(160 + 5.9981 * perUnit) + 2;
    const int top = static_cast<int>(240 - 2.7597 * perUnit) - 2;
    const int bottom = static_cast<int>(240 + 3.6370 * perUnit) + 2;
    int outside = 0, drawn = 0, hidePixels = 0, udderPixels = 0, udderRight = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 320; ++x) {
            const Rgba& c = image.at(x, y);
            if (black(c)) continue;
            ++drawn;
            outside += x < left || x > right || y < top || y > bottom;
            hidePixels += hide(c);
            if (udder(c)) {
                ++udderPixels;
                udderRight += x > 160;
            }
        }
    EXPECT_EQ(outside, 0) << "black everywhere but where the cow is";
    EXPECT_GT(drawn, 8000);
    EXPECT_GT(hidePixels, drawn * 6 / 10) << "mostly hide";
    EXPECT_GT(udderPixels, 30) << "the udder shows in front of the hide";
    EXPECT_LT(udderRight, udderPixels / 10) << "under the rear half, on the left";
    EXPECT_TRUE(hide(image.at(172, 240))) << image.at(172, 240);
    if (HasFailure()) image.writePNG("cow_frame_failure.png");
}

}  // namespace
