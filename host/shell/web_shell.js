// The page half of the browser's window (web_window.cpp): the stage canvas,
// its touch and mouse events queued with their timestamps, and presenting
// composed frames. Touches are numbered from 1, the lowest free number; the
// mouse is finger 0. The page neither scrolls nor zooms under a finger.

mergeInto(LibraryManager.library, {
  $paddockShell: {
    canvas: null,
    context: null,
    queue: [],
    fingers: {},  // touch identifier: finger number
    mouseDown: false,

    // The event's place in stage points.
    point: function(clientX, clientY) {
      var c = paddockShell.canvas, r = c.getBoundingClientRect();
      var pointsWide = c.width / paddockShell.zoom, pointsHigh = c.height / paddockShell.zoom;
      return [(clientX - r.left) * pointsWide / r.width, (clientY - r.top) * pointsHigh / r.height];
    },
    push: function(kind, finger, phase, p, time) {
      paddockShell.queue.push([kind, finger, phase, p[0], p[1], time]);
    },
    finger: function(id, began) {
      var f = paddockShell.fingers;
      if (id in f) return f[id];
      if (!began) return -1;
      var used = Object.values(f), n = 1;
      while (used.indexOf(n) >= 0) ++n;
      return (f[id] = n);
    },
    onTouch: function(e) {
      // No scrolling, no zoom on a double tap, no mouse events made up after.
      e.preventDefault();
      var phase = {touchstart: 0, touchmove: 1, touchend: 3, touchcancel: 4}[e.type];
      for (var i = 0; i < e.changedTouches.length; ++i) {
        var t = e.changedTouches[i];
        var finger = paddockShell.finger(t.identifier, phase == 0);
        if (finger < 0) continue;
        if (phase >= 3) delete paddockShell.fingers[t.identifier];
        paddockShell.push(0, finger, phase, paddockShell.point(t.clientX, t.clientY), e.timeStamp);
      }
    },
    onMouse: function(e) {
      if (e.button != 0 && e.type != 'mousemove') return;
      var phase;
      if (e.type == 'mousedown') {
        paddockShell.mouseDown = true;
        phase = 0;
      } else if (!paddockShell.mouseDown) {
        return;
      } else if (e.type == 'mousemove') {
        phase = 1;
      } else {
        paddockShell.mouseDown = false;
        phase = 3;
      }
      e.preventDefault();
      paddockShell.push(0, 0, phase, paddockShell.point(e.clientX, e.clientY), e.timeStamp);
    },
  },

  paddock_shell_zoom__deps: ['$paddockShell'],
  paddock_shell_zoom: function() {
    var ratio = (typeof devicePixelRatio == 'number' && devicePixelRatio) || 1;
    return (paddockShell.zoom = Math.min(3, Math.max(1, Math.round(ratio))));
  },

  paddock_shell_attach__deps: ['$paddockShell'],
  paddock_shell_attach: function(width, height) {
    var c = Module['canvas'] || document.getElementById('stage');
    if (!c || !c.getContext) return 0;
    c.width = width;
    c.height = height;
    paddockShell.canvas = c;
    paddockShell.context = c.getContext('2d');
    var touch = paddockShell.onTouch, mouse = paddockShell.onMouse, active = {passive: false};
    ['touchstart', 'touchmove', 'touchend', 'touchcancel'].forEach(function(type) {
      c.addEventListener(type, touch, active);
    });
    c.addEventListener('mousedown', mouse);
    // A drag goes on (and ends) outside the canvas too.
    window.addEventListener('mousemove', mouse);
    window.addEventListener('mouseup', mouse);
    // A page put away loses its fingers, as a window that loses focus does.
    document.addEventListener('visibilitychange', function() {
      if (document.hidden) {
        paddockShell.fingers = {};
        paddockShell.mouseDown = false;
        paddockShell.queue.push([1, 0, 0, 0, 0, performance.now()]);
      } else {
        paddockShell.queue.push([2, 0, 0, 0, 0, performance.now()]);
      }
    });
    Module['paddockFrames'] = 0;
    return 1;
  },

  paddock_shell_next_event__deps: ['$paddockShell'],
  paddock_shell_next_event: function(out) {
    var e = paddockShell.queue.shift();
    if (!e) return 0;
    for (var i = 0; i < 6; ++i) HEAPF64[(out >> 3) + i] = e[i];
    return 1;
  },

  paddock_shell_present__deps: ['$paddockShell'],
  paddock_shell_present: function(rgba, width, height) {
    var pixels = new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4);
    paddockShell.context.putImageData(new ImageData(pixels, width, height), 0, 0);
    // For the page and its tests: frames shown, and when the first one was.
    if (Module['paddockFrames']++ == 0) Module['paddockFirstFrame'] = performance.now();
  },
});

mergeInto(LibraryManager.library, {
  // A device whose lines go to the console as "trace: <line>", for the trace file.
  paddock_shell_trace_device__deps: ['$FS'],
  paddock_shell_trace_device: function(path) {
    var line = [];
    var device = FS.makedev(64, 0);
    FS.registerDevice(device, {
      open: function() {},
      close: function() {},
      write: function(stream, buffer, offset, length) {
        for (var i = 0; i < length; ++i) {
          var b = buffer[offset + i];
          if (b != 10) {
            line.push(b);
            continue;
          }
          console.log('trace: ' + UTF8ArrayToString(line, 0));
          line = [];
        }
        return length;
      },
    });
    FS.mkdev(UTF8ToString(path), device);
  },
});
