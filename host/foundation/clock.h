#pragma once

// The run loop reads time from a clock: the real one in a window, a virtual
// one headless, which only moves when the loop jumps it to the next due event.

#include <ctime>

namespace host {

class Clock {
  public:
    virtual ~Clock() = default;
    // Seconds since an arbitrary start.
    virtual double now() const = 0;
    // The calendar time, whole seconds since 1970 (what the C library's time() says).
    virtual std::time_t wallTime() const = 0;
};

class RealClock : public Clock {
  public:
    RealClock();
    double now() const override;
    std::time_t wallTime() const override { return std::time(nullptr); }

  private:
    double start_;
};

// Its calendar time starts at `wallStart` (seconds since 1970) when now() is
// 0 and moves with it, so a run started at the same moment is the same run.
class VirtualClock : public Clock {
  public:
    explicit VirtualClock(double start = 0.0, std::time_t wallStart = 0)
        : now_(start), wallStart_(wallStart) {}
    double now() const override { return now_; }
    std::time_t wallTime() const override {
        return wallStart_ + static_cast<std::time_t>(now_);
    }
    // Time never runs backwards: an earlier time is ignored.
    void advanceTo(double t) {
        if (t > now_) now_ = t;
    }

  private:
    double now_;
    std::time_t wallStart_;
};

}  // namespace host
