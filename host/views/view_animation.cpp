#include <cstdio>
#include <vector>

#include "host/foundation/messages.h"
#include "host/foundation/run_loop.h"
#include "host/foundation/timer.h"
#include "host/layers/animation.h"
#include "host/views/view.h"

namespace host {

namespace {

struct Change {
    std::shared_ptr<CALayer> layer;
    const char* keyPath;
    CALayerAnimatedValues shown;
};

struct Block {
    std::string id;
    std::shared_ptr<NSValue> context;
    double duration = UIView::kDefaultAnimationDuration;
    UIViewAnimationCurve curve = UIViewAnimationCurve::EaseInOut;
    std::any delegate;
    std::function<bool(const std::any&, const std::string&, bool, const std::shared_ptr<NSValue>&)>
        selector;
    UIView::AnimationDidStop handler;
    std::vector<Change> changes;
};

// What is left of a committed block while its animations run.
struct RunningBlock {
    Block block;
    int pending = 0;
    bool allFinished = true;

    void stopped() {
        if (block.selector && block.delegate.has_value() &&
            !block.selector(block.delegate, block.id, allFinished, block.context))
            say("%s", messages::kStopSelectorWrongClass);
        if (block.handler) block.handler(block.id, allFinished, block.context);
    }
};

// Blocks nest: changes and settings go to the innermost open one.
std::vector<Block>& openBlocks() {
    static std::vector<Block> blocks;
    return blocks;
}

Block* currentBlock(const char* setting) {
    auto& blocks = openBlocks();
    if (blocks.empty()) {
        say(messages::kBlockSettingOutsideBlock, setting);
        return nullptr;
    }
    return &blocks.back();
}

const char* timingName(UIViewAnimationCurve curve) {
    switch (curve) {
        case UIViewAnimationCurve::EaseIn:
            return kCAMediaTimingFunctionEaseIn;
        case UIViewAnimationCurve::EaseOut:
            return kCAMediaTimingFunctionEaseOut;
        case UIViewAnimationCurve::Linear:
            return kCAMediaTimingFunctionLinear;
        case UIViewAnimationCurve::EaseInOut:
            break;
    }
    return kCAMediaTimingFunctionEaseInEaseOut;
}

}  // namespace

bool UIView::isInAnimationBlock() { return !openBlocks().empty(); }

void UIView::beginAnimations(const std::string& animationID, std::shared_ptr<NSValue> context) {
    Block block;
    block.id = animationID;
    block.context = std::move(context);
    openBlocks().push_back(std::move(block));
}

void UIView::setAnimationDuration(double duration) {
    if (Block* b = currentBlock("setAnimationDuration")) b->duration = duration > 0 ? duration : 0;
}

void UIView::setAnimationCurve(UIViewAnimationCurve curve) {
    if (Block* b = currentBlock("setAnimationCurve")) b->curve = curve;
}

void UIView::setAnimationDelegateErased(std::any delegate) {
    if (Block* b = currentBlock("setAnimationDelegate")) b->delegate = std::move(delegate);
}

void UIView::setAnimationDidStopSelectorErased(ErasedSelector selector) {
    if (Block* b = currentBlock("setAnimationDidStopSelector")) b->selector = std::move(selector);
}

void UIView::setAnimationDidStopHandler(AnimationDidStop handler) {
    if (Block* b = currentBlock("setAnimationDidStopHandler")) b->handler = std::move(handler);
}

void UIView::changeAnimatable(const char* keyPath, const std::function<void()>& change) {
    if (!isInAnimationBlock()) {
        change();
        return;
    }
    const CALayerAnimatedValues shown = layer_->presentationValues(NSRunLoop::mainRunLoop().now());
    change();
    auto& changes = openBlocks().back().changes;
    // Set twice in one block: it still runs from what was shown first.
    for (auto& c : changes)
        if (c.layer == layer_ && c.keyPath == keyPath) return;
    changes.push_back({layer_, keyPath, shown});
}

void UIView::commitAnimations() {
    auto& blocks = openBlocks();
    if (blocks.empty()) {
        say("%s", messages::kCommitWithoutBegin);
        return;
    }
    auto running = std::make_shared<RunningBlock>();
    running->block = std::move(blocks.back());
    blocks.pop_back();
    Block& block = running->block;
    auto changes = std::move(block.changes);
    block.changes.clear();

    // Nothing to animate, or no time to do it in: the changes stand as made.
    if (changes.empty() || block.duration <= 0) {
        NSTimer::scheduledTimerWithTimeInterval(
            0, [running](NSTimer&) { running->stopped(); }, false);
        return;
    }
    running->pending = static_cast<int>(changes.size());
    auto timing = CAMediaTimingFunction::functionWithName(timingName(block.curve));
    for (auto& change : changes) {
        auto animation = CABasicAnimation::animationWithKeyPath(change.keyPath);
        const CALayerAnimatedValues model = change.layer->modelValues();
        if (animation->drivesPosition()) {
            animation->setFromValue(NSValue::valueWithCGPoint(change.shown.position));
            animation->setToValue(NSValue::valueWithCGPoint(model.position));
        } else {
            animation->setFromValue(NSValue::valueWithCATransform3D(change.shown.transform));
            animation->setToValue(NSValue::valueWithCATransform3D(model.transform));
        }
        animation->setDuration(block.duration);
        animation->setTimingFunction(timing);
        animation->setStopHandler([running](CAAnimation&, bool finished) {
            running->allFinished = running->allFinished && finished;
            if (--running->pending == 0) running->stopped();
        });
        // Keyed by property, so animating it again replaces this animation.
        change.layer->addAnimation(animation, change.keyPath);
    }
}

}  // namespace host
