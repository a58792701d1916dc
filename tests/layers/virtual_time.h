#pragma once

// Steps the main run loop on a virtual clock, as the headless shell does:
// jump to each due timer in turn, run it, stop at the target time.

#include <gtest/gtest.h>

#include "host/foundation/clock.h"
#include "host/foundation/run_loop.h"
#include "host/foundation/trace.h"

class VirtualTimeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto& loop = host::NSRunLoop::mainRunLoop();
        loop.reset();
        loop.setClock(&clock);
    }
    void TearDown() override {
        auto& loop = host::NSRunLoop::mainRunLoop();
        loop.reset();
        loop.setClock(nullptr);
        host::Trace::close();
    }
    double now() const { return clock.now(); }
    void runUntil(double t) {
        auto& loop = host::NSRunLoop::mainRunLoop();
        for (int guard = 0; guard < 100000; ++guard) {
            double next = loop.nextDueTime();
            if (next > t) break;
            clock.advanceTo(next);
            loop.runDue();
        }
        clock.advanceTo(t);
        loop.runDue();
    }
    // Runs whatever is due now, including work scheduled for the next turn.
    void runPending() { runUntil(now()); }

    host::VirtualClock clock{10.0};
};
