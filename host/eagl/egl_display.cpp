#include "host/eagl/egl_display.h"

#include <EGL/eglext.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace host {

bool hasExtension(const char* list, const char* name) {
    if (!list) return false;
    size_t n = std::strlen(name);
    for (const char* p = list; (p = std::strstr(p, name)) != nullptr; p += n) {
        bool starts = p == list || p[-1] == ' ';
        bool ends = p[n] == ' ' || p[n] == '\0';
        if (starts && ends) return true;
    }
    return false;
}

namespace {

std::string errorText(const char* call) {
    char text[96];
    std::snprintf(text, sizeof text, "%s failed with EGL error 0x%04X", call, eglGetError());
    return text;
}

// Takes an initialised display if it can make GL ES 1.x contexts; otherwise
// terminates it and says why.
bool adopt(EGLDisplay display, EGLDisplayChoice& choice, std::string& why) {
    EGLint major = 0, minor = 0;
    if (display == EGL_NO_DISPLAY) {
        why = errorText("eglGetPlatformDisplay");
        return false;
    }
    if (!eglInitialize(display, &major, &minor)) {
        why = errorText("eglInitialize");
        return false;
    }
    const char* extensions = eglQueryString(display, EGL_EXTENSIONS);
    bool surfaceless = hasExtension(extensions, "EGL_KHR_surfaceless_context");
    bool configless = hasExtension(extensions, "EGL_KHR_no_config_context") ||
                      hasExtension(extensions, "EGL_MESA_configless_context");

    EGLint surfaceBits = surfaceless ? 0 : EGL_PBUFFER_BIT;
    const EGLint attributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_ES_BIT, EGL_SURFACE_TYPE,
                                 surfaceBits, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint count = 0;
    if (!eglChooseConfig(display, attributes, &config, 1, &count)) count = 0;
    if (count == 0 && !(surfaceless && configless)) {
        why = "the EGL display offers no OpenGL ES 1.x configuration";
        eglTerminate(display);
        return false;
    }
    choice.display = display;
    choice.config = count > 0 ? config : nullptr;
    choice.needsPbuffer = !surfaceless;
    return true;
}

EGLDisplayChoice open() {
    // Mesa's software rasteriser hands each small frame to helper threads and
    // waits for them; for frames this size that costs more than it saves
    // (about a quarter of the frame at p50). A setting made by the user stands.
    setenv("LP_NUM_THREADS", "0", 0);
    EGLDisplayChoice choice;
    std::string why = "no EGL display";
    const char* client = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));

    if (getPlatformDisplay && hasExtension(client, "EGL_MESA_platform_surfaceless")) {
        EGLDisplay d = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA,
                                          reinterpret_cast<void*>(EGL_DEFAULT_DISPLAY), nullptr);
        if (adopt(d, choice, why)) return choice;
    }
    auto queryDevices =
        reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
    if (getPlatformDisplay && queryDevices && hasExtension(client, "EGL_EXT_platform_device")) {
        EGLint count = 0;
        if (queryDevices(0, nullptr, &count) && count > 0) {
            std::vector<EGLDeviceEXT> devices(static_cast<size_t>(count));
            if (queryDevices(count, devices.data(), &count)) {
                for (EGLint i = 0; i < count; ++i) {
                    EGLDisplay d = getPlatformDisplay(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr);
                    if (adopt(d, choice, why)) return choice;
                }
            }
        }
    }
    EGLDisplay d = eglGetDisplay(EGL_DEFAULT_DISPLAY);
    if (d == EGL_NO_DISPLAY) {
        choice.failure = why;
        return choice;
    }
    if (adopt(d, choice, why)) return choice;
    choice.failure = why;
    return choice;
}

}  // namespace

const EGLDisplayChoice& eglDisplayForGLES() {
    static const EGLDisplayChoice choice = open();
    return choice;
}

}  // namespace host
