#pragma once

#include <memory>
#include <string>

#include "host/views/window_backend.h"

namespace host {

// The desktop window backend: an SDL window whose pixels are written from the
// CPU (no GL anywhere on this path), with SDL's input and a wake-up event.
// SDL's types stay in sdl_window.cpp and sdl_input.cpp.
class SdlWindow : public WindowBackend {
  public:
    // Nothing, with the reason in `error`, when there is no display to open
    // a window on. `zoom` 0 picks the largest zoom up to 2 that fits.
    static std::unique_ptr<SdlWindow> open(const std::string& title, int widthPoints,
                                           int heightPoints, int zoom, std::string& error);
    // The picture the desktop shows for the window (title bar, task switcher).
    virtual void setIcon(const CGImage& icon) = 0;
};

}  // namespace host
