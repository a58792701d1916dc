#include <gtest/gtest.h>

#include "host/layers/animation.h"
#include "view_fixture.h"

using namespace host;

namespace {

// Just enough of a stage to drive the host as the real one will: grow and
// settle blocks on touch-down, a drag, and on release a return group with
// interaction off until the group's stop gives it back.
class MiniStage : public UIView, public CAAnimationDelegate {
  public:
    static constexpr double kReturn = 1.625;
    using UIView::UIView;
    std::shared_ptr<UIView> placard = std::make_shared<UIView>(CGRectMake(60, 90, 200, 300));

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
    void grown(const std::string&, bool, const std::shared_ptr<NSValue>& context) {
        UIView::beginAnimations(nullptr);
        UIView::setAnimationDuration(0.15);
        placard->setTransform(CGAffineTransformMakeScale(1.1f, 1.1f));
        placard->setCenter(context->CGPointValue());
        UIView::commitAnimations();
    }
    void touchesMoved(const NSSet<UITouch>& touches, UIEvent*) override {
        UITouch* touch = touches.anyObject();
        if (touch->view() == placard.get()) placard->setCenter(touch->locationInView(this));
    }
    void touchesEnded(const NSSet<UITouch>& touches, UIEvent*) override {
        if (touches.anyObject()->view() != placard.get()) return;
        setUserInteractionEnabled(false);
        auto move = CABasicAnimation::animationWithKeyPath("position");
        move->setToValue(NSValue::valueWithCGPoint(center()));
        auto scale = CABasicAnimation::animationWithKeyPath("transform");
        scale->setToValue(NSValue::valueWithCATransform3D(CATransform3DIdentity));
        auto group = CAAnimationGroup::animation();
        move->setDuration(kReturn);
        scale->setDuration(kReturn);
        group->setDuration(kReturn);
        group->setDelegate(this);
        group->setAnimations({move, scale});
        placard->layer().addAnimation(group, "animatePlacardViewToCenter");
        placard->setCenter(center());
        placard->setTransform(CGAffineTransformIdentity);
    }
    void animationDidStop(CAAnimation*, bool) override {
        placard->setTransform(CGAffineTransformIdentity);
        setUserInteractionEnabled(true);
    }
};

class PlacardReturn : public ViewTest {
  protected:
    void SetUp() override {
        ViewTest::SetUp();
        stage->addSubview(mini);
        mini->addSubview(mini->placard);
    }
    void at(double t, UITouchPhase phase, float x, float y) {
        runUntil(t);
        touch(0, phase, x, y, t);
    }
    CALayerAnimatedValues shown() const { return mini->placard->layer().presentationValues(now()); }
    std::shared_ptr<MiniStage> mini = std::make_shared<MiniStage>(CGRectMake(0, 0, 320, 480));
};

TEST_F(PlacardReturn, DragAndReleaseRunsTheReturnAndGivesInteractionBack) {
    at(11.0, UITouchPhase::Began, 200, 300);
    at(11.5, UITouchPhase::Moved, 250, 350);
    EXPECT_NEAR(shown().transform.m11, 1.1f, 1e-5);
    EXPECT_EQ(shown().position, (CGPoint{250, 350}));
    at(11.6, UITouchPhase::Ended, 250, 350);
    EXPECT_FALSE(mini->isUserInteractionEnabled());
    // Touches while returning pass the stage and its placard by, to the view below.
    touch(1, UITouchPhase::Began, 250, 350, 11.7);
    touch(1, UITouchPhase::Ended, 250, 350, 11.75);
    EXPECT_EQ(stage->phases(), "began ended");
    EXPECT_EQ(mini->placard->layer().animationForKey("transform"), nullptr);
    runUntil(11.6 + MiniStage::kReturn - 0.01);
    EXPECT_FALSE(mini->isUserInteractionEnabled());
    EXPECT_TRUE(window->isAnimating(now()));
    runUntil(11.6 + MiniStage::kReturn);
    EXPECT_TRUE(mini->isUserInteractionEnabled());
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
    EXPECT_NE(mini->placard->layer().animationForKey("transform"), nullptr);
    runUntil(11.15);
    EXPECT_EQ(mini->placard->center(), (CGPoint{200, 300}));
    EXPECT_FLOAT_EQ(mini->placard->transform().a, 1.1f);
    runUntil(11.05 + MiniStage::kReturn);
    EXPECT_EQ(shown().position, (CGPoint{200, 300}));
    EXPECT_FLOAT_EQ(shown().transform.m11, 1.0f);
    EXPECT_TRUE(mini->isUserInteractionEnabled());
}

}  // namespace
