#include <GLES/gl.h>

#include <cmath>
#include <cstdlib>

#include "scene/cow_scene.h"

const scene_light cow_light0 = {
    {0.4f, 0.2f, 0.4f, 0.0f},
    {0.2f, 0.2f, 0.2f, 1.0f},
    {1.0f, 1.0f, 1.0f, 1.0f},
    {1.0f, 1.0f, 1.0f, 1.0f},
};

namespace {

const double glu_pi = 3.14159265358979323846;

// gluPerspective as GLU defines it, with float arguments where the scene has them.
void perspective(double fovy, float aspect, double z_near, double z_far) {
    double radians = fovy / 2 * glu_pi / 180;
    double sine = sin(radians);
    double cotangent = cos(radians) / sine;
    // A 0 x 0 screen gives a NaN aspect: as unusable as 0, and handled the same.
    if (sine == 0 || aspect == 0 || std::isnan(aspect)) return;

    double m[16];
    gluMakeIdentityd(m);
    m[0] = cotangent / aspect;
    m[5] = cotangent;
    m[10] = -(z_far + z_near) / (z_far - z_near);
    m[11] = -1.0;
    m[14] = -2 * z_near * z_far / (z_far - z_near);
    m[15] = 0;
    GLfloat mf[16];
    for (int i = 0; i < 16; ++i) mf[i] = (GLfloat)m[i];
    glMultMatrixf(mf);
}

// gluLookAt as GLU defines it, in single precision.
void look_at(float eyex, float eyey, float eyez, float centerx, float centery, float centerz,
             float upx, float upy, float upz) {
    float forward[3] = {centerx - eyex, centery - eyey, centerz - eyez};
    float up[3] = {upx, upy, upz};
    float side[3];
    normalize(forward);
    cross(forward, up, side);
    normalize(side);
    cross(side, forward, up);

    GLfloat m[16];
    gluMakeIdentityf(m);
    m[0] = side[0];
    m[4] = side[1];
    m[8] = side[2];
    m[1] = up[0];
    m[5] = up[1];
    m[9] = up[2];
    m[2] = -forward[0];
    m[6] = -forward[1];
    m[10] = -forward[2];
    glMultMatrixf(m);
    glTranslatef(-eyex, -eyey, -eyez);
}

}  // namespace

void gluMakeIdentityf(float m[16]) {
    for (int i = 0; i < 16; ++i) m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

void gluMakeIdentityd(double m[16]) {
    for (int i = 0; i < 16; ++i) m[i] = (i % 5 == 0) ? 1.0 : 0.0;
}

void normalize(float v[3]) {
    float r = sqrtf((v[0] * v[0] + v[1] * v[1]) + v[2] * v[2]);
    if (r == 0.0f) return;
    v[0] /= r;
    v[1] /= r;
    v[2] /= r;
}

void cross(const float p[3], const float q[3], float result[3]) {
    result[0] = p[1] * q[2] - p[2] * q[1];
    result[1] = p[2] * q[0] - p[0] * q[2];
    result[2] = p[0] * q[1] - p[1] * q[0];
}

void reshape_cow(cow_scene* scene, int width, int height) {
    (void)scene;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    float aspect = 1.0f / ((float)height / (float)width);
    perspective(30.0, aspect, 1.0, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    look_at(0.0f, 0.0f, 30.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

void init_cow(cow_scene* scene, int width, int height, BOOL first) {
    reshape_cow(scene, width, height);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_NORMALIZE);
    glEnable(GL_CULL_FACE);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glLightfv(GL_LIGHT0, GL_POSITION, cow_light0.position);
    glLightfv(GL_LIGHT0, GL_AMBIENT, cow_light0.ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, cow_light0.diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, cow_light0.specular);

    scene->floater_count = 5;
    if (first) scene->floaters = (floater*)calloc(5, sizeof(floater));
    if (!scene->floaters) abort();

    for (int i = 0; i < scene->floater_count; ++i) {
        floater* f = &scene->floaters[i];
        replace_rotator(f, make_rotator(100.0, 0.0, 0.0, 4.0, (double)speed * 0.05, 0));
        if (i > 0) {
            float a = (float)(((i - 1) * glu_pi + (i - 1) * glu_pi) / (scene->floater_count - 1));
            f->x = cosf(a) * 10.0f;
            f->z = sinf(a) * 10.0f;
        }
        f->home_x = f->x;
        f->home_y = f->y;
        f->home_z = f->z;
        reset_floater(scene, f);
    }
}
