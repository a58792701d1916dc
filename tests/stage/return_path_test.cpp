#include <gtest/gtest.h>

#include "host/layers/timing_function.h"
#include "stage_fixture.h"

// The placard's return to the middle, read back from the placard's layer as
// the real stage builds it when a drag is let go.

namespace {

using host::CABasicAnimation;
using host::CAKeyframeAnimation;
using host::CGPoint;
using host::UITouchPhase;
using stagetest::kMiddle;

struct Bounce {
    std::vector<CGPoint> points;
    float duration;
};

// The return from P to M worked out in single precision: a line to M, then
// bounces out to M + D/4, M + D/8, M + D/12 ... each followed by a line back
// to M, until D divided by the next divisor truncates to within 5 points
// either way in both coordinates; each bounce adds 1/(next divisor) seconds
// to 1.5.
Bounce expectedReturn(CGPoint p, CGPoint m) {
    const float dx = p.x - m.x, dy = p.y - m.y;
    Bounce b{{p, m}, 1.5f};
    for (float divisor = 4.0f;;) {
        b.points.push_back({m.x + dx / divisor, m.y + dy / divisor});
        b.points.push_back(m);
        divisor += 4.0f;
        b.duration += 1.0f / divisor;
        const int x = static_cast<int>(dx / divisor), y = static_cast<int>(dy / divisor);
        if (x >= -5 && x <= 5 && y >= -5 && y <= 5) break;
    }
    return b;
}

class ReturnPath : public stagetest::StageTest {};

TEST_F(ReturnPath, KeyframesAndDurationFollowTheDisplacementToTheLastBit) {
    const struct {
        float dx, dy;
        size_t points;   // 2 + 2 per bounce; 0: not pinned
        float duration;  // exact float; 0: not pinned
    } cases[] = {
        {100, 0, 10, 1.8208333f},
        {0, 0, 4, 1.625f},
        {47.9f, 0, 4, 1.625f},
        {48, 0, 6, 1.7083334f},
        {140, 210, 18, 1.9572420f},
        {-160, -240, 22, 2.0049694f},
        // Negative, mixed, and where only one coordinate decides.
        {-47.9f, 0, 4, 1.625f},
        {-48, 0, 6, 1.7083334f},
        {-100, 0, 10, 1.8208333f},
        {30, -200, 0, 0},
        {-23.9f, 239, 0, 0},
        {159, -15, 0, 0},
        {0.4f, -0.6f, 4, 1.625f},
        {160, 240, 0, 0},
    };
    double t = 11.0;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "D = (" << c.dx << ", " << c.dy << ")");
        const CGPoint p{kMiddle.x + c.dx, kMiddle.y + c.dy};
        touchAt(t, UITouchPhase::Began, kMiddle);
        touchAt(t + 0.4, UITouchPhase::Moved, p);
        ASSERT_EQ(placard().center(), p);
        touchAt(t + 0.5, UITouchPhase::Ended, p);
        // Only the return matters here: the show ends at its first tick.
        count = 8.5f;

        auto* group = dynamic_cast<host::CAAnimationGroup*>(
            placard().layer().animationForKey("animatePlacardViewToCenter"));
        ASSERT_NE(group, nullptr);
        const Bounce want = expectedReturn(p, kMiddle);
        if (c.points) {
            EXPECT_EQ(want.points.size(), c.points);
            EXPECT_EQ(want.duration, c.duration);
        }
        EXPECT_EQ(group->duration(), static_cast<double>(want.duration));
        ASSERT_EQ(group->animations().size(), 2u);
        auto* path = dynamic_cast<CAKeyframeAnimation*>(group->animations()[0].get());
        auto* scale = dynamic_cast<CABasicAnimation*>(group->animations()[1].get());
        ASSERT_TRUE(path && scale);

        EXPECT_EQ(path->keyPath(), "position");
        EXPECT_FALSE(path->isRemovedOnCompletion());
        EXPECT_EQ(path->duration(), static_cast<double>(want.duration));
        // The path's points are the keyframes, in order.
        EXPECT_EQ(path->keyframePoints(), want.points);

        EXPECT_EQ(scale->keyPath(), "transform");
        EXPECT_TRUE(scale->isRemovedOnCompletion());
        EXPECT_EQ(scale->duration(), static_cast<double>(want.duration));
        // No start value was set: the layer's copy starts from the scale shown.
        ASSERT_TRUE(scale->fromValue() && scale->fromValue()->holdsCATransform3D());
        EXPECT_EQ(
            scale->fromValue()->CATransform3DValue(),
            host::CATransform3DMakeAffineTransform(host::CGAffineTransformMakeScale(1.1f, 1.1f)));
        ASSERT_TRUE(scale->toValue() && scale->toValue()->holdsCATransform3D());
        EXPECT_EQ(scale->toValue()->CATransform3DValue(), host::CATransform3DIdentity);

        EXPECT_EQ(group->delegate(), static_cast<host::CAAnimationDelegate*>(stage.get()));
        EXPECT_TRUE(group->isRemovedOnCompletion());
        auto easeIn =
            host::CAMediaTimingFunction::functionWithName(host::kCAMediaTimingFunctionEaseIn);
        ASSERT_TRUE(group->timingFunction());
        EXPECT_EQ(group->timingFunction()->controlPoint1(), easeIn->controlPoint1());
        EXPECT_EQ(group->timingFunction()->controlPoint2(), easeIn->controlPoint2());

        // The model is already home; what is shown starts where the finger let
        // go, scaled as it was held, and ends home at the group's end.
        EXPECT_EQ(placard().center(), kMiddle);
        EXPECT_EQ(placard().transform(), host::CGAffineTransformIdentity);
        const auto start = placard().layer().presentationValues(now());
        EXPECT_EQ(start.position, p);
        EXPECT_FLOAT_EQ(start.transform.m11, 1.1f);
        const double end = now() + group->duration();
        step();
        ASSERT_FALSE(stage->isShowRunning());
        runUntil(end);
        EXPECT_EQ(placard().layer().animationForKey("animatePlacardViewToCenter"), nullptr);
        EXPECT_EQ(placard().layer().presentationValues(now()).position, kMiddle);
        EXPECT_TRUE(stage->isUserInteractionEnabled());
        t = now() + 0.5;
    }
}

}  // namespace
