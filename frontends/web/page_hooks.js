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
