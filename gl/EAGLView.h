#pragma once

#include <memory>
#include <string>

#include "host/eagl/eagl_context.h"
#include "host/eagl/eagl_layer.h"
#include "host/eagl/gles.h"
#include "host/views/view.h"

class EAGLView;

class EAGLViewDelegate {
  public:
    virtual ~EAGLViewDelegate() = default;
    virtual void didResizeEAGLSurfaceForView(EAGLView* view) = 0;
};

// A view backed by a GL ES drawable layer. It owns a GL ES 1.1 context and, in
// it, a framebuffer whose colour renderbuffer has the layer as its storage,
// with an optional depth renderbuffer.
class EAGLView : public host::UIView {
  public:
    static std::shared_ptr<host::CALayer> layerClass();

    // RGB565, no depth buffer, no retained backing.
    static std::shared_ptr<EAGLView> initWithFrame(const host::CGRect& frame);
    static std::shared_ptr<EAGLView> initWithFrame(const host::CGRect& frame,
                                                   const std::string& format);
    // nullptr when no context or no surface can be made. Leaves the context
    // current and the view's framebuffer bound.
    static std::shared_ptr<EAGLView> initWithFrame(const host::CGRect& frame,
                                                   const std::string& format, GLuint depth,
                                                   bool retained);
    ~EAGLView() override;

    void layoutSubviews() override;
    // YES also lays out at once, catching up a resize made while it was off.
    void setAutoresizesEAGLSurface(bool autoresizing);

    void setCurrentContext();
    bool isCurrentContext() const;
    void clearCurrentContext();
    // Shows the colour renderbuffer; reports a GL error the frame left behind.
    void swapBuffers();

    host::CGPoint convertPointFromViewToSurface(host::CGPoint point) const;
    host::CGRect convertRectFromViewToSurface(host::CGRect rect) const;

    host::EAGLContext* context() const { return _context.get(); }
    GLuint depthFormat() const { return _depthFormat; }
    const std::string& pixelFormat() const { return _format; }
    GLuint framebuffer() const { return _framebuffer; }
    host::CGSize surfaceSize() const { return _size; }
    bool autoresizesSurface() const { return _autoresize; }
    void setAutoresizesSurface(bool autoresize) { _autoresize = autoresize; }
    EAGLViewDelegate* delegate() const { return _delegate; }
    void setDelegate(EAGLViewDelegate* delegate) { _delegate = delegate; }

  private:
    explicit EAGLView(const host::CGRect& frame);
    host::CAEAGLLayer& eaglLayer() const { return static_cast<host::CAEAGLLayer&>(layer()); }
    bool _createSurface();
    void _destroySurface();

    std::string _format;
    GLuint _depthFormat = 0;
    bool _autoresize = false;
    std::shared_ptr<host::EAGLContext> _context;
    GLuint _framebuffer = 0;
    GLuint _renderbuffer = 0;
    GLuint _depthBuffer = 0;
    host::CGSize _size{};
    bool _hasBeenCurrent = false;
    EAGLViewDelegate* _delegate = nullptr;
};
