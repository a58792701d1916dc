#pragma once

// The cow scene: plain records and free functions over them, and the
// process-wide variables through which the physics, the drawing and the stage
// talk. Everything here runs on the main thread.

#include <cstdint>

#include "scene/rotator.h"

typedef int8_t BOOL;
inline constexpr BOOL YES = 1;
inline constexpr BOOL NO = 0;

// One flying cow. Heights are physics units: the floor is at -2.
struct floater {
    float x, y, z;
    float home_x, home_y, home_z;
    float vx, vy, vz;
    float ax, ay, az;
    rotator* rot;
};

struct cow_scene {
    int floater_count;
    floater* floaters;
};

// Time scale of the physics and of the wander.
extern float speed;
// The top-of-flight event is armed.
extern BOOL reset;
// A floor-contact cue is pending.
extern BOOL cowreset;
// A high-flight cue is pending.
extern BOOL cowreset2;
extern int zrotate;
extern int yrotateRight;
// Floor contacts in the current show, starting at 1.
extern float count;
// Depth drift the drawing subtracts from the drawn floater's z every frame.
extern float inc;

// Back on the home spot on the floor, about to be launched, with a fresh gravity.
void reset_floater(cow_scene* scene, floater* f);
// One frame of physics; ends the show at the contact that takes count past 8.
void tick_floater(cow_scene* scene, floater* f);

// Gives a floater a new rotator and frees the one it replaces.
void replace_rotator(floater* f, rotator* r);
// Frees every rotator, the floater array and the scene record itself.
void free_cow_scene(cow_scene* scene);

// Viewport, projection and camera for a screen of width x height points, as
// gluPerspective(30, aspect, 1, 1000) and gluLookAt(0, 0, 30, 0, 0, 0, 0, 1, 0)
// define them; then clears the colour buffer. The GL context must be current.
void reshape_cow(cow_scene* scene, int width, int height);
// The whole scene set-up: projection, shading, lighting, and the five floaters
// on their home spots with fresh rotators (the old ones freed). The floater
// array is made only when `first` is set. `speed` must already hold the show's value.
void init_cow(cow_scene* scene, int width, int height, BOOL first);
// Scales v to unit length in place; a zero vector stays as it is.
void normalize(float v[3]);
// result = p x q.
void cross(const float p[3], const float q[3], float result[3]);
void gluMakeIdentityf(float m[16]);
void gluMakeIdentityd(double m[16]);

// Light 0: a directional light, given under the camera transform, from the
// right, above and the viewer's side.
struct scene_light {
    float position[4];
    float ambient[4];
    float diffuse[4];
    float specular[4];
};
extern const scene_light cow_light0;

// A part's material: ambient and diffuse colour, specular colour, shininess.
struct part_material {
    float colour[4];
    float specular[4];
    float shininess;
};
// Indexed like the model's part table: face, hide, hoofs, horns, tail, udder.
extern const part_material cow_materials[6];

// One frame of the show: clears, draws floater 4 and advances it, then waits
// for GL to finish. The model-view matrix must be current and loaded as the
// scene is to be seen; both matrix stacks come back as they were.
void draw_cow(cow_scene* scene);
// Places, spins and draws the cow model at one floater, each part with its
// material; moves the floater's z by the drift after placing it.
void draw_floater(cow_scene* scene, floater* f);
