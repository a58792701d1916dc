#include <cstdlib>

#include "scene/cow_scene.h"

float speed = 1.0f;
BOOL reset = YES;
BOOL cowreset = YES;
BOOL cowreset2 = YES;
int zrotate = 90;
int yrotateRight = 0;
float count = 0.0f;
float inc = 0.0f;

void reset_floater(cow_scene* scene, floater* f) {
    (void)scene;
    f->y = -2.0f;
    f->x = f->home_x;
    f->z = f->home_z;
    f->vx = 0;
    f->vy = 5.0f;
    f->vz = 0;
    f->ax = 0;
    f->az = 0;
    // Three draws, in this order and summed left to right.
    double g1 = frand(0.45);
    double g2 = frand(0.45);
    double g3 = frand(0.45);
    f->ay = (float)((double)speed * ((g1 + g2 + g3) / 3.0 - 0.6));
    cowreset = YES;
}

void tick_floater(cow_scene* scene, floater* f) {
    f->vx += f->ax;
    f->vy += f->ay;
    f->vz += f->az;

    f->x += f->vx * speed;
    // Only the height carries the 1.3, and it is summed in double.
    f->y = (float)((double)f->y + 1.3 * (double)(f->vy * speed));
    f->z += f->vz * speed;

    if (f->y > 8.0 && reset) cowreset2 = YES;

    if (f->y > 24.0 && reset) {
        reset = NO;
        // 2^-29 scales rand()'s 0 .. 2^31 - 1 to 0 .. 3, each with chance 1/4.
        int k = (int)(rand() * (1.0 / 536870912.0));
        if (k == 0 || k == 1) zrotate = 90;
    }

    if (f->y < -2.0 || f->x < -16.0 || f->x > 16.0) {
        reset = YES;
        if (f->y < -2.0) {
            // A floor contact; the height is left where the tick put it.
            cowreset = YES;
            f->vy = 5.0f;
            float r = (float)(rand() / 214748364.8);
            if (count < 5.0) {
                inc = (float)((double)r / 1000.0 + 0.02);
            } else {
                inc = (float)((double)inc - ((double)r / 1000.0 + 0.08));
            }
            count = (float)((double)count + 1.0);
            if (count > 8.0) {
                reset_floater(scene, f);
                zrotate = 90;
                yrotateRight = 0;
                inc = 0.1f;
                // The last contact plays no cue.
                cowreset = NO;
                cowreset2 = NO;
            }
        }
    }
}

void replace_rotator(floater* f, rotator* r) {
    free_rotator(f->rot);
    f->rot = r;
}

void free_cow_scene(cow_scene* scene) {
    if (!scene) return;
    if (scene->floaters) {
        for (int i = 0; i < scene->floater_count; ++i) free_rotator(scene->floaters[i].rot);
        free(scene->floaters);
    }
    free(scene);
}
