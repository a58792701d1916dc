#include "host/eagl/eagl_context.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "host/eagl/eagl_layer.h"
#include "host/eagl/gles.h"
#include "host/foundation/messages.h"
#include "host/layers/cg_image.h"

namespace host {
namespace {

thread_local EAGLContext* tCurrent = nullptr;

GLenum internalFormatFor(const std::string& colorFormat) {
    if (colorFormat == kEAGLColorFormatRGB565) return GL_RGB565_OES;
    if (colorFormat == kEAGLColorFormatRGBA8) return GL_RGBA8_OES;
    return 0;
}

}  // namespace

std::shared_ptr<EAGLContext> EAGLContext::initWithAPI(EAGLRenderingAPI api) {
    if (api != kEAGLRenderingAPIOpenGLES1) {
        say(messages::kEAGLUnsupportedAPI, static_cast<int>(api));
        return nullptr;
    }
    GLESBackend& backend = glesBackend();
    std::string why;
    GLESContextHandle context = backend.createContext(why);
    if (context == kNoGLESContext) {
        say(messages::kEAGLNoContext, why.c_str());
        return nullptr;
    }
    return std::shared_ptr<EAGLContext>(new EAGLContext(api, backend, context));
}

EAGLContext::EAGLContext(EAGLRenderingAPI api, GLESBackend& backend, GLESContextHandle context)
    : api_(api), backend_(backend), context_(context), readsBGRA_(backend.readsBGRA(context)) {}

EAGLContext::~EAGLContext() {
    if (tCurrent == this) {
        backend_.makeCurrent(kNoGLESContext);
        tCurrent = nullptr;
    }
    // Destroying the context frees every GL object in it, the read framebuffer included.
    backend_.destroyContext(context_);
}

bool EAGLContext::setCurrentContext(EAGLContext* context) {
    // The backend of the context asked for, or of the one to let go.
    GLESBackend& backend = context    ? context->backend_
                           : tCurrent ? tCurrent->backend_
                                      : glesBackend();
    std::string why;
    // Without GL ES no context can exist, so "none current" already holds.
    if (!backend.available(why)) return context == nullptr;
    // Views make their context current every frame: when the platform already
    // has it current on this thread, asking again would only cost a flush.
    if (context && context == tCurrent && backend.isCurrent(context->context_)) return true;
    bool done = backend.makeCurrent(context ? context->context_ : kNoGLESContext);
    if (done) tCurrent = context;
    return done;
}

EAGLContext* EAGLContext::currentContext() { return tCurrent; }

EAGLContext::Drawable* EAGLContext::drawableFor(uint32_t renderbuffer) {
    auto it = std::find_if(drawables_.begin(), drawables_.end(),
                           [&](const Drawable& d) { return d.renderbuffer == renderbuffer; });
    return it == drawables_.end() ? nullptr : &*it;
}

bool EAGLContext::renderbufferStorage(uint32_t target, CAEAGLLayer* drawable) {
    if (tCurrent != this || target != GL_RENDERBUFFER_OES || !drawable) return false;
    GLint bound = 0;
    glGetIntegerv(GL_RENDERBUFFER_BINDING_OES, &bound);
    GLenum format = internalFormatFor(drawable->colorFormat());
    if (bound == 0 || format == 0) return false;

    CGRect bounds = drawable->bounds();
    float w = std::roundf(bounds.size.width);
    float h = std::roundf(bounds.size.height);
    GLint largest = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE_OES, &largest);
    if (!(w >= 1.0f && h >= 1.0f && w <= largest && h <= largest)) return false;
    int width = static_cast<int>(w), height = static_cast<int>(h);

    glRenderbufferStorageOES(GL_RENDERBUFFER_OES, format, width, height);
    // Asking GL for its error would swallow one the caller has yet to read, so
    // look at what the renderbuffer holds instead.
    GLint gotWidth = 0, gotHeight = 0;
    glGetRenderbufferParameterivOES(GL_RENDERBUFFER_OES, GL_RENDERBUFFER_WIDTH_OES, &gotWidth);
    glGetRenderbufferParameterivOES(GL_RENDERBUFFER_OES, GL_RENDERBUFFER_HEIGHT_OES, &gotHeight);
    if (gotWidth != width || gotHeight != height) return false;

    // A layer is the storage of one renderbuffer at a time.
    std::weak_ptr<CALayer> layer = drawable->weak_from_this();
    std::erase_if(drawables_, [&](const Drawable& d) {
        return d.renderbuffer == static_cast<uint32_t>(bound) ||
               (!d.layer.owner_before(layer) && !layer.owner_before(d.layer)) || d.layer.expired();
    });
    drawables_.push_back({static_cast<uint32_t>(bound), std::move(layer), width, height});
    return true;
}

bool EAGLContext::presentRenderbuffer(uint32_t target) {
    if (tCurrent != this || target != GL_RENDERBUFFER_OES) return false;
    GLint bound = 0;
    glGetIntegerv(GL_RENDERBUFFER_BINDING_OES, &bound);
    Drawable* drawable = bound ? drawableFor(static_cast<uint32_t>(bound)) : nullptr;
    if (!drawable) return false;
    std::shared_ptr<CALayer> layer = drawable->layer.lock();
    // A name deleted and made again no longer holds the drawable's storage.
    GLint width = 0, height = 0;
    glGetRenderbufferParameterivOES(GL_RENDERBUFFER_OES, GL_RENDERBUFFER_WIDTH_OES, &width);
    glGetRenderbufferParameterivOES(GL_RENDERBUFFER_OES, GL_RENDERBUFFER_HEIGHT_OES, &height);
    if (!layer || width != drawable->width || height != drawable->height) {
        uint32_t stale = drawable->renderbuffer;
        std::erase_if(drawables_, [stale](const Drawable& d) { return d.renderbuffer == stale; });
        return false;
    }

    GLint alphaBits = 0, internalFormat = 0;
    glGetRenderbufferParameterivOES(GL_RENDERBUFFER_OES, GL_RENDERBUFFER_ALPHA_SIZE_OES,
                                    &alphaBits);
    glGetRenderbufferParameterivOES(GL_RENDERBUFFER_OES, GL_RENDERBUFFER_INTERNAL_FORMAT_OES,
                                    &internalFormat);

    GLint savedFramebuffer = 0, savedPackAlignment = 4;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &savedFramebuffer);
    glGetIntegerv(GL_PACK_ALIGNMENT, &savedPackAlignment);
    // A view presents just after drawing, with the framebuffer that holds the
    // renderbuffer still bound: read from it where it is. Otherwise attach the
    // renderbuffer to a framebuffer of our own for the read, and detach it
    // after, so that deleting the renderbuffer really frees it.
    GLint attachedType = 0, attachedName = 0;  // GL_NONE
    if (savedFramebuffer != 0) {
        glGetFramebufferAttachmentParameterivOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES,
                                                 GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE_OES,
                                                 &attachedType);
        if (attachedType == GL_RENDERBUFFER_OES)
            glGetFramebufferAttachmentParameterivOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES,
                                                     GL_FRAMEBUFFER_ATTACHMENT_OBJECT_NAME_OES,
                                                     &attachedName);
    }
    const bool inPlace = attachedType == GL_RENDERBUFFER_OES && attachedName == bound;
    if (!inPlace) {
        if (readFramebuffer_ == 0) glGenFramebuffersOES(1, &readFramebuffer_);
        glBindFramebufferOES(GL_FRAMEBUFFER_OES, readFramebuffer_);
        glFramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES,
                                     GL_RENDERBUFFER_OES, static_cast<GLuint>(bound));
    }
    bool complete = glCheckFramebufferStatusOES(GL_FRAMEBUFFER_OES) == GL_FRAMEBUFFER_COMPLETE_OES;
    PixelLayout layout = PixelLayout::rgba;
    if (complete) {
        // The cheapest read is the one the renderbuffer holds already: 5-6-5
        // copies straight out; other opaque pixels read as BGRA are cairo's
        // ARGB32 on this byte order.
        GLint readFormat = 0, readType = 0;
        glGetIntegerv(GL_IMPLEMENTATION_COLOR_READ_FORMAT_OES, &readFormat);
        glGetIntegerv(GL_IMPLEMENTATION_COLOR_READ_TYPE_OES, &readType);
        if (internalFormat == GL_RGB565_OES && readFormat == GL_RGB &&
            readType == GL_UNSIGNED_SHORT_5_6_5)
            layout = PixelLayout::rgb565;
        else if (readsBGRA_ && alphaBits == 0)
            layout = PixelLayout::bgra;
        size_t bytes = layout == PixelLayout::rgb565 ? 2 : 4;
        scratch_.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * bytes);
        glPixelStorei(GL_PACK_ALIGNMENT, static_cast<GLint>(bytes));
        if (layout == PixelLayout::rgb565)
            glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, scratch_.data());
        else
            glReadPixels(0, 0, width, height, layout == PixelLayout::bgra ? GL_BGRA_EXT : GL_RGBA,
                         GL_UNSIGNED_BYTE, scratch_.data());
        glPixelStorei(GL_PACK_ALIGNMENT, savedPackAlignment);
    }
    if (!inPlace) {
        glFramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES,
                                     GL_RENDERBUFFER_OES, 0);
        glBindFramebufferOES(GL_FRAMEBUFFER_OES, static_cast<GLuint>(savedFramebuffer));
    }
    if (!complete) return false;
    copyIntoContents(static_cast<CAEAGLLayer&>(*layer), width, height, layout);
    return true;
}

void EAGLContext::copyIntoContents(CAEAGLLayer& layer, int width, int height, PixelLayout layout) {
    // 5-6-5 stays 5-6-5 (the compositor widens it as it draws); the rest is ARGB32.
    const CGImage::Format format =
        layout == PixelLayout::rgb565 ? CGImage::Format::rgb565 : CGImage::Format::argb32;
    // The compositor may still hold the last frame; only an image that nobody
    // else sees is written over.
    std::shared_ptr<CGImage> image = layer.contents();
    if (!image || image->width() != width || image->height() != height ||
        image->format() != format || image.use_count() > 2) {
        image = CGImage::create(width, height, format);
        if (!image) return;
    }
    uint8_t* base = image->data();
    int stride = image->stride();
    size_t rowBytes = static_cast<size_t>(width) * (layout == PixelLayout::rgb565 ? 2 : 4);
    for (int y = 0; y < height; ++y) {
        // GL's first row is the bottom one.
        const uint8_t* src = scratch_.data() + static_cast<size_t>(height - 1 - y) * rowBytes;
        uint8_t* row = base + static_cast<size_t>(y) * stride;
        if (layout != PixelLayout::rgba) {
            std::memcpy(row, src, rowBytes);
            continue;
        }
        auto* dst = reinterpret_cast<uint32_t*>(row);
        for (int x = 0; x < width; ++x, src += 4) {
            uint32_t a = src[3];
            // Drawable contents are taken as premultiplied; keep them valid as such.
            uint32_t r = std::min<uint32_t>(src[0], a);
            uint32_t g = std::min<uint32_t>(src[1], a);
            uint32_t b = std::min<uint32_t>(src[2], a);
            dst[x] = a << 24 | r << 16 | g << 8 | b;
        }
    }
    image->markDirty();
    layer.setContents(std::move(image));
}

}  // namespace host
