#include <vector>

#include "host/views/view.h"

namespace host {

// The layer's transform applies about the centre of the bounds, which sits at
// `center` in the superview.
CGPoint UIView::convertPointFromSuperview(CGPoint p) const {
    const CGRect b = bounds();
    CGAffineTransform inverse = CGAffineTransformInvert(transform());
    CGPoint c = center();
    CGPoint q = CGPointApplyAffineTransform({p.x - c.x, p.y - c.y}, inverse);
    return {q.x + CGRectGetMidX(b), q.y + CGRectGetMidY(b)};
}

CGPoint UIView::convertPointToSuperview(CGPoint p) const {
    const CGRect b = bounds();
    CGPoint q =
        CGPointApplyAffineTransform({p.x - CGRectGetMidX(b), p.y - CGRectGetMidY(b)}, transform());
    CGPoint c = center();
    return {q.x + c.x, q.y + c.y};
}

CGPoint UIView::convertPoint(CGPoint point, const UIView* fromView) const {
    // Up from `fromView` to its root, whose coordinates stand for the window's.
    for (const UIView* v = fromView; v && v->superview(); v = v->superview())
        point = v->convertPointToSuperview(point);
    std::vector<const UIView*> chain;
    for (const UIView* v = this; v->superview(); v = v->superview()) chain.push_back(v);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        point = (*it)->convertPointFromSuperview(point);
    return point;
}

CGPoint UIView::convertPointToView(CGPoint point, const UIView* toView) const {
    if (toView) return toView->convertPoint(point, this);
    for (const UIView* v = this; v->superview(); v = v->superview())
        point = v->convertPointToSuperview(point);
    return point;
}

bool UIView::pointInside(CGPoint point, UIEvent*) const {
    return CGRectContainsPoint(bounds(), point);
}

UIView* UIView::hitTest(CGPoint point, UIEvent* event) {
    if (isHidden() || !isUserInteractionEnabled() || !pointInside(point, event)) return nullptr;
    // A copy: a subview's hitTest: override may change the list.
    auto subviews = subviews_;
    for (auto it = subviews.rbegin(); it != subviews.rend(); ++it) {
        UIView* sub = it->get();
        // A view scaled to nothing covers nothing.
        const CGAffineTransform t = sub->transform();
        if (t.a * t.d - t.b * t.c == 0) continue;
        if (UIView* hit = sub->hitTest(sub->convertPointFromSuperview(point), event)) return hit;
    }
    return this;
}

}  // namespace host
