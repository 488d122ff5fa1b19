// Appended to the generated module: what the page and its tests call on it.

// Starts the show: runs main(), which opens the audio device. Call it from a click or key handler.
Module['startShow'] = function () {
  callMain([]);
};

// The show's state as an object (see davur_evi_state in main_web.cpp).
Module['showState'] = function () {
  return JSON.parse(UTF8ToString(_davur_evi_state()));
};

// Every scene's cell hash on a fixed script (see davur_evi_scene_cells in main_web.cpp), as an array.
Module['sceneCells'] = function () {
  return JSON.parse(UTF8ToString(_davur_evi_scene_cells()));
};

// The show from its beginning again (the end card's "watch the show again"), from a click handler.
Module['watchAgain'] = function () {
  _davur_evi_restart();
};

// A tap on a touch screen: the next scene, as SPACE.
Module['tap'] = function () {
  _davur_evi_tap();
};

// Starts the page without the show's music, for your own music, which follows at once.
Module['startSilent'] = function () {
  callMain(['--silent']);
};

// `text` as a UTF-8 string in the wasm's memory for the length of `use(pointer)`.
function withWasmString(text, use) {
  var size = lengthBytesUTF8(text) + 1;
  var pointer = _davur_evi_alloc(size, 1);
  if (!pointer) return 0;
  stringToUTF8(text, pointer, size);
  try {
    return use(pointer);
  } finally {
    _davur_evi_free(pointer);
  }
}

// Your music, decoded by the browser: the mean of its channels (Float32Arrays) goes to the
// visualizer, which keeps it; the page plays the browser's own copy. False when the wasm has no
// room for it or the visualizer refused it.
Module['playDecoded'] = function (channels, sampleRate, title) {
  var frames = channels[0].length;
  var samples = _davur_evi_alloc(frames, 4);
  if (!samples) return false;
  var mono = HEAPF32.subarray(samples >> 2, (samples >> 2) + frames);  // After the allocation grew the memory
  mono.set(channels[0]);
  for (var c = 1; c < channels.length; ++c) {
    var data = channels[c];
    for (var i = 0; i < frames; ++i) mono[i] += data[i];
  }
  if (channels.length > 1) {
    var scale = 1 / channels.length;
    for (var j = 0; j < frames; ++j) mono[j] *= scale;
  }
  return withWasmString(title, function (name) {
    return _davur_evi_play_decoded(samples, frames, sampleRate, name);
  }) === 1;
};

// The microphone: live sound at `sampleRate`, its mono blocks through pushLive.
Module['playLive'] = function (sampleRate, name) {
  return withWasmString(name, function (pointer) {
    return _davur_evi_play_live(sampleRate, pointer);
  }) === 1;
};

var liveBlock = 0;  // The wasm's copy of one block, kept between blocks
var liveRoom = 0;
Module['pushLive'] = function (block) {
  if (block.length > liveRoom) {
    if (liveBlock) _davur_evi_free(liveBlock);
    liveBlock = _davur_evi_alloc(block.length, 4);
    liveRoom = liveBlock ? block.length : 0;
  }
  if (!liveBlock) return;
  HEAPF32.set(block, liveBlock >> 2);
  _davur_evi_push_live(liveBlock, block.length);
};
