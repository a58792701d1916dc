#include "host/foundation/run_loop.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using host::NSRunLoop;
using host::NSTimer;
using host::VirtualClock;

namespace {

class RunLoopTest : public ::testing::Test {
  protected:
    void SetUp() override {
        loop.reset();
        loop.setClock(&clock);
    }
    void TearDown() override {
        loop.reset();
        loop.setClock(nullptr);
    }
    // Jumps the virtual clock from event to event until `until`.
    void runUntil(double until) {
        for (;;) {
            double next = loop.nextDueTime();
            if (next > until) break;
            clock.advanceTo(next);
            loop.runDue();
        }
        clock.advanceTo(until);
    }
    NSRunLoop& loop = NSRunLoop::mainRunLoop();
    VirtualClock clock{100.0};
};

struct Counter {
    int ticks = 0;
    void tick() { ++ticks; }
};

TEST_F(RunLoopTest, RepeatingTimerFiresOncePerIntervalOnTheVirtualClock) {
    Counter c;
    auto timer = NSTimer::scheduledTimerWithTimeInterval(1.0 / 90, &c, &Counter::tick, true);
    runUntil(100.0 + 1.0 + 1e-9);
    EXPECT_EQ(c.ticks, 90);
    timer->invalidate();
    runUntil(105.0);
    EXPECT_EQ(c.ticks, 90);
    EXPECT_EQ(loop.nextDueTime(), NSRunLoop::kNever);
}

TEST_F(RunLoopTest, OneShotTimerFiresOnceAndIsDropped) {
    int fired = 0;
    auto timer = NSTimer::scheduledTimerWithTimeInterval(
        0.25, [&](NSTimer&) { ++fired; }, false);
    EXPECT_DOUBLE_EQ(loop.nextDueTime(), 100.25);
    runUntil(110.0);
    EXPECT_EQ(fired, 1);
    EXPECT_FALSE(timer->isValid());
}

TEST_F(RunLoopTest, LateRepeatingTimerSkipsMissedFiresAndKeepsCadence) {
    int fired = 0;
    auto timer = NSTimer::scheduledTimerWithTimeInterval(
        1.0, [&](NSTimer&) { ++fired; }, true);
    clock.advanceTo(103.5);
    loop.runDue();
    EXPECT_EQ(fired, 1);
    EXPECT_DOUBLE_EQ(timer->fireDate(), 104.0);
}

TEST_F(RunLoopTest, TimerInvalidatedByAnEarlierTimerInTheSameTurnDoesNotFire) {
    std::shared_ptr<NSTimer> second;
    int secondFired = 0;
    auto first = NSTimer::scheduledTimerWithTimeInterval(
        1.0, [&](NSTimer&) { second->invalidate(); }, false);
    second = NSTimer::scheduledTimerWithTimeInterval(
        1.0, [&](NSTimer&) { ++secondFired; }, false);
    runUntil(102.0);
    EXPECT_EQ(secondFired, 0);
}

TEST_F(RunLoopTest, WorkPostedFromAnotherThreadRunsOnTheLoopThread) {
    std::vector<std::thread::id> ran;
    int wakes = 0;
    loop.setWakeHandler([&] { ++wakes; });
    std::thread other([&] { loop.post([&] { ran.push_back(std::this_thread::get_id()); }); });
    other.join();
    loop.setWakeHandler(nullptr);
    EXPECT_TRUE(ran.empty());
    EXPECT_EQ(wakes, 1);
    EXPECT_DOUBLE_EQ(loop.nextDueTime(), clock.now());
    loop.runDue();
    ASSERT_EQ(ran.size(), 1u);
    EXPECT_EQ(ran[0], std::this_thread::get_id());
}

}  // namespace
