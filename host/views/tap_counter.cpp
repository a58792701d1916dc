#include "host/views/tap_counter.h"

#include <cmath>

namespace host {

static float distance(CGPoint a, CGPoint b) { return std::hypot(a.x - b.x, a.y - b.y); }

int TapCounter::began(CGPoint point, double timestamp) {
    bool continues = havePrevious_ && previousWasTap_ && fingersDown_ == 0 &&
                     timestamp - previousTime_ >= 0 && timestamp - previousTime_ <= kInterval &&
                     distance(point, previousPoint_) <= kDistance;
    int count = continues ? previousCount_ + 1 : 1;
    havePrevious_ = true;
    previousWasTap_ = false;
    strayed_ = false;
    previousPoint_ = point;
    previousTime_ = timestamp;
    previousCount_ = count;
    ++fingersDown_;
    return count;
}

void TapCounter::moved(CGPoint point) {
    if (distance(point, previousPoint_) > kDistance) strayed_ = true;
}

void TapCounter::ended(CGPoint point, bool cancelled) {
    moved(point);
    if (fingersDown_ > 0) --fingersDown_;
    previousWasTap_ = !cancelled && !strayed_ && fingersDown_ == 0;
}

void TapCounter::reset() { *this = TapCounter(); }

}  // namespace host
