#pragma once

#include <any>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/foundation/set.h"
#include "host/foundation/value.h"
#include "host/geometry/geometry.h"
#include "host/layers/layer.h"

namespace host {

class UITouch;
class UIEvent;
class UIWindow;

enum class UIViewAnimationCurve { EaseInOut, EaseIn, EaseOut, Linear };

// A rectangle on screen, backed by a layer that holds its geometry. Views live
// in shared pointers: a superview owns its subviews.
class UIView : public std::enable_shared_from_this<UIView> {
  public:
    // initWithFrame:. A subclass that wants another kind of layer passes one
    // made by its own layerClass().
    explicit UIView(const CGRect& frame, std::shared_ptr<CALayer> layer = nullptr);
    virtual ~UIView();
    UIView(const UIView&) = delete;
    UIView& operator=(const UIView&) = delete;

    static std::shared_ptr<CALayer> layerClass() { return std::make_shared<CALayer>(); }
    CALayer& layer() const { return *layer_; }
    const std::shared_ptr<CALayer>& layerPtr() const { return layer_; }

    // Geometry, kept in the layer (model values). Inside an animation block,
    // changes of the centre and the transform animate from what is shown.
    CGRect frame() const;
    void setFrame(const CGRect& frame);
    CGRect bounds() const { return layer_->bounds(); }
    void setBounds(const CGRect& bounds);
    // In the superview's coordinates.
    CGPoint center() const { return layer_->position(); }
    void setCenter(CGPoint center);
    // Applied about the centre.
    CGAffineTransform transform() const;
    void setTransform(const CGAffineTransform& transform);

    bool isHidden() const { return layer_->isHidden(); }
    // A change is traced as "view shown" / "view hidden".
    void setHidden(bool hidden);
    bool isOpaque() const { return layer_->isOpaque(); }
    void setOpaque(bool opaque) { layer_->setOpaque(opaque); }
    // Off: neither this view nor its subviews receive touches. A change is
    // traced as "view interaction on" / "view interaction off".
    bool isUserInteractionEnabled() const { return userInteractionEnabled_; }
    void setUserInteractionEnabled(bool enabled);

    UIView* superview() const { return superview_; }
    const std::vector<std::shared_ptr<UIView>>& subviews() const { return subviews_; }
    // Later subviews lie above earlier ones.
    void addSubview(std::shared_ptr<UIView> view);
    void removeFromSuperview();
    // The window at the root of this view's tree, if the root is one.
    UIWindow* window() const;
    // The class name without namespace, for traces and messages.
    std::string className() const;

    // Asks for drawRect: before the next composition.
    void setNeedsDisplay() { needsDisplay_ = true; }
    bool needsDisplay() const { return needsDisplay_; }
    // Runs drawRect: into a fresh backing image the size of the bounds, which
    // becomes the layer's contents, if a redraw was asked for.
    void displayIfNeeded();
    // Draws into the current graphics context (UIGraphicsGetCurrentContext),
    // whose origin is the bounds' top left. The base draws nothing.
    virtual void drawRect(const CGRect& rect);

    void setNeedsLayout() { needsLayout_ = true; }
    void layoutIfNeeded();
    virtual void layoutSubviews() {}

    // Coordinates, from model values. A null view stands for the window
    // (the root of the tree).
    CGPoint convertPointFromSuperview(CGPoint point) const;
    CGPoint convertPointToSuperview(CGPoint point) const;
    CGPoint convertPoint(CGPoint point, const UIView* fromView) const;
    CGPoint convertPointToView(CGPoint point, const UIView* toView) const;

    // Hit testing: the deepest visible, interactive view under `point` (in this
    // view's coordinates), later subviews first; nullptr if none.
    virtual UIView* hitTest(CGPoint point, UIEvent* event);
    virtual bool pointInside(CGPoint point, UIEvent* event) const;

    // Responder chain: a view that does not handle touches passes them on to
    // its superview, so they reach the first view up the chain that does.
    UIView* nextResponder() const { return superview_; }
    virtual void touchesBegan(const NSSet<UITouch>& touches, UIEvent* event);
    virtual void touchesMoved(const NSSet<UITouch>& touches, UIEvent* event);
    virtual void touchesEnded(const NSSet<UITouch>& touches, UIEvent* event);
    virtual void touchesCancelled(const NSSet<UITouch>& touches, UIEvent* event);

    // Animation blocks. Between begin and commit, centre and transform changes
    // are recorded; commit animates each from the value shown when it was
    // changed to its new model value, over the block's duration (0.2 s unless
    // set) with the block's curve (ease-in-out unless set). A property that is
    // animated again replaces the running animation, which stops unfinished.
    // When all of a block's animations have stopped, the did-stop selector is
    // sent to the delegate with the identifier, whether all finished, and the
    // context; a block that animated nothing reports on the next turn.
    static constexpr double kDefaultAnimationDuration = 0.2;
    using AnimationDidStop = std::function<void(const std::string& animationID, bool finished,
                                                const std::shared_ptr<NSValue>& context)>;
    static void beginAnimations(const std::string& animationID,
                                std::shared_ptr<NSValue> context = nullptr);
    static void beginAnimations(std::nullptr_t, std::shared_ptr<NSValue> context = nullptr) {
        beginAnimations(std::string(), std::move(context));
    }
    static void setAnimationDuration(double duration);
    static void setAnimationCurve(UIViewAnimationCurve curve);
    // Not owned: it must outlive the block's animations.
    template <class T>
    static void setAnimationDelegate(T* delegate) {
        setAnimationDelegateErased(delegate ? std::any(delegate) : std::any());
    }
    // A member function of the delegate's class taking (identifier, finished,
    // context), as the platform's selector does.
    template <class C, class... Args>
    static void setAnimationDidStopSelector(void (C::*selector)(Args...)) {
        setAnimationDidStopSelectorErased([selector](const std::any& delegate,
                                                     const std::string& id, bool finished,
                                                     const std::shared_ptr<NSValue>& context) {
            auto target = std::any_cast<C*>(&delegate);
            if (!target) return false;
            ((*target)->*selector)(id, finished, context);
            return true;
        });
    }
    // The same with a plain callable, which needs no delegate.
    static void setAnimationDidStopHandler(AnimationDidStop handler);
    static void commitAnimations();
    // True between beginAnimations and its commitAnimations.
    static bool isInAnimationBlock();

  private:
    using ErasedSelector = std::function<bool(const std::any&, const std::string&, bool,
                                              const std::shared_ptr<NSValue>&)>;
    static void setAnimationDelegateErased(std::any delegate);
    static void setAnimationDidStopSelectorErased(ErasedSelector selector);
    // Runs `change` to the layer's model; inside an animation block, records it
    // as a change of `keyPath` from what the layer showed just before.
    void changeAnimatable(const char* keyPath, const std::function<void()>& change);

    std::shared_ptr<CALayer> layer_;
    UIView* superview_ = nullptr;
    std::vector<std::shared_ptr<UIView>> subviews_;
    bool userInteractionEnabled_ = true;
    bool needsDisplay_ = false;
    bool needsLayout_ = true;
};

}  // namespace host
