#pragma once

#include <cstdint>
#include <string>

namespace host {

// A context made by a GL ES backend. Only the backend that made it knows what
// the number stands for; kNoGLESContext is none.
enum class GLESContextHandle : std::uintptr_t {};
inline constexpr GLESContextHandle kNoGLESContext{};

// What a platform must provide for EAGLContext and CAEAGLLayer: GL ES 1.1
// rendering contexts with no window of their own. EAGLContext renders only
// into framebuffer objects and presents by reading pixels back, so a backend
// needs no surface, swap or window. One thread uses it. The backends: EGL
// (egl_backend.cpp), WebGL (webgl_backend.cpp) and none at all
// (null_backend.cpp).
class GLESBackend {
  public:
    virtual ~GLESBackend() = default;

    // The name PADDOCK_GL chooses the backend by.
    virtual const char* name() const = 0;

    // Whether GL ES 1.1 contexts can be had at all; when not, `why` says why
    // in a few words ("no EGL display"). May open the platform's display the
    // first time; the answer does not change afterwards.
    virtual bool available(std::string& why) = 0;

    // A new GL ES 1.1 context that has GL_OES_framebuffer_object, not made
    // current: whatever was current stays so. kNoGLESContext with `why` set
    // when none can be made. Contexts share no objects (the toy makes one per
    // view and never shares).
    virtual GLESContextHandle createContext(std::string& why) = 0;

    // Makes `context` current on the calling thread, or none current for
    // kNoGLESContext. False when the platform refuses; then nothing changed.
    virtual bool makeCurrent(GLESContextHandle context) = 0;

    // Whether `context` is the one the platform has current on this thread
    // (another client of the platform may have changed it behind our back).
    virtual bool isCurrent(GLESContextHandle context) const = 0;

    // Destroys a context that is not current anywhere, with every GL object
    // in it.
    virtual void destroyContext(GLESContextHandle context) = 0;

    // Whether glReadPixels in `context` takes GL_BGRA_EXT with
    // GL_UNSIGNED_BYTE (GL_EXT_read_format_bgra) on a little-endian machine:
    // then opaque pixels read straight into the compositor's ARGB32.
    virtual bool readsBGRA(GLESContextHandle context) const = 0;

    // The address of a GL ES entry point the GL ES library does not export
    // (the OES framebuffer functions), the same in every context of this
    // backend; null when there is none.
    using Proc = void (*)();
    virtual Proc procAddress(const char* name) const = 0;
};

// The backends there are: EGL natively, WebGL in a browser build, and none.
GLESBackend& eglBackend();
GLESBackend& webglBackend();
GLESBackend& nullGLESBackend();
// The build's real backend: EGL, or WebGL in the browser.
GLESBackend& platformGLESBackend();

// The backend contexts are made with from now on: the platform's until another
// is chosen.
GLESBackend& glesBackend();
// Chooses the backend by name: the platform's ("egl", or "webgl" in the
// browser; null or empty means it too) or "none". False, changing nothing, for
// any other name.
bool useGLESBackend(const char* name);

}  // namespace host
