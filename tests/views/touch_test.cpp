#include <gtest/gtest.h>

#include "view_fixture.h"

using namespace host;

namespace {

using HitTest = ViewTest;

std::shared_ptr<UIView> add(UIView& parent, CGRect frame) {
    auto view = std::make_shared<UIView>(frame);
    parent.addSubview(view);
    return view;
}

TEST_F(HitTest, HonoursTransformsOrderHiddenViewsInteractionAndSuperviewBounds) {
    auto placard = add(*stage, CGRectMake(100, 100, 100, 50));
    placard->setTransform(CGAffineTransformMakeScale(1.2f, 1.2f));  // 90..210 x 95..155
    auto below = add(*stage, CGRectMake(0, 200, 100, 100));
    auto above = add(*stage, CGRectMake(50, 250, 100, 100));
    add(*stage, CGRectMake(0, 200, 40, 40))->setHidden(true);
    auto off = add(*stage, CGRectMake(200, 200, 100, 100));
    add(*off, CGRectMake(10, 10, 50, 50));
    off->setUserInteractionEnabled(false);
    auto sticking = add(*add(*stage, CGRectMake(0, 350, 50, 50)), CGRectMake(40, 40, 50, 50));
    add(*stage, CGRectMake(200, 350, 100, 100))->setTransform(CGAffineTransformMakeScale(0, 0));
    auto outer = add(*stage, CGRectMake(240, 420, 40, 40));  // scaled 2: 220..300 x 400..480
    outer->setTransform(CGAffineTransformMakeScale(2, 2));
    auto inner = add(*outer, CGRectMake(10, 10, 20, 20));  // 240..280 x 420..460
    const struct {
        float x, y;
        UIView* hit;
    } rows[] = {{95, 125, placard.get()}, {209, 154, placard.get()}, {150, 96, placard.get()},
                {89, 125, stage.get()},   {150, 94, stage.get()},    {211, 125, stage.get()},
                {75, 275, above.get()},   {25, 260, below.get()},    {20, 220, below.get()},
                {215, 215, stage.get()},  {280, 280, stage.get()},   {45, 395, sticking.get()},
                {70, 420, stage.get()},   {250, 380, stage.get()},   {245, 425, inner.get()},
                {225, 405, outer.get()}};
    for (const auto& r : rows)
        EXPECT_EQ(window->hitTest({r.x, r.y}, nullptr), r.hit) << r.x << ", " << r.y;
    EXPECT_EQ(inner->convertPoint({245, 425}, nullptr), (CGPoint{2.5f, 2.5f}));
    EXPECT_EQ(stage->convertPoint({0, 0}, inner.get()), (CGPoint{240, 420}));
    stage->setUserInteractionEnabled(false);
    EXPECT_EQ(window->hitTest({20, 220}, nullptr), window.get());
    window->setHidden(true);
    EXPECT_EQ(window->hitTest({20, 220}, nullptr), nullptr);
}

class Touches : public ViewTest {
  protected:
    void SetUp() override {
        ViewTest::SetUp();
        stage->addSubview(placard);
    }
    std::shared_ptr<RecordingView> placard =
        std::make_shared<RecordingView>(CGRectMake(60, 90, 200, 300));
};

TEST_F(Touches, EachFingerKeepsTheViewItBeganInAndIsLocatedThroughItsTransform) {
    touch(1, UITouchPhase::Began, 160, 240, 1.0);  // placard
    touch(2, UITouchPhase::Began, 10, 10, 1.0);    // stage
    touch(1, UITouchPhase::Moved, 10, 10, 1.1);    // far off the placard
    touch(2, UITouchPhase::Moved, 160, 240, 1.1);
    touch(7, UITouchPhase::Moved, 1, 1, 1.2);  // a finger that is not down
    touch(7, UITouchPhase::Ended, 1, 1, 1.2);
    placard->setTransform(CGAffineTransformMakeScale(2, 2));  // about (160, 240)
    touch(1, UITouchPhase::Moved, 180, 260, 1.3);
    placard->setCenter({0, 0});
    touch(1, UITouchPhase::Moved, 0, 0, 1.4);
    EXPECT_EQ(window->touchCount(), 2u);
    // Coming down again without lifting cancels the finger's old touch.
    touch(1, UITouchPhase::Began, 300, 470, 1.5);
    window->cancelAllTouches(1.6);
    EXPECT_EQ(window->touchCount(), 0u);
    EXPECT_EQ(stage->phases(), "began moved began cancelled cancelled");
    EXPECT_EQ(stage->calls[1].location, (CGPoint{160, 240}));
    ASSERT_EQ(placard->phases(), "began moved moved moved cancelled");
    const CGPoint at[] = {{100, 150}, {-50, -80}, {110, 160}, {100, 150}};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(placard->calls[i].location, at[i]) << i;
    for (const auto& c : placard->calls) EXPECT_EQ(c.touchView, placard.get());
}

TEST_F(Touches, TapCountsQuickTapsNearTheSamePlaceAtTheWindowsEdges) {
    // Within 0.35 s (down to down) and 45 points the run goes on; a drag (even
    // back to its start), a cancel or a second finger ends it.
    enum How { Tap, Drag, Cancel, Hold, SecondFinger };
    const struct {
        float x, y;
        double t;
        How how;
        int count;
    } downs[] = {
        {20, 20, 1.000, Tap, 1},    {20, 20, 1.349, Tap, 2},  {20, 20, 1.698, Tap, 3},
        {20, 20, 2.049, Tap, 1},                            // just too late
        {64.9f, 20, 2.2, Tap, 2},   {20, 20, 2.3, Tap, 3},  // 44.9 points is near
        {20, 65.1f, 2.4, Tap, 1},                           // 45.1 is not
        {20, 65.1f, 2.751, Tap, 1}, {20, 65.1f, 3.1, Tap, 2}, {20, 20, 5.0, Tap, 1},
        {20, 20, 5.1, Drag, 2},     {20, 20, 5.2, Tap, 1},    {20, 20, 5.3, Cancel, 2},
        {20, 20, 5.4, Tap, 1},      {20, 20, 5.5, Hold, 2},   {25, 20, 5.55, SecondFinger, 1}};
    for (const auto& d : downs) {
        const int finger = d.how == SecondFinger ? 1 : 0;
        touch(finger, UITouchPhase::Began, d.x, d.y, d.t);
        EXPECT_EQ(stage->calls.back().tapCount, d.count) << "at " << d.t;
        if (d.how == Drag) touch(finger, UITouchPhase::Moved, d.x + 100, d.y, d.t + 0.01);
        if (d.how == Hold) continue;
        touch(finger, d.how == Cancel ? UITouchPhase::Cancelled : UITouchPhase::Ended, d.x, d.y,
              d.t + 0.02);
    }
}

TEST_F(Touches, ATouchKeepsItsViewAliveAfterItLeavesTheTree) {
    touch(1, UITouchPhase::Began, 160, 240, 1.0);
    std::weak_ptr<RecordingView> watch = placard;
    placard->removeFromSuperview();
    placard.reset();
    ASSERT_FALSE(watch.expired());
    touch(1, UITouchPhase::Ended, 160, 240, 1.1);
    EXPECT_TRUE(watch.expired());

    // A finger on the window itself does not keep the window alive.
    stage->setUserInteractionEnabled(false);
    touch(2, UITouchPhase::Began, 160, 240, 1.2);
    ASSERT_EQ(window->touchCount(), 1u);
    std::weak_ptr<UIWindow> windowWatch = window;
    window.reset();
    EXPECT_TRUE(windowWatch.expired());
}

}  // namespace
