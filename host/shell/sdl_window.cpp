#include "host/shell/sdl_window.h"

#include <SDL.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "host/foundation/run_loop.h"
#include "host/shell/sdl_input.h"

namespace host {

static constexpr int kDefaultMaxZoom = 2;

// Another X client may destroy the window under us. Xlib's default answer to
// the errors that follow is to print them and end the process with status 1;
// they are taken instead as the window being closed.
namespace {
std::atomic<bool> xWindowGone{false};
int (*previousXErrorHandler)(Display*, XErrorEvent*) = nullptr;

int onXError(Display* display, XErrorEvent* error) {
    if (error->error_code == BadWindow || error->error_code == BadDrawable) {
        xWindowGone = true;
        return 0;
    }
    return previousXErrorHandler ? previousXErrorHandler(display, error) : 0;
}

// Installed before SDL's video starts: SDL chains to the handler it finds and
// puts it back when it stops, so late errors (SDL's own connections closing)
// still come here.
void watchForDestruction() {
    xWindowGone = false;
    auto previous = XSetErrorHandler(onXError);
    if (previous != onXError) previousXErrorHandler = previous;
}

class SdlWindowImpl final : public SdlWindow {
  public:
    SdlWindowImpl(int zoom, int widthPoints, int heightPoints)
        : zoom_(zoom), input_(static_cast<float>(zoom), widthPoints, heightPoints) {}
    ~SdlWindowImpl() override;

    int zoom() const override { return zoom_; }
    double refreshInterval() const override { return refreshInterval_; }
    CGImage* frameToDrawInto() override;
    bool present(const CGImage& frame, std::string& error) override;
    std::optional<InputEvent> waitEvent(double deadline) override;
    std::optional<InputEvent> pollEvent() override;
    void wake() override;
    bool wasDestroyedElsewhere() const override { return xWindowGone; }
    void setIcon(const CGImage& icon) override;

    SDL_Window* window_ = nullptr;
    int zoom_;
    double refreshInterval_ = 1.0 / 60;
    SdlInput input_;
    // The wake-up event's type, 0 when SDL had none to give.
    Uint32 wakeType_ = 0;
    // The window surface's pixels as an image, and what they were made from:
    // SDL makes a new surface when the window's changes require one.
    std::shared_ptr<CGImage> screenImage_;
    SDL_Surface* screenSurface_ = nullptr;
    void* screenPixels_ = nullptr;
};

// Cairo's ARGB32 is SDL's ARGB8888: 32-bit words in native byte order. A
// window of 24-bit colour (RGB888) or with alpha holds the same words.
bool holdsFrameWords(const SDL_Surface* screen) {
    const Uint32 format = screen->format->format;
    return format == SDL_PIXELFORMAT_RGB888 || format == SDL_PIXELFORMAT_ARGB8888;
}

}  // namespace

std::unique_ptr<SdlWindow> SdlWindow::open(const std::string& title, int widthPoints,
                                           int heightPoints, int zoom, std::string& error) {
    // The window's own pixels, never a GL context: the toy's GL contexts
    // must stay the only ones in the process.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // Unless a driver is asked for by name, only a desktop display will do:
    // SDL would otherwise settle for a driver that shows nothing.
    const char* requested = std::getenv("SDL_VIDEODRIVER");
    const bool chosen = requested && *requested;
    if (!chosen) {
        const bool x11 = std::getenv("DISPLAY"), wayland = std::getenv("WAYLAND_DISPLAY");
        if (!x11 && !wayland) {
            error = "neither DISPLAY nor WAYLAND_DISPLAY is set";
            return nullptr;
        }
        SDL_SetHint(SDL_HINT_VIDEODRIVER, x11 && wayland ? "x11,wayland" : x11 ? "x11" : "wayland");
    }
    watchForDestruction();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        error = SDL_GetError();
        return nullptr;
    }
    const std::string driver = SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "";
    if (!chosen && (driver == "offscreen" || driver == "dummy")) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        error = "SDL found only its " + driver + " driver";
        return nullptr;
    }
    if (zoom <= 0) {
        SDL_Rect usable;
        zoom = 1;
        if (SDL_GetDisplayUsableBounds(0, &usable) == 0)
            while (zoom < kDefaultMaxZoom && widthPoints * (zoom + 1) <= usable.w &&
                   heightPoints * (zoom + 1) <= usable.h)
                ++zoom;
    }
    auto w = std::make_unique<SdlWindowImpl>(zoom, widthPoints, heightPoints);
    w->window_ = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                  widthPoints * zoom, heightPoints * zoom, SDL_WINDOW_SHOWN);
    if (!w->window_) {
        error = SDL_GetError();
        return nullptr;
    }
    SDL_DisplayMode mode;
    int display = SDL_GetWindowDisplayIndex(w->window_);
    if (display >= 0 && SDL_GetCurrentDisplayMode(display, &mode) == 0 && mode.refresh_rate > 0)
        w->refreshInterval_ = 1.0 / mode.refresh_rate;
    const Uint32 wakeType = SDL_RegisterEvents(1);
    if (wakeType != static_cast<Uint32>(-1)) {
        w->wakeType_ = wakeType;
        w->input_.setWakeEventType(wakeType);
    }
    return w;
}

SdlWindowImpl::~SdlWindowImpl() {
    screenImage_.reset();  // before the pixels it lies over go
    if (window_) SDL_DestroyWindow(window_);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void SdlWindowImpl::setIcon(const CGImage& icon) {
    // SDL wants straight alpha; the image holds premultiplied pixels.
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, icon.width(), icon.height(), 32,
                                                          SDL_PIXELFORMAT_ARGB8888);
    if (!surface) return;
    for (int y = 0; y < icon.height(); ++y) {
        auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(surface->pixels) +
                                                y * surface->pitch);
        for (int x = 0; x < icon.width(); ++x) {
            uint32_t p = icon.pixel(x, y), a = p >> 24;
            auto straight = [&](int shift) {
                return a ? ((p >> shift & 0xFF) * 255 + a / 2) / a : 0;
            };
            row[x] = a << 24 | straight(16) << 16 | straight(8) << 8 | straight(0);
        }
    }
    SDL_SetWindowIcon(window_, surface);
    SDL_FreeSurface(surface);
}

CGImage* SdlWindowImpl::frameToDrawInto() {
    SDL_Surface* screen = SDL_GetWindowSurface(window_);
    if (!screen || !holdsFrameWords(screen) || SDL_MUSTLOCK(screen) ||
        screen->pitch != screen->w * 4) {
        screenImage_.reset();
        return nullptr;
    }
    if (!screenImage_ || screen != screenSurface_ || screen->pixels != screenPixels_ ||
        screenImage_->width() != screen->w || screenImage_->height() != screen->h) {
        screenImage_ = CGImage::borrow(static_cast<uint8_t*>(screen->pixels), screen->w, screen->h);
        screenSurface_ = screen;
        screenPixels_ = screen->pixels;
    }
    return screenImage_.get();
}

bool SdlWindowImpl::present(const CGImage& frame, std::string& error) {
    SDL_Surface* screen = SDL_GetWindowSurface(window_);
    if (!screen) {
        error = SDL_GetError();
        return false;
    }
    // Composed in the window's own pixels: only the showing is left.
    if (&frame == screenImage_.get() && screen == screenSurface_ &&
        screen->pixels == screenPixels_) {
        if (SDL_UpdateWindowSurface(window_) != 0) {
            error = SDL_GetError();
            return false;
        }
        return true;
    }
    // Otherwise the frame is copied row by row; SDL's general blit would
    // convert each pixel, a fifth of the program's time during a show.
    if (holdsFrameWords(screen) && screen->w == frame.width() && screen->h == frame.height()) {
        if (SDL_MUSTLOCK(screen) && SDL_LockSurface(screen) != 0) {
            error = SDL_GetError();
            return false;
        }
        const uint8_t* from = frame.data();
        auto* to = static_cast<uint8_t*>(screen->pixels);
        const size_t rowBytes = static_cast<size_t>(frame.width()) * 4;
        for (int y = 0; y < frame.height(); ++y)
            std::memcpy(to + static_cast<size_t>(y) * screen->pitch,
                        from + static_cast<size_t>(y) * frame.stride(), rowBytes);
        if (SDL_MUSTLOCK(screen)) SDL_UnlockSurface(screen);
        if (SDL_UpdateWindowSurface(window_) != 0) {
            error = SDL_GetError();
            return false;
        }
        return true;
    }
    SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<uint8_t*>(frame.data()), frame.width(), frame.height(), 32, frame.stride(),
        SDL_PIXELFORMAT_ARGB8888);
    if (!source) {
        error = SDL_GetError();
        return false;
    }
    SDL_SetSurfaceBlendMode(source, SDL_BLENDMODE_NONE);
    int rc = SDL_BlitSurface(source, nullptr, screen, nullptr);
    SDL_FreeSurface(source);
    if (rc != 0 || SDL_UpdateWindowSurface(window_) != 0) {
        error = SDL_GetError();
        return false;
    }
    return true;
}

std::optional<InputEvent> SdlWindowImpl::waitEvent(double deadline) {
    SDL_Event event;
    int got;
    if (deadline == NSRunLoop::kNever) {
        got = SDL_WaitEvent(&event);
    } else {
        double ms = std::ceil((deadline - NSRunLoop::mainRunLoop().now()) * 1000.0);
        got = SDL_WaitEventTimeout(&event, static_cast<int>(std::clamp(ms, 0.0, 1e6)));
    }
    if (!got) return std::nullopt;
    if (auto e = input_.translate(event)) return e;
    return pollEvent();
}

std::optional<InputEvent> SdlWindowImpl::pollEvent() {
    SDL_Event event;
    while (SDL_PollEvent(&event))
        if (auto e = input_.translate(event)) return e;
    return std::nullopt;
}

void SdlWindowImpl::wake() {
    if (wakeType_ == 0) return;
    SDL_Event e{};
    e.type = wakeType_;
    SDL_PushEvent(&e);
}

}  // namespace host
