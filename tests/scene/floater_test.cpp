#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>
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
            speed = spd, cowreset = NO;
            srandom(seed);
            reset_floater(&scene, &f);
            // Exact to the bit: a float product with speed or a float sum rounds differently.
            EXPECT_EQ(f.ay, (float)((long double)spd * (sum / 3.0L - 0.6L)));
            EXPECT_EQ(std::vector<float>({f.x, f.y, f.z, f.home_y, f.vy}),
                      std::vector<float>({4.0f, -2.0f, -6.0f, 9.0f, 5.0f}));
            EXPECT_TRUE(f.vx + f.vz + f.ax + f.az == 0.0f && cowreset);
        }
    }
}

TEST_F(FloaterTest, TickAddsAccelerationThenMovesWithTheHeightScaledBy1_3InDouble) {
    f = floater{3.25f, 12.7f, -31.4f, 0, 0, 0, 1.5f, -2.2f, -0.75f, 0.01f, -0.083f, 0.02f, nullptr};
    tick_floater(&scene, &f);
    long double vx = 1.5L + 0.01f, vy = -2.2f + (long double)-0.083f, vz = -0.75L + 0.02f;
    EXPECT_NEAR(f.vx, (float)vx, 1e-6);
    EXPECT_NEAR(f.vy, (float)vy, 1e-6);
    EXPECT_NEAR(f.y, (float)(12.7f + 1.3L * vy * 0.2L), 4e-6);
    EXPECT_NEAR(f.vz, (float)vz, 1e-6);
    EXPECT_NEAR(f.x, (float)(3.25L + vx * 0.2L), 2e-6);
    EXPECT_NEAR(f.z, (float)(-31.4f + vz * 0.2L), 4e-6);
    // Heights where summing in float (-0x1.844d1p-4f, 0x1.c710ep-3f), or widening
    // velocity and speed before their product (-0x1.844d16p-4f, 0x1.c710dap-3f),
    // gives another last bit.
    for (auto [y, vy, want] : {std::tuple{0x1.9eb85p-1f, -0x1.bd70a4p+1f, -0x1.844d1ep-4f},
                               {0x1.c28f6p-1f, -0x1.43d70ap+1f, 0x1.c710dep-3f}}) {
        tickFrom(0, y, vy);
        EXPECT_EQ(f.y, want);
    }
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
            EXPECT_TRUE(f.vy == 5.0f && cowreset && reset && count == row.count + 1);
            EXPECT_EQ(inc, row.lowered ? (float)(row.inc - (r + 0.08L)) : (float)(r + 0.02L));
        }
    }
    // Far below the floor, the next tick is a contact again.
    SetUp();
    tickFrom(0, -1.9f, -10.0f, -0.1f);
    cowreset = NO;
    tick_floater(&scene, &f);
    EXPECT_TRUE(count == 3.0f && cowreset);
}

TEST_F(FloaterTest, ASidewaysExitRearmsWithoutAContactAndTheNinthContactEndsTheShowAtHome) {
    for (float x : {16.5f, -16.5f, 16.0f}) {
        SetUp();
        reset = NO;
        tickFrom(x, 10.0f, -1.0f, -0.1f);
        EXPECT_EQ(reset, x != 16.0f ? YES : NO) << "x " << x << "; the edge itself is inside";
        EXPECT_TRUE(count == 1.0f && !cowreset && inc == 0.1f) << "no contact";
    }
    // The contact that takes the count past eight: home, no cue, spin and drift reset.
    SetUp();
    count = 8, inc = -0.3f, zrotate = 170, yrotateRight = -40, reset = NO;
    tickFrom(3, -1.9f, -1.0f);
    EXPECT_EQ(std::vector<float>({count, inc, f.x, f.y, f.z, f.vy}),
              std::vector<float>({9.0f, 0.1f, 0.0f, -2.0f, -10.0f, 5.0f}));
    EXPECT_TRUE(!cowreset && !cowreset2 && reset && zrotate == 90 && yrotateRight == 0);
}

}  // namespace

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
