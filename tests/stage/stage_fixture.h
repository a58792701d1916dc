#pragma once

// The real stage, made from its interface file "PaddockView" in the built
// resources, in a 320 x 480 window on a virtual clock, with silent sound and
// the host trace open. Needs a GL ES 1.1 context (the stage's GL view).

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "host/audio/audio_output.h"
#include "host/foundation/bundle.h"
#include "host/views/view_controller.h"
#include "host/views/window.h"
#include "scene/cow_scene.h"
#include "stage/PaddockView.h"
#include "tests/support/gles_fixture.h"
#include "tests/support/host_support.h"

namespace stagetest {

inline constexpr double kTick = 1.0 / 90.0;
inline const host::CGPoint kMiddle{160, 240};
// On the placard (220 x 300 points about the middle), and off it.
inline const host::CGPoint kOnPlacard{120, 200};
inline const host::CGPoint kOffPlacard{20, 30};

using testsupport::TraceLine;

// Frame ticks between two looks at the drawn cow (floater 4). Within a flight
// each tick adds the cow's gravity to its upward speed exactly once; a floor
// contact (and the end of a show) sets the speed to 5. -1 when the speed
// changed in any other way.
inline int ticksBetween(const floater& before, const floater& after) {
    if (after.vy == 5.0f && before.vy != 5.0f) return 1;
    float vy = before.vy;
    for (int n = 0; n <= 4; ++n, vy += before.ay)
        if (vy == after.vy) return n;
    return -1;
}

class StageTest : public testsupport::VirtualLoopTest {
  protected:
    void SetUp() override {
        VirtualLoopTest::SetUp();
        {
            testsupport::StderrCapture quiet;
            host::AudioOutput::openSilent("test");
        }
        controller =
            host::UIViewController::initWithNibName("PaddockView", &host::NSBundle::mainBundle());
        stage = std::dynamic_pointer_cast<PaddockView>(controller->view());
        ASSERT_TRUE(stage) << "no stage from PaddockView.json in "
                           << host::NSBundle::mainBundle().resourcePath();
        if (!stage->glView()) {
            if (paddock::test::glRequired()) FAIL() << "the stage has no GL view";
            GTEST_SKIP() << "no GL ES 1.1 context on this machine";
        }
        ASSERT_TRUE(stage->placardView());
        window->addSubview(stage);
        window->makeKeyAndVisible();
        // Known flags: other tests in this process share the scene variables.
        cowreset = NO;
        cowreset2 = NO;
    }
    void TearDown() override {
        window.reset();
        controller.reset();
        stage.reset();
        host::AudioOutput::close();
        VirtualLoopTest::TearDown();
    }

    PlacardView& placard() const { return *stage->placardView(); }
    EAGLView& glView() const { return *stage->glView(); }
    const floater& cow() const { return stage->scene()->floaters[4]; }
    std::vector<TraceLine> lines() const { return trace.lines(); }
    // How many trace lines read "event details".
    int countLines(const std::string& what) const {
        int n = 0;
        for (const auto& l : lines()) n += l.what() == what;
        return n;
    }
    // The trace lines of `event` at `time` (to the trace's four decimals), as "event details".
    std::vector<std::string> linesAt(double time, const std::vector<std::string>& events) const {
        std::vector<std::string> out;
        for (const auto& l : lines())
            if (std::abs(l.time - time) < 0.00006)
                for (const auto& e : events)
                    if (l.event == e) out.push_back(l.event + " " + l.details);
        return out;
    }

    // Runs the loop to `t`, then one finger's event at `t`.
    void touchAt(double t, host::UITouchPhase phase, host::CGPoint p, int finger = 0) {
        runUntil(t);
        window->sendTouch(finger, phase, p, t);
    }
    // Takes the placard at `from` at `t`, and once it has settled there drags
    // it to `to` and lets go. Returns the time of the release.
    double dragAndRelease(host::CGPoint from, host::CGPoint to, double t) {
        touchAt(t, host::UITouchPhase::Began, from);
        touchAt(t + 0.4, host::UITouchPhase::Moved, to);
        touchAt(t + 0.5, host::UITouchPhase::Ended, to);
        return t + 0.5;
    }
    // Runs the loop to its next due event.
    void step() {
        double next = loop.nextDueTime();
        clock.advanceTo(next);
        loop.runDue();
    }
    // Steps the loop until the show ends, checking that the cow is advanced
    // exactly once at every 1/90 s after `start` and at no other time.
    // Returns the number of ticks, counting on from `ticks`; -1 on a failure.
    int countTicks(double start, int ticks = 0, int limit = 3000) {
        while (stage->isShowRunning() && ticks < limit) {
            const floater before = cow();
            step();
            const int n = ticksBetween(before, cow());
            if (n == 0) continue;  // something else was due: an animation's end, a sound's
            EXPECT_EQ(n, 1) << "at " << now() << " after " << ticks << " ticks";
            ++ticks;
            EXPECT_NEAR(now(), start + ticks * kTick, 1e-6) << "tick " << ticks;
            if (testing::Test::HasFailure()) return -1;
        }
        return ticks;
    }
    // Steps until the running show ends (at most `limit` seconds). False if it did not.
    bool runShowToEnd(double limit = 30) {
        const double until = now() + limit;
        while (stage->isShowRunning() && loop.nextDueTime() <= until) step();
        return !stage->isShowRunning();
    }

    std::shared_ptr<host::UIWindow> window =
        std::make_shared<host::UIWindow>(host::CGRectMake(0, 0, 320, 480));
    std::shared_ptr<host::UIViewController> controller;
    std::shared_ptr<PaddockView> stage;
    testsupport::TraceCapture trace;
};

}  // namespace stagetest
