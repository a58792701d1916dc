#pragma once

#include <memory>
#include <string>

#include "gl/EAGLView.h"
#include "host/foundation/thread.h"
#include "host/foundation/timer.h"
#include "host/foundation/value.h"
#include "host/layers/animation.h"
#include "host/views/view.h"
#include "host/views/view_controller.h"
#include "placard/PlacardView.h"
#include "scene/cow_scene.h"
#include "sound/AudioFX.h"

// The stage: the one full-screen view. It owns the placard, the GL view that
// covers the stage while a cow show runs, and the cow scene. A touch that began
// on the placard and ends starts a show: the placard springs back to the
// centre while a 1/90 s frame tick draws the cow, gives the boing and moo cues
// and, after the eighth floor contact, hides the GL view again.
class PaddockView : public host::UIView, public host::CAAnimationDelegate {
    struct Token {};

  public:
    // Made by the view controller from the interface file "PaddockView".
    // Nothing when the base view cannot be made from the archive.
    static std::shared_ptr<PaddockView> initWithCoder(const host::NSCoder& coder);
    PaddockView(Token, const host::CGRect& frame);
    ~PaddockView() override;

    void setUpPlacardView();

    // Touch tracking.
    void touchesBegan(const host::NSSet<host::UITouch>& touches, host::UIEvent* event) override;
    void touchesMoved(const host::NSSet<host::UITouch>& touches, host::UIEvent* event) override;
    void touchesEnded(const host::NSSet<host::UITouch>& touches, host::UIEvent* event) override;

    // Placard animations.
    void animateFirstTouchAtPoint(host::CGPoint touchPoint);
    void growAnimationDidStop(const std::string& animationID, bool finished,
                              const std::shared_ptr<host::NSValue>& context);
    void animatePlacardViewToCenter();
    void animationDidStop(host::CAAnimation* animation, bool finished) override;

    // The frame tick: draws, presents and cues one frame of a running show.
    void _renderGLScene();

    // The sound cues: a random boing, and a random moo or silence.
    void playSound();
    void playSound2();

    const std::shared_ptr<PlacardView>& placardView() const { return placardView_; }
    void setPlacardView(std::shared_ptr<PlacardView> placardView) {
        placardView_ = std::move(placardView);
    }
    const std::shared_ptr<host::NSThread>& soundPlayerThread() const { return soundPlayerThread_; }
    void setSoundPlayerThread(std::shared_ptr<host::NSThread> thread) {
        soundPlayerThread_ = std::move(thread);
    }

    // Read-only views of the state, for tests and tools.
    const std::shared_ptr<EAGLView>& glView() const { return _glView; }
    cow_scene* scene() const { return bp; }
    bool isShowRunning() const { return goCow; }
    AudioFX* boingEffect() const { return currentSoundEffect.get(); }
    AudioFX* mooEffect() const { return currentSoundEffect2.get(); }
    // The running frame timer, or nullptr between shows.
    host::NSTimer* frameTimer() const { return frameTimer_.get(); }

  private:
    std::shared_ptr<EAGLView> _glView;
    std::shared_ptr<PlacardView> placardView_;
    cow_scene* bp = nullptr;
    std::unique_ptr<AudioFX> currentSoundEffect;
    std::unique_ptr<AudioFX> currentSoundEffect2;
    // Declared and never used, as the toy always had them.
    double playtime = 0;
    BOOL goCow = NO;
    std::shared_ptr<host::NSThread> soundPlayerThread_;
    // The one frame timer: scheduled when a show starts and none runs, stopped
    // when the show ends, so repeated shows never stack up timers.
    std::shared_ptr<host::NSTimer> frameTimer_;
};
