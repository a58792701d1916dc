#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "host/audio/audio_output.h"
#include "host/foundation/bundle.h"
#include "host/layers/timing_function.h"
#include "host/views/view_controller.h"
#include "host/views/window.h"
#include "scene/cow_scene.h"
#include "stage/PaddockView.h"
#include "tests/support/gles_fixture.h"
#include "tests/support/host_support.h"

// The real stage from "PaddockView" in a 320 x 480 window on a virtual clock,
// with silent sound and the trace open. Needs GL ES 1.1 (the GL view).

namespace {

using namespace host;
using strings = std::vector<std::string>;

constexpr double kTick = 1.0 / 90.0;
const CGPoint kMiddle{160, 240};
// On the placard (220 x 300 points about the middle), and off it.
const CGPoint kOnPlacard{120, 200}, kOffPlacard{20, 30};

// Frame ticks between two looks at the cow (floater 4): each adds its gravity
// to its upward speed; a floor contact sets the speed to 5. -1: anything else.
int ticksBetween(const floater& before, const floater& after) {
    if (after.vy == 5.0f && before.vy != 5.0f) return 1;
    float vy = before.vy;
    for (int n = 0; n <= 4; ++n, vy += before.ay)
        if (vy == after.vy) return n;
    return -1;
}

class Stage : public testsupport::VirtualLoopTest {
  protected:
    void SetUp() override {
        VirtualLoopTest::SetUp();
        testsupport::StderrCapture quiet;
        AudioOutput::openSilent("test");
        quiet.text();
        controller = UIViewController::initWithNibName("PaddockView", &NSBundle::mainBundle());
        stage = std::dynamic_pointer_cast<PaddockView>(controller->view());
        ASSERT_TRUE(stage && stage->placardView()) << NSBundle::mainBundle().resourcePath();
        if (!stage->glView()) {
            if (paddock::test::glRequired()) FAIL() << "the stage has no GL view";
            GTEST_SKIP() << "no GL ES 1.1 context on this machine";
        }
        window->addSubview(stage);
        window->makeKeyAndVisible();
        // Known flags: other tests in this process share the scene variables.
        cowreset = cowreset2 = NO;
    }
    void TearDown() override {
        window.reset();
        controller.reset();
        stage.reset();
        AudioOutput::close();
        VirtualLoopTest::TearDown();
    }

    PlacardView& placard() const { return *stage->placardView(); }
    EAGLView& glView() const { return *stage->glView(); }
    const floater& cow() const { return stage->scene()->floaters[4]; }
    // The trace lines ("event details") of `events` at `time` (any when < 0).
    strings linesAt(double time, const strings& events) const {
        strings out;
        for (const auto& l : trace.lines())
            if ((time < 0 || std::abs(l.time - time) < 0.00006) &&
                std::find(events.begin(), events.end(), l.event) != events.end())
                out.push_back(l.what());
        return out;
    }
    long countLines(const std::string& what) const {
        const strings all = linesAt(-1, {what.substr(0, what.find(' '))});
        return std::count(all.begin(), all.end(), what);
    }
    // Runs the loop to `t`, then one finger's event at `t`.
    void touchAt(double t, UITouchPhase phase, CGPoint p, int finger = 0) {
        runUntil(t);
        window->sendTouch(finger, phase, p, t);
    }
    // Drags the placard from `from` at `t` to `to` once grown; returns the release time.
    double dragAndRelease(CGPoint from, CGPoint to, double t) {
        touchAt(t, UITouchPhase::Began, from);
        touchAt(t + 0.4, UITouchPhase::Moved, to);
        touchAt(t + 0.5, UITouchPhase::Ended, to);
        return t + 0.5;
    }
    void step() {
        clock.advanceTo(loop.nextDueTime());
        loop.runDue();
    }
    // Steps the show, checking the cow advances once at every 1/90 s after
    // `start` and at no other time; returns the ticks, from `ticks` to `limit`.
    int countTicks(double start, int ticks = 0, int limit = 3000) {
        while (stage->isShowRunning() && ticks < limit && !HasFailure()) {
            const floater before = cow();
            step();
            const int n = ticksBetween(before, cow());
            if (n == 0) continue;  // something else was due: an animation's end, a sound's
            EXPECT_EQ(n, 1) << "at " << now() << " after " << ticks << " ticks";
            EXPECT_NEAR(now(), start + ++ticks * kTick, 1e-6) << "tick " << ticks;
        }
        return ticks;
    }
    // Ends the running show at its next tick.
    void endShow() {
        count = 8.5f;
        while (stage->isShowRunning()) step();
    }

    std::shared_ptr<UIWindow> window = std::make_shared<UIWindow>(CGRectMake(0, 0, 320, 480));
    std::shared_ptr<UIViewController> controller;
    std::shared_ptr<PaddockView> stage;
    testsupport::TraceCapture trace;
};

TEST_F(Stage, ReleaseGivesAMooThenTicksEveryNinetiethPresentingAndCueingUntilTheEighthContact) {
    const double release = dragAndRelease(kOnPlacard, {200, 330}, 11.0);
    EXPECT_TRUE(stage->isShowRunning() && !glView().isHidden());
    EXPECT_FALSE(stage->isUserInteractionEnabled());
    const strings atRelease = linesAt(release, {"show", "cue"});
    ASSERT_EQ(atRelease.size(), 2u) << trace.text();
    EXPECT_EQ(atRelease[0], "show start");
    EXPECT_TRUE(atRelease[1].starts_with("cue moo ")) << atRelease[1];
    // The show's set-up raised the boing flag; the touch on the placard the moo flag.
    EXPECT_EQ(count, 1.0f);
    EXPECT_TRUE(cowreset && cowreset2);

    auto before = glView().layer().contents();
    step();
    ASSERT_NEAR(now(), release + kTick, 1e-9);
    EXPECT_NE(glView().layer().contents(), before) << "the first tick presents a frame";
    const strings first = linesAt(now(), {"cue"});
    ASSERT_EQ(first.size(), 2u) << trace.text();
    EXPECT_TRUE(first[0].starts_with("cue boing boing_")) << "a boing is never silent";
    EXPECT_TRUE(first[1].starts_with("cue moo ")) << first[1];
    EXPECT_FALSE(cowreset || cowreset2);

    // One tick per 1/90 s until the tick that takes the count past 8.
    EXPECT_GT(countTicks(release, 1), 300);
    EXPECT_EQ(count, 9.0f);
    EXPECT_TRUE(glView().isHidden());
    EXPECT_EQ(stage->frameTimer(), nullptr);
    EXPECT_EQ(linesAt(now(), {"show", "view", "cue"}),
              (strings{"view hidden view=EAGLView", "show end"}))
        << "the last floor contact clears both cue flags";
    EXPECT_EQ(linesAt(-1, {"show"}), (strings{"show start", "show end"}));

    // A flag raised while idle waits for the next show: nothing ticks or cues.
    const size_t cues = linesAt(-1, {"cue"}).size();
    touchAt(now() + 0.5, UITouchPhase::Began, kOffPlacard);
    touchAt(now() + 0.1, UITouchPhase::Ended, kOffPlacard);
    runUntil(now() + 5);
    EXPECT_EQ(cowreset2, YES);
    EXPECT_EQ(linesAt(-1, {"cue"}).size(), cues);
}

// The end test is count > 8.0, made after the frame is presented and its
// cues are given: pushed to the edge in mid-flight by hand.
TEST_F(Stage, OnlyACountAboveEightEndsTheShowAndTheEndingTickPresentsAndCuesFirst) {
    const strings cues{"cue boing", "cue moo"};
    const strings ending{"cue boing", "cue moo", "view hidden", "show end"};
    double t = 11.0;
    for (const float edge : {8.0f, 8.000001f, 8.5f}) {
        SCOPED_TRACE(edge);
        runUntil(dragAndRelease(kOnPlacard, kOnPlacard, t) + 0.1);
        ASSERT_GT(cow().vy, 0.0f) << "still rising: this tick is no floor contact";
        count = edge;
        cowreset = cowreset2 = YES;
        const auto before = glView().layer().contents();
        step();
        EXPECT_NE(glView().layer().contents(), before);
        EXPECT_EQ(stage->isShowRunning(), edge == 8.0f);
        EXPECT_EQ(glView().isHidden(), edge != 8.0f);
        strings got;
        for (const auto& l : linesAt(now(), {"show", "view", "cue"}))
            got.push_back(l.substr(0, l.find(' ', l.find(' ') + 1)));
        EXPECT_EQ(got, edge == 8.0f ? cues : ending);
        endShow();
        t = now() + 3;
    }
}

// Each release restarts the show on the one running timer; nothing is left over between shows.
TEST_F(Stage, ShowsInARowAndSecondReleasesAreTickedOncePerNinetiethByOneTimer) {
    double t = 11.0;
    for (int show = 0; show < 8; ++show) {
        SCOPED_TRACE(show);
        const CGPoint second{200, 300 - 10.0f * show};
        touchAt(t, UITouchPhase::Began, kOnPlacard, 0);
        touchAt(t + 0.1, UITouchPhase::Began, second, 1);
        touchAt(t + 0.5, UITouchPhase::Ended, kOnPlacard, 0);
        NSTimer* timer = stage->frameTimer();
        ASSERT_NE(timer, nullptr);
        ASSERT_EQ(countTicks(t + 0.5, 0, 7), 7);
        // Half a tick later the second finger lifts: it began on the placard too.
        touchAt(now() + kTick / 2, UITouchPhase::Ended, second, 1);
        EXPECT_EQ(count, 1.0f);
        EXPECT_EQ(stage->frameTimer(), timer);
        EXPECT_EQ(countLines("show start"), 2 * show + 2);
        // From the last bounce: the first floor contact ends it.
        count = 8.0f;
        EXPECT_GT(countTicks(t + 0.5, 7), 7);
        EXPECT_EQ(count, 9.0f);
        EXPECT_EQ(stage->frameTimer(), nullptr);
        runUntil(now() + 3);
        EXPECT_EQ(loop.nextDueTime(), NSRunLoop::kNever);
        ASSERT_NE(stage->boingEffect(), nullptr);
        EXPECT_EQ(AudioOutput::soundCount(), 1 + (stage->mooEffect() ? 1 : 0));
        t = now() + 0.5;
    }
    EXPECT_EQ(countLines("show end"), 8);
}

// The return from P to M worked out in single precision: a line to M, then
// bounces out to M + D/4, M + D/8, M + D/12 ... each followed by a line back
// to M, until D divided by the next divisor truncates to within 5 points
// either way in both coordinates; each bounce adds 1/(next divisor) seconds
// to 1.5.
std::pair<std::vector<CGPoint>, float> expectedReturn(CGPoint p, CGPoint m) {
    const float dx = p.x - m.x, dy = p.y - m.y;
    std::pair<std::vector<CGPoint>, float> b{{p, m}, 1.5f};
    for (float divisor = 4.0f;;) {
        b.first.push_back({m.x + dx / divisor, m.y + dy / divisor});
        b.first.push_back(m);
        divisor += 4.0f;
        b.second += 1.0f / divisor;
        const int x = static_cast<int>(dx / divisor), y = static_cast<int>(dy / divisor);
        if (x >= -5 && x <= 5 && y >= -5 && y <= 5) return b;
    }
}

// Eased in, from the scale held at; interaction comes back when it ends, not when the show does.
TEST_F(Stage, TheReturnsKeyframesAndDurationFollowTheDisplacementToTheLastBit) {
    const struct {
        float dx, dy;
        size_t points;   // 2 + 2 per bounce; 0: not pinned
        float duration;  // exact float; 0: not pinned
    } cases[] = {
        {100, 0, 10, 1.8208333f}, {0, 0, 4, 1.625f},          {47.9f, 0, 4, 1.625f},
        {48, 0, 6, 1.7083334f},   {140, 210, 18, 1.9572420f}, {-160, -240, 22, 2.0049694f},
        {-47.9f, 0, 4, 1.625f},   {-48, 0, 6, 1.7083334f},    {-100, 0, 10, 1.8208333f},
        {0.4f, -0.6f, 4, 1.625f}, {30, -200, 0, 0},           {-23.9f, 239, 0, 0},
        {159, -15, 0, 0},         {160, 240, 0, 0},
    };
    const auto held = CATransform3DMakeAffineTransform(CGAffineTransformMakeScale(1.1f, 1.1f));
    auto easeIn = CAMediaTimingFunction::functionWithName(kCAMediaTimingFunctionEaseIn);
    double t = 11.0;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "D = (" << c.dx << ", " << c.dy << ")");
        const CGPoint p{kMiddle.x + c.dx, kMiddle.y + c.dy};
        dragAndRelease(kMiddle, p, t);
        const auto [points, duration] = expectedReturn(p, kMiddle);
        if (c.points) {
            EXPECT_EQ(points.size(), c.points);
            EXPECT_EQ(duration, c.duration);
        }
        auto* group = dynamic_cast<CAAnimationGroup*>(
            placard().layer().animationForKey("animatePlacardViewToCenter"));
        ASSERT_TRUE(group && group->animations().size() == 2u);
        auto* path = dynamic_cast<CAKeyframeAnimation*>(group->animations()[0].get());
        auto* scale = dynamic_cast<CABasicAnimation*>(group->animations()[1].get());
        ASSERT_TRUE(path && scale && group->timingFunction());
        for (double d : {group->duration(), path->duration(), scale->duration()})
            EXPECT_EQ(d, static_cast<double>(duration));
        EXPECT_EQ(path->keyframePoints(), points);
        EXPECT_EQ(group->timingFunction()->controlPoint1(), easeIn->controlPoint1());
        EXPECT_EQ(group->timingFunction()->controlPoint2(), easeIn->controlPoint2());
        // The model is already home; what is shown starts where the finger let
        // go, scaled as it was held, and ends home.
        EXPECT_EQ(placard().center(), kMiddle);
        EXPECT_EQ(placard().transform(), CGAffineTransformIdentity);
        const auto start = placard().layer().presentationValues(now());
        EXPECT_EQ(start.position, p);
        EXPECT_EQ(start.transform, held);
        const double end = now() + group->duration();
        if (c.dx < 0) endShow();  // the return does not wait for the show
        runUntil(end - 0.001);
        EXPECT_FALSE(stage->isUserInteractionEnabled());
        EXPECT_TRUE(window->isAnimating(now()));
        runUntil(end);
        EXPECT_EQ(linesAt(end, {"view"}), strings{"view interaction on view=PaddockView"});
        EXPECT_FALSE(window->isAnimating(now()));
        EXPECT_EQ(placard().layer().animationForKey("animatePlacardViewToCenter"), nullptr);
        EXPECT_EQ(stage->isShowRunning(), c.dx >= 0);
        endShow();
        t = now() + 0.5;
    }
}

// During the return touches fall to the window; after it they reach the GL
// view, each raising the moo flag (cued at the next tick).
TEST_F(Stage, TouchesDuringTheReturnAreIgnoredAndAfterItOnlyADoubleTapAdvancesTheText) {
    const double release = dragAndRelease(kOnPlacard, {60, 100}, 11.0);
    const uint32_t index = placard().displayStringsIndex();
    const struct {
        double t;
        int tap;  // 0: during the return
        uint32_t advanced;
    } taps[] = {{0.3, 0, 0}, {0.32, 0, 0}, {3.0, 1, 0}, {3.1, 2, 1},
                {3.2, 3, 1}, {3.8, 1, 1},  {3.9, 2, 2}};
    for (const auto& tap : taps) {
        SCOPED_TRACE(tap.t);
        touchAt(release + tap.t, UITouchPhase::Began, kMiddle);
        EXPECT_EQ(cowreset2, tap.tap > 0);
        EXPECT_EQ(placard().displayStringsIndex(), index + tap.advanced);
        const strings touched = linesAt(now(), {"touch"});
        ASSERT_FALSE(touched.empty());
        EXPECT_TRUE(touched.back().starts_with(tap.tap ? "touch began view=EAGLView tap=" +
                                                             std::to_string(tap.tap)
                                                       : "touch began view=UIWindow"))
            << touched.back();
        if (tap.tap) {
            step();
            EXPECT_FALSE(linesAt(now(), {"cue"}).empty());
            EXPECT_EQ(cowreset2, NO);
        }
        window->sendTouch(0, UITouchPhase::Ended, kMiddle, now() + 0.01);
    }
    EXPECT_TRUE(stage->isShowRunning());
    EXPECT_EQ(placard().center(), kMiddle) << "the placard stays put under the GL view";
    EXPECT_EQ(placard().transform(), CGAffineTransformIdentity) << "nothing grew";
    EXPECT_EQ(countLines("show start"), 1);
}

// In order: each starts where the last left the placard.
TEST_F(Stage, TouchesThatStartNoShowOrEndBeforeTheGrowLeaveThePlacardWhereTheySay) {
    const struct {
        const char* what;
        CGPoint from, via, to;  // moved to `via` half way, unless it is `from`
        double end;
        bool cancel;
        int shows;
        CGPoint center;
        float scale;
    } cases[] = {
        // clang-format off
        {"began off", kOffPlacard, kOffPlacard, kOffPlacard, 0.4, false, 0, kMiddle, 1},
        {"began off, ended on", {300, 460}, kMiddle, kMiddle, 0.4, false, 0, kMiddle, 1},
        {"began off, across", {10, 240}, kMiddle, {310, 240}, 0.4, false, 0, kMiddle, 1},
        // The grow's stop moves the placard to the touch point after the return began.
        {"ended before the grow", kOnPlacard, kOnPlacard, kOnPlacard, 0.05, false, 1, kOnPlacard, 1},
        {"cancelled", kOnPlacard, {100, 150}, {}, 0.6, true, 0, {100, 150}, 1.1f},
        // clang-format on
    };
    double t = 11.0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const long shows = countLines("show start");
        touchAt(t, UITouchPhase::Began, c.from);
        if (c.via != c.from) touchAt(t + c.end / 2, UITouchPhase::Moved, c.via);
        runUntil(t + c.end);
        if (c.cancel)
            window->cancelAllTouches(t + c.end);
        else
            window->sendTouch(0, UITouchPhase::Ended, c.to, t + c.end);
        runUntil(t + 3);
        EXPECT_EQ(countLines("show start") - shows, c.shows);
        EXPECT_EQ(stage->isShowRunning(), c.shows > 0);
        EXPECT_EQ(stage->frameTimer() != nullptr, c.shows > 0);
        EXPECT_EQ(glView().isHidden(), c.shows == 0);
        EXPECT_TRUE(stage->isUserInteractionEnabled());
        const auto scale = CGAffineTransformMakeScale(c.scale, c.scale);
        EXPECT_EQ(placard().center(), c.center);
        EXPECT_EQ(placard().transform(), scale);
        const auto shown = placard().layer().presentationValues(now());
        EXPECT_EQ(shown.position, c.center);
        EXPECT_EQ(shown.transform, CATransform3DMakeAffineTransform(scale));
        endShow();
        t = now() + 1;
    }
}

}  // namespace
