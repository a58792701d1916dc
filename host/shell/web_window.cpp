#include "host/shell/web_window.h"

#include <emscripten.h>

#include <algorithm>
#include <cstdint>

#include "host/layers/cg_image.h"

// The page half: host/shell/web_shell.js.
extern "C" {
int paddock_shell_attach(int width, int height);
int paddock_shell_zoom();
int paddock_shell_next_event(double* out);
void paddock_shell_present(const unsigned char* rgba, int width, int height);
}

namespace host {

std::unique_ptr<WebWindow> WebWindow::open(int width, int height, std::string& error) {
    const int zoom = paddock_shell_zoom();
    if (!paddock_shell_attach(width * zoom, height * zoom)) {
        error = "the page has no canvas with the id \"stage\"";
        return nullptr;
    }
    return std::unique_ptr<WebWindow>(new WebWindow(zoom));
}

bool WebWindow::present(const CGImage& frame, std::string& error) {
    if (frame.format() != CGImage::Format::argb32) {
        error = "the frame is not 32-bit ARGB";
        return false;
    }
    const int w = frame.width(), h = frame.height();
    rgba_.resize(static_cast<size_t>(w) * h * 4);
    unsigned char* out = rgba_.data();
    for (int y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(frame.data() + y * frame.stride());
        for (int x = 0; x < w; ++x, out += 4) {
            const uint32_t p = row[x];
            const unsigned a = p >> 24;
            unsigned r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255;
            // Premultiplied to straight alpha, rounded.
            if (a != 255 && a != 0) {
                r = std::min(255u, (r * 255 + a / 2) / a);
                g = std::min(255u, (g * 255 + a / 2) / a);
                b = std::min(255u, (b * 255 + a / 2) / a);
            }
            out[0] = static_cast<unsigned char>(r);
            out[1] = static_cast<unsigned char>(g);
            out[2] = static_cast<unsigned char>(b);
            out[3] = static_cast<unsigned char>(a);
        }
    }
    paddock_shell_present(rgba_.data(), w, h);
    return true;
}

std::optional<InputEvent> WebWindow::waitEvent(double) { return pollEvent(); }

std::optional<InputEvent> WebWindow::pollEvent() {
    // kind (0 touch, 1 cancel all, 2 redraw), finger, phase, x, y in points,
    // timestamp in the page's milliseconds.
    double e[6];
    if (!paddock_shell_next_event(e)) return std::nullopt;
    InputEvent event;
    event.kind = e[0] == 0   ? InputEvent::Kind::Touch
                 : e[0] == 1 ? InputEvent::Kind::CancelAll
                             : InputEvent::Kind::Redraw;
    event.finger = static_cast<int>(e[1]);
    event.phase = static_cast<UITouchPhase>(static_cast<int>(e[2]));
    event.point = CGPointMake(static_cast<float>(e[3]), static_cast<float>(e[4]));
    // An event from before the page's last second is taken as a second old.
    event.age = std::clamp((turnTime_ - e[5]) / 1000.0, 0.0, 1.0);
    return event;
}

}  // namespace host
