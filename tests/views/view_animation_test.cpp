#include <gtest/gtest.h>

#include <cstdio>

#include "host/foundation/messages.h"
#include "host/layers/timing_function.h"
#include "view_fixture.h"

using namespace host;

namespace {

// A delegate with a did-stop method, as the stage has; each stop is kept as
// "grow unfinished 10.2000", with " at (x, y)" for a point context.
struct BlockDelegate {
    std::vector<std::string> stops;
    void didStop(const std::string& id, bool finished, const std::shared_ptr<NSValue>& context) {
        char line[120];
        int n = std::snprintf(line, sizeof line, "%s %s %.4f", id.c_str(),
                              finished ? "finished" : "unfinished", NSRunLoop::mainRunLoop().now());
        if (context)
            std::snprintf(line + n, sizeof line - n, " at (%g, %g)", context->CGPointValue().x,
                          context->CGPointValue().y);
        stops.push_back(line);
    }
};
using Stops = std::vector<std::string>;

class ViewAnimation : public ViewTest {
  protected:
    void SetUp() override {
        ViewTest::SetUp();
        stage->addSubview(placard);
    }
    void begin(const std::string& id, std::shared_ptr<NSValue> context = nullptr) {
        UIView::beginAnimations(id, std::move(context));
        UIView::setAnimationDelegate(&delegate);
        UIView::setAnimationDidStopSelector(&BlockDelegate::didStop);
    }
    CGPoint shownCenter(double t) const { return placard->layer().presentationValues(t).position; }
    float shownScale(double t) const {
        return placard->layer().presentationValues(t).transform.m11;
    }
    std::shared_ptr<UIView> placard = std::make_shared<UIView>(CGRectMake(60, 90, 200, 300));
    BlockDelegate delegate;
};

TEST_F(ViewAnimation, ABlockRunsOverTwoTenthsWithEaseInOutThenReportsFinished) {
    auto easeInOut = CAMediaTimingFunction::functionWithName(kCAMediaTimingFunctionEaseInEaseOut);
    begin("move");
    placard->setCenter({260, 240});
    UIView::commitAnimations();
    EXPECT_EQ(placard->center(), (CGPoint{260, 240}));
    // Outside a block the model changes at once and the animation runs on.
    placard->setCenter({0, 0});
    placard->setTransform(CGAffineTransformMakeScale(3, 3));
    EXPECT_FLOAT_EQ(shownScale(10), 3.0f);
    EXPECT_EQ(shownCenter(10), (CGPoint{160, 240}));
    for (double f : {0.25, 0.5, 0.75})
        EXPECT_NEAR(shownCenter(10 + 0.2 * f).x, 160 + 100 * easeInOut->evaluate(f), 1e-3);
    EXPECT_TRUE(window->isAnimating(10.199));
    EXPECT_FALSE(window->isAnimating(10.2));
    runUntil(11);
    EXPECT_EQ(delegate.stops, Stops{"move finished 10.2000"});
    EXPECT_EQ(shownCenter(now()), (CGPoint{0, 0}));
}

// The stage's grow is taken over mid-flight; its block reports once, unfinished,
// when the last of its animations has stopped, and never inside a change.
TEST_F(ViewAnimation, AnimatingAPropertyAgainStopsItAndTheBlockReportsWhenAllHaveStopped) {
    begin("grow", NSValue::valueWithCGPoint({1, 2}));
    UIView::setAnimationDuration(0.4);
    placard->setTransform(CGAffineTransformMakeScale(1.2f, 1.2f));
    placard->setCenter({0, 0});
    placard->setCenter({10, 10});  // set twice: one animation, to the last value
    UIView::commitAnimations();
    EXPECT_EQ(placard->layer().animationKeys().size(), 2u);
    runUntil(10.1);
    const float shownThen = shownScale(now());
    begin("again");
    UIView::setAnimationDuration(0.1);
    UIView::setAnimationCurve(UIViewAnimationCurve::Linear);
    placard->setTransform(CGAffineTransformMakeScale(2, 2));
    UIView::commitAnimations();
    // The new one starts from what was shown, not from the old target.
    EXPECT_FLOAT_EQ(shownScale(now()), shownThen);
    EXPECT_NEAR(shownScale(now() + 0.05), (shownThen + 2) / 2, 1e-4);
    runUntil(10.3);
    UIView::beginAnimations("");
    placard->setCenter({20, 20});
    UIView::commitAnimations();
    EXPECT_EQ(delegate.stops, Stops{"again finished 10.2000"});
    runUntil(now());
    EXPECT_EQ(delegate.stops,
              (Stops{"again finished 10.2000", "grow unfinished 10.3000 at (1, 2)"}));
}

TEST_F(ViewAnimation, EmptyInstantAndNestedBlocksKeepTheirOwnSettings) {
    begin("outer");
    UIView::setAnimationDuration(1.0);
    placard->setCenter({260, 240});
    UIView::beginAnimations("empty");
    UIView::setAnimationDidStopHandler(
        [this](const std::string& id, bool finished, const std::shared_ptr<NSValue>& context) {
            delegate.didStop(id, finished, context);
        });
    UIView::commitAnimations();
    begin("instant");
    UIView::setAnimationDuration(0);
    placard->setTransform(CGAffineTransformMakeScale(2, 2));
    UIView::commitAnimations();
    EXPECT_TRUE(UIView::isInAnimationBlock());
    UIView::commitAnimations();
    EXPECT_FALSE(UIView::isInAnimationBlock());
    EXPECT_FLOAT_EQ(shownScale(now()), 2.0f);
    EXPECT_EQ(placard->layer().animationKeys().size(), 1u);
    EXPECT_TRUE(delegate.stops.empty());
    runUntil(now());
    EXPECT_EQ(delegate.stops, (Stops{"empty finished 10.0000", "instant finished 10.0000"}));
    runUntil(12);
    EXPECT_EQ(delegate.stops.back(), "outer finished 11.0000");
}

TEST_F(ViewAnimation, MisuseGetsOneClearLineAndChangesNothing) {
    struct Other {
        void stop(const std::string&, bool, std::shared_ptr<NSValue>) { ADD_FAILURE(); }
    };
    testsupport::StderrCapture out;
    UIView::commitAnimations();
    UIView::setAnimationDuration(3);
    UIView::beginAnimations("mismatch");
    UIView::setAnimationDelegate(&delegate);
    UIView::setAnimationDidStopSelector(&Other::stop);
    placard->setCenter({0, 0});
    UIView::commitAnimations();
    runUntil(now() + 1);
    EXPECT_EQ(out.text(), std::string(messages::kCommitWithoutBegin) +
                              testsupport::message(messages::kBlockSettingOutsideBlock,
                                                   "setAnimationDuration") +
                              messages::kStopSelectorWrongClass);
    EXPECT_TRUE(delegate.stops.empty());
}

}  // namespace
