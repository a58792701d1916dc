#pragma once

#include <memory>
#include <string>

#include "host/layers/cg_image.h"

struct SDL_Window;

namespace host {

// The desktop window that shows the composed frame: an SDL window whose
// pixels are written from the CPU (no GL anywhere on this path).
class SdlWindow {
  public:
    // Nothing, with the reason in `error`, when there is no display to open
    // a window on. `zoom` 0 picks the largest zoom up to 2 that fits.
    static std::unique_ptr<SdlWindow> open(const std::string& title, int widthPoints,
                                           int heightPoints, int zoom, std::string& error);
    ~SdlWindow();
    SdlWindow(const SdlWindow&) = delete;
    SdlWindow& operator=(const SdlWindow&) = delete;

    // True once another program has destroyed the window (X11).
    bool wasDestroyedElsewhere() const;
    // The picture the desktop shows for the window (title bar, task switcher).
    void setIcon(const CGImage& icon);
    int zoom() const { return zoom_; }
    // Seconds between refreshes of the display the window is on.
    double refreshInterval() const { return refreshInterval_; }
    // Copies `frame` (the window's size in pixels) to the screen. False, with
    // the reason in `error`, when the window's pixels cannot be had.
    bool present(const CGImage& frame, std::string& error);

  private:
    SdlWindow() = default;
    SDL_Window* window_ = nullptr;
    int zoom_ = 1;
    double refreshInterval_ = 1.0 / 60;
};

}  // namespace host
