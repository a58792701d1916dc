#include "gl/EAGLView.h"

#include <cmath>
#include <cstdio>

#include "host/foundation/messages.h"

using host::CGPoint;
using host::CGRect;
using host::EAGLContext;

EAGLView::EAGLView(const CGRect& frame) : UIView(frame, layerClass()) {}

std::shared_ptr<host::CALayer> EAGLView::layerClass() {
    return std::make_shared<host::CAEAGLLayer>();
}

std::shared_ptr<EAGLView> EAGLView::initWithFrame(const CGRect& frame) {
    return initWithFrame(frame, host::kEAGLColorFormatRGB565, 0, false);
}

std::shared_ptr<EAGLView> EAGLView::initWithFrame(const CGRect& frame, const std::string& format) {
    return initWithFrame(frame, format, 0, false);
}

std::shared_ptr<EAGLView> EAGLView::initWithFrame(const CGRect& frame, const std::string& format,
                                                  GLuint depth, bool retained) {
    std::shared_ptr<EAGLView> view(new EAGLView(frame));
    view->eaglLayer().setDrawableProperties({{host::kEAGLDrawablePropertyRetainedBacking, retained},
                                             {host::kEAGLDrawablePropertyColorFormat, format}});
    view->_format = format;
    view->_depthFormat = depth;
    view->_context = EAGLContext::initWithAPI(host::kEAGLRenderingAPIOpenGLES1);
    // Dropping the view runs its destruction, which deletes whatever was made.
    if (!view->_context || !view->_createSurface()) return nullptr;
    return view;
}

EAGLView::~EAGLView() {
    _destroySurface();
    _context.reset();
}

bool EAGLView::_createSurface() {
    host::CAEAGLLayer& eaglLayer = this->eaglLayer();
    if (!EAGLContext::setCurrentContext(_context.get())) return false;

    CGRect bounds = eaglLayer.bounds();
    float width = roundf(bounds.size.width);
    float height = roundf(bounds.size.height);

    GLint oldRenderbuffer = 0, oldFramebuffer = 0;
    glGetIntegerv(GL_RENDERBUFFER_BINDING_OES, &oldRenderbuffer);
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_OES, &oldFramebuffer);

    glGenRenderbuffersOES(1, &_renderbuffer);
    glBindRenderbufferOES(GL_RENDERBUFFER_OES, _renderbuffer);
    if (!_context->renderbufferStorage(GL_RENDERBUFFER_OES, &eaglLayer)) {
        glDeleteRenderbuffersOES(1, &_renderbuffer);
        // A deleted name kept here would later delete whoever is given it next.
        _renderbuffer = 0;
        glBindRenderbufferOES(GL_RENDERBUFFER_OES, static_cast<GLuint>(oldRenderbuffer));
        return false;
    }

    glGenFramebuffersOES(1, &_framebuffer);
    glBindFramebufferOES(GL_FRAMEBUFFER_OES, _framebuffer);
    glFramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_COLOR_ATTACHMENT0_OES, GL_RENDERBUFFER_OES,
                                 _renderbuffer);
    if (_depthFormat) {
        glGenRenderbuffersOES(1, &_depthBuffer);
        glBindRenderbufferOES(GL_RENDERBUFFER_OES, _depthBuffer);
        glRenderbufferStorageOES(GL_RENDERBUFFER_OES, _depthFormat, static_cast<GLsizei>(width),
                                 static_cast<GLsizei>(height));
        glFramebufferRenderbufferOES(GL_FRAMEBUFFER_OES, GL_DEPTH_ATTACHMENT_OES,
                                     GL_RENDERBUFFER_OES, _depthBuffer);
    }

    _size = host::CGSizeMake(width, height);
    if (!_hasBeenCurrent) {
        glViewport(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height));
        glScissor(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height));
        _hasBeenCurrent = true;
    } else {
        glBindFramebufferOES(GL_FRAMEBUFFER_OES, static_cast<GLuint>(oldFramebuffer));
    }
    glBindRenderbufferOES(GL_RENDERBUFFER_OES, static_cast<GLuint>(oldRenderbuffer));

    GLenum error = glGetError();
    if (error) printf(toy::messages::kCreateSurfaceGLError, error);

    // Sent whether or not a delegate is set; without one nothing happens.
    if (_delegate) _delegate->didResizeEAGLSurfaceForView(this);
    return true;
}

void EAGLView::_destroySurface() {
    EAGLContext* oldContext = EAGLContext::currentContext();
    if (oldContext != _context.get()) EAGLContext::setCurrentContext(_context.get());

    if (_depthFormat) {
        glDeleteRenderbuffersOES(1, &_depthBuffer);
        _depthBuffer = 0;
    }
    glDeleteRenderbuffersOES(1, &_renderbuffer);
    _renderbuffer = 0;
    glDeleteFramebuffersOES(1, &_framebuffer);
    _framebuffer = 0;

    if (oldContext != _context.get()) EAGLContext::setCurrentContext(oldContext);
}

void EAGLView::layoutSubviews() {
    CGRect bounds = this->bounds();
    if (_autoresize &&
        (roundf(bounds.size.width) != _size.width || roundf(bounds.size.height) != _size.height)) {
        _destroySurface();
        _createSurface();
    }
}

void EAGLView::setAutoresizesEAGLSurface(bool autoresizing) {
    _autoresize = autoresizing;
    if (_autoresize) layoutSubviews();
}

void EAGLView::setCurrentContext() {
    if (!EAGLContext::setCurrentContext(_context.get()))
        printf(toy::messages::kSetCurrentContextFailed, static_cast<void*>(_context.get()));
}

bool EAGLView::isCurrentContext() const { return EAGLContext::currentContext() == _context.get(); }

void EAGLView::clearCurrentContext() {
    if (!EAGLContext::setCurrentContext(nullptr))
        printf("%s", toy::messages::kClearCurrentContextFailed);
}

void EAGLView::swapBuffers() {
    EAGLContext* oldContext = EAGLContext::currentContext();
    if (oldContext != _context.get()) EAGLContext::setCurrentContext(_context.get());

    GLenum error = glGetError();
    if (error) printf(toy::messages::kSwapBuffersGLError, error);

    GLint oldRenderbuffer = 0;
    glGetIntegerv(GL_RENDERBUFFER_BINDING_OES, &oldRenderbuffer);
    glBindRenderbufferOES(GL_RENDERBUFFER_OES, _renderbuffer);
    if (!_context->presentRenderbuffer(GL_RENDERBUFFER_OES))
        printf("%s", toy::messages::kSwapRenderbufferFailed);
    glBindRenderbufferOES(GL_RENDERBUFFER_OES, static_cast<GLuint>(oldRenderbuffer));

    if (oldContext != _context.get()) EAGLContext::setCurrentContext(oldContext);
}

CGPoint EAGLView::convertPointFromViewToSurface(CGPoint point) const {
    CGRect bounds = this->bounds();
    return host::CGPointMake((point.x - bounds.origin.x) / bounds.size.width * _size.width,
                             (point.y - bounds.origin.y) / bounds.size.height * _size.height);
}

CGRect EAGLView::convertRectFromViewToSurface(CGRect rect) const {
    CGRect bounds = this->bounds();
    return host::CGRectMake((rect.origin.x - bounds.origin.x) / bounds.size.width * _size.width,
                            (rect.origin.y - bounds.origin.y) / bounds.size.height * _size.height,
                            _size.width * (rect.size.width / bounds.size.width),
                            _size.height * (rect.size.height / bounds.size.height));
}
