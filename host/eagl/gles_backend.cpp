#include "host/eagl/gles_backend.h"

#include <cstring>

namespace host {
namespace {

GLESBackend*& chosen() {
    static GLESBackend* backend = &platformGLESBackend();
    return backend;
}

}  // namespace

GLESBackend& glesBackend() { return *chosen(); }

bool useGLESBackend(const char* name) {
    if (!name || !*name) name = platformGLESBackend().name();
    for (GLESBackend* backend : {&platformGLESBackend(), &nullGLESBackend()}) {
        if (std::strcmp(name, backend->name()) == 0) {
            chosen() = backend;
            return true;
        }
    }
    return false;
}

}  // namespace host
