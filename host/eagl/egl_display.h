#pragma once

#include <EGL/egl.h>

#include <string>

namespace host {

// The process's EGL display for GL ES contexts without a window, opened once:
// Mesa's surfaceless platform where it exists, otherwise an EGL device, otherwise
// the default display (whose contexts then need a pbuffer to be current).
struct EGLDisplayChoice {
    EGLDisplay display = EGL_NO_DISPLAY;
    // EGL_NO_CONFIG_KHR (null) when the display makes contexts without one.
    EGLConfig config = nullptr;
    bool needsPbuffer = false;
    // Why no display could be had; empty when one was.
    std::string failure;
};

const EGLDisplayChoice& eglDisplayForGLES();

// Whether a space-separated extension list (EGL's or GL's; null reads as
// empty) names `name` whole, not as the prefix of a longer name.
bool hasExtension(const char* list, const char* name);

}  // namespace host
