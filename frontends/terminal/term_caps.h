// What the terminal can show, decided from its environment and its terminfo entry: the colour mode
// and whether it repeats a character (REP). Plain code: the tests hand it environments and entries.
#pragma once

#include <cstddef>
#include <string>

#include "frontends/terminal/term_palette.h"

// The environment variables the decision reads; unset and empty are the same except for NO_COLOR's
// presence, which only counts when non-empty.
struct TermEnv {
    std::string term, colorTerm, noColor, tmux;
    std::string screenSession;  // STY: inside GNU screen
    std::string terminfo, terminfoDirs, home;  // Where terminfo entries are looked for
};

TermEnv environmentNow();

// What a compiled terminfo entry says: found, its colour count (-1: none given), 24-bit colour
// (the RGB or Tc extension) and the repeat-character string.
struct TermInfo {
    bool found = false;
    int colours = -1;
    bool directColour = false;
    bool repeat = false;
};

// Reads a compiled entry (the legacy and the 32-bit number formats, with extended capabilities);
// false for anything that is not one.
bool parseTermInfo(const unsigned char* data, size_t size, TermInfo& info);

// Looks the terminal's entry up where ncurses would: $TERMINFO, ~/.terminfo, $TERMINFO_DIRS, then
// the system's directories; both the letter and the hexadecimal directory layouts.
TermInfo loadTermInfo(const TermEnv& env);

struct TermCaps {
    ColourMode colours = ColourMode::TrueColour;
    bool repeat = false;  // ESC [ n b repeats an ASCII character
};

// NO_COLOR: none. COLORTERM truecolor or 24bit (but not inside GNU screen, where it is the outer
// terminal's), or terminfo's RGB or Tc: 24-bit. 256 colours in terminfo, a TERM that says
// 256color, or tmux: 256. A terminal with colours: 16. A dumb one, or one without colours: none.
TermCaps detectCaps(const TermEnv& env, const TermInfo& info);
