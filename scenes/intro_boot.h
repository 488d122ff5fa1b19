// The boot console that opens the show: its script, and the timings and anchor the timeline reads.
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
// How long a scene runs by its script: the boot console's script plus a short tail; -1 for others.
float introDuration(const SceneDesc& scene);

struct CellPos {
    int x;
    int y;
};
// The cell a transition out of this scene flies into: the final prompt of the boot console, or
// the grid centre for every other scene.
CellPos transitionAnchor(const SceneDesc& scene, int cols, int rows);

const char* bootPrompt();
// Screen rows above the final prompt's row, counted from the first script row.
int bootPromptLine();
