// The page half of the canvas drawing backend (canvas_backend.cpp): canvases
// by number, the drawing calls, pixels in and out, and the text engine on
// measureText with the font loaded before main runs.

mergeInto(LibraryManager.library, {
  $paddockCanvas__postset: 'paddockCanvas.start();',
  $paddockCanvas: {
    canvases: [null],  // by number; 0 is none
    free: [],
    measurer: null,
    fontReady: false,
    fontProblem: '',
    metrics: {},  // family and size: [ascent, descent]

    // Loads the subset font (beside the program's JS) as the system font
    // family before main runs: a run dependency holds main back until it is
    // there or has failed.
    start: function() {
      if (typeof FontFace == 'undefined' || typeof document == 'undefined') return;
      var load = function() {
        addRunDependency('paddock-font');
        var face = new FontFace('DejaVu Sans', 'url(' + locateFile('paddock-sans.woff') + ')');
        face.load().then(function(loaded) {
          document.fonts.add(loaded);
          paddockCanvas.fontReady = true;
        }, function(e) {
          paddockCanvas.fontProblem = 'paddock-sans.woff: ' + ((e && e.message) || e);
        }).finally(function() { removeRunDependency('paddock-font'); });
      };
      if (!Module['preRun']) Module['preRun'] = [];
      if (typeof Module['preRun'] == 'function') Module['preRun'] = [Module['preRun']];
      Module['preRun'].push(load);
    },
    make: function(width, height) {
      if (typeof OffscreenCanvas != 'undefined') return new OffscreenCanvas(width, height);
      var c = document.createElement('canvas');
      c.width = width;
      c.height = height;
      return c;
    },
    context: function(n) { return paddockCanvas.canvases[n].ctx; },
    font: function(family, size) {
      return size + 'px "' + family + '", "DejaVu Sans"';
    },
    measure: function() {
      if (!paddockCanvas.measurer)
        paddockCanvas.measurer = paddockCanvas.make(1, 1).getContext('2d');
      return paddockCanvas.measurer;
    },
    colour: function(r, g, b, a) {
      var c = function(v) { return Math.round(Math.min(Math.max(v, 0), 1) * 255); };
      return 'rgba(' + c(r) + ',' + c(g) + ',' + c(b) + ',' + Math.min(Math.max(a, 0), 1) + ')';
    },
  },

  paddock_canvas_create__deps: ['$paddockCanvas'],
  paddock_canvas_create: function(width, height) {
    var canvas = paddockCanvas.make(width, height);
    var ctx = canvas.getContext('2d', {willReadFrequently: true});
    var n = paddockCanvas.free.length ? paddockCanvas.free.pop() : paddockCanvas.canvases.length;
    paddockCanvas.canvases[n] = {canvas: canvas, ctx: ctx, image: ctx.createImageData(width, height)};
    return n;
  },

  paddock_canvas_free__deps: ['$paddockCanvas'],
  paddock_canvas_free: function(n) {
    if (!paddockCanvas.canvases[n]) return;
    paddockCanvas.canvases[n] = null;
    paddockCanvas.free.push(n);
  },

  // Premultiplied native-order ARGB (bytes B G R A) or 5-6-5 into the canvas.
  paddock_canvas_upload__deps: ['$paddockCanvas'],
  paddock_canvas_upload: function(n, pixels, stride, rgb565) {
    var held = paddockCanvas.canvases[n];
    var w = held.canvas.width, h = held.canvas.height, out = held.image.data;
    for (var y = 0; y < h; ++y) {
      var row = pixels + y * stride, o = y * w * 4;
      for (var x = 0; x < w; ++x, o += 4) {
        if (rgb565) {
          var p = HEAPU8[row + 2 * x] | HEAPU8[row + 2 * x + 1] << 8;
          var r = p >> 11, g = (p >> 5) & 63, b = p & 31;
          out[o] = r << 3 | r >> 2;
          out[o + 1] = g << 2 | g >> 4;
          out[o + 2] = b << 3 | b >> 2;
          out[o + 3] = 255;
        } else {
          var i = row + 4 * x, a = HEAPU8[i + 3];
          if (a == 0) {
            out[o] = out[o + 1] = out[o + 2] = out[o + 3] = 0;
          } else {
            out[o] = Math.min(255, Math.round(HEAPU8[i + 2] * 255 / a));
            out[o + 1] = Math.min(255, Math.round(HEAPU8[i + 1] * 255 / a));
            out[o + 2] = Math.min(255, Math.round(HEAPU8[i] * 255 / a));
            out[o + 3] = a;
          }
        }
      }
    }
    held.ctx.putImageData(held.image, 0, 0);
  },

  // The canvas's pixels back into the image, premultiplied as cairo rounds.
  // Opaque and clear pixels, most of a frame, take a shortcut.
  paddock_canvas_download__deps: ['$paddockCanvas'],
  paddock_canvas_download: function(n, pixels, stride, rgb565) {
    var held = paddockCanvas.canvases[n];
    var w = held.canvas.width, h = held.canvas.height;
    var data = held.ctx.getImageData(0, 0, w, h).data;
    var words = new Uint32Array(data.buffer, data.byteOffset, w * h);
    var pre = function(a, c) {
      var t = a * c + 0x80;
      return (t + (t >> 8)) >> 8;
    };
    for (var y = 0; y < h; ++y) {
      var row = pixels + y * stride, o = y * w;
      for (var x = 0; x < w; ++x, ++o) {
        var s = words[o], a = s >>> 24, r = s & 255, g = (s >> 8) & 255, b = (s >> 16) & 255;
        if (a != 255) {
          r = a ? pre(a, r) : 0;
          g = a ? pre(a, g) : 0;
          b = a ? pre(a, b) : 0;
        }
        if (rgb565) {
          // Opaque: what lies under the image is black.
          HEAPU16[(row >> 1) + x] = (r >> 3) << 11 | (g >> 2) << 5 | b >> 3;
        } else {
          HEAPU32[(row >> 2) + x] = (a << 24 | r << 16 | g << 8 | b) >>> 0;
        }
      }
    }
  },

  // A new context's state: identity, no clip, opaque black fills, source-over.
  paddock_canvas_begin__deps: ['$paddockCanvas'],
  paddock_canvas_begin: function(n) {
    var ctx = paddockCanvas.context(n);
    ctx.save();
    ctx.setTransform(1, 0, 0, 1, 0, 0);
    ctx.globalCompositeOperation = 'source-over';
    ctx.globalAlpha = 1;
    ctx.fillStyle = 'rgba(0,0,0,1)';
  },

  paddock_canvas_end__deps: ['$paddockCanvas'],
  paddock_canvas_end: function(n) {
    var ctx = paddockCanvas.context(n);
    // Unbalanced saves of the draw function are undone with the context's own.
    ctx.restore();
    ctx.setTransform(1, 0, 0, 1, 0, 0);
  },

  paddock_canvas_save__deps: ['$paddockCanvas'],
  paddock_canvas_save: function(n) { paddockCanvas.context(n).save(); },
  paddock_canvas_restore__deps: ['$paddockCanvas'],
  paddock_canvas_restore: function(n) { paddockCanvas.context(n).restore(); },

  paddock_canvas_set_transform__deps: ['$paddockCanvas'],
  paddock_canvas_set_transform: function(n, a, b, c, d, tx, ty) {
    paddockCanvas.context(n).setTransform(a, b, c, d, tx, ty);
  },

  paddock_canvas_clip_rect__deps: ['$paddockCanvas'],
  paddock_canvas_clip_rect: function(n, x, y, w, h) {
    var ctx = paddockCanvas.context(n);
    ctx.beginPath();
    ctx.rect(x, y, w, h);
    ctx.clip();
  },

  paddock_canvas_set_fill__deps: ['$paddockCanvas'],
  paddock_canvas_set_fill: function(n, r, g, b, a) {
    paddockCanvas.context(n).fillStyle = paddockCanvas.colour(r, g, b, a);
  },

  // Every pixel inside the clip replaced: 'copy' over the whole canvas.
  paddock_canvas_clear__deps: ['$paddockCanvas'],
  paddock_canvas_clear: function(n, r, g, b, a) {
    var held = paddockCanvas.canvases[n], ctx = held.ctx;
    ctx.save();
    ctx.setTransform(1, 0, 0, 1, 0, 0);
    ctx.globalCompositeOperation = 'copy';
    ctx.fillStyle = paddockCanvas.colour(r, g, b, a);
    ctx.fillRect(0, 0, held.canvas.width, held.canvas.height);
    ctx.restore();
  },

  paddock_canvas_fill_rect__deps: ['$paddockCanvas'],
  paddock_canvas_fill_rect: function(n, x, y, w, h) {
    paddockCanvas.context(n).fillRect(x, y, w, h);
  },

  // Points as x, y doubles; each subpath closed; non-zero winding.
  paddock_canvas_fill_path__deps: ['$paddockCanvas'],
  paddock_canvas_fill_path: function(n, points, moves, count) {
    var ctx = paddockCanvas.context(n);
    ctx.beginPath();
    for (var i = 0; i < count; ++i) {
      var x = HEAPF64[(points >> 3) + 2 * i], y = HEAPF64[(points >> 3) + 2 * i + 1];
      if (HEAPU8[moves + i]) {
        ctx.closePath();
        ctx.moveTo(x, y);
      } else {
        ctx.lineTo(x, y);
      }
    }
    ctx.closePath();
    ctx.fill('nonzero');
  },

  // filter: 0 nearest, 1 bilinear, 2 smooth. With `extended` edges the edge
  // pixels are drawn stretched outwards first, so smoothing never fades the
  // image's edges (the clip bounds them).
  paddock_canvas_draw_canvas__deps: ['$paddockCanvas'],
  paddock_canvas_draw_canvas: function(n, source, w, h, filter, extended) {
    var ctx = paddockCanvas.context(n), src = paddockCanvas.canvases[source].canvas;
    ctx.save();
    ctx.imageSmoothingEnabled = filter != 0;
    if (filter != 0) ctx.imageSmoothingQuality = filter == 1 ? 'low' : 'high';
    if (extended && filter != 0) {
      var m = Math.max(w, h);
      ctx.drawImage(src, 0, 0, 1, h, -m, 0, m, h);  // left
      ctx.drawImage(src, w - 1, 0, 1, h, w, 0, m, h);  // right
      ctx.drawImage(src, 0, 0, w, 1, 0, -m, w, m);  // top
      ctx.drawImage(src, 0, h - 1, w, 1, 0, h, w, m);  // bottom
      ctx.drawImage(src, 0, 0, 1, 1, -m, -m, m, m);
      ctx.drawImage(src, w - 1, 0, 1, 1, w, -m, m, m);
      ctx.drawImage(src, 0, h - 1, 1, 1, -m, h, m, m);
      ctx.drawImage(src, w - 1, h - 1, 1, 1, w, h, m, m);
    }
    ctx.drawImage(src, 0, 0);
    ctx.restore();
  },

  paddock_canvas_fill_text__deps: ['$paddockCanvas'],
  paddock_canvas_fill_text: function(n, family, size, text, x, baselineY) {
    var ctx = paddockCanvas.context(n);
    ctx.font = paddockCanvas.font(UTF8ToString(family), size);
    ctx.textBaseline = 'alphabetic';
    ctx.textAlign = 'left';
    ctx.fillText(UTF8ToString(text), x, baselineY);
  },

  // 1 when the font is there; else 0 and why.
  paddock_text_font_ready__deps: ['$paddockCanvas'],
  paddock_text_font_ready: function(family, why, whySize) {
    var problem = !paddockCanvas.fontReady ? (paddockCanvas.fontProblem || 'not loaded')
        : !document.fonts.check(paddockCanvas.font(UTF8ToString(family), 16)) ? 'not usable' : '';
    stringToUTF8(problem, why, whySize);
    return problem ? 0 : 1;
  },

  // The advance of the first `bytes` bytes of the UTF-8 text, in points.
  paddock_text_width__deps: ['$paddockCanvas'],
  paddock_text_width: function(family, size, text, bytes) {
    var ctx = paddockCanvas.measure();
    ctx.font = paddockCanvas.font(UTF8ToString(family), size);
    return ctx.measureText(UTF8ToString(text, bytes)).width;
  },

  // The font's ascent and descent per point of size, from its own metrics:
  // measured at 2048 px, where the browser's whole-pixel rounding of them is
  // exact for a font of 2048 units to the em.
  paddock_text_metrics__deps: ['$paddockCanvas'],
  paddock_text_metrics: function(family, ascent, descent) {
    var key = UTF8ToString(family), m = paddockCanvas.metrics[key];
    if (!m) {
      var ctx = paddockCanvas.measure();
      ctx.font = paddockCanvas.font(key, 2048);
      var t = ctx.measureText('');
      m = paddockCanvas.metrics[key] =
          [t.fontBoundingBoxAscent / 2048, t.fontBoundingBoxDescent / 2048];
    }
    HEAPF64[ascent >> 3] = m[0];
    HEAPF64[descent >> 3] = m[1];
  },

  // Byte offsets of the grapheme cluster boundaries, from 0 to the length.
  paddock_text_clusters: function(text, bytes, bounds, capacity) {
    var s = UTF8ToString(text, bytes), count = 0;
    var put = function(v) {
      if (count < capacity) HEAPU32[(bounds >> 2) + count++] = v;
    };
    // UTF-16 index to UTF-8 byte offset, in one pass.
    var offsets = new Array(s.length + 1), at = 0;
    for (var i = 0; i < s.length; ++i) {
      offsets[i] = at;
      var c = s.charCodeAt(i);
      if (c < 0x80) at += 1;
      else if (c < 0x800) at += 2;
      else if (c >= 0xD800 && c < 0xDC00) { offsets[++i] = at; at += 4; }
      else at += 3;
    }
    offsets[s.length] = at;
    var segmenter = new Intl.Segmenter(undefined, {granularity: 'grapheme'});
    for (var seg of segmenter.segment(s)) put(offsets[seg.index]);
    put(at);
    return count;
  },
});
