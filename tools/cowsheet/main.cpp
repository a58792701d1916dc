// cowsheet OUT.png: a contact sheet of the built-in cow, lit and drawn the way
// the show draws it (part materials, back faces culled, no depth buffer, later
// parts over earlier ones), from the front, the side, above and three-quarters.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "host/eagl/eagl_context.h"
#include "host/eagl/gles.h"
#include "host/layers/cg_image.h"
#include "model/gllist.h"
#include "scene/cow_scene.h"

namespace {

// Rotations (degrees about x, then about y) that turn each view towards the eye.
struct View {
    GLfloat aboutX, aboutY;
};
const View views[4] = {
    {0, -90},   // front: the head towards the viewer
    {0, 0},     // side: the cow's +z flank, head to the right
    {90, 0},    // top: looking down on the back
    {22, -38},  // three-quarter, from the front and a little above
};

constexpr int cellWidth = 480, cellHeight = 360, supersample = 2;

void drawCow(const View& view) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const GLfloat halfWidth = 6.6f, halfHeight = halfWidth * cellHeight / cellWidth;
    glOrthof(-halfWidth, halfWidth, -halfHeight, halfHeight, -20, 20);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glLightfv(GL_LIGHT0, GL_POSITION, cow_light0.position);
    glRotatef(view.aboutX, 1, 0, 0);
    glRotatef(view.aboutY, 0, 1, 0);
    // The middle of the model's bounds to the middle of the cell.
    glTranslatef(-0.78f, 0.44f, 0);
    for (int i = 0; i < 6; ++i) {
        const part_material& m = cow_materials[i];
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, m.colour);
        glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, m.specular);
        glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, m.shininess);
        draw_gllist(*all_objs[i]);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: cowsheet OUT.png\n");
        return 2;
    }
    auto context = host::EAGLContext::initWithAPI(host::kEAGLRenderingAPIOpenGLES1);
    if (!context || !host::EAGLContext::setCurrentContext(context.get())) {
        std::fprintf(stderr, "cowsheet: no GL ES 1.1 context\n");
        return 1;
    }
    const int width = 2 * cellWidth * supersample, height = 2 * cellHeight * supersample;
    GLuint framebuffer = 0, colour = 0;
    glGenFramebuffersOES(1, &framebuffer);
    glBindFramebufferOES(GL_FRAMEBUFFER_OES, framebuffer);
    glGenRenderbuffersOES(1, &colour);
    glBindRenderbufferOES(GL_RENDERBUFFER_OES, colour);
    glRenderbufferStorageOES(GL_RENDERBUFFER_OES, GL_RGBA8_OES, width, height);
    glFramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_RENDERBUFFER_OES,
                                 colour);
    if (glCheckFramebufferStatusOES(GL_FRAMEBUFFER_OES) != GL_FRAMEBUFFER_COMPLETE_OES) {
        std::fprintf(stderr, "cowsheet: cannot make a %dx%d framebuffer\n", width, height);
        return 1;
    }

    // The show's fixed-function state.
    glShadeModel(GL_SMOOTH);
    glEnable(GL_NORMALIZE);
    glEnable(GL_CULL_FACE);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glLightfv(GL_LIGHT0, GL_AMBIENT, cow_light0.ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, cow_light0.diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, cow_light0.specular);

    glClearColor(0.82f, 0.88f, 0.93f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    const int w = cellWidth * supersample, h = cellHeight * supersample;
    for (int i = 0; i < 4; ++i) {
        // Front and side on the top row, top and three-quarter below.
        glViewport((i % 2) * w, (1 - i / 2) * h, w, h);
        drawCow(views[i]);
    }
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    if (glGetError() != GL_NO_ERROR) {
        std::fprintf(stderr, "cowsheet: drawing failed\n");
        return 1;
    }

    // Box-filter the supersampled picture down; GL's rows run bottom up.
    auto image = host::CGImage::create(width / supersample, height / supersample);
    if (!image) return 1;
    for (int y = 0; y < image->height(); ++y) {
        auto* row = reinterpret_cast<uint32_t*>(image->data() + y * image->stride());
        for (int x = 0; x < image->width(); ++x) {
            unsigned sum[3] = {0, 0, 0};
            for (int dy = 0; dy < supersample; ++dy)
                for (int dx = 0; dx < supersample; ++dx) {
                    int sy = height - 1 - (y * supersample + dy), sx = x * supersample + dx;
                    const uint8_t* p = &pixels[(static_cast<size_t>(sy) * width + sx) * 4];
                    for (int c = 0; c < 3; ++c) sum[c] += p[c];
                }
            const unsigned n = supersample * supersample;
            row[x] = 0xFF000000u | (sum[0] / n) << 16 | (sum[1] / n) << 8 | sum[2] / n;
        }
    }
    image->markDirty();
    glDeleteRenderbuffersOES(1, &colour);
    glDeleteFramebuffersOES(1, &framebuffer);
    host::EAGLContext::setCurrentContext(nullptr);
    if (!image->writePNG(argv[1])) {
        std::fprintf(stderr, "cowsheet: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
