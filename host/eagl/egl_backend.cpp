#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <bit>
#include <cstdio>
#include <cstring>

#include "host/eagl/egl_display.h"
#include "host/eagl/gles.h"
#include "host/eagl/gles_backend.h"

namespace host {
namespace {

// What a handle of this backend points at.
struct EglContext {
    EGLContext context;
    // A 1x1 pbuffer where the display needs one to make a context current.
    EGLSurface surface;
    bool readsBGRA;
};

EglContext* unwrap(GLESContextHandle handle) {
    return reinterpret_cast<EglContext*>(static_cast<std::uintptr_t>(handle));
}

std::string failed(const char* call) {
    char why[80];
    std::snprintf(why, sizeof why, "%s failed with EGL error 0x%04X", call, eglGetError());
    return why;
}

// What the thread has current in EGL, to put back after a look inside a new context.
struct EGLCurrent {
    EGLDisplay display = eglGetCurrentDisplay();
    EGLSurface draw = eglGetCurrentSurface(EGL_DRAW);
    EGLSurface read = eglGetCurrentSurface(EGL_READ);
    EGLContext context = eglGetCurrentContext();

    void restore() const {
        if (display != EGL_NO_DISPLAY) {
            eglMakeCurrent(display, draw, read, context);
        } else {
            const EGLDisplayChoice& egl = eglDisplayForGLES();
            eglMakeCurrent(egl.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        }
    }
};

// Null when the current context is usable; otherwise why not.
const char* checkContext() {
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    if (!version || !std::strstr(version, "ES-CM 1.1")) return "the context is not OpenGL ES 1.1";
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (!hasExtension(extensions, "GL_OES_framebuffer_object"))
        return "the context lacks GL_OES_framebuffer_object";
    return nullptr;
}

// GL ES contexts of an EGL display with no window (see egl_display.h).
class EglBackend final : public GLESBackend {
  public:
    const char* name() const override { return "egl"; }

    bool available(std::string& why) override {
        const EGLDisplayChoice& egl = eglDisplayForGLES();
        why = egl.failure;
        return egl.display != EGL_NO_DISPLAY;
    }

    GLESContextHandle createContext(std::string& why) override {
        const EGLDisplayChoice& egl = eglDisplayForGLES();
        if (!available(why)) return kNoGLESContext;
        if (!eglBindAPI(EGL_OPENGL_ES_API)) {
            why = "the EGL display does not offer OpenGL ES";
            return kNoGLESContext;
        }
        const EGLint attributes[] = {EGL_CONTEXT_CLIENT_VERSION, 1, EGL_NONE};
        EGLContext context = eglCreateContext(egl.display, egl.config, EGL_NO_CONTEXT, attributes);
        if (context == EGL_NO_CONTEXT) {
            why = failed("eglCreateContext");
            return kNoGLESContext;
        }
        EGLSurface surface = EGL_NO_SURFACE;
        if (egl.needsPbuffer) {
            const EGLint size[] = {EGL_WIDTH, 1, EGL_HEIGHT, 1, EGL_NONE};
            surface = eglCreatePbufferSurface(egl.display, egl.config, size);
            if (surface == EGL_NO_SURFACE) {
                why = failed("eglCreatePbufferSurface");
                eglDestroyContext(egl.display, context);
                return kNoGLESContext;
            }
        }

        // Look inside once to be sure the driver gave what was asked for.
        EGLCurrent before;
        const char* unusable = "eglMakeCurrent failed on the new context";
        bool readsBGRA = false;
        if (eglMakeCurrent(egl.display, surface, surface, context)) {
            unusable = checkContext();
            readsBGRA = std::endian::native == std::endian::little &&
                        hasExtension(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)),
                                     "GL_EXT_read_format_bgra");
        }
        before.restore();
        if (unusable) {
            if (surface != EGL_NO_SURFACE) eglDestroySurface(egl.display, surface);
            eglDestroyContext(egl.display, context);
            why = unusable;
            return kNoGLESContext;
        }
        return static_cast<GLESContextHandle>(
            reinterpret_cast<std::uintptr_t>(new EglContext{context, surface, readsBGRA}));
    }

    bool makeCurrent(GLESContextHandle handle) override {
        const EGLDisplayChoice& egl = eglDisplayForGLES();
        // Releasing acts on the thread's bound API, which another client may have changed.
        eglBindAPI(EGL_OPENGL_ES_API);
        if (handle == kNoGLESContext)
            return eglMakeCurrent(egl.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT) ==
                   EGL_TRUE;
        const EglContext* c = unwrap(handle);
        return eglMakeCurrent(egl.display, c->surface, c->surface, c->context) == EGL_TRUE;
    }

    bool isCurrent(GLESContextHandle handle) const override {
        const EglContext* c = unwrap(handle);
        return c && eglQueryAPI() == EGL_OPENGL_ES_API && eglGetCurrentContext() == c->context &&
               eglGetCurrentSurface(EGL_DRAW) == c->surface;
    }

    void destroyContext(GLESContextHandle handle) override {
        const EGLDisplayChoice& egl = eglDisplayForGLES();
        EglContext* c = unwrap(handle);
        if (!c) return;
        eglDestroyContext(egl.display, c->context);
        if (c->surface != EGL_NO_SURFACE) eglDestroySurface(egl.display, c->surface);
        delete c;
    }

    bool readsBGRA(GLESContextHandle handle) const override {
        const EglContext* c = unwrap(handle);
        return c && c->readsBGRA;
    }

    Proc procAddress(const char* name) const override { return eglGetProcAddress(name); }
};

}  // namespace

GLESBackend& eglBackend() {
    static EglBackend backend;
    return backend;
}

GLESBackend& platformGLESBackend() { return eglBackend(); }

}  // namespace host
