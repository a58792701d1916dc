// The part walk and glInterleavedArraysExt against a real GL ES 1.1 context.
#include <gtest/gtest.h>

#include <cstdint>

#include "model/gllist.h"
#include "tests/support/gles_fixture.h"

namespace {

using paddock::test::GlesFixture;
using paddock::test::Rgba;

GLint integer(GLenum name) {
    GLint v = -1;
    glGetIntegerv(name, &v);
    return v;
}

const void* pointer(GLenum name) {
    void* p = nullptr;
    glGetPointerv(name, &p);
    return p;
}

class InterleavedArrays : public GlesFixture {};

TEST_F(InterleavedArrays, ZeroStrideSetsNormalThenPositionArraysOf24Bytes) {
    static const float vertices[12] = {};
    glInterleavedArraysExt(42, 0, vertices);
    EXPECT_TRUE(glIsEnabled(GL_NORMAL_ARRAY));
    EXPECT_TRUE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_EQ(integer(GL_NORMAL_ARRAY_TYPE), GL_FLOAT);
    EXPECT_EQ(integer(GL_NORMAL_ARRAY_STRIDE), 24);
    EXPECT_EQ(pointer(GL_NORMAL_ARRAY_POINTER), static_cast<const void*>(vertices));
    EXPECT_EQ(integer(GL_VERTEX_ARRAY_SIZE), 3);
    EXPECT_EQ(integer(GL_VERTEX_ARRAY_TYPE), GL_FLOAT);
    EXPECT_EQ(integer(GL_VERTEX_ARRAY_STRIDE), 24);
    EXPECT_EQ(pointer(GL_VERTEX_ARRAY_POINTER), static_cast<const void*>(vertices + 3));
    EXPECT_EQ(drainErrors(), GLenum(GL_NO_ERROR));
}

TEST_F(InterleavedArrays, NonZeroStrideIsUsedUnchangedAndPositionsStay12BytesIn) {
    static const float vertices[16] = {};
    glInterleavedArraysExt(42, 32, vertices);
    EXPECT_EQ(integer(GL_NORMAL_ARRAY_STRIDE), 32);
    EXPECT_EQ(integer(GL_VERTEX_ARRAY_STRIDE), 32);
    EXPECT_EQ(pointer(GL_NORMAL_ARRAY_POINTER), static_cast<const void*>(vertices));
    EXPECT_EQ(pointer(GL_VERTEX_ARRAY_POINTER),
              static_cast<const void*>(reinterpret_cast<const char*>(vertices) + 12));
}

TEST_F(InterleavedArrays, TextureAndColourArraysAreTurnedOffEvenIfOnBefore) {
    static const float vertices[12] = {};
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    ASSERT_TRUE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    glInterleavedArraysExt(42, 0, vertices);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_COLOR_ARRAY));
    EXPECT_TRUE(glIsEnabled(GL_NORMAL_ARRAY));
    EXPECT_TRUE(glIsEnabled(GL_VERTEX_ARRAY));
}

TEST_F(InterleavedArrays, FormatCodeIsNotLookedAt) {
    static const float vertices[12] = {};
    for (GLenum format : {GLenum(0), GLenum(0x2A25), GLenum(0xFFFFFFFF)}) {
        glDisableClientState(GL_NORMAL_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
        glInterleavedArraysExt(format, 0, vertices);
        EXPECT_TRUE(glIsEnabled(GL_NORMAL_ARRAY)) << format;
        EXPECT_TRUE(glIsEnabled(GL_VERTEX_ARRAY)) << format;
        EXPECT_EQ(integer(GL_NORMAL_ARRAY_STRIDE), 24) << format;
        EXPECT_EQ(pointer(GL_VERTEX_ARRAY_POINTER), static_cast<const void*>(vertices + 3));
        EXPECT_EQ(drainErrors(), GLenum(GL_NO_ERROR)) << format;
    }
}

// A small list drawn with lighting: the shade of a pixel tells which record
// drew it, since each record's normals face the light differently.
class PartWalk : public GlesFixture {
  protected:
    void SetUp() override {
        GlesFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        const GLfloat towardsViewer[4] = {0, 0, 1, 0}, black[4] = {0, 0, 0, 1},
                      white[4] = {1, 1, 1, 1};
        glLightfv(GL_LIGHT0, GL_POSITION, towardsViewer);
        glLightfv(GL_LIGHT0, GL_AMBIENT, black);
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, white);
    }
    // Lit pixels in the left and right halves of the framebuffer.
    std::pair<int, int> litHalves(uint8_t above = 40) {
        auto image = readPixels();
        int left = 0, right = 0;
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x)
                if (image.at(x, y).g > above) (x < image.width / 2 ? left : right)++;
        return {left, right};
    }
    uint8_t shadeAt(int x, int y) { return readPixels().at(x, y).g; }
};

// Normal then position; GL's default matrices map -1..1 to the framebuffer.
#define N_TOWARDS 0.0f, 0.0f, 1.0f
#define N_ASLANT 0.6f, 0.0f, 0.8f
const float leftSquare[] = {
    N_TOWARDS, -1, -1, 0, N_TOWARDS, 0, -1, 0, N_TOWARDS, 0,  1, 0,
    N_TOWARDS, -1, -1, 0, N_TOWARDS, 0, 1,  0, N_TOWARDS, -1, 1, 0,
};
// A strip over the right half and half of the left: drawn second, it covers
// the middle of the first record's square with its own, dimmer shade.
const float rightStrip[] = {
    N_ASLANT, -0.5f, -1, 0, N_ASLANT, 1, -1, 0, N_ASLANT, -0.5f, 1, 0, N_ASLANT, 1, 1, 0,
};

TEST_F(PartWalk, DrawsEveryRecordWithItsOwnPrimitiveAndCountInListOrder) {
    const gllist last = {42, GL_TRIANGLE_STRIP, 4, rightStrip, nullptr};
    const gllist empty = {42, GL_TRIANGLES, 0, leftSquare, &last};
    const gllist first = {42, GL_TRIANGLES, 6, leftSquare, &empty};
    draw_gllist(&first);
    ASSERT_EQ(drainErrors(), GLenum(GL_NO_ERROR));
    auto [left, right] = litHalves();
    EXPECT_EQ(left, width() * height() / 2);
    EXPECT_EQ(right, width() * height() / 2);
    // Facing the light fully, the first record is brighter than the strip.
    uint8_t firstShade = shadeAt(2, height() / 2), stripShade = shadeAt(width() - 2, height() / 2);
    EXPECT_GT(firstShade, stripShade + 30);
    // Where both lie the later record shows.
    EXPECT_EQ(shadeAt(width() / 2 - 4, height() / 2), stripShade);
}

TEST_F(PartWalk, ARecordOfNoPointsDrawsNothingAndTheWalkGoesOn) {
    const gllist last = {42, GL_TRIANGLE_STRIP, 4, rightStrip, nullptr};
    const gllist empty = {42, GL_TRIANGLES, 0, leftSquare, &last};
    draw_gllist(&empty);
    auto [left, right] = litHalves();
    EXPECT_EQ(left, width() * height() / 4);
    EXPECT_EQ(right, width() * height() / 2);
}

TEST_F(PartWalk, ANullHeadDrawsNothing) {
    draw_gllist(nullptr);
    EXPECT_EQ(drainErrors(), GLenum(GL_NO_ERROR));
    auto [left, right] = litHalves(0);
    EXPECT_EQ(left + right, 0);
}

// The whole cow through its part table, drawn straight from its constant arrays.
class BuiltInCow : public GlesFixture {
  protected:
    BuiltInCow() : GlesFixture(160, 120) {}
};

TEST_F(BuiltInCow, EveryPartDrawsFromItsOwnArrayAndTheCowFillsThePicture) {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_NORMALIZE);
    glEnable(GL_CULL_FACE);
    glMatrixMode(GL_PROJECTION);
    glOrthof(-6.6f, 6.6f, -4.95f, 4.95f, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(-0.78f, 0.44f, 0);
    int previous = 0;
    for (int i = 0; i < 6; ++i) {
        draw_gllist(*all_objs[i]);
        EXPECT_EQ(pointer(GL_NORMAL_ARRAY_POINTER), static_cast<const void*>((*all_objs[i])->data));
        EXPECT_EQ(pointer(GL_VERTEX_ARRAY_POINTER),
                  static_cast<const void*>((*all_objs[i])->data + 3));
        int lit = readPixels().count([](const Rgba& p) { return p.r + p.g + p.b > 0; });
        // The hide is drawn second and covers most of what will show.
        if (i >= 1) {
            EXPECT_GE(lit, previous) << i;
        }
        previous = lit;
    }
    EXPECT_EQ(drainErrors(), GLenum(GL_NO_ERROR));
    // Side on, the cow covers roughly a fifth of a frame twice its length wide.
    EXPECT_GT(previous, 160 * 120 / 8);
    EXPECT_LT(previous, 160 * 120 / 2);
}

}  // namespace
