#pragma once

// A visible 320 x 480 window holding a full-screen stage, on a virtual clock.

#include <memory>
#include <string>
#include <vector>

#include "host/views/touch.h"
#include "host/views/window.h"
#include "tests/support/host_support.h"

// Remembers each touch call it gets, and takes them (does not pass them up).
class RecordingView : public host::UIView {
    using Touches = host::NSSet<host::UITouch>;

  public:
    struct Call {
        std::string what;
        host::UIView* touchView;
        int tapCount;
        host::CGPoint location;  // in this view
    };
    using UIView::UIView;
    std::vector<Call> calls;

    void touchesBegan(const Touches& t, host::UIEvent*) override { record("began", t); }
    void touchesMoved(const Touches& t, host::UIEvent*) override { record("moved", t); }
    void touchesEnded(const Touches& t, host::UIEvent*) override { record("ended", t); }
    void touchesCancelled(const Touches& t, host::UIEvent*) override { record("cancelled", t); }
    // The phases received, in order: "began moved ended".
    std::string phases() const {
        std::string out;
        for (const auto& c : calls) out += (out.empty() ? "" : " ") + c.what;
        return out;
    }

  private:
    void record(const char* what, const Touches& touches) {
        host::UITouch* touch = touches.anyObject();
        calls.push_back({what, touch->view(), touch->tapCount(), touch->locationInView(this)});
    }
};

class ViewTest : public testsupport::VirtualLoopTest {
  protected:
    void SetUp() override {
        VirtualLoopTest::SetUp();
        window->addSubview(stage);
        window->makeKeyAndVisible();
    }
    void touch(int finger, host::UITouchPhase phase, float x, float y, double t) {
        window->sendTouch(finger, phase, {x, y}, t);
    }
    std::shared_ptr<host::UIWindow> window =
        std::make_shared<host::UIWindow>(host::CGRectMake(0, 0, 320, 480));
    std::shared_ptr<RecordingView> stage =
        std::make_shared<RecordingView>(host::CGRectMake(0, 0, 320, 480));
};
