#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "scene/cow_scene.h"

namespace {

constexpr float kHomeX = 0.0f, kHomeY = -2.0f, kHomeZ = -10.0f;

// Each test starts from the state the stage leaves before a show.
class FloaterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        speed = 0.2f;
        count = 1.0f;
        inc = 0.1f;
        reset = YES;
        cowreset = NO;
        cowreset2 = NO;
        zrotate = 90;
        yrotateRight = 0;
        f = floater{};
        f.home_x = kHomeX;
        f.home_y = kHomeY;
        f.home_z = kHomeZ;
        scene = cow_scene{1, &f};
    }
    floater f;
    cow_scene scene;
};

// The gravity reset_floater should draw from the next three random() values,
// computed in long double.
long double expected_gravity(unsigned seed, float spd) {
    srandom(seed);
    long double sum = 0;
    for (int i = 0; i < 3; ++i) sum += (long double)random() * 0.45L / 4294967295.0L;
    return (long double)spd * (sum / 3.0L - 0.6L);
}

TEST_F(FloaterTest, ResetPutsTheFloaterHomeOnTheFloorReadyToLaunch) {
    f = floater{7.5f, 30.0f, 3.0f, 4.0f, 9.0f, -6.0f, 1.0f, -2.0f, 3.0f, 0.5f, 0.5f, 0.5f, nullptr};
    reset_floater(&scene, &f);
    EXPECT_EQ(f.x, 4.0f);
    EXPECT_EQ(f.y, -2.0f);
    EXPECT_EQ(f.z, -6.0f);
    EXPECT_EQ(f.home_y, 9.0f);
    EXPECT_EQ(f.vx, 0.0f);
    EXPECT_EQ(f.vy, 5.0f);
    EXPECT_EQ(f.vz, 0.0f);
    EXPECT_EQ(f.ax, 0.0f);
    EXPECT_EQ(f.az, 0.0f);
    EXPECT_GE(f.ay, -0.12f);
    EXPECT_LT(f.ay, -0.075f);
    EXPECT_EQ(cowreset, YES);
}

TEST_F(FloaterTest, GravityComesFromThreeRandomDrawsScaledBySpeed) {
    // Exact to the last bit: a single-precision product with speed, or a
    // float sum, would round differently for some of these seeds.
    for (unsigned seed = 1; seed <= 40; ++seed) {
        for (float spd : {0.2f, 1.0f}) {
            speed = spd;
            long double want = expected_gravity(seed, spd);
            srandom(seed);
            reset_floater(&scene, &f);
            EXPECT_EQ(f.ay, (float)want) << "seed " << seed << " speed " << spd;
        }
    }
}

TEST_F(FloaterTest, GravityOverManyDrawsStaysInItsRangeAroundTheMiddle) {
    srandom(424242);
    double sum = 0;
    float lo = 0, hi = -1;
    const int draws = 10000;
    for (int i = 0; i < draws; ++i) {
        reset_floater(&scene, &f);
        ASSERT_GE(f.ay, -0.12f);
        ASSERT_LT(f.ay, -0.075f);
        sum += f.ay;
        lo = std::min(lo, f.ay);
        hi = std::max(hi, f.ay);
    }
    // The mean of three uniform draws: expected -0.0975 with a standard error
    // of 0.000075 over these draws; the bound is over ten of them.
    EXPECT_NEAR(sum / draws, -0.0975, 0.001);
    // The spread reaches well towards both ends.
    EXPECT_LT(lo, -0.11f);
    EXPECT_GT(hi, -0.085f);
}

TEST_F(FloaterTest, TickMovesByVelocityTimesSpeedWithTheHeightScaledBy1_3) {
    struct State {
        float x, y, z, vx, vy, vz, ax, ay, az;
    };
    const State states[] = {
        {0.0f, -2.0f, -10.0f, 0.0f, 5.0f, 0.0f, 0.0f, -0.1f, 0.0f},
        {3.25f, 12.7f, -31.4f, 1.5f, -2.2f, -0.75f, 0.01f, -0.083f, 0.02f},
        {-15.9f, 23.99f, 4.0f, -0.3f, 0.07f, 2.0f, -0.05f, -0.119f, -0.001f},
    };
    for (const State& s : states) {
        SetUp();
        f.x = s.x, f.y = s.y, f.z = s.z;
        f.vx = s.vx, f.vy = s.vy, f.vz = s.vz;
        f.ax = s.ax, f.ay = s.ay, f.az = s.az;
        tick_floater(&scene, &f);
        long double vx = (long double)s.vx + s.ax, vy = (long double)s.vy + s.ay,
                    vz = (long double)s.vz + s.az;
        EXPECT_NEAR(f.vx, (float)vx, 1e-6);
        EXPECT_NEAR(f.vy, (float)vy, 1e-6);
        EXPECT_NEAR(f.vz, (float)vz, 1e-6);
        EXPECT_NEAR(f.x, (float)(s.x + vx * 0.2L), 2e-6);
        EXPECT_NEAR(f.y, (float)(s.y + 1.3L * vy * 0.2L), 4e-6);
        EXPECT_NEAR(f.z, (float)(s.z + vz * 0.2L), 4e-6);
    }
}

TEST_F(FloaterTest, HeightIsSummedInDoubleFromTheSingleVelocityProduct) {
    // States where summing in float, or widening velocity and speed before
    // their product, gives a different last bit than the documented order.
    struct Case {
        float y, vy, want, all_float, all_double;
    };
    const Case cases[] = {
        {0x1.9eb85p-1f, -0x1.bd70a4p+1f, -0x1.844d1ep-4f, -0x1.844d1p-4f, -0x1.844d16p-4f},
        {0x1.c28f6p-1f, -0x1.43d70ap+1f, 0x1.c710dep-3f, 0x1.c710ep-3f, 0x1.c710dap-3f},
    };
    for (const Case& c : cases) {
        SetUp();
        f.y = c.y;
        f.vy = c.vy;
        tick_floater(&scene, &f);
        EXPECT_EQ(f.y, c.want);
        EXPECT_NE(f.y, c.all_float);
        EXPECT_NE(f.y, c.all_double);
    }
}

TEST_F(FloaterTest, FirstTickAfterResetLaunchesWithoutAContact) {
    srandom(3);
    reset_floater(&scene, &f);
    cowreset = NO;
    tick_floater(&scene, &f);
    EXPECT_GT(f.y, -2.0f);
    EXPECT_GT(f.vy, 0.0f);
    EXPECT_EQ(count, 1.0f);
    EXPECT_EQ(cowreset, NO);
    EXPECT_EQ(reset, YES);
}

TEST_F(FloaterTest, TopOfFlightDisarmsOnceAndRaisesHighFlightUntilThen) {
    f.y = 23.0f;
    f.vy = 4.0f;
    zrotate = 1000;
    tick_floater(&scene, &f);  // to 24.04
    ASSERT_GT(f.y, 24.0f);
    EXPECT_EQ(cowreset2, YES);
    EXPECT_EQ(reset, NO);
    int after_first = zrotate;
    EXPECT_TRUE(after_first == 90 || after_first == 1000);

    // Still above 24 and still rising, but disarmed: no second event, no cue.
    cowreset2 = NO;
    zrotate = 1000;
    for (int i = 0; i < 5; ++i) tick_floater(&scene, &f);
    EXPECT_EQ(cowreset2, NO);
    EXPECT_EQ(reset, NO);
    EXPECT_EQ(zrotate, 1000);
}

TEST_F(FloaterTest, TopOfFlightSetsZrotateExactlyWhenTheDrawIsInTheLowerHalf) {
    int seen[4] = {0, 0, 0, 0};
    for (unsigned seed = 1; seed <= 200; ++seed) {
        srand(seed);
        long long r = rand();
        int k = (int)((long double)r / 536870912.0L);
        ASSERT_GE(k, 0);
        ASSERT_LE(k, 3);
        ++seen[k];

        SetUp();
        srand(seed);
        f.y = 23.9f;
        f.vy = 3.0f;
        zrotate = 1000;
        tick_floater(&scene, &f);
        ASSERT_EQ(reset, NO);
        EXPECT_EQ(zrotate, k < 2 ? 90 : 1000) << "seed " << seed << " k " << k;
    }
    for (int k = 0; k < 4; ++k) EXPECT_GT(seen[k], 20) << "k " << k;
}

TEST_F(FloaterTest, FloorContactBouncesCountsAndSetsTheDriftFromRand) {
    for (unsigned seed : {1u, 8u, 77u}) {
        SetUp();
        srand(seed);
        long long r = rand();
        srand(seed);
        count = 3.0f;
        reset = NO;
        f.y = -1.9f;
        f.vy = -1.0f;
        tick_floater(&scene, &f);
        EXPECT_LT(f.y, -2.0f);
        EXPECT_EQ(f.vy, 5.0f);
        EXPECT_EQ(cowreset, YES);
        EXPECT_EQ(reset, YES);
        EXPECT_EQ(count, 4.0f);
        long double want = (long double)r / 214748364.8L / 1000.0L + 0.02L;
        EXPECT_NEAR(inc, (float)want, 1e-8) << "seed " << seed;
    }
}

TEST_F(FloaterTest, DriftBranchUsesTheCountBeforeTheContact) {
    // count 4 before the contact: still the small positive drift.
    count = 4.0f;
    inc = -1.0f;
    f.y = -1.9f;
    f.vy = -1.0f;
    tick_floater(&scene, &f);
    EXPECT_EQ(count, 5.0f);
    EXPECT_GE(inc, 0.02f);
    EXPECT_LE(inc, 0.03f);

    // count 5 before the contact: the drift is lowered from where it was.
    SetUp();
    count = 5.0f;
    inc = 0.025f;
    f.y = -1.9f;
    f.vy = -1.0f;
    tick_floater(&scene, &f);
    EXPECT_EQ(count, 6.0f);
    EXPECT_GE(0.025 - inc, 0.08 - 1e-6);
    EXPECT_LE(0.025 - inc, 0.09 + 1e-6);
}

TEST_F(FloaterTest, ContactFarBelowTheFloorCountsTwice) {
    srand(11);
    f.y = -1.9f;
    f.vy = -10.0f;
    f.ay = -0.1f;
    tick_floater(&scene, &f);
    ASSERT_EQ(count, 2.0f);
    // Not clamped: about 1.3 * 10.1 * 0.2 = 2.6 below where it was.
    EXPECT_LT(f.y, -4.5f);
    cowreset = NO;
    tick_floater(&scene, &f);
    EXPECT_LT(f.y, -2.0f);
    EXPECT_EQ(count, 3.0f);
    EXPECT_EQ(cowreset, YES);
    cowreset = NO;
    tick_floater(&scene, &f);
    EXPECT_GT(f.y, -2.0f);
    EXPECT_EQ(count, 3.0f);
    EXPECT_EQ(cowreset, NO);
}

TEST_F(FloaterTest, SidewaysExitRearmsWithoutAContact) {
    for (float x : {16.5f, -16.5f}) {
        SetUp();
        reset = NO;
        f.x = x;
        f.y = 10.0f;
        f.vy = -1.0f;
        f.ay = -0.1f;
        tick_floater(&scene, &f);
        EXPECT_EQ(reset, YES) << "x " << x;
        EXPECT_EQ(count, 1.0f);
        EXPECT_EQ(cowreset, NO);
        EXPECT_EQ(inc, 0.1f);
        EXPECT_NEAR(f.vy, -1.1f, 1e-6);
    }
    // The edge itself is still inside.
    SetUp();
    reset = NO;
    f.x = 16.0f;
    f.y = 10.0f;
    tick_floater(&scene, &f);
    EXPECT_EQ(reset, NO);
}

struct ShowRecord {
    int ticks = 0;
    int launch_tick_y_above_floor = 0;
    std::vector<int> contact_ticks;
    std::vector<float> inc_before, inc_after;
    std::vector<int> high_ticks, expected_high_ticks, top_ticks;
    // Per flight, from one arming to the next contact.
    std::vector<float> peaks;
    std::vector<int> tops;
};

TEST_F(FloaterTest, WholeShowsRunTheirEightContactsAndEndAtHome) {
    for (unsigned seed : {1u, 2u, 3u, 42u, 1000u, 65535u, 123456789u, 4294967295u}) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        SetUp();
        srand(seed);
        srandom(seed);
        reset_floater(&scene, &f);
        const float gravity = f.ay;
        ASSERT_EQ(cowreset, YES);

        ShowRecord rec;
        bool armed = reset;
        float prev_y = f.y;
        int tops_since_arming = 0;
        float peak = f.y;
        while (count <= 8.0f) {
            ASSERT_LT(rec.ticks, 5000) << "the show does not end";
            ++rec.ticks;
            // What the frame tick and the drawing do around each step.
            cowreset = NO;
            cowreset2 = NO;
            yrotateRight -= 3;
            zrotate += 7;
            f.z -= inc;
            const float before_count = count;
            const float before_inc = inc;

            tick_floater(&scene, &f);

            if (rec.ticks == 1) {
                EXPECT_GT(f.y, -2.0f);
                EXPECT_GT(f.vy, 0.0f);
            }
            if (count <= 8.0f) {
                EXPECT_EQ(f.ay, gravity) << "the gravity holds for the show";
            }
            if (cowreset2) rec.high_ticks.push_back(rec.ticks);
            if (count != before_count) {
                EXPECT_EQ(count, before_count + 1.0f);
                rec.contact_ticks.push_back(rec.ticks);
                rec.inc_before.push_back(before_inc);
                rec.inc_after.push_back(inc);
                if (count <= 8.0f) {
                    EXPECT_EQ(cowreset, YES);
                    EXPECT_EQ(f.vy, 5.0f);
                    EXPECT_LT(f.y, -2.0f);
                    EXPECT_EQ(reset, YES);
                }
                armed = true;
                rec.peaks.push_back(peak);
                rec.tops.push_back(tops_since_arming);
                tops_since_arming = 0;
                peak = f.y;
            } else {
                EXPECT_EQ(cowreset, NO) << "tick " << rec.ticks;
                // No floor contact, so the tick ended on or above the floor.
                EXPECT_GE(f.y, -2.0f);
                peak = std::max(peak, f.y);
                // High flight: on every tick above 8 while armed, and only then.
                if (armed && f.y > 8.0f) {
                    rec.expected_high_ticks.push_back(rec.ticks);
                    EXPECT_GT(f.y, prev_y) << "high-flight cue on the way down";
                }
                if (armed && f.y > 24.0f) {
                    rec.top_ticks.push_back(rec.ticks);
                    ++tops_since_arming;
                    armed = false;
                    EXPECT_EQ(reset, NO);
                }
                EXPECT_EQ((bool)reset, armed) << "tick " << rec.ticks;
            }
            prev_y = f.y;
        }

        EXPECT_EQ(rec.high_ticks, rec.expected_high_ticks);
        ASSERT_EQ(rec.contact_ticks.size(), 8u);
        // One top of flight for each flight that climbs past 24, none for the
        // others (a contact far below the floor is followed at once by a
        // second one, with no flight between).
        int flights_past_24 = 0;
        for (size_t i = 0; i < 8; ++i) {
            EXPECT_EQ(rec.tops[i], rec.peaks[i] > 24.0f ? 1 : 0) << "flight " << i + 1;
            flights_past_24 += rec.peaks[i] > 24.0f;
        }
        EXPECT_EQ((int)rec.top_ticks.size(), flights_past_24);
        EXPECT_GE(flights_past_24, 4);
        for (size_t i = 0; i < 4; ++i) {
            EXPECT_GE(rec.inc_after[i], 0.02f) << "contact " << i + 1;
            EXPECT_LE(rec.inc_after[i], 0.03f) << "contact " << i + 1;
        }
        for (size_t i = 4; i < 7; ++i) {
            double drop = (double)rec.inc_before[i] - rec.inc_after[i];
            EXPECT_GE(drop, 0.08 - 1e-6) << "contact " << i + 1;
            EXPECT_LE(drop, 0.09 + 1e-6) << "contact " << i + 1;
        }
        EXPECT_LT(rec.inc_after[6], 0.0f) << "the cow should be coming back";

        // End of show.
        EXPECT_EQ(count, 9.0f);
        EXPECT_EQ(cowreset, NO);
        EXPECT_EQ(cowreset2, NO);
        EXPECT_EQ(zrotate, 90);
        EXPECT_EQ(yrotateRight, 0);
        EXPECT_EQ(inc, 0.1f);
        EXPECT_EQ(reset, YES);
        EXPECT_EQ(f.x, kHomeX);
        EXPECT_EQ(f.y, -2.0f);
        EXPECT_EQ(f.z, kHomeZ);
        EXPECT_EQ(f.vy, 5.0f);
        EXPECT_GE(f.ay, -0.12f);
        EXPECT_LT(f.ay, -0.075f);
    }
}

TEST_F(FloaterTest, TheSameSeedsGiveTheSameShow) {
    // A fingerprint of one show: contact ticks depend on every rounding step
    // of the height and on the gravity's three draws.
    srand(1);
    srandom(1);
    reset_floater(&scene, &f);
    std::vector<int> contacts;
    for (int tick = 1; count <= 8.0f && tick < 5000; ++tick) {
        f.z -= inc;
        float before = count;
        tick_floater(&scene, &f);
        if (count != before) contacts.push_back(tick);
    }
    EXPECT_EQ(contacts, (std::vector<int>{111, 221, 332, 442, 553, 663, 774, 884}));
}

TEST(ReplaceRotator, FreesTheOldRotatorAndKeepsTheNewOne) {
    floater f = {};
    replace_rotator(&f, make_rotator(100.0, 0.0, 0.0, 4.0, 0.01, 0));
    ASSERT_NE(f.rot, nullptr);
    rotator* second = make_rotator(100.0, 0.0, 0.0, 4.0, 0.02, 0);
    // The leak checker of the sanitizer run reports the first one if it is kept.
    replace_rotator(&f, second);
    EXPECT_EQ(f.rot, second);
    replace_rotator(&f, nullptr);
    EXPECT_EQ(f.rot, nullptr);
}

TEST(FreeCowScene, ReleasesRotatorsFloatersAndTheRecord) {
    free_cow_scene(nullptr);
    cow_scene* empty = (cow_scene*)calloc(1, sizeof(cow_scene));
    free_cow_scene(empty);

    cow_scene* scene = (cow_scene*)calloc(1, sizeof(cow_scene));
    scene->floater_count = 5;
    scene->floaters = (floater*)calloc(5, sizeof(floater));
    for (int i = 0; i < 5; ++i)
        replace_rotator(&scene->floaters[i], make_rotator(100.0, 0.0, 0.0, 4.0, 0.01, 0));
    // Under the sanitizer run a leak of any of them fails this test.
    free_cow_scene(scene);
}

TEST(SharedSceneVariables, StartWithTheirDocumentedValues) {
    // Runs in its own process so no other test has touched the variables.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            bool ok = speed == 1.0f && reset == YES && cowreset == YES && cowreset2 == YES &&
                      zrotate == 90 && yrotateRight == 0 && count == 0.0f && inc == 0.0f;
            std::exit(ok ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

}  // namespace
