#include <gtest/gtest.h>

#include "stage_fixture.h"

// The show's frame timer: one tick per 1/90 s while a show runs, none between
// shows, however many shows and releases there are.

namespace {

using host::NSRunLoop;
using host::UITouchPhase;
using stagetest::kOnPlacard;
using stagetest::kTick;
using stagetest::ticksBetween;

using FrameTimer = stagetest::StageTest;

TEST_F(FrameTimer, TwentyShowsInARowAreEachTickedOncePerNinetiethAndLeaveNoTimerBehind) {
    double t = 11.0;
    for (int show = 0; show < 20; ++show) {
        SCOPED_TRACE(show);
        const double release = dragAndRelease(kOnPlacard, {100 + 5.0f * show, 300}, t);
        ASSERT_NE(stage->frameTimer(), nullptr);
        // Each show starts at its last bounce, so that its first floor contact
        // ends it (a whole show is ticked in the tests above and below).
        count = 8.0f;
        const int ticks = countTicks(release);
        ASSERT_GT(ticks, 0);
        ASSERT_FALSE(stage->isShowRunning());
        EXPECT_EQ(count, 9.0f);
        EXPECT_EQ(stage->frameTimer(), nullptr);
        // Once the return and the sounds are over nothing at all is left to run.
        runUntil(now() + 3);
        EXPECT_EQ(loop.nextDueTime(), NSRunLoop::kNever);
        // Only the last effect of each cue is kept.
        EXPECT_EQ(host::AudioOutput::soundCount(),
                  (stage->boingEffect() ? 1 : 0) + (stage->mooEffect() ? 1 : 0));
        EXPECT_NE(stage->boingEffect(), nullptr);
        t = now() + 0.5;
    }
    EXPECT_EQ(countLines("show start"), 20);
    EXPECT_EQ(countLines("show end"), 20);
}

// A loop that comes back late fires the frame timer once for all the fires it
// missed, then keeps the timer's own cadence; also when it comes back right on
// a fire date.
TEST_F(FrameTimer, ALateRunLoopSkipsMissedTicksInsteadOfBunchingThem) {
    double t = 11.0;
    for (double late : {0.5, 0.503, 1.0 / 3, 2.0}) {
        SCOPED_TRACE(late);
        const double release = dragAndRelease(kOnPlacard, kOnPlacard, t);
        for (int i = 0; i < 5; ++i) step();
        ASSERT_NEAR(now(), release + 5 * kTick, 1e-9);
        const floater before = cow();
        clock.advanceTo(now() + late);
        loop.runDue();
        EXPECT_EQ(ticksBetween(before, cow()), 1);
        // The fires that fell due while the loop was away are gone; the next
        // is the first one after now.
        const double elapsed = (now() - release) / kTick;
        const int next = static_cast<int>(std::floor(elapsed + 1e-6)) + 1;
        ASSERT_NE(stage->frameTimer(), nullptr);
        EXPECT_NEAR(stage->frameTimer()->fireDate(), release + next * kTick, 1e-6);
        EXPECT_GT(loop.nextDueTime(), now());
        for (int k = next; k < next + 5; ++k) {
            const floater last = cow();
            step();
            EXPECT_NEAR(now(), release + k * kTick, 1e-6);
            EXPECT_EQ(ticksBetween(last, cow()), 1);
        }
        count = 8.5f;
        step();
        ASSERT_FALSE(stage->isShowRunning());
        t = now() + 3;
    }
}

// Two fingers both on the placard: each release starts the show over, on the
// one timer already running.
TEST_F(FrameTimer, ASecondReleaseDuringAShowRestartsItWithoutASecondTimer) {
    touchAt(11.0, UITouchPhase::Began, kOnPlacard, 0);
    touchAt(11.1, UITouchPhase::Began, {200, 300}, 1);
    touchAt(11.5, UITouchPhase::Ended, kOnPlacard, 0);
    ASSERT_TRUE(stage->isShowRunning());
    host::NSTimer* timer = stage->frameTimer();
    ASSERT_NE(timer, nullptr);
    for (int i = 0; i < 7; ++i) step();
    // Half a tick later the second finger lifts: it began on the placard too.
    runUntil(now() + kTick / 2);
    window->sendTouch(1, UITouchPhase::Ended, {200, 300}, now());
    EXPECT_EQ(count, 1.0f);
    EXPECT_EQ(stage->frameTimer(), timer);
    EXPECT_EQ(countLines("show start"), 2);
    // Ticks keep the first timer's cadence, one at a time, to the show's end.
    EXPECT_GT(countTicks(11.5, 7), 300);
    EXPECT_FALSE(stage->isShowRunning());
    EXPECT_EQ(stage->frameTimer(), nullptr);
    runUntil(now() + 3);
    EXPECT_EQ(loop.nextDueTime(), NSRunLoop::kNever);
}

}  // namespace
