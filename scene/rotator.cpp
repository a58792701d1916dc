#include "scene/rotator.h"

#include <cmath>
#include <cstdlib>
#include <numbers>

double frand(double f) {
    double v = (double)random();
    double result = v * f / 4294967295.0;
    return result < 0 ? -result : result;
}

rotator* make_rotator(double spin_rate_x, double spin_rate_y, double spin_rate_z, double spin_accel,
                      double wander_rate, int randomize) {
    (void)spin_accel;
    rotator* rot = (rotator*)calloc(1, sizeof(rotator));
    if (!rot) return nullptr;
    if (spin_rate_x < 0 || spin_rate_y < 0 || spin_rate_z < 0 || wander_rate < 0) abort();
    rot->wander_rate = wander_rate;
    rot->wander_frame = randomize ? (int)(random() % 65535) : 0;
    return rot;
}

// The order of the double operations is fixed so that every machine wanders alike.
static double wander(double n, double w, double k) {
    return (std::sin(n * (w * k) * 0.5 * std::numbers::pi) + 1.0) * 0.5;
}

void get_position(rotator* rot, double* x, double* y, double* z, int update) {
    double px = 0.5, py = 0.5, pz = 0.5;
    if (rot->wander_rate != 0) {
        if (update) rot->wander_frame += 1;
        double n = (double)rot->wander_frame;
        double w = rot->wander_rate;
        px = wander(n, w, 0.71);
        py = wander(n, w, 0.53);
        pz = wander(n, w, 0.37);
    }
    if (x) *x = px;
    if (y) *y = py;
    if (z) *z = pz;
}

void free_rotator(rotator* rot) { free(rot); }
