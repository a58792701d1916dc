#include "host/views/scripted_window.h"

#include <chrono>
#include <utility>

#include "host/foundation/run_loop.h"

namespace host {

static InputEvent only(InputEvent::Kind kind) {
    InputEvent e;
    e.kind = kind;
    return e;
}

bool ScriptedWindow::present(const CGImage& frame, std::string& error) {
    presents.push_back(clock_.now());
    presented.push_back(&frame);
    if (failPresents) error = "the surface is lost";
    return !failPresents;
}

std::optional<InputEvent> ScriptedWindow::waitEvent(double deadline) {
    std::unique_lock lock(mutex_);
    waits.push_back(deadline);
    if (!woken_ && (script_.empty() || script_.front().time > deadline)) {
        if (deadline != NSRunLoop::kNever) {
            clock_.advanceTo(deadline);
            return std::nullopt;
        }
        sleeping_ = blockWhenIdle;
        if (!blockWhenIdle ||
            !wakes_.wait_for(lock, std::chrono::seconds(10), [this] { return woken_; }))
            return only(InputEvent::Kind::Quit);
        sleeping_ = false;
    }
    if (!woken_) clock_.advanceTo(script_.front().time);
    return next();
}

std::optional<InputEvent> ScriptedWindow::pollEvent() {
    std::lock_guard lock(mutex_);
    if (woken_ || (!script_.empty() && script_.front().time <= clock_.now())) return next();
    return std::nullopt;
}

void ScriptedWindow::wake() {
    std::lock_guard lock(mutex_);
    woken_ = true;
    wakes_.notify_all();
}

bool ScriptedWindow::sleeping() {
    std::lock_guard lock(mutex_);
    return sleeping_;
}

std::optional<InputEvent> ScriptedWindow::next() {
    if (std::exchange(woken_, false)) return only(InputEvent::Kind::Wake);
    InputEvent e = script_.front().event;
    script_.pop_front();
    return e;
}

}  // namespace host
