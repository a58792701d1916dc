// The page around the program: the stage canvas sized to fit the viewport,
// the program's arguments from the address (?clock-start=SECONDS seeds the
// show as a headless run's --clock-start does), and a notice when the
// program cannot start.
(function() {
  var canvas = document.getElementById('stage');
  var fit = function() {
    var scale = Math.min(window.innerWidth / 320, window.innerHeight / 480);
    canvas.style.width = 320 * scale + 'px';
    canvas.style.height = 480 * scale + 'px';
  };
  fit();
  window.addEventListener('resize', fit);
  // No page zoom from a gesture anywhere on the page (iOS ignores the viewport's).
  ['gesturestart', 'dblclick'].forEach(function(type) {
    document.addEventListener(type, function(e) { e.preventDefault(); });
  });

  var args = [];
  var start = new URLSearchParams(location.search).get('clock-start');
  if (start !== null) args.push('--clock-start', start);
  var notice = function(text) {
    var p = document.getElementById('notice');
    p.textContent = text;
    p.hidden = false;
  };
  // The program's lines to standard error, kept: the last says why it stopped.
  var said = '';
  window.Module = {
    arguments: args,
    canvas: canvas,
    printErr: function(line) {
      console.warn(line);
      said = line;
    },
    paddockStopped: function() { notice('Paddock could not start: ' + said); },
    onAbort: function(what) { notice('Paddock stopped: ' + what); },
  };
  if (typeof WebAssembly != 'object') notice('This browser cannot run WebAssembly.');
})();
