// One cow show of the physics alone, without a window: the floater is launched
// from its home spot and ticked at 90 frames a second until the eighth floor
// contact ends the show. Prints one line per floor contact.

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "scene/cow_scene.h"
#include "tools/parse_number.h"

namespace {

constexpr double kTickSeconds = 1.0 / 90.0;
// A show at speed 0.2 lasts about a thousand ticks; this bound only stops a
// broken physics from spinning for ever.
constexpr long kMaxTicks = 1000000;

void print_usage(FILE* out) { fprintf(out, "usage: cowsim [--seed N] [--help]\n"); }

}  // namespace

int main(int argc, char** argv) {
    unsigned seed = (unsigned)time(nullptr);
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const char* value = nullptr;
        if (strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0) {
            print_usage(stdout);
            printf(
                "Runs one cow show of the physics alone and prints each floor contact.\n"
                "  --seed N  seed rand and random with N (default: the clock), so a show\n"
                "            can be replayed\n");
            return 0;
        } else if (strcmp(arg, "--seed") == 0) {
            if (i + 1 >= argc) {
                fprintf(stderr, "cowsim: --seed needs a number\n");
                print_usage(stderr);
                return 2;
            }
            value = argv[++i];
        } else if (strncmp(arg, "--seed=", 7) == 0) {
            value = arg + 7;
        } else {
            fprintf(stderr, "cowsim: unknown option '%s'\n", arg);
            print_usage(stderr);
            return 2;
        }
        unsigned long number = 0;
        if (!parse_number(value, UINT_MAX, &number)) {
            fprintf(stderr, "cowsim: --seed needs a whole number from 0 to %u, not '%s'\n",
                    UINT_MAX, value);
            print_usage(stderr);
            return 2;
        }
        seed = (unsigned)number;
    }
    srand(seed);
    srandom(seed);

    // The show's start, as the stage makes it, for the one drawn floater.
    floater f = {};
    f.home_x = 0.0f;
    f.home_y = -2.0f;
    f.home_z = -10.0f;
    f.x = f.home_x;
    f.y = f.home_y;
    f.z = f.home_z;
    cow_scene scene = {1, &f};
    speed = 0.2f;
    count = 1.0f;
    inc = 0.1f;
    reset_floater(&scene, &f);
    printf("cowsim: seed %u, gravity %.4f per tick, launched from (%.1f, %.1f, %.1f)\n", seed, f.ay,
           f.x, f.y, f.z);

    long tick = 0;
    int contacts = 0;
    int high_ticks = 0;
    float deepest = f.z;
    float nearest = f.z;
    while (count <= 8.0) {
        if (tick >= kMaxTicks) {
            printf("cowsim: the show did not end within %ld ticks (count %.1f)\n", kMaxTicks,
                   count);
            return 1;
        }
        ++tick;
        // The drawing moves the floater in depth before each step.
        f.z -= inc;
        if (f.z < deepest) deepest = f.z;
        if (f.z > nearest) nearest = f.z;
        float before = count;
        cowreset2 = NO;
        cowreset = NO;
        tick_floater(&scene, &f);
        if (cowreset2) ++high_ticks;
        if (count != before) {
            ++contacts;
            printf("contact %d: tick %ld, %.3f s, count %.1f, inc %+.4f, z %.2f\n", contacts, tick,
                   tick * kTickSeconds, count, inc, f.z);
        }
    }
    printf(
        "show over: %d floor contacts in %ld ticks (%.2f s), %d ticks of high flight, "
        "z from %.2f to %.2f; floater home at (%.1f, %.1f, %.1f)\n",
        contacts, tick, tick * kTickSeconds, high_ticks, deepest, nearest, f.x, f.y, f.z);
    return 0;
}
