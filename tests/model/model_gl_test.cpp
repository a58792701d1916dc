// The part walk and glInterleavedArraysExt against a real GL ES 1.1 context.
#include <gtest/gtest.h>

#include <array>

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

// Lit from the viewer, the shade of a pixel tells which record drew it: the
// records' normals face the light differently.
class PartWalk : public paddock::test::GlesFixture {
  protected:
    void SetUp() override {
        GlesFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        const GLfloat towardsViewer[4] = {0, 0, 1, 0}, black[4] = {0, 0, 0, 1},
                      white[4] = {1, 1, 1, 1};
        glLightfv(GL_LIGHT0, GL_POSITION, towardsViewer);
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, white);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    // Green shade along the middle row: left edge, just left of the middle, right edge.
    std::array<int, 3> shades() {
        auto image = readPixels();
        const int y = height() / 2;
        return {image.at(2, y).g, image.at(width() / 2 - 4, y).g, image.at(width() - 2, y).g};
    }
};

// Normal then position; GL's default matrices map -1..1 to the framebuffer.
#define FACING 0.0f, 0.0f, 1.0f
#define ASLANT 0.6f, 0.0f, 0.8f
const float leftSquare[] = {FACING, -1, -1, 0, FACING, 0, -1, 0, FACING, 0,  1, 0,
                            FACING, -1, -1, 0, FACING, 0, 1,  0, FACING, -1, 1, 0};
// Over the right half and the middle of the left: drawn later, it covers the square there.
const float rightStrip[] = {ASLANT, -0.5f, -1, 0, ASLANT, 1, -1, 0,
                            ASLANT, -0.5f, 1,  0, ASLANT, 1, 1,  0};

TEST_F(PartWalk, DrawsEveryRecordWithItsOwnPrimitiveAndCountInListOrder) {
    const gllist last = {42, GL_TRIANGLE_STRIP, 4, rightStrip, nullptr};
    const gllist empty = {42, GL_TRIANGLES, 0, leftSquare, &last};
    const gllist first = {42, GL_TRIANGLES, 6, leftSquare, &empty};
    draw_gllist(&first);
    ASSERT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    auto [square, middle, strip] = shades();
    EXPECT_EQ(square, 255) << "facing the light fully";
    EXPECT_NEAR(strip, 0.8 * 255, 2);
    EXPECT_EQ(middle, strip) << "where both lie the later record shows";
    EXPECT_EQ(readPixels().count([](auto c) { return c.black(); }), 0);

    // A record of no points draws nothing, and the walk goes on past it.
    glClear(GL_COLOR_BUFFER_BIT);
    draw_gllist(&empty);
    EXPECT_EQ(shades(), (std::array<int, 3>{0, strip, strip}));
    glClear(GL_COLOR_BUFFER_BIT);
    draw_gllist(nullptr);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_EQ(readPixels().count([](auto c) { return !c.black(); }), 0) << "a null head";
}

}  // namespace
