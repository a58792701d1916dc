#pragma once

#include <functional>
#include <memory>

namespace host {

class NSRunLoop;

// A timer on the main run loop. The run loop keeps a scheduled timer alive
// until it is invalidated (or, for a one-shot timer, until it has fired).
class NSTimer : public std::enable_shared_from_this<NSTimer> {
  public:
    using Action = std::function<void(NSTimer&)>;

    // Schedules on the main run loop, first fire one interval from now.
    static std::shared_ptr<NSTimer> scheduledTimerWithTimeInterval(double interval, Action action,
                                                                   bool repeats);

    // Target/action form: sends `selector` to `target` on every fire.
    template <class T>
    static std::shared_ptr<NSTimer> scheduledTimerWithTimeInterval(double interval, T* target,
                                                                   void (T::*selector)(),
                                                                   bool repeats) {
        return scheduledTimerWithTimeInterval(
            interval, [target, selector](NSTimer&) { (target->*selector)(); }, repeats);
    }

    NSTimer(double interval, Action action, bool repeats);

    void invalidate() { valid_ = false; }
    bool isValid() const { return valid_; }
    double timeInterval() const { return interval_; }
    double fireDate() const { return fireDate_; }
    bool repeats() const { return repeats_; }

  private:
    friend class NSRunLoop;
    double interval_;
    Action action_;
    bool repeats_;
    bool valid_ = true;
    double fireDate_ = 0;
};

}  // namespace host
