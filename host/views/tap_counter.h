#pragma once

#include "host/geometry/geometry.h"

namespace host {

// Counts quick taps near the same place, from event timestamps only. A touch
// that comes down at most kInterval seconds after the previous touch came
// down, at most kDistance points from where that one came down, continues
// its run of taps, provided the previous touch has lifted as a tap (ended,
// not cancelled, never further than kDistance from where it began) and no
// other finger is down. Anything else starts a new run at 1.
class TapCounter {
  public:
    static constexpr double kInterval = 0.35;
    static constexpr float kDistance = 45.0f;

    // A finger comes down; the tap count of its touch.
    int began(CGPoint point, double timestamp);
    // The finger moves: one that strays too far is dragging, not tapping.
    void moved(CGPoint point);
    // That finger lifts (or is cancelled) at `point`.
    void ended(CGPoint point, bool cancelled);
    // Forgets the run (the window lost its touches).
    void reset();

  private:
    bool havePrevious_ = false;
    bool previousWasTap_ = false;
    bool strayed_ = false;
    CGPoint previousPoint_;
    double previousTime_ = 0;
    int previousCount_ = 0;
    int fingersDown_ = 0;
};

}  // namespace host
