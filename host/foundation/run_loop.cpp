#include "host/foundation/run_loop.h"

#include <algorithm>
#include <cmath>

namespace host {

NSRunLoop::NSRunLoop() : clock_(&realClock_) {}

NSRunLoop& NSRunLoop::mainRunLoop() {
    static NSRunLoop loop;
    return loop;
}

std::time_t time(std::time_t* out) {
    std::time_t t = NSRunLoop::mainRunLoop().clock().wallTime();
    if (out) *out = t;
    return t;
}

void NSRunLoop::setClock(Clock* clock) { clock_ = clock ? clock : &realClock_; }

void NSRunLoop::addTimer(std::shared_ptr<NSTimer> timer) {
    timer->fireDate_ = now() + timer->interval_;
    timers_.push_back(std::move(timer));
}

void NSRunLoop::post(std::function<void()> work) {
    std::function<void()> wake;
    {
        std::lock_guard lock(postedMutex_);
        posted_.push_back(std::move(work));
        wake = wake_;
    }
    if (wake) wake();
}

void NSRunLoop::setWakeHandler(std::function<void()> wake) {
    std::lock_guard lock(postedMutex_);
    wake_ = std::move(wake);
}

void NSRunLoop::runPosted() {
    std::vector<std::function<void()>> work;
    {
        std::lock_guard lock(postedMutex_);
        work.swap(posted_);
    }
    for (auto& w : work) w();
}

void NSRunLoop::runDue() {
    runPosted();
    const double t = now();
    // Timers scheduled by an action wait for the next turn, so a zero-interval
    // timer cannot starve the loop.
    std::vector<std::shared_ptr<NSTimer>> due;
    for (auto& timer : timers_)
        if (timer->valid_ && timer->fireDate_ <= t) due.push_back(timer);
    std::stable_sort(due.begin(), due.end(),
                     [](const auto& a, const auto& b) { return a->fireDate_ < b->fireDate_; });
    for (auto& timer : due) {
        if (!timer->valid_) continue;  // invalidated by an earlier action this turn
        if (timer->repeats_ && timer->interval_ > 0) {
            // Next fire on the timer's own cadence, skipping fires already missed.
            // A missed fire that rounding puts a hair after now is this fire,
            // not the next: firing it again would bunch two ticks together.
            double missed = std::floor((t - timer->fireDate_) / timer->interval_ + 1e-6);
            timer->fireDate_ += (missed + 1) * timer->interval_;
        } else {
            timer->valid_ = false;
        }
        timer->action_(*timer);
    }
    std::erase_if(timers_, [](const auto& timer) { return !timer->valid_; });
}

double NSRunLoop::nextDueTime() {
    {
        std::lock_guard lock(postedMutex_);
        if (!posted_.empty()) return now();
    }
    double next = kNever;
    for (auto& timer : timers_)
        if (timer->valid_) next = std::min(next, timer->fireDate_);
    return next;
}

void NSRunLoop::reset() {
    timers_.clear();
    std::lock_guard lock(postedMutex_);
    posted_.clear();
}

}  // namespace host
