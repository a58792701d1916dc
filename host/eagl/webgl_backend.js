// The JS half of webgl_backend.cpp.
mergeInto(LibraryManager.library, {
  paddock_webgl_supported: function() {
    return typeof WebGLRenderingContext !== 'undefined' ? 1 : 0;
  },

  // A WebGL 1 context on a 1 x 1 canvas that is never shown: the GL ES layer
  // draws into framebuffer objects and reads them back. Registered with
  // emscripten's GL so that its gl functions and context handles work on it.
  paddock_webgl_create_context__deps: ['$GL'],
  paddock_webgl_create_context: function() {
    var canvas = typeof document !== 'undefined' ? document.createElement('canvas')
                                                 : new OffscreenCanvas(1, 1);
    canvas.width = 1;
    canvas.height = 1;
    return GL.createContext(canvas, {
      majorVersion: 1, minorVersion: 0, alpha: false, depth: false, stencil: false,
      antialias: false, premultipliedAlpha: true, preserveDrawingBuffer: false,
      failIfMajorPerformanceCaveat: false
    });
  },

  // Drops a context at once rather than when the page collects its canvas:
  // browsers keep only a few WebGL contexts alive.
  paddock_webgl_destroy_context__deps: ['$GL'],
  paddock_webgl_destroy_context: function(handle) {
    var context = GL.getContext(handle);
    if (!context) return;
    var lose = context.GLctx.getExtension('WEBGL_lose_context');
    GL.deleteContext(handle);
    if (lose) lose.loseContext();
  },
});
