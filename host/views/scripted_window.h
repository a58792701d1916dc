#pragma once

#include <condition_variable>
#include <deque>
#include <limits>
#include <mutex>
#include <vector>

#include "host/foundation/clock.h"
#include "host/views/window_backend.h"

namespace host {

// The window backend with no window: input events at set times on a virtual
// clock, for running the application loop in tests. A wait jumps the clock to
// its deadline or to the next event, whichever comes first; each present and
// each wait's deadline is kept.
class ScriptedWindow : public WindowBackend {
  public:
    struct Step {
        double time;
        InputEvent event;
    };
    ScriptedWindow(VirtualClock& clock, std::vector<Step> script)
        : clock_(clock), script_(script.begin(), script.end()) {}

    int zoom() const override { return 1; }
    double refreshInterval() const override { return 1.0 / 60; }
    CGImage* frameToDrawInto() override { return ownPixels.get(); }
    bool present(const CGImage& frame, std::string& error) override;
    // With nothing left to come, a wait for ever ends the run as a quit
    // would; with `blockWhenIdle` it sleeps (ten seconds at most) for wake().
    std::optional<InputEvent> waitEvent(double deadline) override;
    std::optional<InputEvent> pollEvent() override;
    void wake() override;
    bool wasDestroyedElsewhere() const override { return clock_.now() >= goneAt; }
    // True while a wait sleeps for another thread to wake it.
    bool sleeping();

    std::vector<double> presents, waits;
    // The window's own pixels to offer, if any, and each image presented.
    std::shared_ptr<CGImage> ownPixels;
    std::vector<const CGImage*> presented;
    bool failPresents = false, blockWhenIdle = false;
    double goneAt = std::numeric_limits<double>::infinity();

  private:
    std::optional<InputEvent> next();

    VirtualClock& clock_;
    std::deque<Step> script_;
    std::mutex mutex_;
    std::condition_variable wakes_;
    bool woken_ = false, sleeping_ = false;
};

}  // namespace host
