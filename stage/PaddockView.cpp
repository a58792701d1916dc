#include "stage/PaddockView.h"

#include <cstdio>
#include <cstdlib>

#include "host/foundation/messages.h"
#include "host/foundation/run_loop.h"
#include "host/foundation/trace.h"
#include "host/geometry/path.h"
#include "host/layers/timing_function.h"
#include "host/views/screen.h"
#include "host/views/touch.h"
#include "sound/SoundCue.h"
#include "stage/CowShow.h"

using namespace host;

static const UIViewClassRegistration registration("PaddockView", &PaddockView::initWithCoder);

// One tick of the show: 1/90 s.
static constexpr double kFrameInterval = 1.0 / 90.0;

PaddockView::PaddockView(Token, const CGRect& frame) : UIView(frame) {}

std::shared_ptr<PaddockView> PaddockView::initWithCoder(const NSCoder& coder) {
    std::optional<CGRect> frame = coder.decodeFrame();
    if (!frame) return nullptr;
    auto self = std::make_shared<PaddockView>(Token{}, *frame);

    self->setUpPlacardView();

    CGRect bounds = UIScreen::mainScreen().bounds();
    self->_glView = EAGLView::initWithFrame(bounds, kEAGLColorFormatRGB565);
    if (self->_glView) {
        self->addSubview(self->_glView);
        self->_glView->setHidden(YES);
    }

    std::srand(static_cast<unsigned>(host::time(nullptr)));
    self->bp = CowShow::makeScene(static_cast<int>(bounds.size.width),
                                  static_cast<int>(bounds.size.height));
    return self;
}

void PaddockView::setUpPlacardView() {
    setPlacardView(PlacardView::init());
    // Without its picture there is no placard; the stage goes on without one.
    if (!placardView_) return;
    placardView_->setCenter(center());
    addSubview(placardView_);
}

PaddockView::~PaddockView() {
    placardView_.reset();
    // The frame timer targets this stage, so it stops with it (the placard's
    // animations, whose delegate is the stage, go with the placard's layer).
    // The scene record is ours alone.
    if (frameTimer_) frameTimer_->invalidate();
    if (bp) free_cow_scene(bp);
}

// Touch tracking

void PaddockView::touchesBegan(const NSSet<UITouch>& touches, UIEvent*) {
    UITouch* touch = touches.anyObject();
    if (!touch) return;
    cowreset2 = YES;
    if (placardView_ && touch->view() == placardView_.get()) {
        animateFirstTouchAtPoint(touch->locationInView(this));
        return;
    }
    if (touch->tapCount() == 2 && placardView_) placardView_->setupNextDisplayString();
}

void PaddockView::touchesMoved(const NSSet<UITouch>& touches, UIEvent*) {
    UITouch* touch = touches.anyObject();
    if (touch && placardView_ && touch->view() == placardView_.get())
        placardView_->setCenter(touch->locationInView(this));
}

void PaddockView::touchesEnded(const NSSet<UITouch>& touches, UIEvent*) {
    UITouch* touch = touches.anyObject();
    CGRect bounds = UIScreen::mainScreen().bounds();
    if (!touch || !placardView_ || touch->view() != placardView_.get()) return;

    if (_glView) {
        _glView->setHidden(NO);
        goCow = YES;
        Trace::log("show", "start");
        CowShow::start(bp, static_cast<int>(bounds.size.width),
                       static_cast<int>(bounds.size.height));
        playSound2();
        // A second placard touch ending while a show runs restarts the show on
        // the timer already running: one tick per 1/90 s, never two.
        if (!frameTimer_)
            frameTimer_ = NSTimer::scheduledTimerWithTimeInterval(
                kFrameInterval, this, &PaddockView::_renderGLScene, true);
    } else {
        // Without GL there is no show to draw (the context's creation said
        // why); the placard still springs back.
        static bool said = false;
        if (!said) std::printf("%s", toy::messages::kNoShowWithoutGL);
        said = true;
        Trace::log("show", "skipped: no GL view");
    }
    setUserInteractionEnabled(NO);
    animatePlacardViewToCenter();
}

// Placard animations

void PaddockView::animateFirstTouchAtPoint(CGPoint touchPoint) {
    std::shared_ptr<NSValue> touchPointValue = NSValue::valueWithCGPoint(touchPoint);
    UIView::beginAnimations(nullptr, touchPointValue);
    UIView::setAnimationDuration(0.15);
    UIView::setAnimationDelegate(this);
    UIView::setAnimationDidStopSelector(&PaddockView::growAnimationDidStop);
    placardView_->setTransform(CGAffineTransformMakeScale(1.2f, 1.2f));
    UIView::commitAnimations();
}

void PaddockView::growAnimationDidStop(const std::string&, bool,
                                       const std::shared_ptr<NSValue>& context) {
    UIView::beginAnimations(nullptr);
    UIView::setAnimationDuration(0.15);
    placardView_->setTransform(CGAffineTransformMakeScale(1.1f, 1.1f));
    if (context) placardView_->setCenter(context->CGPointValue());
    UIView::commitAnimations();
}

void PaddockView::animatePlacardViewToCenter() {
    CALayer& welcomeLayer = placardView_->layer();

    auto bounceAnimation = CAKeyframeAnimation::animationWithKeyPath("position");
    bounceAnimation->setRemovedOnCompletion(NO);

    CGPoint viewCenter = center();
    CGPoint placardCenter = placardView_->center();
    float displacementX = placardCenter.x - viewCenter.x;
    float displacementY = placardCenter.y - viewCenter.y;

    CGMutablePathRef thePath = CGPathCreateMutable();
    CGPathMoveToPoint(thePath, nullptr, placardCenter.x, placardCenter.y);
    CGPathAddLineToPoint(thePath, nullptr, viewCenter.x, viewCenter.y);

    // Each bounce peaks a quarter, an eighth, a twelfth... of the way back
    // out, until the next one would be within 5 points either way.
    float offsetDivider = 4.0f;
    float animationDuration = 1.5f;
    bool stopBouncing = false;
    do {
        CGPathAddLineToPoint(thePath, nullptr, viewCenter.x + displacementX / offsetDivider,
                             viewCenter.y + displacementY / offsetDivider);
        CGPathAddLineToPoint(thePath, nullptr, viewCenter.x, viewCenter.y);
        offsetDivider += 4.0f;
        animationDuration += 1.0f / offsetDivider;
        if (std::abs(static_cast<int>(displacementX / offsetDivider)) <= 5 &&
            std::abs(static_cast<int>(displacementY / offsetDivider)) <= 5)
            stopBouncing = true;
    } while (!stopBouncing);

    bounceAnimation->setPath(thePath);
    bounceAnimation->setDuration(animationDuration);

    auto transformAnimation = CABasicAnimation::animationWithKeyPath("transform");
    transformAnimation->setRemovedOnCompletion(YES);
    transformAnimation->setDuration(animationDuration);
    transformAnimation->setToValue(NSValue::valueWithCATransform3D(CATransform3DIdentity));

    auto theGroup = CAAnimationGroup::animation();
    theGroup->setDelegate(this);
    theGroup->setDuration(animationDuration);
    theGroup->setTimingFunction(
        CAMediaTimingFunction::functionWithName(kCAMediaTimingFunctionEaseIn));
    theGroup->setAnimations({bounceAnimation, transformAnimation});

    welcomeLayer.addAnimation(theGroup, "animatePlacardViewToCenter");

    placardView_->setCenter(viewCenter);
    placardView_->setTransform(CGAffineTransformIdentity);
}

void PaddockView::animationDidStop(CAAnimation*, bool) {
    placardView_->setTransform(CGAffineTransformIdentity);
    setUserInteractionEnabled(YES);
}

// The frame tick

void PaddockView::_renderGLScene() {
    if (!goCow) return;

    CowShow::drawFrame(bp, _glView.get());

    if (cowreset) {
        playSound();
        cowreset = NO;
    }
    if (cowreset2) {
        playSound2();
        cowreset2 = NO;
    }

    if (CowShow::isOver()) {
        if (_glView) _glView->setHidden(YES);
        goCow = NO;
        Trace::log("show", "end");
        frameTimer_->invalidate();
        frameTimer_.reset();
    }
}

// Sound cues

void PaddockView::playSound() { SoundCue::boing().give(currentSoundEffect, std::rand()); }

void PaddockView::playSound2() { SoundCue::moo().give(currentSoundEffect2, std::rand()); }
