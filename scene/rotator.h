#pragma once

// A small source of smooth pseudo-random wander: three values in [0, 1] that
// drift along sine curves of different periods as frames go by.
struct rotator {
    double wander_rate;  // 0 means no wander
    int wander_frame;
};

// Uniform in [0, f / 2): the divisor is 2^32 - 1 while random() stops at
// 2^31 - 1. Never negative, whatever the sign of f.
double frand(double f);

// A zero-filled rotator, or null when it cannot be allocated. Negative rates
// are a programming error and abort. The spin rates and acceleration are only
// checked; no output depends on them.
rotator* make_rotator(double spin_rate_x, double spin_rate_y, double spin_rate_z, double spin_accel,
                      double wander_rate, int randomize);

// The current wander position; a null output is skipped. With `update` set the
// frame advances first, so a fresh rotator first reports frame 1.
void get_position(rotator* rot, double* x, double* y, double* z, int update);

// Releases a rotator from make_rotator; null is allowed.
void free_rotator(rotator* rot);
