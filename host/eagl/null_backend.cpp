#include "host/eagl/gles_backend.h"

namespace host {
namespace {

// No GL ES at all: every context creation fails with the same reason, and
// "none current" is the only state there is.
class NullBackend final : public GLESBackend {
  public:
    const char* name() const override { return "none"; }
    bool available(std::string& why) override {
        why = kWhy;
        return false;
    }
    GLESContextHandle createContext(std::string& why) override {
        why = kWhy;
        return kNoGLESContext;
    }
    bool makeCurrent(GLESContextHandle context) override { return context == kNoGLESContext; }
    bool isCurrent(GLESContextHandle) const override { return false; }
    void destroyContext(GLESContextHandle) override {}
    bool readsBGRA(GLESContextHandle) const override { return false; }
    Proc procAddress(const char*) const override { return nullptr; }

  private:
    static constexpr const char* kWhy = "GL ES is turned off (PADDOCK_GL=none)";
};

}  // namespace

GLESBackend& nullGLESBackend() {
    static NullBackend backend;
    return backend;
}

}  // namespace host
