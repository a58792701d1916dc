#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "scene/cow_scene.h"

namespace {

// Each test starts from the state the stage leaves before a show.
class FloaterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        speed = 0.2f, count = 1.0f, inc = 0.1f;
        reset = YES, cowreset = NO, cowreset2 = NO;
        zrotate = 90, yrotateRight = 0;
        f = floater{};
        f.home_y = -2.0f, f.home_z = -10.0f;
        scene = cow_scene{1, &f};
    }
    // A floater at (x, y) falling at vy, one tick from wherever that takes it.
    void tickFrom(float x, float y, float vy, float ay = 0) {
        f.x = x, f.y = y, f.vy = vy, f.ay = ay;
        tick_floater(&scene, &f);
    }
    floater f;
    cow_scene scene;
};

TEST_F(FloaterTest, ResetPutsItHomeOnTheFloorWithAGravityFromThreeRandomDraws) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
        for (float spd : {0.2f, 1.0f}) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << " speed " << spd);
            srandom(seed);
            long double sum = 0;
            for (int i = 0; i < 3; ++i) sum += (long double)random() * 0.45L / 4294967295.0L;
            f = floater{7.5f, 30.0f, 3.0f, 4.0f, 9.0f, -6.0f, 1, -2, 3, 0.5f, 0.5f, 0.5f, nullptr};
            speed = spd;
            cowreset = NO;
            srandom(seed);
            reset_floater(&scene, &f);
            // Exact to the bit: a float product with speed or a float sum rounds differently.
            EXPECT_EQ(f.ay, (float)((long double)spd * (sum / 3.0L - 0.6L)));
            EXPECT_EQ(f.x, 4.0f);
            EXPECT_EQ(f.y, -2.0f);
            EXPECT_EQ(f.z, -6.0f);
            EXPECT_EQ(f.home_y, 9.0f);
            EXPECT_EQ(f.vx + f.vz + f.ax + f.az, 0.0f);
            EXPECT_EQ(f.vy, 5.0f);
            EXPECT_EQ(cowreset, YES);
        }
    }
}

TEST_F(FloaterTest, TickAddsAccelerationThenMovesWithTheHeightScaledBy1_3InDouble) {
    f = floater{3.25f, 12.7f, -31.4f, 0, 0, 0, 1.5f, -2.2f, -0.75f, 0.01f, -0.083f, 0.02f, nullptr};
    tick_floater(&scene, &f);
    long double vx = 1.5L + 0.01f, vy = -2.2f + (long double)-0.083f, vz = -0.75L + 0.02f;
    EXPECT_NEAR(f.vx, (float)vx, 1e-6);
    EXPECT_NEAR(f.vy, (float)vy, 1e-6);
    EXPECT_NEAR(f.vz, (float)vz, 1e-6);
    EXPECT_NEAR(f.x, (float)(3.25L + vx * 0.2L), 2e-6);
    EXPECT_NEAR(f.y, (float)(12.7f + 1.3L * vy * 0.2L), 4e-6);
    EXPECT_NEAR(f.z, (float)(-31.4f + vz * 0.2L), 4e-6);

    // Heights where summing in float, or widening velocity and speed before
    // their product, gives another last bit.
    struct Row {
        float y, vy, want, all_float, all_double;
    };
    for (const Row& r : {
             Row{0x1.9eb85p-1f, -0x1.bd70a4p+1f, -0x1.844d1ep-4f, -0x1.844d1p-4f, -0x1.844d16p-4f},
             Row{0x1.c28f6p-1f, -0x1.43d70ap+1f, 0x1.c710dep-3f, 0x1.c710ep-3f, 0x1.c710dap-3f},
         }) {
        tickFrom(0, r.y, r.vy);
        EXPECT_EQ(f.y, r.want);
        EXPECT_NE(f.y, r.all_float);
        EXPECT_NE(f.y, r.all_double);
    }
}

TEST_F(FloaterTest, TopOfFlightSetsZrotateTo90ExactlyWhenTheDrawIsInTheLowerHalf) {
    int seen[4] = {};
    for (unsigned seed = 1; seed <= 200; ++seed) {
        srand(seed);
        int k = (int)((long double)rand() / 536870912.0L);
        ++seen[k];
        SetUp();
        srand(seed);
        zrotate = 1000;
        tickFrom(0, 23.9f, 3.0f);
        ASSERT_EQ(reset, NO);
        EXPECT_EQ(zrotate, k < 2 ? 90 : 1000) << "seed " << seed << " k " << k;
    }
    for (int k = 0; k < 4; ++k) EXPECT_GT(seen[k], 20) << "k " << k;
}

TEST_F(FloaterTest, FloorContactBouncesCountsAndSetsTheDriftByTheCountBeforeIt) {
    struct Row {
        float count, inc;
        bool lowered;
    };
    for (unsigned seed : {1u, 8u, 77u}) {
        for (Row row :
             {Row{3, -1, false}, Row{4, -1, false}, Row{5, 0.025f, true}, Row{7, -0.2f, true}}) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << " count " << row.count);
            SetUp();
            srand(seed);
            long double r = (long double)(float)(rand() / 214748364.8) / 1000.0L;
            srand(seed);
            count = row.count, inc = row.inc, reset = NO;
            tickFrom(0, -1.9f, -1.0f);
            EXPECT_LT(f.y, -2.0f) << "left where the tick put it";
            EXPECT_EQ(f.vy, 5.0f);
            EXPECT_EQ(cowreset, YES);
            EXPECT_EQ(reset, YES);
            EXPECT_EQ(count, row.count + 1);
            EXPECT_EQ(inc, row.lowered ? (float)(row.inc - (r + 0.08L)) : (float)(r + 0.02L));
        }
    }
}

TEST_F(FloaterTest, AContactFarBelowTheFloorCountsTwice) {
    srand(11);
    tickFrom(0, -1.9f, -10.0f, -0.1f);
    ASSERT_EQ(count, 2.0f);
    EXPECT_LT(f.y, -4.5f) << "not clamped to the floor";
    cowreset = NO;
    tick_floater(&scene, &f);
    EXPECT_EQ(count, 3.0f);
    EXPECT_EQ(cowreset, YES);
    cowreset = NO;
    tick_floater(&scene, &f);
    EXPECT_GT(f.y, -2.0f);
    EXPECT_EQ(count, 3.0f);
    EXPECT_EQ(cowreset, NO);
}

TEST_F(FloaterTest, ASidewaysExitRearmsWithoutAContact) {
    for (float x : {16.5f, -16.5f, 16.0f}) {
        SetUp();
        reset = NO;
        tickFrom(x, 10.0f, -1.0f, -0.1f);
        EXPECT_EQ(reset, x != 16.0f ? YES : NO) << "x " << x << "; the edge itself is inside";
        EXPECT_EQ(count, 1.0f);
        EXPECT_EQ(cowreset, NO);
        EXPECT_EQ(inc, 0.1f);
        EXPECT_NEAR(f.vy, -1.1f, 1e-6);
    }
}

TEST_F(FloaterTest, AWholeShowRunsEightContactsWithItsCuesAndEndsAtHome) {
    for (unsigned seed : {1u, 2u, 3u, 42u, 1000u, 65535u, 123456789u, 4294967295u}) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        SetUp();
        srand(seed);
        srandom(seed);
        reset_floater(&scene, &f);
        const float gravity = f.ay;
        bool armed = true;
        float peak = f.y;
        std::vector<float> inc_before, inc_after;
        int ticks = 0, flights_past_24 = 0, tops = 0;
        while (count <= 8.0f) {
            ASSERT_LT(++ticks, 5000) << "the show does not end";
            // What the frame tick and the drawing do around each step.
            cowreset = NO, cowreset2 = NO;
            yrotateRight -= 3, zrotate += 7;
            f.z -= inc;
            const float before_count = count, before_inc = inc, before_y = f.y;
            tick_floater(&scene, &f);
            EXPECT_TRUE(ticks > 1 || f.y > -2.0f) << "the first tick launches";
            if (count != before_count) {
                EXPECT_EQ(count, before_count + 1.0f);
                inc_before.push_back(before_inc);
                inc_after.push_back(inc);
                flights_past_24 += peak > 24.0f;
                armed = true;
                peak = f.y;
                continue;
            }
            EXPECT_EQ(f.ay, gravity) << "the gravity holds for the show";
            EXPECT_EQ(cowreset, NO) << "tick " << ticks;
            EXPECT_GE(f.y, -2.0f);
            peak = std::max(peak, f.y);
            // High flight on every tick above 8 while armed, on the way up only.
            EXPECT_EQ((bool)cowreset2, armed && f.y > 8.0f) << "tick " << ticks;
            EXPECT_TRUE(!cowreset2 || f.y > before_y) << "high-flight cue on the way down";
            if (armed && f.y > 24.0f) ++tops, armed = false;
            EXPECT_EQ((bool)reset, armed) << "tick " << ticks;
        }
        ASSERT_EQ(inc_after.size(), 8u);
        EXPECT_EQ(tops, flights_past_24) << "one top of flight per arming that passes 24";
        EXPECT_GE(tops, 4);
        // Four small positive drifts, then three decreases.
        for (size_t i = 0; i < 7; ++i) {
            float drop = inc_before[i] - inc_after[i];
            EXPECT_TRUE(i < 4 ? inc_after[i] >= 0.02f && inc_after[i] <= 0.03f
                              : drop >= 0.08f - 1e-6f && drop <= 0.09f + 1e-6f)
                << "contact " << i + 1 << ": " << inc_before[i] << " to " << inc_after[i];
        }
        EXPECT_LT(inc_after[6], 0.0f) << "the cow should be coming back";
        // The eighth contact ends the show without a cue and puts the floater home.
        EXPECT_EQ(count, 9.0f);
        EXPECT_EQ(cowreset, NO);
        EXPECT_EQ(cowreset2, NO);
        EXPECT_EQ(zrotate, 90);
        EXPECT_EQ(yrotateRight, 0);
        EXPECT_EQ(inc, 0.1f);
        EXPECT_EQ(reset, YES);
        EXPECT_EQ(f.x, 0.0f);
        EXPECT_EQ(f.y, -2.0f);
        EXPECT_EQ(f.z, -10.0f);
        EXPECT_EQ(f.vy, 5.0f);
    }
}

TEST(ReplaceRotator, FreesTheRotatorItReplaces) {
    // The leak checker of the sanitizer run fails this if the first one is kept.
    floater f = {};
    replace_rotator(&f, make_rotator(100.0, 0.0, 0.0, 4.0, 0.01, 0));
    rotator* second = make_rotator(100.0, 0.0, 0.0, 4.0, 0.02, 0);
    replace_rotator(&f, second);
    EXPECT_EQ(f.rot, second);
    replace_rotator(&f, nullptr);
    free_cow_scene(nullptr);
}

TEST(SharedSceneVariables, StartWithTheirDocumentedValues) {
    // In a process of its own, so that no other test has touched them.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto initial = [] {
        return speed == 1.0f && reset == YES && cowreset == YES && cowreset2 == YES &&
               zrotate == 90 && yrotateRight == 0 && count == 0.0f && inc == 0.0f;
    };
    EXPECT_EXIT(std::exit(initial() ? 0 : 1), testing::ExitedWithCode(0), "");
}

}  // namespace
