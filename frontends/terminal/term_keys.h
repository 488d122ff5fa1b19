// Keys from a terminal in raw mode: bytes in, the show's keys and the wish to quit out.
// Escape sequences (arrows, function keys, a terminal's replies) are read whole and ignored, so the
// '[' of an arrow key never nudges the tempo; an ESC on its own quits once nothing follows it.
#pragma once

#include <cstddef>
#include <deque>

struct KeyReader {
    enum class State { Text, AfterEscape, Csi, Ss3 } state = State::Text;
    std::deque<unsigned> pending;  // ShowKey bits, one press each, oldest first
    bool quit = false;             // q, Ctrl-C or a lone ESC
};

// Reads a chunk of input bytes.
void feedKeys(KeyReader& reader, const char* bytes, size_t count);

// Nothing followed an ESC in time: it was the ESC key.
void escapeTimedOut(KeyReader& reader);

// The presses for one frame, oldest first, up to the first key pressed twice: a key acts once per
// frame, and a second press of it waits for the next frame.
unsigned takeFrameKeys(KeyReader& reader);
