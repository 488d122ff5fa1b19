#include "app/key_presses.h"

#include "app/frame_loop.h"  // Required for: ShowKey
#include "raylib.h"          // Required for: KeyboardKey codes

namespace {

struct KeyBinding {
    int key;
    ShowKey action;
};

const KeyBinding kKeys[] = {
    {KEY_SPACE, KeySkip},           {KEY_F11, KeyFullscreen},          {KEY_F3, KeyRedrawAll},
    {KEY_V, KeyColorBoost},         {KEY_LEFT_BRACKET, KeyTempoDown},  {KEY_RIGHT_BRACKET, KeyTempoUp},
    {KEY_B, KeyRestartBeats},       {KEY_MINUS, KeySmallerCells},      {KEY_KP_SUBTRACT, KeySmallerCells},
    {KEY_EQUAL, KeyLargerCells},    {KEY_KP_ADD, KeyLargerCells},
    // The visualizer's, as in mpv: > and < (the keys they share on most layouts), p; the show ignores them
    {KEY_PERIOD, KeyNextFile},      {KEY_COMMA, KeyPreviousFile},      {KEY_P, KeyPause},
};
constexpr int kKeyCount = (int)(sizeof(kKeys) / sizeof(kKeys[0]));

bool contains(const int* codes, int count, int code) {
    for (int i = 0; i < count; ++i) {
        if (codes[i] == code) return true;
    }
    return false;
}

void add(KeyPresses& presses, unsigned key) {
    if (key != 0 && presses.count < kMaxKeyPresses) presses.keys[presses.count++] = key;
}

}  // namespace

unsigned showKeyFor(int keyCode) {
    for (const KeyBinding& k : kKeys) {
        if (k.key == keyCode) return k.action;
    }
    return 0;
}

int boundKeyCount() { return kKeyCount; }
int boundKeyCode(int i) { return kKeys[i].key; }

KeyPresses collectKeyPresses(const int* queued, int queuedCount, const int* pressedNow, int pressedCount) {
    KeyPresses presses;
    for (int i = 0; i < queuedCount; ++i) add(presses, showKeyFor(queued[i]));
    for (int i = 0; i < pressedCount; ++i) {
        if (!contains(queued, queuedCount, pressedNow[i])) add(presses, showKeyFor(pressedNow[i]));
    }
    return presses;
}
