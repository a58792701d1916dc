#pragma once

// The run loop reads time from a clock: the real one in a window, a virtual
// one headless, which only moves when the loop jumps it to the next due event.

namespace host {

class Clock {
  public:
    virtual ~Clock() = default;
    // Seconds since an arbitrary start.
    virtual double now() const = 0;
};

class RealClock : public Clock {
  public:
    RealClock();
    double now() const override;

  private:
    double start_;
};

class VirtualClock : public Clock {
  public:
    explicit VirtualClock(double start = 0.0) : now_(start) {}
    double now() const override { return now_; }
    // Time never runs backwards: an earlier time is ignored.
    void advanceTo(double t) {
        if (t > now_) now_ = t;
    }

  private:
    double now_;
};

}  // namespace host
