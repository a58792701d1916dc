// The page half of PNG reading in the web build (ui_image_web.cpp): the
// browser decodes every PNG file of the in-memory file system before main
// runs, so that C++ can have the pixels at once. Decoding waits until every
// other run dependency (the files being fetched, the font) is gone, so the
// files are there; Module.paddockDecodeImages() decodes what came later.

mergeInto(LibraryManager.library, {
  $paddockImages__deps: ['$FS'],
  $paddockImages__postset: 'paddockImages.start();',
  $paddockImages: {
    decoded: {},  // canonical path: {width, height, rgba} or {error}

    start: function() {
      Module['paddockDecodeImages'] = paddockImages.decodeAll;
      if (typeof createImageBitmap == 'undefined') return;
      var hold = function() {
        // Armed only once every preRun of this start has added its own.
        var armed = false, started = false;
        var check = function(left) {
          if (!armed || started || left != 1) return;
          started = true;
          paddockImages.decodeAll().finally(function() {
            removeRunDependency('paddock-images');
          });
        };
        var before = Module['monitorRunDependencies'];
        Module['monitorRunDependencies'] = function(left) {
          if (before) before(left);
          check(left);
        };
        addRunDependency('paddock-images');
        setTimeout(function() {
          armed = true;
          check(runDependencies);
        }, 0);
      };
      if (!Module['preRun']) Module['preRun'] = [];
      if (typeof Module['preRun'] == 'function') Module['preRun'] = [Module['preRun']];
      Module['preRun'].push(hold);
    },

    // Paths of the PNG files under `dir`, but for the system's own folders.
    walk: function(dir, out) {
      FS.readdir(dir).forEach(function(name) {
        if (name == '.' || name == '..') return;
        var path = (dir == '/' ? '' : dir) + '/' + name;
        if (path == '/dev' || path == '/proc') return;
        var mode = FS.stat(path).mode;
        if (FS.isDir(mode)) paddockImages.walk(path, out);
        else if (FS.isFile(mode) && /\.png$/i.test(name)) out.push(path);
      });
      return out;
    },

    decode: function(path) {
      var blob = new Blob([FS.readFile(path)], {type: 'image/png'});
      var options = {premultiplyAlpha: 'none', colorSpaceConversion: 'none'};
      return createImageBitmap(blob, options).then(function(bitmap) {
        var w = bitmap.width, h = bitmap.height;
        var canvas = new OffscreenCanvas(w, h);
        var ctx = canvas.getContext('2d', {willReadFrequently: true});
        ctx.drawImage(bitmap, 0, 0);
        bitmap.close();
        paddockImages.decoded[path] = {width: w, height: h, rgba: ctx.getImageData(0, 0, w, h).data};
      }, function(e) {
        paddockImages.decoded[path] = {error: (e && e.message) || String(e)};
      });
    },

    decodeAll: function() {
      var paths = paddockImages.walk('/', []).filter(function(p) {
        return !(p in paddockImages.decoded);
      });
      return Promise.all(paths.map(paddockImages.decode));
    },
  },

  paddock_image_pixels__deps: ['$paddockImages'],
  paddock_image_pixels: function(path, width, height, pixels, stride, why, whySize) {
    var canonical;
    try {
      canonical = FS.lookupPath(UTF8ToString(path), {follow: true}).path;
    } catch (e) {
      return -1;
    }
    var d = paddockImages.decoded[canonical];
    if (!d) return -1;
    if (d.error || d.width != width || d.height != height) {
      stringToUTF8(d.error || ('decoded as ' + d.width + ' x ' + d.height), why, whySize);
      return 0;
    }
    for (var y = 0; y < height; ++y)
      HEAPU8.set(d.rgba.subarray(y * width * 4, (y + 1) * width * 4), pixels + y * stride);
    return 1;
  },
});
