#include <algorithm>
#include <cstdio>

#include "host/foundation/run_loop.h"
#include "host/foundation/timer.h"
#include "host/foundation/trace.h"
#include "host/layers/layer.h"

namespace host {

static std::string describeKey(const std::string& key) { return key.empty() ? "(none)" : key; }

static void notifyStop(const std::shared_ptr<CAAnimation>& animation, const std::string& key,
                       bool finished) {
    char details[160];
    std::snprintf(details, sizeof details, "stopped key=%s finished=%d", describeKey(key).c_str(),
                  finished ? 1 : 0);
    Trace::log("animation", details);
    if (animation->delegate()) animation->delegate()->animationDidStop(animation.get(), finished);
    if (animation->stopHandler()) animation->stopHandler()(*animation, finished);
}

void CALayer::addAnimation(const std::shared_ptr<CAAnimation>& animation, const std::string& key) {
    if (!animation) return;
    auto& loop = NSRunLoop::mainRunLoop();
    const double now = loop.now();
    auto copy = animation->copy();
    copy->reportProblems();
    // Start values come from what is shown before this animation joins.
    copy->resolve(presentationValues(now));
    if (!key.empty()) removeAnimationForKey(key);

    AttachedAnimation attached;
    attached.key = key;
    attached.animation = copy;
    attached.beginTime = now;
    attached.endTime = now + copy->effectiveDuration();
    const CAAnimation* identity = copy.get();
    // The destructor invalidates this timer, so `this` is alive when it fires.
    attached.completion = NSTimer::scheduledTimerWithTimeInterval(
        copy->effectiveDuration(), [this, identity](NSTimer&) { animationDidEnd(identity); },
        false);
    animations_.push_back(std::move(attached));

    char details[200];
    std::snprintf(details, sizeof details, "added key=%s type=%s duration=%.4f",
                  describeKey(key).c_str(), copy->typeName(), copy->effectiveDuration());
    Trace::log("animation", details);
}

void CALayer::animationDidEnd(const CAAnimation* animation) {
    auto it = std::find_if(animations_.begin(), animations_.end(),
                           [animation](const auto& a) { return a.animation.get() == animation; });
    if (it == animations_.end() || it->stopped) return;
    auto keep = it->animation;
    std::string key = it->key;
    it->stopped = true;
    it->completion.reset();
    if (keep->isRemovedOnCompletion()) animations_.erase(it);
    // Last: the delegate may add or remove animations on this layer.
    notifyStop(keep, key, true);
}

void CALayer::detach(std::vector<AttachedAnimation>::iterator it) {
    auto animation = it->animation;
    std::string key = it->key;
    bool wasRunning = !it->stopped;
    if (it->completion) it->completion->invalidate();
    animations_.erase(it);
    if (!wasRunning) return;
    // Told on the next turn, so a delegate never runs inside the caller's
    // own change (a new animation replacing an old one, say).
    NSTimer::scheduledTimerWithTimeInterval(
        0, [animation, key](NSTimer&) { notifyStop(animation, key, false); }, false);
}

void CALayer::removeAnimationForKey(const std::string& key) {
    if (key.empty()) return;
    auto it = std::find_if(animations_.begin(), animations_.end(),
                           [&key](const auto& a) { return a.key == key; });
    if (it != animations_.end()) detach(it);
}

void CALayer::removeAllAnimations() {
    while (!animations_.empty()) detach(animations_.begin());
}

CAAnimation* CALayer::animationForKey(const std::string& key) const {
    if (key.empty()) return nullptr;
    for (const auto& a : animations_)
        if (a.key == key) return a.animation.get();
    return nullptr;
}

std::vector<std::string> CALayer::animationKeys() const {
    std::vector<std::string> keys;
    for (const auto& a : animations_)
        if (!a.key.empty()) keys.push_back(a.key);
    return keys;
}

CALayerAnimatedValues CALayer::presentationValues(double time) const {
    const CALayerAnimatedValues model = modelValues();
    CALayerAnimatedValues shown = model;
    for (const auto& a : animations_)
        if (!a.stopped) a.animation->apply(time - a.beginTime, model, shown);
    return shown;
}

bool CALayer::hasRunningAnimations(double time) const {
    return std::any_of(animations_.begin(), animations_.end(),
                       [time](const auto& a) { return !a.stopped && time < a.endTime; });
}

}  // namespace host
