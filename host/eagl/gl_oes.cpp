#include "host/eagl/gles.h"
#include "host/eagl/gles_backend.h"

// The driver hands out these entry points only through the GL ES backend
// (eglGetProcAddress); they dispatch to whichever context is current when called.
namespace {

using host::GLESBackend;

struct OesEntryPoints {
    PFNGLISRENDERBUFFEROESPROC isRenderbuffer;
    PFNGLBINDRENDERBUFFEROESPROC bindRenderbuffer;
    PFNGLDELETERENDERBUFFERSOESPROC deleteRenderbuffers;
    PFNGLGENRENDERBUFFERSOESPROC genRenderbuffers;
    PFNGLRENDERBUFFERSTORAGEOESPROC renderbufferStorage;
    PFNGLGETRENDERBUFFERPARAMETERIVOESPROC getRenderbufferParameteriv;
    PFNGLISFRAMEBUFFEROESPROC isFramebuffer;
    PFNGLBINDFRAMEBUFFEROESPROC bindFramebuffer;
    PFNGLDELETEFRAMEBUFFERSOESPROC deleteFramebuffers;
    PFNGLGENFRAMEBUFFERSOESPROC genFramebuffers;
    PFNGLCHECKFRAMEBUFFERSTATUSOESPROC checkFramebufferStatus;
    PFNGLFRAMEBUFFERRENDERBUFFEROESPROC framebufferRenderbuffer;
    PFNGLFRAMEBUFFERTEXTURE2DOESPROC framebufferTexture2D;
    PFNGLGETFRAMEBUFFERATTACHMENTPARAMETERIVOESPROC getFramebufferAttachmentParameteriv;
    PFNGLGENERATEMIPMAPOESPROC generateMipmap;
};

template <typename F>
F load(const GLESBackend& backend, const char* name) {
    return reinterpret_cast<F>(backend.procAddress(name));
}

OesEntryPoints loadFrom(const GLESBackend& backend) {
    return {
        load<PFNGLISRENDERBUFFEROESPROC>(backend, "glIsRenderbufferOES"),
        load<PFNGLBINDRENDERBUFFEROESPROC>(backend, "glBindRenderbufferOES"),
        load<PFNGLDELETERENDERBUFFERSOESPROC>(backend, "glDeleteRenderbuffersOES"),
        load<PFNGLGENRENDERBUFFERSOESPROC>(backend, "glGenRenderbuffersOES"),
        load<PFNGLRENDERBUFFERSTORAGEOESPROC>(backend, "glRenderbufferStorageOES"),
        load<PFNGLGETRENDERBUFFERPARAMETERIVOESPROC>(backend, "glGetRenderbufferParameterivOES"),
        load<PFNGLISFRAMEBUFFEROESPROC>(backend, "glIsFramebufferOES"),
        load<PFNGLBINDFRAMEBUFFEROESPROC>(backend, "glBindFramebufferOES"),
        load<PFNGLDELETEFRAMEBUFFERSOESPROC>(backend, "glDeleteFramebuffersOES"),
        load<PFNGLGENFRAMEBUFFERSOESPROC>(backend, "glGenFramebuffersOES"),
        load<PFNGLCHECKFRAMEBUFFERSTATUSOESPROC>(backend, "glCheckFramebufferStatusOES"),
        load<PFNGLFRAMEBUFFERRENDERBUFFEROESPROC>(backend, "glFramebufferRenderbufferOES"),
        load<PFNGLFRAMEBUFFERTEXTURE2DOESPROC>(backend, "glFramebufferTexture2DOES"),
        load<PFNGLGETFRAMEBUFFERATTACHMENTPARAMETERIVOESPROC>(
            backend, "glGetFramebufferAttachmentParameterivOES"),
        load<PFNGLGENERATEMIPMAPOESPROC>(backend, "glGenerateMipmapOES"),
    };
}

// Loaded again only when another backend is chosen, which tests do.
const OesEntryPoints& oes() {
    static const GLESBackend* loadedFrom = nullptr;
    static OesEntryPoints entries{};
    const GLESBackend& backend = host::glesBackend();
    if (loadedFrom != &backend) {
        entries = loadFrom(backend);
        loadedFrom = &backend;
    }
    return entries;
}

}  // namespace

// A missing entry point cannot happen once a context exists (the backend checks
// for the extension), so the guards only keep a call without one harmless.
extern "C" {

GL_API GLboolean GL_APIENTRY glIsRenderbufferOES(GLuint renderbuffer) {
    return oes().isRenderbuffer ? oes().isRenderbuffer(renderbuffer) : GL_FALSE;
}
GL_API void GL_APIENTRY glBindRenderbufferOES(GLenum target, GLuint renderbuffer) {
    if (oes().bindRenderbuffer) oes().bindRenderbuffer(target, renderbuffer);
}
GL_API void GL_APIENTRY glDeleteRenderbuffersOES(GLsizei n, const GLuint* renderbuffers) {
    if (oes().deleteRenderbuffers) oes().deleteRenderbuffers(n, renderbuffers);
}
GL_API void GL_APIENTRY glGenRenderbuffersOES(GLsizei n, GLuint* renderbuffers) {
    if (oes().genRenderbuffers) oes().genRenderbuffers(n, renderbuffers);
}
GL_API void GL_APIENTRY glRenderbufferStorageOES(GLenum target, GLenum internalformat,
                                                 GLsizei width, GLsizei height) {
    if (oes().renderbufferStorage) oes().renderbufferStorage(target, internalformat, width, height);
}
GL_API void GL_APIENTRY glGetRenderbufferParameterivOES(GLenum target, GLenum pname,
                                                        GLint* params) {
    if (oes().getRenderbufferParameteriv) oes().getRenderbufferParameteriv(target, pname, params);
}
GL_API GLboolean GL_APIENTRY glIsFramebufferOES(GLuint framebuffer) {
    return oes().isFramebuffer ? oes().isFramebuffer(framebuffer) : GL_FALSE;
}
GL_API void GL_APIENTRY glBindFramebufferOES(GLenum target, GLuint framebuffer) {
    if (oes().bindFramebuffer) oes().bindFramebuffer(target, framebuffer);
}
GL_API void GL_APIENTRY glDeleteFramebuffersOES(GLsizei n, const GLuint* framebuffers) {
    if (oes().deleteFramebuffers) oes().deleteFramebuffers(n, framebuffers);
}
GL_API void GL_APIENTRY glGenFramebuffersOES(GLsizei n, GLuint* framebuffers) {
    if (oes().genFramebuffers) oes().genFramebuffers(n, framebuffers);
}
GL_API GLenum GL_APIENTRY glCheckFramebufferStatusOES(GLenum target) {
    return oes().checkFramebufferStatus ? oes().checkFramebufferStatus(target) : 0;
}
GL_API void GL_APIENTRY glFramebufferRenderbufferOES(GLenum target, GLenum attachment,
                                                     GLenum renderbuffertarget,
                                                     GLuint renderbuffer) {
    if (oes().framebufferRenderbuffer)
        oes().framebufferRenderbuffer(target, attachment, renderbuffertarget, renderbuffer);
}
GL_API void GL_APIENTRY glFramebufferTexture2DOES(GLenum target, GLenum attachment,
                                                  GLenum textarget, GLuint texture, GLint level) {
    if (oes().framebufferTexture2D)
        oes().framebufferTexture2D(target, attachment, textarget, texture, level);
}
GL_API void GL_APIENTRY glGetFramebufferAttachmentParameterivOES(GLenum target, GLenum attachment,
                                                                 GLenum pname, GLint* params) {
    if (oes().getFramebufferAttachmentParameteriv)
        oes().getFramebufferAttachmentParameteriv(target, attachment, pname, params);
}
GL_API void GL_APIENTRY glGenerateMipmapOES(GLenum target) {
    if (oes().generateMipmap) oes().generateMipmap(target);
}

}  // extern "C"
