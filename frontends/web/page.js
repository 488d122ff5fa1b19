// The page around the show: says what a browser lacks before anything downloads, downloads the
// program and its data with a progress bar, starts the show from a click, a key or a tap, skips to
// the next scene on a tap, offers fullscreen, and after the closing screen an end card: the show
// again, or the viewer's own music.
(function () {
  'use strict';
  var kIdleMs = 2500;
  var kProgram = 'davur_evi.js';
  var kDownloads = ['davur_evi.wasm', 'davur_evi.data'];  // The bulk, fetched here to show progress
  var kMaxShownPercent = 99;  // Until every byte is in: a compressed transfer can outgrow its length

  var stage = document.getElementById('stage');
  var start = document.getElementById('start');
  var endCard = document.getElementById('endcard');
  var ready = false;
  var started = false;

  window.Module = {
    canvas: document.getElementById('canvas'),
    onRuntimeInitialized: function () {
      ready = true;
      start.innerHTML = '<div>davur_evi<br><br>click, tap or press a key to start<br><br>' +
                        '<small>SPACE or a tap: next scene &middot; F11 full screen</small></div>';
    },
    onAbort: function () {
      tell('The show could not start in this browser.');
    },
    // The closing screen is over (main_web.cpp)
    showEnded: function () {
      endCard.hidden = false;
      stage.classList.remove('idle');
      document.getElementById('again').focus();
    }
  };

  // A sentence in the middle of the page instead of the start prompt.
  function tell(sentence) {
    start.textContent = sentence;
    start.classList.add('notice');
  }

  // What the show needs that this browser lacks, as a sentence; '' when it has everything.
  function missingFeatures() {
    var missing = [];
    if (typeof WebAssembly !== 'object') missing.push('WebAssembly, which runs the show');
    var gl = null;
    try {
      gl = document.createElement('canvas').getContext('webgl2');
    } catch (e) {
      gl = null;
    }
    if (!gl) {
      missing.push('WebGL 2, which draws the picture');
    } else {
      var lose = gl.getExtension('WEBGL_lose_context');  // The show makes its own context
      if (lose) lose.loseContext();
    }
    if (!(window.AudioContext || window.webkitAudioContext)) missing.push('Web Audio, which plays the sound');
    if (missing.length === 0) return '';
    return 'This browser has no ' + missing.join(' and no ') + '. The show needs it: a current Firefox, ' +
           'Chrome, Edge or Safari has it, unless it was switched off in the browser\'s settings or the ' +
           'graphics driver is blocked.';
  }

  // Fetches a file whole; `progress(received, length)` hears of every part (length 0: not announced).
  function download(name, progress) {
    return fetch(name).then(function (response) {
      if (!response.ok) throw new Error(name + ' (' + response.status + ')');
      var length = Number(response.headers.get('Content-Length')) || 0;
      progress(0, length);
      if (!response.body || !response.body.getReader) return response.arrayBuffer();
      var reader = response.body.getReader();
      var parts = [];
      var received = 0;
      function next() {
        return reader.read().then(function (part) {
          if (part.done) return joined(parts, received);
          parts.push(part.value);
          received += part.value.length;
          progress(received, length);
          return next();
        });
      }
      return next();
    });
  }

  function joined(parts, length) {
    var whole = new Uint8Array(length);
    var at = 0;
    parts.forEach(function (part) {
      whole.set(part, at);
      at += part.length;
    });
    return whole.buffer;
  }

  // The downloads' bytes together, as a percentage once every length is known, else megabytes.
  var loading = {};
  function showProgress(name, received, length) {
    loading[name] = { received: received, length: length };
    var got = 0;
    var total = 0;
    var known = kDownloads.every(function (n) { return loading[n] && loading[n].length > 0; });
    kDownloads.forEach(function (n) {
      if (!loading[n]) return;
      got += loading[n].received;
      total += loading[n].length;
    });
    var percent = document.getElementById('percent');
    var bar = document.getElementById('progress');
    if (!percent || !bar) return;
    if (known) {
      var shown = Math.min(kMaxShownPercent, Math.floor(100 * got / total));
      percent.textContent = shown + '%';
      bar.value = shown;
    } else {
      percent.textContent = (got / 1e6).toFixed(1) + ' MB';
      bar.removeAttribute('value');  // Indeterminate
    }
  }

  // The program and its data with progress, then the program's script, which finds both here.
  function load() {
    var missing = missingFeatures();
    if (missing) {
      tell(missing);
      return;
    }
    Promise.all(kDownloads.map(function (name) {
      return download(name, function (received, length) { showProgress(name, received, length); });
    })).then(function (files) {
      var data = files[1];
      Module.wasmBinary = files[0];
      Module.getPreloadedPackage = function () {  // Once: the data is unpacked into memory
        var whole = data;
        data = null;
        return whole;
      };
      var percent = document.getElementById('percent');
      if (percent) percent.textContent = '100%';
      document.getElementById('progress').value = 100;
      var script = document.createElement('script');
      script.src = kProgram;
      script.onerror = function () { tell('The show could not be downloaded (' + kProgram + '). Reload the page to try again.'); };
      document.body.appendChild(script);
    }).catch(function (error) {
      tell('The show could not be downloaded: ' + error.message + '. Reload the page to try again.');
    });
  }

  // Browsers let a page start its sound only from a click, a key or a tap, so the show starts there.
  function begin(event) {
    if (!ready || started) return;
    started = true;
    event.preventDefault();
    event.stopPropagation();
    start.remove();
    document.getElementById('about').remove();  // Before the show only: nothing is drawn over it
    Module.startShow();
  }

  // Fullscreen is granted only inside a click or key handler: the page's own F11 and corner control.
  function toggleFullscreen() {
    if (document.fullscreenElement) {
      document.exitFullscreen().catch(function () {});
    } else if (stage.requestFullscreen) {
      stage.requestFullscreen().catch(function () {});  // Refused (an iframe without allowfullscreen)
    }
  }

  start.addEventListener('click', begin);
  window.addEventListener('keydown', function (event) {
    if (event.key === 'F11') {
      event.preventDefault();
      toggleFullscreen();
      return;
    }
    // Escape lets no page start its sound, and leaves fullscreen as usual
    if (!started && event.key !== 'Escape') begin(event);
  }, true);
  document.getElementById('fullscreen').addEventListener('click', function (event) {
    event.stopPropagation();
    toggleFullscreen();
  });

  // Touch screens have no keys: a tap starts the show, and then skips to the next scene. The
  // page's own controls and the end card keep their taps.
  stage.addEventListener('pointerup', function (event) {
    if (event.pointerType !== 'touch' && event.pointerType !== 'pen') return;
    if (event.target.closest('button, a, #endcard')) return;
    if (!started) {
      begin(event);
    } else if (endCard.hidden) {
      Module.tap();
    }
  });

  document.getElementById('again').addEventListener('click', function (event) {
    event.stopPropagation();
    endCard.hidden = true;
    Module.watchAgain();
  });

  var idleTimer = 0;
  function woken() {
    stage.classList.remove('idle');
    clearTimeout(idleTimer);
    idleTimer = setTimeout(function () { if (started && endCard.hidden) stage.classList.add('idle'); }, kIdleMs);
  }
  stage.addEventListener('mousemove', woken);
  woken();
  load();
})();
