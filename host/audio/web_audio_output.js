// The page half of the Web Audio output (web_audio_output.cpp): buffers and
// source nodes by number, the context started on the first touch or click,
// and Module.paddockAudioReport() for tests.

mergeInto(LibraryManager.library, {
  $paddockAudio__postset: 'paddockAudio.start();',
  $paddockAudio: {
    context: null,
    gesture: false,  // a touch, click or key came: the context may run
    buffers: [null],
    free: [],
    nodes: {},  // playback number: source node
    gain: null,
    report: {decoded: 0, started: 0, unheard: 0, ended: 0, stopped: 0, state: 'none', failed: ''},

    start: function() {
      Module['paddockResumeAudio'] = paddockAudio.resume;
      Module['paddockAudioReport'] = function() {
        var r = Object.assign({}, paddockAudio.report);
        r.state = paddockAudio.context ? paddockAudio.context.state : 'none';
        r.playing = Object.keys(paddockAudio.nodes).length;
        return r;
      };
      if (typeof document == 'undefined') return;
      // Ends of touches and clicks are the gestures that let a page start sound.
      ['touchend', 'mouseup', 'pointerup', 'keydown'].forEach(function(type) {
        document.addEventListener(type, paddockAudio.resume, {capture: true, passive: true});
      });
    },

    resume: function() {
      paddockAudio.gesture = true;
      var c = paddockAudio.context;
      if (c && c.state == 'suspended') {
        c.resume().catch(function(e) {
          paddockAudio.report.failed = String(e);
        });
      }
    },
  },

  // Made suspended unless a gesture came already.
  paddock_audio_open__deps: ['$paddockAudio'],
  paddock_audio_open: function(why, whySize) {
    var Context = typeof AudioContext != 'undefined' ? AudioContext
                  : typeof webkitAudioContext != 'undefined' ? webkitAudioContext : null;
    if (!Context) {
      stringToUTF8('no Web Audio in this browser', why, whySize);
      return 0;
    }
    try {
      var c = new Context();
      if (!paddockAudio.gesture && c.state == 'running') c.suspend();
      // Sounds mix at half level, as on a device: a boing over a moo does not clip.
      var gain = c.createGain();
      gain.gain.value = 0.5;
      gain.connect(c.destination);
      paddockAudio.context = c;
      paddockAudio.gain = gain;
      return 1;
    } catch (e) {
      stringToUTF8('Web Audio: ' + e, why, whySize);
      return 0;
    }
  },

  paddock_audio_close__deps: ['$paddockAudio'],
  paddock_audio_close: function() {
    for (var n in paddockAudio.nodes) {
      var node = paddockAudio.nodes[n];
      node.onended = null;
      node.stop();
    }
    paddockAudio.nodes = {};
    if (paddockAudio.context) paddockAudio.context.close();
    paddockAudio.context = null;
  },

  // Interleaved float samples into an AudioBuffer; its number, 0 if refused.
  paddock_audio_buffer__deps: ['$paddockAudio'],
  paddock_audio_buffer: function(samples, frames, channels, rate) {
    var buffer;
    try {
      buffer = paddockAudio.context.createBuffer(channels, frames, rate);
    } catch (e) {
      return 0;
    }
    var base = samples >> 2;
    for (var ch = 0; ch < channels; ++ch) {
      var data = buffer.getChannelData(ch);
      for (var i = 0; i < frames; ++i) data[i] = HEAPF32[base + i * channels + ch];
    }
    var n = paddockAudio.free.length ? paddockAudio.free.pop() : paddockAudio.buffers.length;
    paddockAudio.buffers[n] = buffer;
    paddockAudio.report.decoded++;
    return n;
  },

  paddock_audio_free__deps: ['$paddockAudio'],
  paddock_audio_free: function(n) {
    if (!paddockAudio.buffers[n]) return;
    paddockAudio.buffers[n] = null;
    paddockAudio.free.push(n);
  },

  // Whether a node started now is heard: the context runs, or a gesture
  // has asked it to.
  paddock_audio_audible__deps: ['$paddockAudio'],
  paddock_audio_audible: function() {
    var c = paddockAudio.context;
    return c && (c.state == 'running' || (c.state == 'suspended' && paddockAudio.gesture)) ? 1 : 0;
  },

  paddock_audio_count_unheard__deps: ['$paddockAudio'],
  paddock_audio_count_unheard: function() { paddockAudio.report.unheard++; },

  paddock_audio_play__deps: ['$paddockAudio', 'paddock_audio_ended'],
  paddock_audio_play: function(buffer, playback) {
    var c = paddockAudio.context, node = c.createBufferSource();
    node.buffer = paddockAudio.buffers[buffer];
    node.connect(paddockAudio.gain);
    node.onended = function() {
      delete paddockAudio.nodes[playback];
      paddockAudio.report.ended++;
      _paddock_audio_ended(playback);
    };
    paddockAudio.nodes[playback] = node;
    node.start();
    paddockAudio.report.started++;
  },

  paddock_audio_stop__deps: ['$paddockAudio'],
  paddock_audio_stop: function(playback) {
    var node = paddockAudio.nodes[playback];
    if (!node) return;
    delete paddockAudio.nodes[playback];
    node.onended = null;
    node.stop();
    paddockAudio.report.stopped++;
  },
});
