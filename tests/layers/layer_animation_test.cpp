#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "host/geometry/path.h"
#include "host/layers/animation.h"
#include "host/layers/layer.h"
#include "virtual_time.h"

using namespace host;

namespace {

// Records every stop it is told of.
struct StopLog : CAAnimationDelegate {
    struct Stop {
        std::string type;  // the animation itself may be gone after the call
        bool finished;
        double time;
    };
    std::vector<Stop> stops;
    void animationDidStop(CAAnimation* a, bool finished) override {
        stops.push_back({a->typeName(), finished, NSRunLoop::mainRunLoop().now()});
    }
};

CGPoint shownPosition(const CALayer& layer, double t) {
    return layer.presentationValues(t).position;
}
float shownScale(const CALayer& layer, double t) {
    return layer.presentationValues(t).transform.m11;
}

std::shared_ptr<CALayer> makeLayer(CGPoint position) {
    auto layer = std::make_shared<CALayer>();
    layer->setBounds(CGRectMake(0, 0, 100, 50));
    layer->setPosition(position);
    return layer;
}

std::shared_ptr<CABasicAnimation> moveTo(CGPoint to, double duration) {
    auto a = CABasicAnimation::animationWithKeyPath("position");
    a->setToValue(NSValue::valueWithCGPoint(to));
    a->setDuration(duration);
    return a;
}

// The placard's return, built step by step as the stage builds it: P to M,
// then bounces to M + D/d and back with d = 4, 8, ... until D/d truncates
// into [-5, 5] on both axes; T grows by 1/d per bounce from 1.5 s.
struct ReturnPath {
    CGMutablePathRef path;
    float duration;
};
ReturnPath makeReturnPath(CGPoint m, CGPoint p) {
    CGPoint d{p.x - m.x, p.y - m.y};
    auto path = CGPathCreateMutable();
    CGPathMoveToPoint(path, nullptr, p.x, p.y);
    CGPathAddLineToPoint(path, nullptr, m.x, m.y);
    float divisor = 4.0f, t = 1.5f;
    for (;;) {
        CGPathAddLineToPoint(path, nullptr, m.x + d.x / divisor, m.y + d.y / divisor);
        CGPathAddLineToPoint(path, nullptr, m.x, m.y);
        divisor = divisor + 4.0f;
        t = t + 1.0f / divisor;
        int ix = static_cast<int>(d.x / divisor), iy = static_cast<int>(d.y / divisor);
        if (ix >= -5 && ix <= 5 && iy >= -5 && iy <= 5) break;
    }
    return {path, t};
}

// The time fraction at which an ease-in curve reaches progress y, found by
// bisection on the curve's parameter (independent of the code under test).
double easeInTimeFor(double y) {
    auto b = [](double s, double p1, double p2) {
        return 3 * (1 - s) * (1 - s) * s * p1 + 3 * (1 - s) * s * s * p2 + s * s * s;
    };
    double lo = 0, hi = 1;
    for (int i = 0; i < 100; ++i) {
        double s = (lo + hi) / 2;
        (b(s, 0, 1) < y ? lo : hi) = s;
    }
    return b((lo + hi) / 2, 0.42, 1);
}

using LayerAnimation = VirtualTimeTest;

TEST_F(LayerAnimation, BasicAnimationRunsFromModelToTargetAndEndsOnTheModel) {
    auto layer = makeLayer({0, 0});
    auto a = moveTo({100, 40}, 1.0);
    a->setFromValue(NSValue::valueWithCGPoint({0, 0}));
    double t0 = now();
    layer->addAnimation(a, "move");
    layer->setPosition({100, 40});
    EXPECT_EQ(shownPosition(*layer, t0), (CGPoint{0, 0}));
    EXPECT_NEAR(shownPosition(*layer, t0 + 0.25).x, 25, 1e-4);
    EXPECT_NEAR(shownPosition(*layer, t0 + 0.25).y, 10, 1e-4);
    EXPECT_TRUE(layer->hasRunningAnimations(t0 + 0.99));
    runUntil(t0 + 1.0);
    EXPECT_FALSE(layer->hasRunningAnimations(t0 + 1.0));
    EXPECT_EQ(layer->animationForKey("move"), nullptr);
    EXPECT_EQ(shownPosition(*layer, t0 + 1.0), (CGPoint{100, 40}));
}

TEST_F(LayerAnimation, BasicAnimationWithOnlyATargetStartsFromWhatIsShownNow) {
    auto layer = makeLayer({0, 0});
    double t0 = now();
    layer->addAnimation(moveTo({100, 0}, 1.0), "first");
    runUntil(t0 + 0.5);
    ASSERT_NEAR(shownPosition(*layer, now()).x, 50, 1e-4);
    // Mid-flight, a second animation with no start value joins.
    layer->addAnimation(moveTo({50, 100}, 1.0), "second");
    EXPECT_NEAR(shownPosition(*layer, now()).x, 50, 1e-4);
    EXPECT_NEAR(shownPosition(*layer, now()).y, 0, 1e-4);
    EXPECT_NEAR(shownPosition(*layer, now() + 0.5).y, 50, 1e-4);
    EXPECT_NEAR(shownPosition(*layer, now() + 0.5).x, 50, 1e-4);
}

TEST_F(LayerAnimation, UnsetTargetRunsToTheModelValueAsItIsThen) {
    auto layer = makeLayer({0, 0});
    auto a = CABasicAnimation::animationWithKeyPath("position");
    a->setFromValue(NSValue::valueWithCGPoint({100, 0}));
    a->setDuration(1.0);
    double t0 = now();
    layer->addAnimation(a, "k");
    layer->setPosition({0, 200});
    EXPECT_NEAR(shownPosition(*layer, t0 + 0.5).x, 50, 1e-4);
    EXPECT_NEAR(shownPosition(*layer, t0 + 0.5).y, 100, 1e-4);
}

TEST_F(LayerAnimation, SameKeyReplacesAndTheOldOneStopsUnfinishedOnTheNextTurn) {
    auto layer = makeLayer({0, 0});
    StopLog log;
    auto first = moveTo({100, 0}, 1.0);
    first->setDelegate(&log);
    double t0 = now();
    layer->addAnimation(first, "k");
    runUntil(t0 + 0.5);
    auto second = moveTo({0, 0}, 1.0);
    second->setDelegate(&log);
    layer->addAnimation(second, "k");
    EXPECT_TRUE(log.stops.empty()) << "told synchronously, inside the caller's change";
    runPending();
    ASSERT_EQ(log.stops.size(), 1u);
    EXPECT_FALSE(log.stops[0].finished);
    // The replaced animation's own end passes quietly; the new one finishes.
    runUntil(t0 + 1.6);
    ASSERT_EQ(log.stops.size(), 2u);
    EXPECT_TRUE(log.stops[1].finished);
    EXPECT_DOUBLE_EQ(log.stops[1].time, t0 + 1.5);
    EXPECT_EQ(layer->animationKeys().size(), 0u);
}

TEST_F(LayerAnimation, RemovingShowsTheModelAtOnceAndTellsTheDelegateUnfinished) {
    auto layer = makeLayer({10, 10});
    StopLog log;
    auto a = moveTo({100, 0}, 1.0);
    a->setDelegate(&log);
    double t0 = now();
    layer->addAnimation(a, "k");
    EXPECT_NE(layer->animationForKey("k"), nullptr);
    runUntil(t0 + 0.3);
    layer->removeAnimationForKey("k");
    EXPECT_EQ(shownPosition(*layer, now()), (CGPoint{10, 10}));
    EXPECT_EQ(layer->animationForKey("k"), nullptr);
    runUntil(t0 + 2);
    ASSERT_EQ(log.stops.size(), 1u);
    EXPECT_FALSE(log.stops[0].finished);
}

TEST_F(LayerAnimation, SettingTheModelLeavesARunningAnimationAlone) {
    auto layer = makeLayer({0, 0});
    double t0 = now();
    layer->addAnimation(moveTo({100, 0}, 1.0), "k");
    layer->setPosition({300, 300});
    EXPECT_NE(layer->animationForKey("k"), nullptr);
    EXPECT_NEAR(shownPosition(*layer, t0 + 0.5).x, 50, 1e-4);
    EXPECT_EQ(shownPosition(*layer, t0 + 1.0), (CGPoint{300, 300}));
}

TEST_F(LayerAnimation, KeptAfterCompletionWhenAskedButTheModelShows) {
    auto layer = makeLayer({0, 0});
    StopLog log;
    auto a = moveTo({100, 0}, 0.5);
    a->setRemovedOnCompletion(false);
    a->setDelegate(&log);
    layer->addAnimation(a, "kept");
    runUntil(now() + 1);
    EXPECT_NE(layer->animationForKey("kept"), nullptr);
    ASSERT_EQ(log.stops.size(), 1u);
    EXPECT_TRUE(log.stops[0].finished);
    EXPECT_EQ(shownPosition(*layer, now()), (CGPoint{0, 0}));
    // Removing a finished animation tells nobody again.
    layer->removeAnimationForKey("kept");
    runUntil(now() + 1);
    EXPECT_EQ(log.stops.size(), 1u);
}

TEST_F(LayerAnimation, ALayerGoneBeforeTheEndTellsNoOne) {
    StopLog log;
    {
        auto layer = makeLayer({0, 0});
        auto a = moveTo({100, 0}, 0.5);
        a->setDelegate(&log);
        layer->addAnimation(a, "k");
    }
    runUntil(now() + 1);
    EXPECT_TRUE(log.stops.empty());
}

TEST_F(LayerAnimation, TheLayerKeepsACopyLaterChangesDoNotReach) {
    auto layer = makeLayer({0, 0});
    auto a = moveTo({100, 0}, 1.0);
    double t0 = now();
    layer->addAnimation(a, "k");
    a->setToValue(NSValue::valueWithCGPoint({-100, 0}));
    a->setDuration(10);
    EXPECT_NEAR(shownPosition(*layer, t0 + 0.5).x, 50, 1e-4);
}

TEST_F(LayerAnimation, KeyPathsThatCannotAnimateKeepTimeAndSaySo) {
    auto layer = makeLayer({0, 0});
    StopLog log;
    auto a = CABasicAnimation::animationWithKeyPath("opacity");
    a->setDelegate(&log);
    a->setDuration(0.5);
    testing::internal::CaptureStdout();
    layer->addAnimation(a, "fade");
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("key path \"opacity\" cannot be animated"), std::string::npos) << out;
    runUntil(now() + 1);
    ASSERT_EQ(log.stops.size(), 1u);
    EXPECT_TRUE(log.stops[0].finished);

    auto wrong = moveTo({0, 0}, 0.5);
    wrong->setToValue(NSValue::valueWithCATransform3D(CATransform3DIdentity));
    testing::internal::CaptureStdout();
    layer->addAnimation(wrong, "wrong");
    out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out,
              "CALayer addAnimation: a value for key path \"position\" is not a point; it is "
              "ignored\n");
    EXPECT_EQ(shownPosition(*layer, now() + 0.25), (CGPoint{0, 0}));
}

TEST_F(LayerAnimation, KeyframesSplitTheTimeEvenlyAmongSegmentsNotByLength) {
    auto layer = makeLayer({0, 0});
    auto path = CGPathCreateMutable();
    CGPathMoveToPoint(path, nullptr, 0, 0);
    CGPathAddLineToPoint(path, nullptr, 100, 0);   // long segment
    CGPathAddLineToPoint(path, nullptr, 100, 10);  // short segment
    auto a = CAKeyframeAnimation::animationWithKeyPath("position");
    a->setPath(path);
    a->setDuration(2.0);
    double t0 = now();
    layer->addAnimation(a, "k");
    // Changing the path afterwards changes nothing.
    CGPathAddLineToPoint(path, nullptr, 500, 500);
    EXPECT_EQ(shownPosition(*layer, t0 + 1.0), (CGPoint{100, 0}));
    EXPECT_NEAR(shownPosition(*layer, t0 + 0.5).x, 50, 1e-4);
    EXPECT_NEAR(shownPosition(*layer, t0 + 1.5).y, 5, 1e-4);
    EXPECT_NEAR(shownPosition(*layer, t0 + 1.9999).y, 10, 2e-3);
}

TEST_F(LayerAnimation, PlacardReturnPathHasTenPointsAndTheBouncesDieAway) {
    const CGPoint m{160, 240};
    ReturnPath r = makeReturnPath(m, {260, 240});
    EXPECT_NEAR(r.duration, 1.8208333f, 1e-6);
    auto a = CAKeyframeAnimation::animationWithKeyPath("position");
    a->setPath(r.path);
    auto points = a->keyframePoints();
    ASSERT_EQ(points.size(), 10u);
    const float peaks[] = {25, 12.5f, 100.0f / 12, 6.25f};
    EXPECT_EQ(points[0], (CGPoint{260, 240}));
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(points[1 + 2 * k], m);
        EXPECT_NEAR(points[2 + 2 * k].x, m.x + peaks[k], 1e-4);
        EXPECT_EQ(points[2 + 2 * k].y, m.y);
    }
    EXPECT_EQ(points[9], m);
}

// The stage's return group: the keyframe path and a scale back to identity,
// paced together by ease-in, removed when done, its delegate told once.
TEST_F(LayerAnimation, ReturnGroupRunsThroughEveryKeyframeOnTheEaseInClock) {
    const CGPoint m{160, 240}, p{260, 240};
    auto layer = makeLayer(p);
    layer->setTransform(CATransform3DMakeAffineTransform(CGAffineTransformMakeScale(1.1f, 1.1f)));
    ReturnPath r = makeReturnPath(m, p);

    auto keyframe = CAKeyframeAnimation::animationWithKeyPath("position");
    keyframe->setRemovedOnCompletion(false);
    keyframe->setPath(r.path);
    keyframe->setDuration(r.duration);
    auto scale = CABasicAnimation::animationWithKeyPath("transform");
    scale->setRemovedOnCompletion(true);
    scale->setDuration(r.duration);
    scale->setToValue(NSValue::valueWithCATransform3D(CATransform3DIdentity));
    auto group = CAAnimationGroup::animation();
    StopLog log;
    group->setDelegate(&log);
    group->setDuration(r.duration);
    group->setTimingFunction(CAMediaTimingFunction::functionWithName(kCAMediaTimingFunctionEaseIn));
    group->setAnimations({keyframe, scale});
    const double t0 = now();
    layer->addAnimation(group, "animatePlacardViewToCenter");
    layer->setPosition(m);
    layer->setTransform(CATransform3DIdentity);

    auto points = keyframe->keyframePoints();
    for (std::size_t k = 0; k < points.size() - 1; ++k) {
        double t = t0 + easeInTimeFor(static_cast<double>(k) / 9) * r.duration;
        CGPoint shown = shownPosition(*layer, t);
        EXPECT_NEAR(shown.x, points[k].x, 1e-3) << "keyframe " << k;
        EXPECT_NEAR(shown.y, points[k].y, 1e-3) << "keyframe " << k;
    }
    // The scale follows the same paced clock from the shown 1.1 to 1.
    for (double f : {0.1, 0.5, 0.9}) {
        double t = t0 + easeInTimeFor(f) * r.duration;
        EXPECT_NEAR(shownScale(*layer, t), 1.1 - 0.1 * f, 1e-4);
    }
    runUntil(t0 + r.duration - 0.001);
    EXPECT_TRUE(log.stops.empty());
    runUntil(t0 + r.duration + 0.5);
    ASSERT_EQ(log.stops.size(), 1u);
    EXPECT_TRUE(log.stops[0].finished);
    EXPECT_DOUBLE_EQ(log.stops[0].time, t0 + static_cast<double>(r.duration));
    EXPECT_EQ(layer->animationForKey("animatePlacardViewToCenter"), nullptr);
    EXPECT_EQ(shownPosition(*layer, now()), m);
    EXPECT_FLOAT_EQ(shownScale(*layer, now()), 1.0f);
}

TEST_F(LayerAnimation, GroupChildrenAreClippedToTheGroupAndEndOnTheirOwn) {
    auto layer = makeLayer({0, 0});
    auto longer = moveTo({100, 0}, 4.0);  // would reach 100 only after the group
    auto shorter = CABasicAnimation::animationWithKeyPath("transform");
    shorter->setFromValue(NSValue::valueWithCATransform3D(
        CATransform3DMakeAffineTransform(CGAffineTransformMakeScale(2, 2))));
    shorter->setDuration(0.5);
    auto group = CAAnimationGroup::animation();
    group->setDuration(1.0);
    group->setAnimations({longer, shorter});
    StopLog log;
    group->setDelegate(&log);
    longer->setDelegate(&log);  // children's delegates are not told
    const double t0 = now();
    layer->addAnimation(group, "g");
    EXPECT_NEAR(shownPosition(*layer, t0 + 0.5).x, 12.5, 1e-4);
    EXPECT_NEAR(shownScale(*layer, t0 + 0.25), 1.5, 1e-4);
    EXPECT_FLOAT_EQ(shownScale(*layer, t0 + 0.75), 1.0f);
    EXPECT_NEAR(shownPosition(*layer, t0 + 0.999).x, 24.975, 1e-3);
    EXPECT_EQ(shownPosition(*layer, t0 + 1.0), (CGPoint{0, 0}));
    runUntil(t0 + 5);
    ASSERT_EQ(log.stops.size(), 1u);
    EXPECT_EQ(log.stops[0].type, "CAAnimationGroup");
    EXPECT_TRUE(layer->animationKeys().empty());
}

TEST_F(LayerAnimation, ADelegateMayStartTheNextAnimationFromItsStop) {
    auto layer = makeLayer({0, 0});
    struct Chain : CAAnimationDelegate {
        CALayer* layer;
        int stops = 0;
        void animationDidStop(CAAnimation*, bool finished) override {
            EXPECT_TRUE(finished);
            if (++stops == 3) return;
            auto next = moveTo({0, 0}, 0.1);
            next->setDelegate(this);
            layer->addAnimation(next, "k");
        }
    } chain;
    chain.layer = layer.get();
    auto a = moveTo({10, 0}, 0.1);
    a->setDelegate(&chain);
    layer->addAnimation(a, "k");
    runUntil(now() + 1);
    EXPECT_EQ(chain.stops, 3);
    EXPECT_TRUE(layer->animationKeys().empty());
}

TEST_F(LayerAnimation, TraceNamesAddedAndStoppedAnimations) {
    auto path = std::filesystem::temp_directory_path() /
                ("paddock-anim-trace-" + std::to_string(::getpid()));
    ASSERT_TRUE(Trace::open(path.string()));
    auto layer = makeLayer({0, 0});
    layer->addAnimation(moveTo({1, 1}, 0.5), "move");
    layer->addAnimation(moveTo({2, 2}, 0.5), "move");
    runUntil(now() + 1);
    Trace::close();
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    std::filesystem::remove(path);
    EXPECT_EQ(ss.str(),
              "10.0000 animation added key=move type=CABasicAnimation duration=0.5000\n"
              "10.0000 animation added key=move type=CABasicAnimation duration=0.5000\n"
              "10.0000 animation stopped key=move finished=0\n"
              "10.5000 animation stopped key=move finished=1\n");
}

}  // namespace
