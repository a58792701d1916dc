#include <gtest/gtest.h>

#include "view_fixture.h"

using namespace host;

namespace {

using HitTest = ViewTest;

UIView* hitAt(UIWindow& window, float x, float y) { return window.hitTest({x, y}, nullptr); }

TEST_F(HitTest, AViewScaledAboutItsCentreIsHitOutsideItsUntransformedFrame) {
    auto placard = std::make_shared<UIView>(CGRectMake(100, 100, 100, 50));
    stage->addSubview(placard);
    EXPECT_EQ(hitAt(*window, 95, 125), stage.get());
    placard->setTransform(CGAffineTransformMakeScale(1.2f, 1.2f));
    // Scaled 1.2 about (150, 125): it now spans 90..210 by 95..155.
    EXPECT_EQ(hitAt(*window, 95, 125), placard.get());
    EXPECT_EQ(hitAt(*window, 209, 154), placard.get());
    EXPECT_EQ(hitAt(*window, 150, 96), placard.get());
    EXPECT_EQ(hitAt(*window, 89, 125), stage.get());
    EXPECT_EQ(hitAt(*window, 150, 94), stage.get());
    EXPECT_EQ(hitAt(*window, 211, 125), stage.get());
}

TEST_F(HitTest, LaterSubviewsAreHitFirst) {
    auto below = std::make_shared<UIView>(CGRectMake(0, 0, 200, 200));
    auto above = std::make_shared<UIView>(CGRectMake(100, 100, 200, 200));
    stage->addSubview(below);
    stage->addSubview(above);
    EXPECT_EQ(hitAt(*window, 150, 150), above.get());
    EXPECT_EQ(hitAt(*window, 50, 50), below.get());
}

TEST_F(HitTest, HiddenViewsAreSkippedAndTheViewBelowIsHit) {
    auto below = std::make_shared<UIView>(CGRectMake(0, 0, 200, 200));
    auto cover = std::make_shared<UIView>(CGRectMake(0, 0, 320, 480));
    stage->addSubview(below);
    stage->addSubview(cover);
    EXPECT_EQ(hitAt(*window, 50, 50), cover.get());
    cover->setHidden(true);
    EXPECT_EQ(hitAt(*window, 50, 50), below.get());
    EXPECT_EQ(hitAt(*window, 250, 250), stage.get());
}

TEST_F(HitTest, InteractionOffTakesTheViewAndItsSubviewsOut) {
    auto child = std::make_shared<UIView>(CGRectMake(10, 10, 50, 50));
    stage->addSubview(child);
    EXPECT_EQ(hitAt(*window, 20, 20), child.get());
    child->setUserInteractionEnabled(false);
    EXPECT_EQ(hitAt(*window, 20, 20), stage.get());
    child->setUserInteractionEnabled(true);
    stage->setUserInteractionEnabled(false);
    // Nothing under the stage takes touches: the window itself is hit.
    EXPECT_EQ(hitAt(*window, 20, 20), window.get());
}

TEST_F(HitTest, SubviewsOutsideTheirSuperviewAreNotHitThere) {
    auto small = std::make_shared<UIView>(CGRectMake(0, 0, 50, 50));
    auto sticking = std::make_shared<UIView>(CGRectMake(40, 40, 50, 50));
    stage->addSubview(small);
    small->addSubview(sticking);
    EXPECT_EQ(hitAt(*window, 45, 45), sticking.get());
    EXPECT_EQ(hitAt(*window, 70, 70), stage.get());
}

TEST_F(HitTest, HiddenWindowAndViewsScaledToNothingAreNeverHit) {
    auto gone = std::make_shared<UIView>(CGRectMake(0, 0, 100, 100));
    gone->setTransform(CGAffineTransformMakeScale(0, 0));
    stage->addSubview(gone);
    EXPECT_EQ(hitAt(*window, 50, 50), stage.get());
    window->setHidden(true);
    EXPECT_EQ(hitAt(*window, 50, 50), nullptr);
}

TEST_F(HitTest, PointsConvertThroughNestedTransformsBothWays) {
    auto outer = std::make_shared<UIView>(CGRectMake(100, 100, 100, 100));  // centre (150, 150)
    outer->setTransform(CGAffineTransformMakeScale(2, 2));
    auto inner = std::make_shared<UIView>(CGRectMake(50, 50, 20, 20));  // centre (60, 60)
    outer->addSubview(inner);
    stage->addSubview(outer);
    // inner's top left is outer's (50, 50), which lies at (150, 150) + 2 * (0, 0).
    EXPECT_EQ(inner->convertPointToView({0, 0}, nullptr), (CGPoint{150, 150}));
    EXPECT_EQ(inner->convertPoint({0, 0}, nullptr), (CGPoint{-75, -75}));
    EXPECT_EQ(inner->convertPoint({170, 150}, nullptr), (CGPoint{10, 0}));
    EXPECT_EQ(inner->convertPoint({170, 170}, stage.get()), (CGPoint{10, 10}));
    EXPECT_EQ(stage->convertPoint({5, 5}, inner.get()), (CGPoint{160, 160}));
    EXPECT_EQ(hitAt(*window, 170, 170), inner.get());
    EXPECT_EQ(hitAt(*window, 191, 150), outer.get());
}

}  // namespace
