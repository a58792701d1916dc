#pragma once

#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <vector>

#include "host/foundation/clock.h"
#include "host/foundation/timer.h"

namespace host {

// The one thread's run loop: timers and work posted from other threads.
// It does not block by itself; the shell drives it (sleeping on the window's
// events, or jumping a virtual clock) by asking when the next event is due.
class NSRunLoop {
  public:
    static constexpr double kNever = std::numeric_limits<double>::infinity();

    static NSRunLoop& mainRunLoop();

    // The clock is not owned; it must outlive its use. A RealClock by default.
    void setClock(Clock* clock);
    Clock& clock() const { return *clock_; }
    double now() const { return clock_->now(); }

    // First fire one interval after now.
    void addTimer(std::shared_ptr<NSTimer> timer);

    // Thread-safe: runs `work` on the loop's thread at its next turn.
    void post(std::function<void()> work);
    // Called (on the posting thread) after every post, so a sleeping loop can wake.
    void setWakeHandler(std::function<void()> wake);

    // Runs posted work, then every timer due at now(), in fire-date order. A
    // repeating timer that fell behind fires once and then keeps its cadence.
    void runDue();
    // The earliest time something is due: now() when work is posted, kNever
    // when nothing is scheduled.
    double nextDueTime();

    // Drops every timer and posted work (for tests and shutdown).
    void reset();

  private:
    NSRunLoop();
    void runPosted();

    RealClock realClock_;
    Clock* clock_;
    std::vector<std::shared_ptr<NSTimer>> timers_;
    std::mutex postedMutex_;
    std::vector<std::function<void()>> posted_;
    std::function<void()> wake_;
};

// The C library's time(), read from the main run loop's clock: in a headless
// run it follows the virtual clock, so a seed taken from it repeats.
std::time_t time(std::time_t* out);

}  // namespace host
