// The boot console that opens the show: its script, and its timings and anchor for the scene facts.
#pragma once

#include "scenes/scene.h"

enum class BootLineKind : uint32_t { Command = 0, Output = 1, Pause = 2 };

struct BootScriptLine {
    BootLineKind kind;  // Command: typed at the prompt; Output: shown at once; Pause: no text, no row
    const char* text;    // Null reads as the empty text
    Color colour;
    float delay;         // Seconds the script waits after this row
};

constexpr int kBootScriptRows = 16;
extern const BootScriptLine bootScript[kBootScriptRows];

// Script length in seconds: typed characters at 33 per second plus every delay, and the hold.
float bootScriptDuration(bool withHold);
// How long the boot console runs: its script plus a short tail.
float introDuration();

// The cell a transition out of the boot console flies into: its final prompt, whatever the grid.
CellPos bootAnchor(int cols, int rows);

const char* bootPrompt();
// Screen rows above the final prompt's row, counted from the first script row.
int bootPromptLine();
