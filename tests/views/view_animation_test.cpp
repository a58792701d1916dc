#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/layers/timing_function.h"
#include "view_fixture.h"

using namespace host;

namespace {

struct Stop {
    std::string id;
    bool finished;
    std::shared_ptr<NSValue> context;
    double time;
};

// A delegate with a did-stop method, as the stage has.
struct BlockDelegate {
    std::vector<Stop> stops;
    void didStop(const std::string& id, bool finished, const std::shared_ptr<NSValue>& context) {
        stops.push_back({id, finished, context, NSRunLoop::mainRunLoop().now()});
    }
};

class ViewAnimation : public ViewTest {
  protected:
    void SetUp() override {
        ViewTest::SetUp();
        placard = std::make_shared<UIView>(CGRectMake(60, 90, 200, 300));  // centre (160, 240)
        stage->addSubview(placard);
    }
    CGPoint shownCenter(double t) const { return placard->layer().presentationValues(t).position; }
    float shownScale(double t) const {
        return placard->layer().presentationValues(t).transform.m11;
    }
    std::shared_ptr<UIView> placard;
    BlockDelegate delegate;
};

TEST_F(ViewAnimation, CentreChangeInABlockRunsOverTwoTenthsWithEaseInOut) {
    auto easeInOut = CAMediaTimingFunction::functionWithName(kCAMediaTimingFunctionEaseInEaseOut);
    const double t0 = now();
    UIView::beginAnimations("move", nullptr);
    UIView::setAnimationDelegate(&delegate);
    UIView::setAnimationDidStopSelector(&BlockDelegate::didStop);
    placard->setCenter({260, 240});
    UIView::commitAnimations();
    // The model changed at once; what is shown moves over 0.2 s.
    EXPECT_EQ(placard->center(), (CGPoint{260, 240}));
    EXPECT_EQ(shownCenter(t0), (CGPoint{160, 240}));
    for (double f : {0.25, 0.5, 0.75})
        EXPECT_NEAR(shownCenter(t0 + 0.2 * f).x, 160 + 100 * easeInOut->evaluate(f), 1e-3);
    runUntil(t0 + 0.1999);
    EXPECT_TRUE(delegate.stops.empty());
    runUntil(t0 + 1);
    ASSERT_EQ(delegate.stops.size(), 1u);
    EXPECT_EQ(delegate.stops[0].id, "move");
    EXPECT_TRUE(delegate.stops[0].finished);
    EXPECT_DOUBLE_EQ(delegate.stops[0].time, t0 + 0.2);
    EXPECT_EQ(shownCenter(now()), (CGPoint{260, 240}));
}

// The stage's grow and settle: the touch point travels as the context; the
// settle block runs from the stop and glides the centre there.
TEST_F(ViewAnimation, GrowThenSettleAtTheBoxedTouchPoint) {
    struct Stage {
        UIView* placard;
        int settles = 0;
        void grown(const std::string&, bool, std::shared_ptr<NSValue> context) {
            ++settles;
            UIView::beginAnimations(nullptr, nullptr);
            UIView::setAnimationDuration(0.15);
            placard->setTransform(CGAffineTransformMakeScale(1.1f, 1.1f));
            placard->setCenter(context->CGPointValue());
            UIView::commitAnimations();
        }
    } owner{placard.get()};
    const double t0 = now();
    auto box = NSValue::valueWithCGPoint({200, 300});
    UIView::beginAnimations(nullptr, box);
    UIView::setAnimationDuration(0.15);
    UIView::setAnimationDelegate(&owner);
    UIView::setAnimationDidStopSelector(&Stage::grown);
    placard->setTransform(CGAffineTransformMakeScale(1.2f, 1.2f));
    UIView::commitAnimations();
    box.reset();  // the block holds the context until it has reported

    EXPECT_NEAR(shownScale(t0 + 0.075), 1.1f, 1e-4);  // ease-in-out is half way at half time
    EXPECT_EQ(shownCenter(t0 + 0.1), (CGPoint{160, 240}));
    runUntil(t0 + 0.15);
    EXPECT_EQ(owner.settles, 1);
    EXPECT_NEAR(shownScale(now()), 1.2f, 1e-5);
    EXPECT_NEAR(shownCenter(t0 + 0.225).x, 180, 1e-3);
    EXPECT_NEAR(shownScale(t0 + 0.225), 1.15f, 1e-4);
    runUntil(t0 + 1);
    EXPECT_EQ(shownCenter(now()), (CGPoint{200, 300}));
    EXPECT_FLOAT_EQ(shownScale(now()), 1.1f);
}

TEST_F(ViewAnimation, AnimatingAPropertyAgainStopsTheRunningOneUnfinished) {
    const double t0 = now();
    UIView::beginAnimations("grow", NSValue::valueWithCGPoint({1, 2}));
    UIView::setAnimationDuration(0.15);
    UIView::setAnimationDelegate(&delegate);
    UIView::setAnimationDidStopSelector(&BlockDelegate::didStop);
    placard->setTransform(CGAffineTransformMakeScale(1.2f, 1.2f));
    UIView::commitAnimations();

    runUntil(t0 + 0.075);
    const float shownThen = shownScale(now());
    UIView::beginAnimations("again", nullptr);
    UIView::setAnimationDuration(0.1);
    UIView::setAnimationCurve(UIViewAnimationCurve::Linear);
    UIView::setAnimationDelegate(&delegate);
    UIView::setAnimationDidStopSelector(&BlockDelegate::didStop);
    placard->setTransform(CGAffineTransformMakeScale(2, 2));
    UIView::commitAnimations();
    // The new one starts from what was shown, not from the old target.
    EXPECT_FLOAT_EQ(shownScale(now()), shownThen);
    EXPECT_NEAR(shownScale(now() + 0.05), (shownThen + 2) / 2, 1e-4);

    runPending();
    ASSERT_EQ(delegate.stops.size(), 1u);
    EXPECT_EQ(delegate.stops[0].id, "grow");
    EXPECT_FALSE(delegate.stops[0].finished);
    EXPECT_EQ(delegate.stops[0].context->CGPointValue(), (CGPoint{1, 2}));
    runUntil(t0 + 1);
    ASSERT_EQ(delegate.stops.size(), 2u);
    EXPECT_EQ(delegate.stops[1].id, "again");
    EXPECT_TRUE(delegate.stops[1].finished);
    EXPECT_DOUBLE_EQ(delegate.stops[1].time, t0 + 0.175);
}

TEST_F(ViewAnimation, ABlockReportsOnceWhenAllItsAnimationsHaveStopped) {
    const double t0 = now();
    UIView::beginAnimations("both", nullptr);
    UIView::setAnimationDuration(0.4);
    UIView::setAnimationDelegate(&delegate);
    UIView::setAnimationDidStopSelector(&BlockDelegate::didStop);
    placard->setTransform(CGAffineTransformMakeScale(1.2f, 1.2f));
    placard->setCenter({0, 0});
    placard->setCenter({10, 10});  // set twice: one animation, to the last value
    UIView::commitAnimations();
    EXPECT_EQ(placard->layer().animationKeys().size(), 2u);

    // Only the transform is taken over; the block waits for its centre too.
    runUntil(t0 + 0.1);
    UIView::beginAnimations("other", nullptr);
    placard->setTransform(CGAffineTransformIdentity);
    UIView::commitAnimations();
    runUntil(t0 + 0.39);
    EXPECT_TRUE(delegate.stops.empty());
    runUntil(t0 + 1);
    ASSERT_EQ(delegate.stops.size(), 1u);
    EXPECT_FALSE(delegate.stops[0].finished);
    EXPECT_DOUBLE_EQ(delegate.stops[0].time, t0 + 0.4);
    EXPECT_EQ(shownCenter(now()), (CGPoint{10, 10}));
}

TEST_F(ViewAnimation, SettingOutsideABlockChangesTheModelAndLeavesTheAnimationRunning) {
    const double t0 = now();
    UIView::beginAnimations("", nullptr);
    UIView::setAnimationDuration(1.0);
    UIView::setAnimationCurve(UIViewAnimationCurve::Linear);
    placard->setTransform(CGAffineTransformMakeScale(2, 2));
    UIView::commitAnimations();
    placard->setCenter({0, 0});
    placard->setTransform(CGAffineTransformMakeScale(3, 3));
    EXPECT_EQ(shownCenter(t0 + 0.5), (CGPoint{0, 0}));
    EXPECT_NEAR(shownScale(t0 + 0.5), 1.5f, 1e-5);
    EXPECT_FLOAT_EQ(shownScale(t0 + 1.0), 3.0f);
}

TEST_F(ViewAnimation, EmptyAndInstantBlocksReportFinishedOnTheNextTurn) {
    UIView::beginAnimations("empty", nullptr);
    UIView::setAnimationDidStopHandler(
        [this](const std::string& id, bool finished, const std::shared_ptr<NSValue>& ctx) {
            delegate.didStop(id, finished, ctx);
        });
    UIView::commitAnimations();
    EXPECT_TRUE(delegate.stops.empty());

    UIView::beginAnimations("instant", nullptr);
    UIView::setAnimationDuration(0);
    UIView::setAnimationDelegate(&delegate);
    UIView::setAnimationDidStopSelector(&BlockDelegate::didStop);
    placard->setCenter({5, 5});
    UIView::commitAnimations();
    EXPECT_EQ(shownCenter(now()), (CGPoint{5, 5}));
    EXPECT_TRUE(placard->layer().animationKeys().empty());

    runPending();
    ASSERT_EQ(delegate.stops.size(), 2u);
    EXPECT_EQ(delegate.stops[0].id, "empty");
    EXPECT_EQ(delegate.stops[1].id, "instant");
    EXPECT_TRUE(delegate.stops[0].finished && delegate.stops[1].finished);
}

TEST_F(ViewAnimation, NestedBlocksKeepTheirOwnSettings) {
    const double t0 = now();
    UIView::beginAnimations("outer", nullptr);
    UIView::setAnimationDuration(1.0);
    placard->setCenter({260, 240});
    UIView::beginAnimations("inner", nullptr);
    UIView::setAnimationDuration(0.5);
    placard->setTransform(CGAffineTransformMakeScale(2, 2));
    UIView::commitAnimations();
    EXPECT_TRUE(UIView::isInAnimationBlock());
    UIView::commitAnimations();
    EXPECT_FALSE(UIView::isInAnimationBlock());
    EXPECT_FLOAT_EQ(shownScale(t0 + 0.5), 2.0f);
    EXPECT_LT(shownCenter(t0 + 0.5).x, 260.0f);
}

TEST_F(ViewAnimation, MisuseGetsOneClearLineAndChangesNothing) {
    testing::internal::CaptureStdout();
    UIView::commitAnimations();
    UIView::setAnimationDuration(3);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out,
              "UIView commitAnimations: no animation block is open; nothing to commit\n"
              "UIView setAnimationDuration: no animation block is open; the setting is "
              "ignored\n");

    struct Other {
        void stop(const std::string&, bool, std::shared_ptr<NSValue>) { ADD_FAILURE(); }
    };
    UIView::beginAnimations("mismatch", nullptr);
    UIView::setAnimationDelegate(&delegate);
    UIView::setAnimationDidStopSelector(&Other::stop);
    placard->setCenter({0, 0});
    UIView::commitAnimations();
    testing::internal::CaptureStdout();
    runUntil(now() + 1);
    out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out,
              "UIView animation block: the did-stop selector's class is not the delegate's; no "
              "stop call\n");
}

TEST_F(ViewAnimation, ShowingAndHidingAViewIsTracedByItsClass) {
    auto path = std::filesystem::temp_directory_path() /
                ("paddock-view-trace-" + std::to_string(::getpid()));
    ASSERT_TRUE(Trace::open(path.string()));
    placard->setHidden(true);
    placard->setHidden(true);  // no change, no line
    placard->setHidden(false);
    stage->setHidden(true);
    Trace::close();
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    std::filesystem::remove(path);
    EXPECT_EQ(ss.str(),
              "10.0000 view hidden view=UIView\n"
              "10.0000 view shown view=UIView\n"
              "10.0000 view hidden view=RecordingView\n");
}

}  // namespace
