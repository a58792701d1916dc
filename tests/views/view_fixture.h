#pragma once

// A visible 320 x 480 window holding a full-screen stage, on a virtual clock.

#include <memory>
#include <string>
#include <vector>

#include "../layers/virtual_time.h"
#include "host/views/touch.h"
#include "host/views/window.h"

// Remembers each touch call it gets, and takes them (does not pass them up).
class RecordingView : public host::UIView {
  public:
    struct Call {
        std::string what;
        host::UIView* touchView;
        int tapCount;
        host::CGPoint location;  // in this view
    };
    using UIView::UIView;
    std::vector<Call> calls;

    void touchesBegan(const host::NSSet<host::UITouch>& t, host::UIEvent*) override {
        record("began", t);
    }
    void touchesMoved(const host::NSSet<host::UITouch>& t, host::UIEvent*) override {
        record("moved", t);
    }
    void touchesEnded(const host::NSSet<host::UITouch>& t, host::UIEvent*) override {
        record("ended", t);
    }
    void touchesCancelled(const host::NSSet<host::UITouch>& t, host::UIEvent*) override {
        record("cancelled", t);
    }

  private:
    void record(const char* what, const host::NSSet<host::UITouch>& touches) {
        host::UITouch* touch = touches.anyObject();
        calls.push_back({what, touch->view(), touch->tapCount(), touch->locationInView(this)});
    }
};

class ViewTest : public VirtualTimeTest {
  protected:
    void SetUp() override {
        VirtualTimeTest::SetUp();
        window = std::make_shared<host::UIWindow>(host::CGRectMake(0, 0, 320, 480));
        stage = std::make_shared<RecordingView>(host::CGRectMake(0, 0, 320, 480));
        window->addSubview(stage);
        window->makeKeyAndVisible();
    }
    void touch(int finger, host::UITouchPhase phase, float x, float y, double t) {
        window->sendTouch(finger, phase, {x, y}, t);
    }
    std::shared_ptr<host::UIWindow> window;
    std::shared_ptr<RecordingView> stage;
};
