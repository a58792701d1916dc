// Fetches what the page needs of the bundle into /bundle before main runs:
// every file bundle/files.json lists, but of a picture only the variant for
// the page's pixels per point (name@2x.png, name@3x.png, else name.png). The
// fetches start as this script loads, while the program itself compiles.
(function() {
  var ratio = (typeof devicePixelRatio == 'number' && devicePixelRatio) || 1;
  var zoom = Math.min(3, Math.max(1, Math.round(ratio)));
  var wanted = function(names) {
    return names.filter(function(name) {
      var variant = /^(.*)@(\d)x\.png$/.exec(name);
      if (variant) return Number(variant[2]) == zoom;
      var plain = /^(.*)\.png$/.exec(name);
      return !plain || names.indexOf(plain[1] + '@' + zoom + 'x.png') < 0;
    });
  };
  var get = function(name) {
    return fetch('bundle/' + name).then(function(r) {
      if (!r.ok) throw new Error('bundle/' + name + ': ' + r.status + ' ' + r.statusText);
      return r.arrayBuffer();
    });
  };
  // [[name, bytes], ...]
  var files = get('files.json').then(function(data) {
    var names = wanted(JSON.parse(new TextDecoder().decode(data)));
    return Promise.all(names.map(function(name) {
      return get(name).then(function(data) { return [name, new Uint8Array(data)]; });
    }));
  });
  Module['preRun'] = [].concat(Module['preRun'] || [], function() {
    addRunDependency('paddock-bundle');
    files.then(function(list) {
      FS.mkdir('/bundle');
      list.forEach(function(file) { FS.writeFile('/bundle/' + file[0], file[1]); });
      removeRunDependency('paddock-bundle');
    }, function(e) {
      // Main never runs: the page says why.
      console.error('cannot load the bundle: ' + e.message);
      if (Module['onAbort']) Module['onAbort']('cannot load the bundle: ' + e.message);
    });
  });
})();
