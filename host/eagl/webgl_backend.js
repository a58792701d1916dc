// The JS half of webgl_backend.cpp.
mergeInto(LibraryManager.library, {
  paddock_webgl_supported: function() {
    return typeof WebGLRenderingContext !== 'undefined' ? 1 : 0;
  },

  // A WebGL 1 context on a 1 x 1 canvas that is never shown: the GL ES layer
  // draws into framebuffer objects and reads them back. Registered with
  // emscripten's GL so that its gl functions and context handles work on it.
  paddock_webgl_create_context__deps: ['$GL', '$dynCall'],
  paddock_webgl_create_context: function(restored) {
    var canvas = typeof document !== 'undefined' ? document.createElement('canvas')
                                                 : new OffscreenCanvas(1, 1);
    canvas.width = 1;
    canvas.height = 1;
    var handle = GL.createContext(canvas, {
      majorVersion: 1, minorVersion: 0, alpha: false, depth: false, stencil: false,
      antialias: false, premultipliedAlpha: true, preserveDrawingBuffer: false,
      failIfMajorPerformanceCaveat: false
    });
    // A phone's browser may drop the context of a page put away: it is asked
    // back, and once back the C++ side makes its objects again.
    canvas.addEventListener('webglcontextlost', function(e) { e.preventDefault(); }, false);
    canvas.addEventListener('webglcontextrestored', function() {
      if (GL.contexts[handle]) dynCall('vi', restored, [handle]);
    }, false);
    return handle;
  },

  // Gives a renderbuffer (kind 0) or framebuffer (1) name a new object of the
  // current context, in place of one a lost context took with it.
  paddock_webgl_renew__deps: ['$GL'],
  paddock_webgl_renew: function(kind, name) {
    var object = kind ? GLctx.createFramebuffer() : GLctx.createRenderbuffer();
    object.name = name;
    (kind ? GL.framebuffers : GL.renderbuffers)[name] = object;
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
