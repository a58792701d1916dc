#include "host/eagl/gles_backend.h"

#include <cstring>

namespace host {
namespace {

GLESBackend*& chosen() {
    static GLESBackend* backend = &eglBackend();
    return backend;
}

}  // namespace

GLESBackend& glesBackend() { return *chosen(); }

bool useGLESBackend(const char* name) {
    if (!name || !*name) name = "egl";
    for (GLESBackend* backend : {&eglBackend(), &nullGLESBackend()}) {
        if (std::strcmp(name, backend->name()) == 0) {
            chosen() = backend;
            return true;
        }
    }
    return false;
}

}  // namespace host
