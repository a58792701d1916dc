#include <gtest/gtest.h>

#include "host/geometry/path.h"
#include "host/layers/animation.h"
#include "view_fixture.h"

using namespace host;

namespace {

// Just enough of a stage to drive the host the way the real one will: grow
// and settle blocks on touch-down, a return group on release.
class MiniStage : public UIView, public CAAnimationDelegate {
  public:
    using UIView::UIView;
    std::shared_ptr<UIView> placard;
    int returnStops = 0;

    void touchesBegan(const NSSet<UITouch>& touches, UIEvent*) override {
        UITouch* touch = touches.anyObject();
        if (touch->view() != placard.get()) return;
        UIView::beginAnimations(nullptr, NSValue::valueWithCGPoint(touch->locationInView(this)));
        UIView::setAnimationDuration(0.15);
        UIView::setAnimationDelegate(this);
        UIView::setAnimationDidStopSelector(&MiniStage::grown);
        placard->setTransform(CGAffineTransformMakeScale(1.2f, 1.2f));
        UIView::commitAnimations();
    }
    void touchesMoved(const NSSet<UITouch>& touches, UIEvent*) override {
        UITouch* touch = touches.anyObject();
        if (touch->view() == placard.get()) placard->setCenter(touch->locationInView(this));
    }
    void touchesEnded(const NSSet<UITouch>& touches, UIEvent*) override {
        if (touches.anyObject()->view() != placard.get()) return;
        setUserInteractionEnabled(false);
        returnToCentre();
    }
    void grown(const std::string&, bool, const std::shared_ptr<NSValue>& context) {
        UIView::beginAnimations(nullptr, nullptr);
        UIView::setAnimationDuration(0.15);
        placard->setTransform(CGAffineTransformMakeScale(1.1f, 1.1f));
        placard->setCenter(context->CGPointValue());
        UIView::commitAnimations();
    }
    void returnToCentre() {
        const CGPoint m = center(), p = placard->center();
        auto path = CGPathCreateMutable();
        CGPathMoveToPoint(path, nullptr, p.x, p.y);
        CGPathAddLineToPoint(path, nullptr, m.x, m.y);
        CGPathAddLineToPoint(path, nullptr, m.x + (p.x - m.x) / 4, m.y + (p.y - m.y) / 4);
        CGPathAddLineToPoint(path, nullptr, m.x, m.y);
        auto keyframe = CAKeyframeAnimation::animationWithKeyPath("position");
        keyframe->setRemovedOnCompletion(false);
        keyframe->setPath(path);
        keyframe->setDuration(kReturn);
        auto scale = CABasicAnimation::animationWithKeyPath("transform");
        scale->setDuration(kReturn);
        scale->setToValue(NSValue::valueWithCATransform3D(CATransform3DIdentity));
        auto group = CAAnimationGroup::animation();
        group->setDelegate(this);
        group->setDuration(kReturn);
        group->setTimingFunction(
            CAMediaTimingFunction::functionWithName(kCAMediaTimingFunctionEaseIn));
        group->setAnimations({keyframe, scale});
        placard->layer().addAnimation(group, "animatePlacardViewToCenter");
        placard->setCenter(m);
        placard->setTransform(CGAffineTransformIdentity);
    }
    void animationDidStop(CAAnimation*, bool) override {
        ++returnStops;
        placard->setTransform(CGAffineTransformIdentity);
        setUserInteractionEnabled(true);
    }
    static constexpr double kReturn = 1.625;
};

class PlacardReturn : public VirtualTimeTest {
  protected:
    void SetUp() override {
        VirtualTimeTest::SetUp();
        window = std::make_shared<UIWindow>(CGRectMake(0, 0, 320, 480));
        stage = std::make_shared<MiniStage>(CGRectMake(0, 0, 320, 480));
        stage->placard = std::make_shared<UIView>(CGRectMake(60, 90, 200, 300));
        stage->addSubview(stage->placard);
        window->addSubview(stage);
        window->makeKeyAndVisible();
    }
    void at(double t, UITouchPhase phase, float x, float y) {
        runUntil(t);
        window->sendTouch(0, phase, {x, y}, t);
    }
    CALayerAnimatedValues shown() const {
        return stage->placard->layer().presentationValues(now());
    }
    std::shared_ptr<UIWindow> window;
    std::shared_ptr<MiniStage> stage;
};

TEST_F(PlacardReturn, DragAndReleaseRunsTheReturnAndGivesInteractionBack) {
    at(11.0, UITouchPhase::Began, 200, 300);
    at(11.5, UITouchPhase::Moved, 250, 350);
    EXPECT_NEAR(shown().transform.m11, 1.1f, 1e-5);
    EXPECT_EQ(shown().position, (CGPoint{250, 350}));
    at(11.6, UITouchPhase::Ended, 250, 350);
    EXPECT_FALSE(stage->isUserInteractionEnabled());
    // Touches while returning reach neither the stage nor the placard.
    window->sendTouch(1, UITouchPhase::Began, {250, 350}, 11.7);
    EXPECT_EQ(stage->placard->layer().animationForKey("transform"), nullptr);
    window->sendTouch(1, UITouchPhase::Ended, {250, 350}, 11.75);
    runUntil(11.6 + MiniStage::kReturn - 0.01);
    EXPECT_EQ(stage->returnStops, 0);
    EXPECT_TRUE(window->isAnimating(now()));
    runUntil(11.6 + MiniStage::kReturn);
    EXPECT_EQ(stage->returnStops, 1);
    EXPECT_TRUE(stage->isUserInteractionEnabled());
    EXPECT_EQ(shown().position, (CGPoint{160, 240}));
    EXPECT_FLOAT_EQ(shown().transform.m11, 1.0f);
    EXPECT_FALSE(window->isAnimating(now()));
}

// Released within the grow's 0.15 s: the grow still finishes on its own key,
// the settle then runs over the return and sets the model to the touch
// point at 1.1; the return's end resets only the transform.
TEST_F(PlacardReturn, ReleaseBeforeTheGrowHasStoppedRestsAtTheTouchPointUnscaled) {
    at(11.0, UITouchPhase::Began, 200, 300);
    at(11.05, UITouchPhase::Ended, 200, 300);
    EXPECT_NE(stage->placard->layer().animationForKey("transform"), nullptr);
    runUntil(11.15);
    EXPECT_EQ(stage->placard->center(), (CGPoint{200, 300}));
    EXPECT_FLOAT_EQ(stage->placard->transform().a, 1.1f);
    runUntil(11.05 + MiniStage::kReturn);
    EXPECT_EQ(stage->returnStops, 1);
    EXPECT_EQ(shown().position, (CGPoint{200, 300}));
    EXPECT_FLOAT_EQ(shown().transform.m11, 1.0f);
    EXPECT_TRUE(stage->isUserInteractionEnabled());
}

}  // namespace
