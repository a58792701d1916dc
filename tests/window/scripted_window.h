#pragma once

// A window backend for tests: input events at set times on a virtual clock.
// A wait jumps the clock to its deadline or to the next event, whichever
// comes first; each present is kept with its time.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

#include "host/foundation/clock.h"
#include "host/foundation/run_loop.h"
#include "host/views/window_backend.h"

class ScriptedWindow : public host::WindowBackend {
  public:
    struct Step {
        double time;
        host::InputEvent event;
    };
    ScriptedWindow(host::VirtualClock& clock, std::vector<Step> script)
        : clock_(clock), script_(script.begin(), script.end()) {}

    int zoom() const override { return 1; }
    double refreshInterval() const override { return 1.0 / 60; }
    bool present(const host::CGImage&, std::string& error) override {
        presents.push_back(clock_.now());
        if (failPresents) error = "the surface is lost";
        return !failPresents;
    }
    std::optional<host::InputEvent> waitEvent(double deadline) override {
        std::unique_lock lock(mutex_);
        waits.push_back(deadline);
        if (!woken_ && (script_.empty() || script_.front().time > deadline)) {
            if (deadline != host::NSRunLoop::kNever) {
                clock_.advanceTo(deadline);
                return std::nullopt;
            }
            // With nothing left to come the run ends, as if the user quit;
            // unless another thread is to wake it (for ten seconds at most).
            sleeping_ = blockWhenIdle;
            if (!blockWhenIdle ||
                !woken_changed_.wait_for(lock, std::chrono::seconds(10), [this] { return woken_; }))
                return only(host::InputEvent::Kind::Quit);
            sleeping_ = false;
        }
        if (!woken_) clock_.advanceTo(script_.front().time);
        return next();
    }
    std::optional<host::InputEvent> pollEvent() override {
        std::lock_guard lock(mutex_);
        if (woken_ || (!script_.empty() && script_.front().time <= clock_.now())) return next();
        return std::nullopt;
    }
    void wake() override {
        std::lock_guard lock(mutex_);
        woken_ = true;
        woken_changed_.notify_all();
    }
    bool wasDestroyedElsewhere() const override { return clock_.now() >= goneAt; }
    // True while a wait sleeps for real, for another thread to wake it.
    bool sleeping() {
        std::lock_guard lock(mutex_);
        return sleeping_;
    }

    std::vector<double> presents, waits;
    bool failPresents = false, blockWhenIdle = false;
    double goneAt = host::NSRunLoop::kNever;

  private:
    static host::InputEvent only(host::InputEvent::Kind kind) {
        host::InputEvent e;
        e.kind = kind;
        return e;
    }
    std::optional<host::InputEvent> next() {
        if (std::exchange(woken_, false)) return only(host::InputEvent::Kind::Wake);
        host::InputEvent e = script_.front().event;
        script_.pop_front();
        return e;
    }
    host::VirtualClock& clock_;
    std::deque<Step> script_;
    std::mutex mutex_;
    std::condition_variable woken_changed_;
    bool woken_ = false, sleeping_ = false;
};
