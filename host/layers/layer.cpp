#include "host/layers/layer.h"

#include <algorithm>

#include "host/foundation/timer.h"

namespace host {

CALayer::~CALayer() {
    // Animations end with their layer, untold: their delegates may be gone too.
    for (auto& a : animations_)
        if (a.completion) a.completion->invalidate();
    for (auto& sub : sublayers_) sub->superlayer_ = nullptr;
}

CGRect CALayer::frame() const {
    return CGRectMake(position_.x - bounds_.size.width * 0.5f,
                      position_.y - bounds_.size.height * 0.5f, bounds_.size.width,
                      bounds_.size.height);
}

void CALayer::setFrame(const CGRect& frame) {
    setBounds(CGRectMake(bounds_.origin.x, bounds_.origin.y, frame.size.width, frame.size.height));
    position_ = CGPointMake(CGRectGetMidX(frame), CGRectGetMidY(frame));
}

void CALayer::addSublayer(std::shared_ptr<CALayer> layer) {
    if (!layer || layer.get() == this) return;
    layer->removeFromSuperlayer();
    layer->superlayer_ = this;
    sublayers_.push_back(std::move(layer));
}

void CALayer::removeFromSuperlayer() {
    if (!superlayer_) return;
    auto& siblings = superlayer_->sublayers_;
    // Keep this layer alive until the erase is over: the superlayer may hold the last reference.
    auto self = shared_from_this();
    std::erase_if(siblings, [this](const auto& l) { return l.get() == this; });
    superlayer_ = nullptr;
}

}  // namespace host
