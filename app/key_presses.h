// The viewer's key presses of one frame, oldest first. raylib's IsKeyPressed misses a press and
// release that both fall between two frames (a quick tap on a slow machine); its queue of pressed
// keys keeps every press. Both are read: the queue gives the presses in order, and a press that
// IsKeyPressed sees but the queue lacks (a full queue, a backend that does not fill it) is added.
#pragma once

constexpr int kMaxKeyPresses = 32;

struct KeyPresses {
    unsigned keys[kMaxKeyPresses] = {};  // ShowKey bits, one press each, oldest first
    int count = 0;
};

// The ShowKey bit of a raylib key code; 0 for keys the show does not use.
unsigned showKeyFor(int keyCode);

// The raylib key codes the show reacts to: boundKeyCode(0 .. boundKeyCount() - 1).
int boundKeyCount();
int boundKeyCode(int i);

// This frame's presses: the queued key codes in their order, then every code in `pressedNow`
// (bound keys IsKeyPressed reports) that the queue did not hold. Keys the show does not use are
// dropped; presses beyond kMaxKeyPresses are dropped.
KeyPresses collectKeyPresses(const int* queued, int queuedCount, const int* pressedNow, int pressedCount);
