#include <GLES/gl.h>

#include <cstdlib>

#include "model/gllist.h"
#include "scene/cow_scene.h"

const part_material cow_materials[6] = {
    {{0.1f, 0.1f, 0.1f, 1.0f}, {0.1f, 0.1f, 0.1f, 1.0f}, 8.0f},
    {{0.63f, 0.43f, 0.36f, 1.0f}, {0.0f, 0.0f, 0.0f, 1.0f}, 128.0f},
    {{0.2f, 0.2f, 0.2f, 1.0f}, {0.3f, 0.3f, 0.3f, 1.0f}, 8.0f},
    {{0.2f, 0.2f, 0.2f, 1.0f}, {0.3f, 0.3f, 0.3f, 1.0f}, 8.0f},
    {{0.63f, 0.43f, 0.36f, 1.0f}, {0.0f, 0.0f, 0.0f, 1.0f}, 128.0f},
    {{1.0f, 0.53f, 0.53f, 1.0f}, {0.0f, 0.0f, 0.0f, 1.0f}, 128.0f},
};

namespace {

// rand() * 2^-29 lies in [0, 4); rand() / (2^31 / 3) in [0, 3).
const double rand_to_four = 1.0 / 536870912.0;
const double rand_third = 2147483648.0 / 3.0;

}  // namespace

void draw_floater(cow_scene* scene, floater* f) {
    (void)scene;
    double p;
    get_position(f->rot, nullptr, &p, nullptr, 1);

    glPushMatrix();
    glTranslatef(f->x, (float)(f->y / 5.0 - 1.0), f->z);
    // The translation above used the z before the drift.
    f->z = f->z - inc;

    float a = (float)(yrotateRight * p);
    int z0 = zrotate;
    zrotate = z0 + 1;
    glRotatef(a, 0.0f, 1.0f, (float)z0);
    glRotatef(a, 0.0f, 1.0f, 0.0f);

    float f1 = (float)(rand() * rand_to_four) + 1.0f;
    yrotateRight = (int)((float)yrotateRight - f1);
    float f2 = ((float)(rand() / rand_third) + 1.0f) * 4.0f;
    zrotate = (int)((float)zrotate + f2);

    glScalef(0.28f, 0.28f, 0.28f);
    for (int i = 0; i < 6; ++i) {
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glMatrixMode(GL_TEXTURE);
        glPushMatrix();
        glMatrixMode(GL_MODELVIEW);
        glBindTexture(GL_TEXTURE_2D, 0);

        part_material m = cow_materials[i];
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, m.colour);
        glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, m.specular);
        glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, m.shininess);
        draw_gllist(*all_objs[i]);

        glMatrixMode(GL_TEXTURE);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
    }
    glPopMatrix();
}

void draw_cow(cow_scene* scene) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glPushMatrix();
    glScalef(0.5f, 0.5f, 0.5f);
    floater* f = &scene->floaters[4];
    draw_floater(scene, f);
    tick_floater(scene, f);
    glPopMatrix();
    glFinish();
}
