#include "host/foundation/clock.h"

#include <chrono>

namespace host {

static double steadySeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

RealClock::RealClock() : start_(steadySeconds()) {}

double RealClock::now() const { return steadySeconds() - start_; }

}  // namespace host
