// The part walk and glInterleavedArraysExt against a real GL ES 1.1 context.
#include <gtest/gtest.h>

#include "model/gllist.h"
#include "tests/support/gles_fixture.h"

namespace {

using paddock::test::integer;

const void* pointer(GLenum name) {
    void* p = nullptr;
    glGetPointerv(name, &p);
    return p;
}

class InterleavedArrays : public paddock::test::GlesFixture {};

TEST_F(InterleavedArrays, SetNormalThenPositionArraysAndTurnTheOthersOff) {
    static const float vertices[16] = {};
    struct Row {
        GLenum format;
        GLsizei stride, used;
    };
    // The format code is not looked at; a stride of 0 means 24.
    for (Row row : {Row{42, 0, 24}, Row{42, 32, 32}, Row{0, 0, 24}, Row{0xFFFFFFFF, 0, 24}}) {
        SCOPED_TRACE(testing::Message() << "format " << row.format << " stride " << row.stride);
        glDisableClientState(GL_NORMAL_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glEnableClientState(GL_COLOR_ARRAY);
        glInterleavedArraysExt(row.format, row.stride, vertices);
        EXPECT_TRUE(glIsEnabled(GL_NORMAL_ARRAY));
        EXPECT_TRUE(glIsEnabled(GL_VERTEX_ARRAY));
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
        EXPECT_FALSE(glIsEnabled(GL_COLOR_ARRAY));
        EXPECT_EQ(integer(GL_NORMAL_ARRAY_TYPE), GL_FLOAT);
        EXPECT_EQ(integer(GL_NORMAL_ARRAY_STRIDE), row.used);
        EXPECT_EQ(pointer(GL_NORMAL_ARRAY_POINTER), static_cast<const void*>(vertices));
        EXPECT_EQ(integer(GL_VERTEX_ARRAY_SIZE), 3);
        EXPECT_EQ(integer(GL_VERTEX_ARRAY_TYPE), GL_FLOAT);
        EXPECT_EQ(integer(GL_VERTEX_ARRAY_STRIDE), row.used);
        EXPECT_EQ(pointer(GL_VERTEX_ARRAY_POINTER), static_cast<const void*>(vertices + 3));
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
}

// A small list drawn with lighting: the shade of a pixel tells which record
// drew it, since each record's normals face the light differently.
class PartWalk : public paddock::test::GlesFixture {
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
    ASSERT_EQ(glGetError(), GLenum(GL_NO_ERROR));
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

TEST_F(PartWalk, ANullHeadDrawsNothingAndTheCowsPartsDrawFromTheirConstantArrays) {
    draw_gllist(nullptr);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    auto [left, right] = litHalves(0);
    EXPECT_EQ(left + right, 0);
    for (const gllist* const* part : all_objs) {
        draw_gllist(*part);
        EXPECT_EQ(pointer(GL_VERTEX_ARRAY_POINTER), static_cast<const void*>((*part)->data + 3));
    }
}

}  // namespace
