#include "host/layers/animation.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "host/foundation/messages.h"
#include "host/geometry/path.h"
#include "host/layers/layer.h"
#include "host/layers/timing_function.h"
#include "tests/support/host_support.h"

using namespace host;

namespace {

// One coordinate of a timing curve's cubic Bézier at parameter s.
double bezier(double s, double p1, double p2) {
    return 3 * (1 - s) * (1 - s) * s * p1 + 3 * (1 - s) * s * s * p2 + s * s * s;
}

// The time fraction at which ease-in reaches progress y, by bisection on the
// curve's parameter (independent of the code under test).
double easeInTimeFor(double y) {
    double lo = 0, hi = 1;
    for (int i = 0; i < 100; ++i) (bezier((lo + hi) / 2, 0, 1) < y ? lo : hi) = (lo + hi) / 2;
    return bezier((lo + hi) / 2, 0.42, 1);
}

TEST(TimingFunction, CurvesFollowTheirBezierDefinitionsAndClampTime) {
    const struct {
        const char* name;
        float x1, y1, x2, y2;
    } curves[] = {{kCAMediaTimingFunctionLinear, 0, 0, 1, 1},
                  {kCAMediaTimingFunctionEaseIn, 0.42f, 0, 1, 1},
                  {kCAMediaTimingFunctionEaseOut, 0, 0, 0.58f, 1},
                  {kCAMediaTimingFunctionEaseInEaseOut, 0.42f, 0, 0.58f, 1},
                  {kCAMediaTimingFunctionDefault, 0.25f, 0.1f, 0.25f, 1},
                  // x'(0) = 0 gives Newton's first step no slope to use.
                  {nullptr, 0, 0.9f, 1, 0.1f}};
    for (const auto& c : curves) {
        SCOPED_TRACE(c.name ? c.name : "custom");
        auto f = c.name ? CAMediaTimingFunction::functionWithName(c.name)
                        : CAMediaTimingFunction::functionWithControlPoints(c.x1, c.y1, c.x2, c.y2);
        ASSERT_TRUE(f);
        for (int i = 0; i <= 200; ++i) {
            const double s = i / 200.0;
            EXPECT_NEAR(f->evaluate(bezier(s, c.x1, c.x2)), bezier(s, c.y1, c.y2), 1e-5) << s;
        }
        EXPECT_DOUBLE_EQ(f->evaluate(-3.0), 0.0);
        EXPECT_NEAR(f->evaluate(7.0), 1.0, 1e-12);
    }
    testsupport::StderrCapture out;
    const bool unknown = CAMediaTimingFunction::functionWithName("bouncy") != nullptr;
    EXPECT_EQ(out.text(), testsupport::message(messages::kUnknownTimingFunction, "bouncy"));
    EXPECT_FALSE(unknown);
}

// Records each stop it is told of as "finished 10.5000" or "unfinished ...",
// and may start more from inside the call.
struct StopLog : CAAnimationDelegate {
    std::vector<std::string> stops;
    std::function<void()> then;
    void animationDidStop(CAAnimation*, bool finished) override {
        char line[40];
        std::snprintf(line, sizeof line, "%s %.4f", finished ? "finished" : "unfinished",
                      NSRunLoop::mainRunLoop().now());
        stops.push_back(line);
        if (then) then();
    }
};
using Stops = std::vector<std::string>;

std::shared_ptr<CABasicAnimation> moveTo(CGPoint to, double duration,
                                         CAAnimationDelegate* delegate = nullptr) {
    auto a = CABasicAnimation::animationWithKeyPath("position");
    a->setToValue(NSValue::valueWithCGPoint(to));
    a->setDuration(duration);
    a->setDelegate(delegate);
    return a;
}

class LayerAnimation : public testsupport::VirtualLoopTest {
  protected:
    CGPoint shown(double t) const { return layer->presentationValues(t).position; }
    float shownScale(double t) const { return layer->presentationValues(t).transform.m11; }
    std::shared_ptr<CALayer> layer = std::make_shared<CALayer>();
    StopLog log;
};

TEST_F(LayerAnimation, BasicAnimationTakesMissingEndsFromWhatIsShownAndFromTheModel) {
    const double t0 = now();
    auto first = moveTo({100, 0}, 1.0);
    layer->addAnimation(first, "first");
    // The layer keeps a copy; setting the model leaves the animation running.
    first->setToValue(NSValue::valueWithCGPoint({-100, 0}));
    first->setDuration(10);
    layer->setPosition({300, 300});
    EXPECT_EQ(shown(t0), (CGPoint{0, 0}));
    EXPECT_NEAR(shown(t0 + 0.25).x, 25, 1e-4);
    runUntil(t0 + 0.5);
    // Only a target, joining mid-flight: it starts from what is shown now.
    layer->addAnimation(moveTo({50, 100}, 1.0), "second");
    EXPECT_NEAR(shown(now()).x, 50, 1e-4);
    EXPECT_NEAR(shown(now()).y, 0, 1e-4);
    EXPECT_NEAR(shown(now() + 0.5).y, 50, 1e-4);
    // Only a start: it runs to the model as it is when shown.
    auto third = CABasicAnimation::animationWithKeyPath("position");
    third->setFromValue(NSValue::valueWithCGPoint({100, 0}));
    third->setDuration(1.0);
    layer->addAnimation(third, "second");
    layer->setPosition({0, 200});
    EXPECT_NEAR(shown(now() + 0.5).x, 50, 1e-4);
    EXPECT_NEAR(shown(now() + 0.5).y, 100, 1e-4);
    runUntil(t0 + 1.5);
    EXPECT_TRUE(layer->animationKeys().empty());
    EXPECT_EQ(shown(now()), (CGPoint{0, 200}));
}

TEST_F(LayerAnimation, DelegatesHearOfEachStopOnceAndNeverInsideTheCallersChange) {
    layer->setPosition({10, 10});
    layer->addAnimation(moveTo({100, 0}, 1.0, &log), "k");
    runUntil(10.5);
    layer->addAnimation(moveTo({0, 0}, 1.0, &log), "k");
    EXPECT_TRUE(log.stops.empty());
    runUntil(11.2);  // the replaced one's own end passes quietly
    layer->removeAnimationForKey("k");
    EXPECT_EQ(shown(now()), (CGPoint{10, 10}));
    // Kept when asked: it finishes, the model shows, removal tells nobody again.
    auto kept = moveTo({100, 0}, 0.5, &log);
    kept->setRemovedOnCompletion(false);
    layer->addAnimation(kept, "kept");
    runUntil(13);
    EXPECT_NE(layer->animationForKey("kept"), nullptr);
    EXPECT_EQ(shown(now()), (CGPoint{10, 10}));
    layer->removeAnimationForKey("kept");
    // A layer gone before the end tells no one.
    std::make_shared<CALayer>()->addAnimation(moveTo({1, 1}, 0.5, &log), "k");
    // A delegate may start the next animation from its stop.
    log.then = [&] {
        if (log.stops.size() < 6) layer->addAnimation(moveTo({0, 0}, 0.1, &log), "k");
    };
    layer->addAnimation(moveTo({5, 5}, 0.1, &log), "k");
    runUntil(15);
    EXPECT_EQ(log.stops, (Stops{"unfinished 10.5000", "unfinished 11.2000", "finished 11.7000",
                                "finished 13.1000", "finished 13.2000", "finished 13.3000"}));
    EXPECT_TRUE(layer->animationKeys().empty());
}

TEST_F(LayerAnimation, KeyPathsOrValuesThatCannotAnimateKeepTimeAndSaySo) {
    auto fade = CABasicAnimation::animationWithKeyPath("opacity");
    fade->setDelegate(&log);
    fade->setDuration(0.5);
    auto wrong = moveTo({0, 0}, 0.5);
    wrong->setToValue(NSValue::valueWithCATransform3D(CATransform3DIdentity));
    testsupport::StderrCapture out;
    layer->addAnimation(fade, "fade");
    layer->addAnimation(wrong, "wrong");
    EXPECT_EQ(out.text(),
              testsupport::message(messages::kUnanimatableKeyPath, "opacity") +
                  testsupport::message(messages::kAnimationValueMismatch, "position", "point"));
    EXPECT_EQ(shown(now() + 0.25), (CGPoint{0, 0}));
    runUntil(11);
    EXPECT_EQ(log.stops, Stops{"finished 10.5000"});
}

// The placard's return from P = M + D, D = (100, 0): to M, then bounces to
// M + D/4, D/8, D/12, D/16 and back, ten points over T = 1.5 + 1/8 + 1/12 +
// 1/16 + 1/20 ≈ 1.8208333 s, with a scale back to identity, paced together by
// ease-in. Each segment gets the same time, whatever its length. (The end,
// removal and delegate of a group: tests/stage.)
TEST_F(LayerAnimation, ReturnGroupRunsThroughEveryKeyframeOnTheEaseInClock) {
    const CGPoint m{160, 240};
    const float offsets[] = {100, 0, 25, 0, 12.5f, 0, 100.0f / 12, 0, 6.25f, 0};
    const double T = 1.5 + 1.0 / 8 + 1.0 / 12 + 1.0 / 16 + 1.0 / 20;
    auto path = CGPathCreateMutable();
    CGPathMoveToPoint(path, nullptr, m.x + offsets[0], m.y);
    for (int k = 1; k < 10; ++k) CGPathAddLineToPoint(path, nullptr, m.x + offsets[k], m.y);
    layer->setPosition({m.x + offsets[0], m.y});
    layer->setTransform(CATransform3DMakeAffineTransform(CGAffineTransformMakeScale(1.1f, 1.1f)));

    auto keyframe = CAKeyframeAnimation::animationWithKeyPath("position");
    keyframe->setRemovedOnCompletion(false);
    keyframe->setPath(path);
    keyframe->setDuration(T);
    auto scale = CABasicAnimation::animationWithKeyPath("transform");
    scale->setDuration(T);
    scale->setToValue(NSValue::valueWithCATransform3D(CATransform3DIdentity));
    auto group = CAAnimationGroup::animation();
    group->setDuration(T);
    group->setTimingFunction(CAMediaTimingFunction::functionWithName(kCAMediaTimingFunctionEaseIn));
    group->setAnimations({keyframe, scale});
    const double t0 = now();
    layer->addAnimation(group, "animatePlacardViewToCenter");
    layer->setPosition(m);
    layer->setTransform(CATransform3DIdentity);
    CGPathAddLineToPoint(path, nullptr, 500, 500);  // the layer holds a copy
    for (int k = 0; k < 9; ++k) {
        const CGPoint p = shown(t0 + easeInTimeFor(k / 9.0) * T);
        EXPECT_NEAR(p.x, m.x + offsets[k], 1e-3) << "keyframe " << k;
        EXPECT_NEAR(p.y, m.y, 1e-3) << "keyframe " << k;
    }
    for (double f : {0.1, 0.5, 0.9})
        EXPECT_NEAR(shownScale(t0 + easeInTimeFor(f) * T), 1.1 - 0.1 * f, 1e-4);
}

}  // namespace
