#include "host/shell/sdl_input.h"

#include <SDL.h>

#include <algorithm>

namespace host {

std::optional<InputEvent> SdlInput::touch(int finger, UITouchPhase phase, CGPoint point) const {
    InputEvent e;
    e.kind = InputEvent::Kind::Touch;
    e.finger = finger;
    e.phase = phase;
    e.point = point;
    return e;
}

// Numbers from 1 up, the lowest free one, so traces stay readable.
int SdlInput::fingerNumber(int64_t device, int64_t finger, bool began) {
    auto key = std::make_pair(device, finger);
    if (auto it = fingers_.find(key); it != fingers_.end()) return it->second;
    if (!began) return -1;
    int number = 1;
    while (std::any_of(fingers_.begin(), fingers_.end(),
                       [number](const auto& entry) { return entry.second == number; }))
        ++number;
    fingers_[key] = number;
    return number;
}

void SdlInput::reset() {
    mouseDown_ = false;
    fingers_.clear();
}

std::optional<InputEvent> SdlInput::translate(const SDL_Event& event) {
    return translateAt(event, SDL_GetTicks());
}

std::optional<InputEvent> SdlInput::translateAt(const SDL_Event& event, uint32_t nowTicks) {
    auto e = translateKind(event);
    // SDL stamps events in milliseconds since it started; an unstamped event is new,
    // and one queued for over a second is taken as a second old.
    if (e && event.common.timestamp != 0) {
        int64_t elapsed = int64_t(nowTicks) - int64_t(event.common.timestamp);
        e->age = std::clamp(double(elapsed) / 1000.0, 0.0, 1.0);
    }
    return e;
}

std::optional<InputEvent> SdlInput::translateKind(const SDL_Event& event) {
    InputEvent e;
    switch (event.type) {
        case SDL_QUIT:
            e.kind = InputEvent::Kind::Quit;
            return e;
        case SDL_KEYDOWN:
            // Ctrl+Q closes the window like its close button.
            if (event.key.keysym.sym == SDLK_q && (event.key.keysym.mod & KMOD_CTRL)) {
                e.kind = InputEvent::Kind::Quit;
                return e;
            }
            if (event.key.keysym.sym == SDLK_r && (event.key.keysym.mod & KMOD_CTRL) &&
                !event.key.repeat) {
                e.kind = InputEvent::Kind::ToggleRecording;
                return e;
            }
            return std::nullopt;
        case SDL_WINDOWEVENT:
            switch (event.window.event) {
                case SDL_WINDOWEVENT_EXPOSED:
                case SDL_WINDOWEVENT_SIZE_CHANGED:
                case SDL_WINDOWEVENT_RESTORED:
                    e.kind = InputEvent::Kind::Redraw;
                    return e;
                case SDL_WINDOWEVENT_FOCUS_LOST:
                    if (!mouseDown_ && fingers_.empty()) return std::nullopt;
                    reset();
                    e.kind = InputEvent::Kind::CancelAll;
                    return e;
                default:
                    return std::nullopt;
            }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            const SDL_MouseButtonEvent& b = event.button;
            if (b.which == SDL_TOUCH_MOUSEID || b.button != SDL_BUTTON_LEFT) return std::nullopt;
            CGPoint p = CGPointMake(b.x / zoom_, b.y / zoom_);
            if (event.type == SDL_MOUSEBUTTONDOWN) {
                // A second press without a release in between (the release
                // went elsewhere) restarts the touch; the window cancels the old one.
                mouseDown_ = true;
                return touch(kMouseFinger, UITouchPhase::Began, p);
            }
            if (!mouseDown_) return std::nullopt;
            mouseDown_ = false;
            return touch(kMouseFinger, UITouchPhase::Ended, p);
        }
        case SDL_MOUSEMOTION: {
            const SDL_MouseMotionEvent& m = event.motion;
            if (m.which == SDL_TOUCH_MOUSEID || !mouseDown_) return std::nullopt;
            return touch(kMouseFinger, UITouchPhase::Moved, CGPointMake(m.x / zoom_, m.y / zoom_));
        }
        case SDL_FINGERDOWN:
        case SDL_FINGERMOTION:
        case SDL_FINGERUP: {
            const SDL_TouchFingerEvent& f = event.tfinger;
            if (f.touchId == SDL_MOUSE_TOUCHID) return std::nullopt;
            // Finger positions are fractions of the window.
            CGPoint p = CGPointMake(f.x * width_, f.y * height_);
            int number = fingerNumber(f.touchId, f.fingerId, event.type == SDL_FINGERDOWN);
            if (number < 0) return std::nullopt;
            if (event.type == SDL_FINGERUP) {
                fingers_.erase({f.touchId, f.fingerId});
                return touch(number, UITouchPhase::Ended, p);
            }
            return touch(number,
                         event.type == SDL_FINGERDOWN ? UITouchPhase::Began : UITouchPhase::Moved,
                         p);
        }
        default:
            if (wakeType_ != 0 && event.type == wakeType_) {
                e.kind = InputEvent::Kind::Wake;
                return e;
            }
            return std::nullopt;
    }
}

}  // namespace host
