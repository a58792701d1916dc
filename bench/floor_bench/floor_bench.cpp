// The least any frame of the cow show can cost here: frame_bench's per-frame
// GL work with raw EGL and GL ES 1.1 and none of the host's classes. The same
// Mesa surfaceless display, a 320 x 480 RGB565 renderbuffer bound once, and per
// frame clear, load identity, draw_cow and one glReadPixels into a buffer made
// once. frame_bench's time over this one is what the host adds.
//
//   floor_bench [FRAMES]     (default 3000, as frame_bench runs)

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GLES/gl.h>
#include <GLES/glext.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "scene/cow_scene.h"

namespace {

constexpr int kWidth = 320, kHeight = 480;

bool hasExtension(const char* list, const char* name) {
    if (!list) return false;
    size_t n = std::strlen(name);
    for (const char* p = list; (p = std::strstr(p, name)) != nullptr; p += n)
        if ((p == list || p[-1] == ' ') && (p[n] == ' ' || p[n] == '\0')) return true;
    return false;
}

int fail(const char* why) {
    std::fprintf(stderr, "floor_bench: %s\n", why);
    return 1;
}

// Set up as frame_bench's start of a show is.
void start_show(cow_scene* bp) {
    inc = 0.1f;
    count = 1.0f;
    speed = 0.2f;
    init_cow(bp, kWidth, kHeight, NO);
}

}  // namespace

int main(int argc, char** argv) {
    long frames = 3000;
    if (argc > 2 || (argc == 2 && (frames = std::strtol(argv[1], nullptr, 10)) < 1))
        return fail("usage: floor_bench [FRAMES], FRAMES a whole number from 1");

    // Before EGL loads the driver, as the host does: llvmpipe on one thread.
    setenv("LP_NUM_THREADS", "0", 0);
    const char* client = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay || !hasExtension(client, "EGL_MESA_platform_surfaceless"))
        return fail("EGL offers no surfaceless platform (EGL_MESA_platform_surfaceless)");
    EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA,
                                            reinterpret_cast<void*>(EGL_DEFAULT_DISPLAY), nullptr);
    EGLint major = 0, minor = 0;
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor))
        return fail("the surfaceless EGL display does not initialise");
    if (!hasExtension(eglQueryString(display, EGL_EXTENSIONS), "EGL_KHR_surfaceless_context"))
        return fail("the EGL display lacks EGL_KHR_surfaceless_context");
    const EGLint configAttributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_ES_BIT, EGL_SURFACE_TYPE, 0,
                                       EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configs = 0;
    if (!eglChooseConfig(display, configAttributes, &config, 1, &configs)) configs = 0;
    // The host goes configless when no configuration matches; so does this.
    if (configs == 0) config = nullptr;
    eglBindAPI(EGL_OPENGL_ES_API);
    const EGLint contextAttributes[] = {EGL_CONTEXT_CLIENT_VERSION, 1, EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    if (context == EGL_NO_CONTEXT) return fail("no GL ES 1.1 context");
    if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context))
        return fail("eglMakeCurrent failed on the GL ES 1.1 context");

    // The GL ES 1 library exports only the core functions.
    auto genRenderbuffers =
        reinterpret_cast<PFNGLGENRENDERBUFFERSOESPROC>(eglGetProcAddress("glGenRenderbuffersOES"));
    auto bindRenderbuffer =
        reinterpret_cast<PFNGLBINDRENDERBUFFEROESPROC>(eglGetProcAddress("glBindRenderbufferOES"));
    auto renderbufferStorage = reinterpret_cast<PFNGLRENDERBUFFERSTORAGEOESPROC>(
        eglGetProcAddress("glRenderbufferStorageOES"));
    auto genFramebuffers =
        reinterpret_cast<PFNGLGENFRAMEBUFFERSOESPROC>(eglGetProcAddress("glGenFramebuffersOES"));
    auto bindFramebuffer =
        reinterpret_cast<PFNGLBINDFRAMEBUFFEROESPROC>(eglGetProcAddress("glBindFramebufferOES"));
    auto framebufferRenderbuffer = reinterpret_cast<PFNGLFRAMEBUFFERRENDERBUFFEROESPROC>(
        eglGetProcAddress("glFramebufferRenderbufferOES"));
    auto checkFramebufferStatus = reinterpret_cast<PFNGLCHECKFRAMEBUFFERSTATUSOESPROC>(
        eglGetProcAddress("glCheckFramebufferStatusOES"));
    if (!hasExtension(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)),
                      "GL_OES_framebuffer_object") ||
        !genRenderbuffers || !bindRenderbuffer || !renderbufferStorage || !genFramebuffers ||
        !bindFramebuffer || !framebufferRenderbuffer || !checkFramebufferStatus)
        return fail("the context lacks GL_OES_framebuffer_object");

    GLuint renderbuffer = 0, framebuffer = 0;
    genRenderbuffers(1, &renderbuffer);
    bindRenderbuffer(GL_RENDERBUFFER_OES, renderbuffer);
    renderbufferStorage(GL_RENDERBUFFER_OES, GL_RGB565_OES, kWidth, kHeight);
    genFramebuffers(1, &framebuffer);
    bindFramebuffer(GL_FRAMEBUFFER_OES, framebuffer);
    framebufferRenderbuffer(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_RENDERBUFFER_OES,
                            renderbuffer);
    if (checkFramebufferStatus(GL_FRAMEBUFFER_OES) != GL_FRAMEBUFFER_COMPLETE_OES)
        return fail("the 320 x 480 RGB565 framebuffer is not complete");
    // As the view does when its surface is first made.
    glViewport(0, 0, kWidth, kHeight);
    glScissor(0, 0, kWidth, kHeight);

    std::vector<uint16_t> pixels(static_cast<size_t>(kWidth) * kHeight);
    srand(1);
    auto* bp = static_cast<cow_scene*>(calloc(1, sizeof(cow_scene)));
    speed = 0.2f;
    init_cow(bp, kWidth, kHeight, YES);
    start_show(bp);

    std::vector<double> milliseconds;
    milliseconds.reserve(static_cast<size_t>(frames));
    long shows = 1;
    for (long i = 0; i < frames; ++i) {
        if (count > 8.0f) {
            start_show(bp);
            ++shows;
        }
        auto start = std::chrono::steady_clock::now();
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        glLoadIdentity();
        draw_cow(bp);
        glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, pixels.data());
        auto end = std::chrono::steady_clock::now();
        milliseconds.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    if (GLenum error = glGetError()) {
        std::fprintf(stderr, "floor_bench: GL error 0x%04X during the frames\n", error);
        return 1;
    }

    std::sort(milliseconds.begin(), milliseconds.end());
    auto percentile = [&](double q) {
        return milliseconds[static_cast<size_t>(q * (milliseconds.size() - 1))];
    };
    std::printf("floor_bench: %zu frames over %ld shows: p50 %.3f ms, p99 %.3f ms, max %.3f ms\n",
                milliseconds.size(), shows, percentile(0.50), percentile(0.99),
                milliseconds.back());
    free_cow_scene(bp);
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(display, context);
    // The display is kept, as the host keeps its own: terminating it unloads
    // the driver, whose lasting caches then show up as leaks of no known origin.
    return 0;
}
