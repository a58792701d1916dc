#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "host/eagl/gles_backend.h"

namespace host {

class CALayer;
class CAEAGLLayer;
class CGImage;

enum EAGLRenderingAPI {
    kEAGLRenderingAPIOpenGLES1 = 1,
    kEAGLRenderingAPIOpenGLES2 = 2,
    kEAGLRenderingAPIOpenGLES3 = 3,
};

// A GL ES rendering context without a window, made by the chosen GL ES
// backend (gles_backend.h). It renders only into framebuffer objects; a
// renderbuffer whose storage comes from a CAEAGLLayer is shown by copying its
// pixels into that layer's contents.
class EAGLContext {
  public:
    // Only kEAGLRenderingAPIOpenGLES1 (GL ES 1.1) is offered. When no such
    // context can be had, prints one line saying why and yields nullptr.
    static std::shared_ptr<EAGLContext> initWithAPI(EAGLRenderingAPI api);
    ~EAGLContext();
    EAGLContext(const EAGLContext&) = delete;
    EAGLContext& operator=(const EAGLContext&) = delete;

    EAGLRenderingAPI API() const { return api_; }

    // Makes the context current on the calling thread; nullptr makes none
    // current. False when the platform refuses, and then nothing changes.
    static bool setCurrentContext(EAGLContext* context);
    // The calling thread's current context, or nullptr.
    static EAGLContext* currentContext();

    // Gives the renderbuffer bound to `target` (GL_RENDERBUFFER_OES) storage of
    // the drawable's bounds size, rounded to whole pixels, in its colour
    // format. This context must be current. False (storage unchanged) when
    // the target, binding, format or size cannot be used.
    bool renderbufferStorage(uint32_t target, CAEAGLLayer* drawable);
    // Copies the bound renderbuffer, which must have got its storage from a
    // drawable, into that drawable's contents, top row first. Every binding and
    // pixel-store setting touched is put back. False when nothing was shown.
    bool presentRenderbuffer(uint32_t target);

  private:
    struct Drawable {
        uint32_t renderbuffer;
        std::weak_ptr<CALayer> layer;
        int width;
        int height;
    };

    EAGLContext(EAGLRenderingAPI api, GLESBackend& backend, GLESContextHandle context);
    Drawable* drawableFor(uint32_t renderbuffer);
    // How scratch_ holds the pixels read back, bottom row first.
    enum class PixelLayout { rgba, bgra, rgb565 };
    void copyIntoContents(CAEAGLLayer& layer, int width, int height, PixelLayout layout);

    EAGLRenderingAPI api_;
    // The backend that made the context, and destroys it.
    GLESBackend& backend_;
    GLESContextHandle context_;
    // Opaque pixels can be read in cairo's byte order.
    bool readsBGRA_;
    uint32_t readFramebuffer_ = 0;
    std::vector<Drawable> drawables_;
    // Reused between presents so that steady frames do not allocate.
    std::vector<uint8_t> scratch_;
};

}  // namespace host
