#pragma once

#include <memory>
#include <vector>

#include "host/views/window_backend.h"

namespace host {

// The window in a browser page: the page's stage canvas. Touches and the
// mouse (finger 0) come from the canvas with their own timestamps; present
// puts the composed frame on the canvas. The loop is driven by the page's
// animation frames (web_main.cpp), so nothing here sleeps.
class WebWindow : public WindowBackend {
  public:
    // Sizes the page's canvas for a `width` x `height` point stage at the
    // device pixel ratio and listens to it. Null, with the reason in `error`,
    // when the page has no stage canvas.
    static std::unique_ptr<WebWindow> open(int width, int height, std::string& error);

    // The device pixel ratio rounded to 1, 2 or 3.
    int zoom() const override { return zoom_; }
    // Animation frames pace the loop: every turn may show a frame.
    double refreshInterval() const override { return 0; }
    bool present(const CGImage& frame, std::string& error) override;
    // Nothing sleeps in a page: the same as pollEvent.
    std::optional<InputEvent> waitEvent(double deadline) override;
    // The next event from the page, its age counted to the turn's time.
    std::optional<InputEvent> pollEvent() override;
    void wake() override {}
    bool wasDestroyedElsewhere() const override { return false; }

    // The current turn's time in the page's milliseconds (an animation
    // frame's timestamp): events' ages are counted to it.
    void setTurnTime(double milliseconds) { turnTime_ = milliseconds; }

  private:
    explicit WebWindow(int zoom) : zoom_(zoom) {}
    int zoom_;
    double turnTime_ = 0;
    // The frame as the page's ImageData wants it: RGBA, not premultiplied.
    std::vector<unsigned char> rgba_;
};

}  // namespace host
