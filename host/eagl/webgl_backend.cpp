#include <emscripten/html5_webgl.h>

#include <algorithm>
#include <vector>

#include "host/eagl/gles_backend.h"
#include "host/eagl/webgl_gles1.h"
#include "host/foundation/messages.h"

// From webgl_backend.js: a WebGL 1 context on a canvas of its own (the
// context's framebuffer objects are drawn into, never the canvas), or 0.
// When the browser gives the context back after losing it, `restored` is
// called with it.
extern "C" EMSCRIPTEN_WEBGL_CONTEXT_HANDLE paddock_webgl_create_context(
    void (*restored)(EMSCRIPTEN_WEBGL_CONTEXT_HANDLE));
// Destroys one, losing its WebGL context at once.
extern "C" void paddock_webgl_destroy_context(EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context);
// Whether the browser has WebGL at all.
extern "C" int paddock_webgl_supported(void);

namespace host {
namespace {

// What a handle of this backend points at.
struct WebGLContext {
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE webgl;
    webgl_gles1::State* state;
};

WebGLContext* unwrap(GLESContextHandle handle) {
    return reinterpret_cast<WebGLContext*>(static_cast<std::uintptr_t>(handle));
}

// Every context made and not yet destroyed.
std::vector<WebGLContext*>& contexts() {
    static std::vector<WebGLContext*> all;
    return all;
}

// A lost context is back, empty: the layer makes its objects again, with the
// context current for the while.
void restored(EMSCRIPTEN_WEBGL_CONTEXT_HANDLE webgl) {
    auto it = std::find_if(contexts().begin(), contexts().end(),
                           [webgl](WebGLContext* c) { return c->webgl == webgl; });
    if (it == contexts().end()) return;
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE before = emscripten_webgl_get_current_context();
    std::string why;
    if (emscripten_webgl_make_context_current(webgl) != EMSCRIPTEN_RESULT_SUCCESS ||
        !webgl_gles1::restore((*it)->state, why))
        say(messages::kWebGLNotRestored, why.empty() ? "it cannot be made current" : why.c_str());
    emscripten_webgl_make_context_current(before);
}

// GL ES 1.1 contexts of the layer in webgl_gles1.cpp, each over a WebGL 1
// context of its own.
class WebGLBackend final : public GLESBackend {
  public:
    const char* name() const override { return "webgl"; }

    bool available(std::string& why) override {
        if (paddock_webgl_supported()) return true;
        why = "the browser has no WebGL";
        return false;
    }

    GLESContextHandle createContext(std::string& why) override {
        if (!available(why)) return kNoGLESContext;
        EMSCRIPTEN_WEBGL_CONTEXT_HANDLE webgl = paddock_webgl_create_context(&restored);
        if (webgl <= 0) {
            why = "the browser refused a WebGL 1 context";
            return kNoGLESContext;
        }
        // The layer's shader and buffers are made inside the new context;
        // then whatever was current before is current again.
        EMSCRIPTEN_WEBGL_CONTEXT_HANDLE before = emscripten_webgl_get_current_context();
        if (emscripten_webgl_make_context_current(webgl) != EMSCRIPTEN_RESULT_SUCCESS) {
            paddock_webgl_destroy_context(webgl);
            why = "the new WebGL context cannot be made current";
            return kNoGLESContext;
        }
        webgl_gles1::State* state = webgl_gles1::create(why);
        emscripten_webgl_make_context_current(before);
        if (!state) {
            paddock_webgl_destroy_context(webgl);
            return kNoGLESContext;
        }
        contexts().push_back(new WebGLContext{webgl, state});
        return static_cast<GLESContextHandle>(reinterpret_cast<std::uintptr_t>(contexts().back()));
    }

    bool makeCurrent(GLESContextHandle handle) override {
        WebGLContext* c = unwrap(handle);
        if (emscripten_webgl_make_context_current(c ? c->webgl : 0) != EMSCRIPTEN_RESULT_SUCCESS)
            return false;
        current_ = c;
        webgl_gles1::makeCurrent(c ? c->state : nullptr);
        return true;
    }

    bool isCurrent(GLESContextHandle handle) const override {
        const WebGLContext* c = unwrap(handle);
        return c && c == current_ && emscripten_webgl_get_current_context() == c->webgl;
    }

    void destroyContext(GLESContextHandle handle) override {
        WebGLContext* c = unwrap(handle);
        if (!c) return;
        if (c == current_) makeCurrent(kNoGLESContext);
        webgl_gles1::destroy(c->state);
        paddock_webgl_destroy_context(c->webgl);
        std::erase(contexts(), c);
        delete c;
    }

    // The layer turns WebGL's RGBA bytes into BGRA as it reads.
    bool readsBGRA(GLESContextHandle handle) const override { return unwrap(handle) != nullptr; }

    Proc procAddress(const char* name) const override { return webgl_gles1::procAddress(name); }

  private:
    WebGLContext* current_ = nullptr;
};

}  // namespace

GLESBackend& webglBackend() {
    static WebGLBackend backend;
    return backend;
}

GLESBackend& platformGLESBackend() { return webglBackend(); }

}  // namespace host
