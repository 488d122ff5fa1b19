// The page around the show: says what a browser lacks before anything downloads, downloads the
// program and its data with a progress bar, starts the show from a click, a key or a tap, skips to
// the next scene on a tap, offers fullscreen, and after the closing screen an end card: the show
// again, or the viewer's own music.
//
// Your music: files chosen with the music button or dropped anywhere on the page (several: in name
// order) are decoded by the browser, which knows more formats than the show; the visualizer in the
// wasm gets a mono mix for its analysis and tempo tracking, and the page plays the browser's own
// copy (Module.ownMusic, which the wasm drives). The microphone button feeds the room's sound to it
// in blocks.
(function () {
  'use strict';
  var kIdleMs = 2500;
  var kProgram = 'davur_evi.js';
  var kDownloads = ['davur_evi.wasm', 'davur_evi.data'];  // The bulk, fetched here to show progress
  var kMaxShownPercent = 99;  // Until every byte is in: a compressed transfer can outgrow its length
  // Decoded sound costs memory twice: the browser's copy (stereo, as it plays) and the wasm's mono
  // mix at kDecodeRate, 320 MB for the longest track, within what wasm32 memory may grow to
  var kLongestTrackMinutes = 30;
  var kDecodeRate = 44100;
  var kLiveBlock = 2048;      // Frames of the microphone per block handed to the wasm
  var kNoticeMs = 7000;
  var kCaptionMs = 500;

  var stage = document.getElementById('stage');
  var start = document.getElementById('start');
  var endCard = document.getElementById('endcard');
  var ready = false;
  var started = false;
  var notice = document.getElementById('notice');
  var caption = document.getElementById('caption');

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
    event.preventDefault();
    event.stopPropagation();
    leaveStartScreen();
    Module.startShow();
  }

  function leaveStartScreen() {
    started = true;
    start.remove();
    document.getElementById('about').remove();  // Before the show only: nothing is drawn over it
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
    resumeAudio();
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
    resumeAudio();
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
    forgetYourMusic();
    Module.watchAgain();
  });

  // ---------------------------------------------------------------------------------------------
  // Your music
  // ---------------------------------------------------------------------------------------------
  var playback = null;  // The AudioContext that plays your music and hears the microphone
  var queue = [];       // Files still to play, in name order
  var turn = 0;         // A newer choice wins over a file still being decoded
  var microphone = null;
  var noticeTimer = 0;

  function audioContext() {
    if (!playback) playback = new (window.AudioContext || window.webkitAudioContext)();
    return playback;
  }

  // Browsers start a page's sound only after the viewer did something on it: called from handlers.
  function resumeAudio() {
    if (playback && playback.state === 'suspended') playback.resume().catch(function () {});
  }

  // A short message at the top of the page for a few seconds.
  function notify(sentence) {
    notice.textContent = sentence;
    notice.hidden = false;
    clearTimeout(noticeTimer);
    noticeTimer = setTimeout(function () { notice.hidden = true; }, kNoticeMs);
  }

  // The track the visualizer plays, from the browser's decoded copy; the wasm calls these.
  var player = {
    buffer: null,
    node: null,
    startedAt: 0,  // The context's time at which the track's start would have played
    offset: 0,     // Seconds played when paused
    paused: false,
    play: function () {
      if (!player.buffer) return 0;
      player.halt();
      player.offset = 0;
      player.paused = false;
      player.run();
      return 1;
    },
    played: function () {
      if (!player.buffer) return 0;
      if (player.paused || !player.node) return player.offset;
      return Math.min(audioContext().currentTime - player.startedAt, player.buffer.duration);
    },
    pause: function (paused) {
      if (!player.buffer || paused === player.paused) return;
      if (paused) {
        player.offset = player.played();
        player.halt();
      } else {
        player.run();
      }
      player.paused = paused;
    },
    stop: function () {
      player.halt();
      player.offset = 0;
    },
    run: function () {
      var context = audioContext();
      var node = context.createBufferSource();
      node.buffer = player.buffer;
      node.connect(context.destination);
      node.start(0, player.offset);
      player.startedAt = context.currentTime - player.offset;
      player.node = node;
    },
    halt: function () {
      if (!player.node) return;
      player.node.stop();
      player.node.disconnect();
      player.node = null;
    }
  };
  Module.ownMusic = player;

  function byName(a, b) {
    return a.name.localeCompare(b.name, undefined, { numeric: true });
  }

  function minutes(seconds) {
    return Math.ceil(seconds / 60);
  }

  function tooLong(file, seconds) {
    return { sentence: file.name + ' is ' + minutes(seconds) + ' minutes long: this page plays tracks of up to ' +
                       kLongestTrackMinutes + ' minutes.' };
  }

  // The length the browser reads from the file's header, without decoding it; 0 when it cannot tell.
  function headerLength(file) {
    return new Promise(function (resolve) {
      var probe = document.createElement('audio');
      var url = URL.createObjectURL(file);
      var done = false;
      function finish(seconds) {
        if (done) return;
        done = true;
        URL.revokeObjectURL(url);
        resolve(seconds);
      }
      probe.preload = 'metadata';
      probe.onloadedmetadata = function () { finish(isFinite(probe.duration) ? probe.duration : 0); };
      probe.onerror = function () { finish(0); };  // Decoding will tell
      probe.src = url;
    });
  }

  // The whole file decoded at kDecodeRate, whatever the device's rate.
  function decode(bytes) {
    var Offline = window.OfflineAudioContext || window.webkitOfflineAudioContext;
    var context = new Offline(1, 1, kDecodeRate);
    return new Promise(function (resolve, reject) {
      var promised = context.decodeAudioData(bytes, resolve, reject);  // A promise too, where browsers have it
      if (promised && promised.catch) promised.catch(function () {});    // Its failure is told through reject
    });
  }

  function titleOf(file) {
    return file.name.replace(/\.[^.]*$/, '') || file.name;
  }

  // Files chosen or dropped: in name order, the first now, the next when its track is over.
  function playFiles(list) {
    var files = Array.prototype.slice.call(list || []);
    if (files.length === 0) return;
    if (!ready) {
      notify('The show is still loading: try again in a moment.');
      return;
    }
    resumeAudio();
    files.sort(byName);
    queue = files;
    playNext();
  }

  function playNext() {
    var file = queue.shift();
    if (!file) return;
    var mine = ++turn;
    notify('opening ' + file.name + '\u2026');
    headerLength(file).then(function (seconds) {
      if (seconds > kLongestTrackMinutes * 60) throw tooLong(file, seconds);
      return file.arrayBuffer();
    }).then(decode).then(function (buffer) {
      if (mine !== turn) return;
      if (buffer.duration > kLongestTrackMinutes * 60) throw tooLong(file, buffer.duration);
      if (buffer.length === 0) throw { sentence: file.name + ' holds no sound.' };
      var channels = [];
      for (var c = 0; c < buffer.numberOfChannels; ++c) channels.push(buffer.getChannelData(c));
      stopMicrophone();
      if (!started) {
        leaveStartScreen();
        Module.startSilent();
      }
      player.buffer = buffer;  // The visualizer asks the player to start it
      if (!Module.playDecoded(channels, buffer.sampleRate, titleOf(file))) {
        throw { sentence: file.name + ' is too large for the memory this page may use.' };
      }
      endCard.hidden = true;
      notice.hidden = true;
    }).catch(function (error) {
      if (mine !== turn) return;
      notify((error && error.sentence) || (file.name + ' could not be played: this browser cannot decode it as sound.'));
      playNext();  // The next file, if any; else whatever was on goes on
    });
  }

  function forgetYourMusic() {
    queue = [];
    ++turn;
    stopMicrophone();
    player.stop();
    player.buffer = null;
  }

  // The room's sound. Browsers allow the microphone only on HTTPS or on localhost.
  function listen() {
    if (!ready) return;
    if (!navigator.mediaDevices || !navigator.mediaDevices.getUserMedia) {
      notify('This browser allows the microphone only to pages on HTTPS (or on this computer).');
      return;
    }
    var context = audioContext();
    resumeAudio();
    var mine = ++turn;
    navigator.mediaDevices.getUserMedia({
      audio: { echoCancellation: false, noiseSuppression: false, autoGainControl: false }, video: false
    }).then(function (stream) {
      if (mine !== turn) {
        stream.getTracks().forEach(function (track) { track.stop(); });
        return;
      }
      forgetYourMusic();
      var source = context.createMediaStreamSource(stream);
      // The blocks reach the wasm on the page's own thread: no shared memory, no special headers
      var processor = context.createScriptProcessor(kLiveBlock, 1, 1);
      processor.onaudioprocess = function (event) { Module.pushLive(event.inputBuffer.getChannelData(0)); };
      source.connect(processor);
      processor.connect(context.destination);  // It runs only when connected; its output is silence
      microphone = { stream: stream, source: source, processor: processor };
      if (!started) {
        leaveStartScreen();
        Module.startSilent();
      }
      if (!Module.playLive(context.sampleRate, 'microphone')) {
        stopMicrophone();
        notify('The microphone\'s sound could not be used.');
        return;
      }
      endCard.hidden = true;
    }).catch(function (error) {
      if (mine === turn) notify(microphoneRefusal(error));
    });
  }

  function microphoneRefusal(error) {
    switch (error && error.name) {
      case 'NotAllowedError':
      case 'SecurityError':
        return 'The microphone was not allowed. Allow it for this page in the browser and press the microphone button again.';
      case 'NotFoundError':
      case 'OverconstrainedError':
        return 'No microphone was found. Connect one and press the microphone button again.';
      case 'NotReadableError':
      case 'AbortError':
        return 'The microphone could not be opened: another program may be using it.';
      default:
        return 'The microphone could not be opened.';
    }
  }

  function stopMicrophone() {
    if (!microphone) return;
    microphone.processor.onaudioprocess = null;
    microphone.source.disconnect();
    microphone.processor.disconnect();
    microphone.stream.getTracks().forEach(function (track) { track.stop(); });
    microphone = null;
  }

  var files = document.getElementById('files');
  function chooseFiles(event) {
    event.stopPropagation();
    audioContext();
    resumeAudio();
    files.click();
  }
  files.addEventListener('change', function () {
    playFiles(files.files);
    files.value = '';  // The same file chosen again is a new choice
  });
  document.getElementById('music').addEventListener('click', chooseFiles);
  document.getElementById('own').addEventListener('click', chooseFiles);
  document.getElementById('microphone').addEventListener('click', function (event) {
    event.stopPropagation();
    listen();
  });

  // Files dropped anywhere on the page
  function carriesFiles(event) {
    return event.dataTransfer && Array.prototype.indexOf.call(event.dataTransfer.types || [], 'Files') >= 0;
  }
  window.addEventListener('dragover', function (event) {
    if (!carriesFiles(event)) return;
    event.preventDefault();
    event.dataTransfer.dropEffect = 'copy';
  });
  window.addEventListener('drop', function (event) {
    if (!carriesFiles(event)) return;
    event.preventDefault();
    audioContext();
    playFiles(event.dataTransfer.files);
  });

  // The track is over: the next file, if any, replaces its closing screen.
  Module.trackEnded = function () {
    if (queue.length > 0) playNext();
  };

  // A hidden tab pauses the show (main_web.cpp's clock); your music waits with it.
  document.addEventListener('visibilitychange', function () {
    if (!playback) return;
    if (document.hidden) playback.suspend().catch(function () {});
    else playback.resume().catch(function () {});
  });

  // The title and the tempo while your music or the microphone plays.
  setInterval(function () {
    var s = started && window.Module.showState ? Module.showState() : null;
    var playing = s && s.started && s.source !== 'show' && s.mode === 'show';
    caption.hidden = !playing;
    if (!playing) return;
    var name = s.source === 'microphone' ? 'microphone' : s.title;
    caption.textContent = name + ' \u00b7 ' + (s.tempo > 0 ? Math.round(s.tempo) + ' bpm' : 'finding the tempo\u2026');
  }, kCaptionMs);

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
