#include "host/foundation/timer.h"

#include "host/foundation/run_loop.h"

namespace host {

NSTimer::NSTimer(double interval, Action action, bool repeats)
    : interval_(interval > 0 ? interval : 0), action_(std::move(action)), repeats_(repeats) {}

std::shared_ptr<NSTimer> NSTimer::scheduledTimerWithTimeInterval(double interval, Action action,
                                                                 bool repeats) {
    auto timer = std::make_shared<NSTimer>(interval, std::move(action), repeats);
    NSRunLoop::mainRunLoop().addTimer(timer);
    return timer;
}

}  // namespace host
