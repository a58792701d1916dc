#include <gtest/gtest.h>

#include "stage_fixture.h"

// A whole cow show on the real stage: how it starts, its cues, how it ends,
// and what touches do around it.

namespace {

using host::CGPoint;
using host::UITouchPhase;
using stagetest::kMiddle;
using stagetest::kOffPlacard;
using stagetest::kOnPlacard;
using stagetest::kTick;
using strings = std::vector<std::string>;

class Show : public stagetest::StageTest {};

// The file a "cue" line names, or "" when the cue was silent.
std::string cueFile(const std::string& line) {
    std::string file = line.substr(line.rfind(' ') + 1);
    return file == "silent" ? "" : file;
}

TEST_F(Show, ReleaseGivesAMooThenTheFirstTickABoingAndAMooAndTheShowRunsToItsEnd) {
    const double release = dragAndRelease(kOnPlacard, {200, 330}, 11.0);
    EXPECT_TRUE(stage->isShowRunning());
    EXPECT_FALSE(glView().isHidden());
    EXPECT_FALSE(stage->isUserInteractionEnabled());
    EXPECT_EQ(count, 1.0f);
    const strings atRelease = linesAt(release, {"show", "cue"});
    ASSERT_EQ(atRelease.size(), 2u) << trace.text();
    EXPECT_EQ(atRelease[0], "show start");
    EXPECT_TRUE(atRelease[1].starts_with("cue moo ")) << atRelease[1];
    // The scene set-up for the show raised the boing flag; the touch that
    // began on the placard raised the moo flag.
    EXPECT_EQ(cowreset, YES);
    EXPECT_EQ(cowreset2, YES);

    auto before = glView().layer().contents();
    step();
    ASSERT_NEAR(now(), release + kTick, 1e-9);
    EXPECT_NE(glView().layer().contents(), before) << "the first tick presents a frame";
    const strings first = linesAt(now(), {"cue"});
    ASSERT_EQ(first.size(), 2u) << trace.text();
    EXPECT_TRUE(first[0].starts_with("cue boing boing_")) << "a boing is never silent";
    EXPECT_TRUE(first[1].starts_with("cue moo ")) << first[1];
    EXPECT_EQ(cowreset, NO);
    // The stage holds the last effect of each cue: the boing's always, the
    // moo's only when its last draw was not silent.
    ASSERT_NE(stage->boingEffect(), nullptr);
    EXPECT_EQ(stage->mooEffect() != nullptr, !cueFile(first[1]).empty()) << first[1];
    const strings played = linesAt(now(), {"sound"});
    EXPECT_NE(std::find(played.begin(), played.end(), "sound played " + cueFile(first[0])),
              played.end());

    // The frame shows the cow over black, covering the whole stage.
    auto frame = glView().layer().contents();
    ASSERT_TRUE(frame);
    int lit = 0;
    for (int y = 0; y < frame->height(); ++y)
        for (int x = 0; x < frame->width(); ++x) lit += (frame->pixel(x, y) & 0xFFFFFF) != 0;
    EXPECT_GT(lit, 100);
    EXPECT_LT(lit, frame->width() * frame->height() / 2);

    // Every tick while count is at most 8 keeps the show; the tick that takes
    // it past 8 still presents its frame, then hides the GL view.
    int ticks = 1;
    float lastCount = count;
    while (stage->isShowRunning() && ticks < 3000) {
        before = glView().layer().contents();
        lastCount = count;
        step();
        if (glView().layer().contents() != before) ++ticks;
    }
    ASSERT_FALSE(stage->isShowRunning()) << "the show never ended";
    EXPECT_EQ(lastCount, 8.0f);
    EXPECT_EQ(count, 9.0f);
    EXPECT_NE(glView().layer().contents(), before) << "the ending tick presents its frame";
    EXPECT_TRUE(glView().isHidden());
    EXPECT_EQ(stage->frameTimer(), nullptr);
    EXPECT_EQ(linesAt(now(), {"show", "view", "cue"}),
              (strings{"view hidden view=EAGLView", "show end"}))
        << "the last floor contact clears both cue flags";
    EXPECT_GT(ticks, 300);
    EXPECT_EQ(countLines("show start"), 1);
    EXPECT_EQ(countLines("show end"), 1);
}

// The end test is count > 8.0, made after the frame is presented and its
// cues are given: pushed to the edge in mid-flight by hand.
TEST_F(Show, OnlyACountAboveEightEndsTheShowAndTheEndingTickPresentsAndCuesFirst) {
    const struct {
        float count;
        bool ends;
        strings lines;
    } cases[] = {
        {8.0f, false, {"cue boing", "cue moo"}},
        {8.000001f, true, {"cue boing", "cue moo", "view hidden", "show end"}},
        {8.5f, true, {"cue boing", "cue moo", "view hidden", "show end"}},
    };
    double t = 11.0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        t = dragAndRelease(kOnPlacard, kOnPlacard, t) + 0.1;
        runUntil(t);
        ASSERT_TRUE(stage->isShowRunning());
        ASSERT_GT(cow().vy, 0.0f) << "still rising: this tick is no floor contact";
        count = c.count;
        cowreset = YES;
        cowreset2 = YES;
        auto before = glView().layer().contents();
        step();
        EXPECT_NE(glView().layer().contents(), before);
        EXPECT_EQ(stage->isShowRunning(), !c.ends);
        EXPECT_EQ(glView().isHidden(), c.ends);
        strings got;
        for (const auto& l : linesAt(now(), {"show", "view", "cue"}))
            got.push_back(l.substr(0, l.find(' ', l.find(' ') + 1)));
        EXPECT_EQ(got, c.lines);
        if (!c.ends) {
            ASSERT_TRUE(runShowToEnd());
        }
        t = now() + 3;
    }
}

// Interaction comes back when the return ends, whether the show is still
// running (it always is, normally) or was ended early.
TEST_F(Show, InteractionComesBackWhenTheReturnEndsWhetherOrNotTheShowRuns) {
    double t = 11.0;
    for (bool endEarly : {false, true}) {
        SCOPED_TRACE(endEarly);
        const double release = dragAndRelease(kOnPlacard, {250, 400}, t);
        auto* group = placard().layer().animationForKey("animatePlacardViewToCenter");
        ASSERT_NE(group, nullptr);
        const double end = release + group->duration();
        if (endEarly) {
            count = 8.5f;
            step();
            ASSERT_FALSE(stage->isShowRunning());
        }
        runUntil(end - 0.001);
        EXPECT_FALSE(stage->isUserInteractionEnabled());
        EXPECT_TRUE(window->isAnimating(now()));
        runUntil(end);
        EXPECT_TRUE(stage->isUserInteractionEnabled());
        EXPECT_FALSE(window->isAnimating(now()));
        EXPECT_EQ(stage->isShowRunning(), !endEarly);
        EXPECT_EQ(placard().transform(), host::CGAffineTransformIdentity);
        EXPECT_EQ(placard().center(), kMiddle);
        double on = -1;
        for (const auto& l : lines())
            if (l.event == "view" && l.details == "interaction on view=PaddockView") on = l.time;
        EXPECT_NEAR(on, end, 0.00006);
        count = 8.5f;
        ASSERT_TRUE(runShowToEnd());
        t = now() + 1;
    }
}

// While the placard returns the stage takes no touches: they fall to the
// window, raise no flag, grab nothing and advance no text.
TEST_F(Show, TouchesDuringTheReturnAreIgnored) {
    const double release = dragAndRelease(kOnPlacard, {60, 100}, 11.0);
    const uint32_t index = placard().displayStringsIndex();
    double t = release + 0.3;
    for (CGPoint p : {kMiddle, kOffPlacard, kMiddle}) {
        runUntil(t);
        cowreset2 = NO;
        window->sendTouch(1, UITouchPhase::Began, p, t);
        EXPECT_EQ(cowreset2, NO);
        window->sendTouch(1, UITouchPhase::Ended, p, t + 0.05);
        t += 0.1;
    }
    // The same point twice quickly: a double tap, had anyone taken it.
    runUntil(t);
    window->sendTouch(1, UITouchPhase::Began, kMiddle, t);
    window->sendTouch(1, UITouchPhase::Ended, kMiddle, t + 0.02);
    window->sendTouch(1, UITouchPhase::Began, kMiddle, t + 0.05);
    window->sendTouch(1, UITouchPhase::Ended, kMiddle, t + 0.07);
    EXPECT_EQ(placard().displayStringsIndex(), index);
    EXPECT_EQ(placard().transform(), host::CGAffineTransformIdentity) << "nothing grew";
    int began = 0;
    for (const auto& l : lines())
        if (l.event == "touch" && l.time > release) {
            EXPECT_NE(l.details.find("view=UIWindow"), std::string::npos) << l.details;
            began += l.details.starts_with("began");
        }
    EXPECT_EQ(began, 5);
    EXPECT_EQ(linesAt(release, {"show"}), strings{"show start"});
    EXPECT_EQ(countLines("show start"), 1);
    EXPECT_EQ(countLines("show end"), 0);
}

// After the return, touches reach the stage through the GL view: each raises
// the moo flag, and only the second tap of a run advances the placard's text.
TEST_F(Show, OnTheGLViewOnlyADoubleTapAdvancesTheTextAndEveryTouchRaisesTheMooFlag) {
    const double release = dragAndRelease(kOnPlacard, kOnPlacard, 11.0);
    double t = release + 2.5;
    runUntil(t);
    ASSERT_TRUE(stage->isUserInteractionEnabled());
    ASSERT_TRUE(stage->isShowRunning());
    const uint32_t start = placard().displayStringsIndex();
    const struct {
        int tap;
        uint32_t advanced;
    } taps[] = {{1, 0}, {2, 1}, {3, 1}, {1, 1}, {2, 2}};
    for (const auto& tap : taps) {
        SCOPED_TRACE(tap.tap);
        // A new run of taps starts after a pause.
        if (tap.tap == 1) t += 0.5;
        runUntil(t);
        cowreset2 = NO;
        window->sendTouch(0, UITouchPhase::Began, {40, 440}, t);
        EXPECT_EQ(cowreset2, YES);
        EXPECT_EQ(placard().displayStringsIndex(), start + tap.advanced);
        const strings touched = linesAt(t, {"touch"});
        ASSERT_FALSE(touched.empty());
        EXPECT_TRUE(
            touched.back().starts_with("touch began view=EAGLView tap=" + std::to_string(tap.tap)))
            << touched.back();
        // The next tick turns the flag into a moo cue.
        step();
        EXPECT_FALSE(linesAt(now(), {"cue"}).empty());
        EXPECT_EQ(cowreset2, NO);
        window->sendTouch(0, UITouchPhase::Ended, {40, 440}, t + 0.05);
        t += 0.1;
    }
    EXPECT_TRUE(stage->isShowRunning());
    EXPECT_EQ(placard().center(), kMiddle) << "the placard stays put under the GL view";
}

TEST_F(Show, ReleaseBeforeTheGrowHasStoppedLeavesThePlacardAtTheTouchPointUnscaled) {
    touchAt(11.0, UITouchPhase::Began, kOnPlacard);
    touchAt(11.05, UITouchPhase::Ended, kOnPlacard);
    ASSERT_TRUE(stage->isShowRunning());
    auto* group = placard().layer().animationForKey("animatePlacardViewToCenter");
    ASSERT_NE(group, nullptr);
    const double end = 11.05 + group->duration();
    // The settle runs when the grow stops, over the return.
    runUntil(11.15);
    EXPECT_EQ(placard().center(), kOnPlacard);
    EXPECT_EQ(placard().transform(), host::CGAffineTransformMakeScale(1.1f, 1.1f));
    runUntil(end);
    EXPECT_TRUE(stage->isUserInteractionEnabled());
    EXPECT_EQ(placard().center(), kOnPlacard);
    EXPECT_EQ(placard().transform(), host::CGAffineTransformIdentity);
    const auto shown = placard().layer().presentationValues(now());
    EXPECT_EQ(shown.position, kOnPlacard);
    EXPECT_EQ(shown.transform, host::CATransform3DIdentity);
}

TEST_F(Show, ACancelledTouchLeavesThePlacardHeldAtOnePointOneWithNoShow) {
    touchAt(11.0, UITouchPhase::Began, kOnPlacard);
    touchAt(11.2, UITouchPhase::Moved, {100, 150});
    runUntil(11.6);
    window->cancelAllTouches(11.6);
    runUntil(13.0);
    EXPECT_FALSE(stage->isShowRunning());
    EXPECT_EQ(stage->frameTimer(), nullptr);
    EXPECT_TRUE(glView().isHidden());
    EXPECT_TRUE(stage->isUserInteractionEnabled());
    EXPECT_EQ(placard().transform(), host::CGAffineTransformMakeScale(1.1f, 1.1f));
    EXPECT_EQ(placard().center(), (CGPoint{100, 150}));
    EXPECT_EQ(placard().layer().animationForKey("animatePlacardViewToCenter"), nullptr);
    for (const auto& l : lines()) EXPECT_NE(l.event, "show");
}

// Flags raised between shows wait for the next show's first tick: while idle
// nothing ticks and nothing is cued.
TEST_F(Show, AFlagRaisedWhileIdleStaysPendingUntilTheNextShow) {
    // A show that ends at its first floor contact, which clears both flags.
    dragAndRelease(kOnPlacard, kOnPlacard, 11.0);
    count = 8.0f;
    ASSERT_TRUE(runShowToEnd());
    EXPECT_EQ(count, 9.0f);
    EXPECT_EQ(cowreset2, NO);
    const double idle = now() + 0.5;
    touchAt(idle, UITouchPhase::Began, kOffPlacard);
    touchAt(idle + 0.1, UITouchPhase::Ended, kOffPlacard);
    EXPECT_EQ(cowreset2, YES);
    runUntil(idle + 5);
    EXPECT_EQ(cowreset2, YES);
    EXPECT_EQ(stage->frameTimer(), nullptr);
    for (const auto& l : lines())
        if (l.time >= idle) {
            EXPECT_NE(l.event, "cue") << l.details;
        }
    const double release = dragAndRelease(kOnPlacard, kOnPlacard, now() + 0.5);
    EXPECT_EQ(cowreset2, YES);
    step();
    EXPECT_EQ(linesAt(release + kTick, {"cue"}).size(), 2u);
    EXPECT_EQ(cowreset2, NO);
}

TEST_F(Show, ATouchThatBeganOffThePlacardNeverStartsAShowWhereverItEnds) {
    const struct {
        CGPoint from, via, to;
    } cases[] = {
        {kOffPlacard, kOffPlacard, kOffPlacard},
        {kOffPlacard, {100, 200}, kMiddle},
        {{300, 460}, kMiddle, {20, 240}},
        {{10, 240}, kMiddle, {310, 240}},
    };
    double t = 11.0;
    for (const auto& c : cases) {
        touchAt(t, UITouchPhase::Began, c.from);
        touchAt(t + 0.2, UITouchPhase::Moved, c.via);
        touchAt(t + 0.4, UITouchPhase::Ended, c.to);
        runUntil(t + 1);
        EXPECT_FALSE(stage->isShowRunning());
        EXPECT_EQ(stage->frameTimer(), nullptr);
        EXPECT_TRUE(glView().isHidden());
        EXPECT_EQ(placard().center(), kMiddle);
        EXPECT_EQ(placard().transform(), host::CGAffineTransformIdentity);
        t += 1;
    }
    for (const auto& l : lines()) EXPECT_NE(l.event, "show");
}

}  // namespace
