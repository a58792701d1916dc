#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "view_fixture.h"

using namespace host;

namespace {

class Touches : public ViewTest {
  protected:
    void SetUp() override {
        ViewTest::SetUp();
        placard = std::make_shared<RecordingView>(CGRectMake(60, 90, 200, 300));
        stage->addSubview(placard);
    }
    // A quick tap (down and up at once) by finger 0; its tap count.
    int tap(float x, float y, double t) {
        touch(0, UITouchPhase::Began, x, y, t);
        touch(0, UITouchPhase::Ended, x, y, t + 0.01);
        auto& calls = stage->calls;
        return calls.size() >= 2 ? calls[calls.size() - 2].tapCount : -1;
    }
    std::shared_ptr<RecordingView> placard;
};

TEST_F(Touches, ATouchKeepsTheViewItBeganInForItsWholeLife) {
    touch(1, UITouchPhase::Began, 160, 240, 1.0);
    touch(1, UITouchPhase::Moved, 10, 10, 1.1);  // far off the placard
    touch(1, UITouchPhase::Ended, 300, 470, 1.2);
    ASSERT_EQ(placard->calls.size(), 3u);
    EXPECT_TRUE(stage->calls.empty());
    for (auto& c : placard->calls) EXPECT_EQ(c.touchView, placard.get());
    EXPECT_EQ(placard->calls[0].what, "began");
    EXPECT_EQ(placard->calls[1].what, "moved");
    EXPECT_EQ(placard->calls[2].what, "ended");
    // Locations are in the placard's own coordinates.
    EXPECT_EQ(placard->calls[0].location, (CGPoint{100, 150}));
    EXPECT_EQ(placard->calls[1].location, (CGPoint{-50, -80}));
    EXPECT_EQ(window->touchCount(), 0u);
}

TEST_F(Touches, TouchesOnViewsThatDoNotHandleThemReachTheFirstThatDoesUpTheChain) {
    // Plain views (a GL view over everything, a label inside the placard's
    // area) pass touches on; the touch's view stays the one that was hit.
    auto label = std::make_shared<UIView>(CGRectMake(0, 0, 20, 20));
    auto inner = std::make_shared<UIView>(CGRectMake(0, 0, 100, 100));
    stage->addSubview(inner);
    inner->addSubview(label);
    touch(1, UITouchPhase::Began, 5, 5, 1.0);
    touch(1, UITouchPhase::Ended, 5, 5, 1.1);
    ASSERT_EQ(stage->calls.size(), 2u);
    EXPECT_EQ(stage->calls[0].touchView, label.get());
    EXPECT_EQ(stage->calls[0].location, (CGPoint{5, 5}));

    auto glView = std::make_shared<UIView>(CGRectMake(0, 0, 320, 480));
    stage->addSubview(glView);
    touch(2, UITouchPhase::Began, 160, 240, 2.0);
    EXPECT_EQ(stage->calls.back().touchView, glView.get());
    EXPECT_TRUE(placard->calls.empty());
}

TEST_F(Touches, WithInteractionOffTheStageAndItsPlacardGetNothing) {
    stage->setUserInteractionEnabled(false);
    touch(1, UITouchPhase::Began, 160, 240, 1.0);
    touch(1, UITouchPhase::Ended, 160, 240, 1.1);
    EXPECT_TRUE(stage->calls.empty());
    EXPECT_TRUE(placard->calls.empty());
}

TEST_F(Touches, LocationFollowsTheViewsTransformAndCentre) {
    placard->setTransform(CGAffineTransformMakeScale(2, 2));  // about (160, 240)
    touch(1, UITouchPhase::Began, 180, 260, 1.0);
    ASSERT_EQ(placard->calls.size(), 1u);
    EXPECT_EQ(placard->calls[0].location, (CGPoint{110, 160}));
    placard->setCenter({0, 0});
    touch(1, UITouchPhase::Moved, 0, 0, 1.1);
    EXPECT_EQ(placard->calls[1].location, (CGPoint{100, 150}));
}

TEST_F(Touches, TapCountsQuickTapsNearTheSamePlaceAtTheWindowsEdges) {
    // Within 0.35 s (down to down) and 45 points: the run goes on.
    EXPECT_EQ(tap(20, 20, 1.000), 1);
    EXPECT_EQ(tap(20, 20, 1.349), 2);
    EXPECT_EQ(tap(20, 20, 1.698), 3);
    // Just too late.
    EXPECT_EQ(tap(20, 20, 2.049), 1);
    // 44.9 points away is near; 45.1 is not.
    EXPECT_EQ(tap(64.9f, 20, 2.2), 2);
    EXPECT_EQ(tap(20, 20, 2.3), 3);
    EXPECT_EQ(tap(20, 65.1f, 2.4), 1);
    // Measured from the previous touch coming down: just too late, then in time.
    EXPECT_EQ(tap(20, 65.1f, 2.751), 1);
    EXPECT_EQ(tap(20, 65.1f, 3.1), 2);
}

TEST_F(Touches, DragsCancelsAndSecondFingersBreakARunOfTaps) {
    EXPECT_EQ(tap(20, 20, 1.0), 1);
    // A drag is not a tap: the next touch starts afresh.
    touch(0, UITouchPhase::Began, 20, 20, 1.1);
    touch(0, UITouchPhase::Moved, 120, 20, 1.15);
    touch(0, UITouchPhase::Ended, 20, 20, 1.2);
    EXPECT_EQ(tap(20, 20, 1.3), 1);
    EXPECT_EQ(tap(20, 20, 1.4), 2);
    // Cancelled.
    touch(0, UITouchPhase::Began, 20, 20, 1.5);
    EXPECT_EQ(stage->calls.back().tapCount, 3);
    touch(0, UITouchPhase::Cancelled, 20, 20, 1.55);
    EXPECT_EQ(tap(20, 20, 1.6), 1);
    // A second finger while the first is down.
    touch(0, UITouchPhase::Began, 20, 20, 1.7);
    touch(1, UITouchPhase::Began, 25, 20, 1.75);
    EXPECT_EQ(stage->calls.back().tapCount, 1);
}

TEST_F(Touches, FingersAreSeparateTouchesAndStrayEventsAreIgnored) {
    touch(1, UITouchPhase::Began, 160, 240, 1.0);  // placard
    touch(2, UITouchPhase::Began, 10, 10, 1.0);    // stage
    touch(2, UITouchPhase::Moved, 160, 240, 1.1);
    touch(1, UITouchPhase::Moved, 10, 10, 1.1);
    EXPECT_EQ(window->touchCount(), 2u);
    ASSERT_EQ(placard->calls.size(), 2u);
    ASSERT_EQ(stage->calls.size(), 2u);
    EXPECT_EQ(stage->calls[1].touchView, stage.get());
    // Moves and ends for a finger that is not down change nothing.
    touch(7, UITouchPhase::Moved, 1, 1, 1.2);
    touch(7, UITouchPhase::Ended, 1, 1, 1.2);
    EXPECT_EQ(placard->calls.size() + stage->calls.size(), 4u);
    // A finger that comes down again without lifting: the old touch is cancelled.
    touch(1, UITouchPhase::Began, 20, 20, 1.3);
    EXPECT_EQ(placard->calls.back().what, "cancelled");
    EXPECT_EQ(stage->calls.back().what, "began");
    window->cancelAllTouches(1.4);
    EXPECT_EQ(window->touchCount(), 0u);
    EXPECT_EQ(stage->calls.back().what, "cancelled");
}

TEST_F(Touches, ATouchKeepsItsViewAliveAfterItLeavesTheTree) {
    touch(1, UITouchPhase::Began, 160, 240, 1.0);
    std::weak_ptr<RecordingView> watch = placard;
    placard->removeFromSuperview();
    placard.reset();
    ASSERT_FALSE(watch.expired());
    touch(1, UITouchPhase::Ended, 160, 240, 1.1);
    EXPECT_TRUE(watch.expired());
}

TEST_F(Touches, HiddenWindowTakesNoTouches) {
    window->setHidden(true);
    touch(1, UITouchPhase::Began, 160, 240, 1.0);
    EXPECT_EQ(window->touchCount(), 0u);
    EXPECT_TRUE(placard->calls.empty());
}

TEST_F(Touches, EachDeliveryIsTraced) {
    auto path = std::filesystem::temp_directory_path() /
                ("paddock-touch-trace-" + std::to_string(::getpid()));
    ASSERT_TRUE(Trace::open(path.string()));
    tap(20, 20, 0.5);
    touch(0, UITouchPhase::Began, 24, 20, 0.7);
    touch(0, UITouchPhase::Moved, 160.25f, 240, 0.8);
    Trace::close();
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    std::filesystem::remove(path);
    // Trace times are the run loop's clock; the event times are the caller's.
    EXPECT_EQ(ss.str(),
              "10.0000 touch began view=RecordingView tap=1 x=20.0 y=20.0\n"
              "10.0000 touch ended view=RecordingView tap=1 x=20.0 y=20.0\n"
              "10.0000 touch began view=RecordingView tap=2 x=24.0 y=20.0\n"
              "10.0000 touch moved view=RecordingView tap=2 x=160.2 y=240.0\n");
}

}  // namespace
