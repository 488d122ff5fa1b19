// intro_boot: a fake text-mode boot console. Commands are typed at a fixed rate, their output
// appears at once, an underscore cursor blinks. Each frame is a pure function of the scene time.
#include "scenes/intro_boot.h"

#include <cmath>    // Required for: fmodf(), floorf()
#include <cstring>  // Required for: strlen(), strcmp(), memcpy()

namespace {

constexpr float kTypingRate = 33.0f;      // Characters per second
constexpr int kTextColumn = 4;
constexpr int kFirstRow = 7;
constexpr float kHoldTime = 1.81f;        // The finished script stays up this long before it replays
constexpr float kIntroTail = 0.1f;        // The show moves on this long after the last prompt
constexpr uint32_t kCursorGlyph = '_';
constexpr Color kCursorColour = {210, 250, 230, 255};
constexpr float kBlinkRate = 2.4f;        // Blinks per second
constexpr int kLineBuffer = 256;          // At most 255 typed characters are shown

constexpr Color kCommandColour = {200, 240, 220, 255};
constexpr Color kOutputColour = {178, 228, 206, 255};

const char* textOf(const BootScriptLine& line) { return line.text != nullptr ? line.text : ""; }

// Shows the first n characters of text at the start of screen row y.
void putPrefix(AsciiFramebuffer& fb, int y, const char* text, int n, Color fg, Color bg) {
    char prefix[kLineBuffer];
    const int len = (int)strlen(text);
    if (n > len) n = len;
    if (n > kLineBuffer - 1) n = kLineBuffer - 1;
    memcpy(prefix, text, (size_t)n);
    prefix[n] = '\0';
    fb.putText(kTextColumn, y, prefix, fg, bg);
}

}  // namespace

const BootScriptLine bootScript[kBootScriptRows] = {
    {BootLineKind::Command, "C:\\> ver", kCommandColour, 0.20f},
    {BootLineKind::Output, "MS-DOS Version 6.22", kOutputColour, 0.25f},
    {BootLineKind::Command, "C:\\> cd DEMO", kCommandColour, 0.18f},
    {BootLineKind::Command, "C:\\DEMO> dir /w", kCommandColour, 0.20f},
    {BootLineKind::Output, "DEMOEXE  CFG  SHADER  README  TOOLS", kOutputColour, 0.25f},
    {BootLineKind::Command, "C:\\DEMO> demo.exe /safe /vga", kCommandColour, 0.24f},
    {BootLineKind::Pause, nullptr, {0, 0, 0, 0}, 0.35f},
    {BootLineKind::Output, "Initializing display adapter...", kOutputColour, 0.20f},
    {BootLineKind::Output, "Loading lookup tables...", kOutputColour, 0.18f},
    {BootLineKind::Output, "Calibrating timing source...", kOutputColour, 0.18f},
    {BootLineKind::Output, "Video mode set: 120x42 cell matrix", kOutputColour, 0.28f},
    {BootLineKind::Command, "C:\\DEMO> run sequence_00", kCommandColour, 0.18f},
    {BootLineKind::Output, "stream: signal locked", kOutputColour, 0.16f},
    {BootLineKind::Output, "stream: phase drift detected", {255, 196, 120, 255}, 0.16f},
    {BootLineKind::Output, "stream: source id unresolved", {255, 140, 120, 255}, 0.20f},
    {BootLineKind::Command, "C:\\DEMO>", kCommandColour, 0.00f},
};

float bootScriptDuration(bool withHold) {
    float total = 0.0f;
    for (const BootScriptLine& line : bootScript) {
        if (line.kind == BootLineKind::Command && line.text != nullptr) total += (float)strlen(line.text) / kTypingRate;
        total += line.delay;
    }
    if (withHold) total += kHoldTime;
    return total;
}

float introDuration() { return bootScriptDuration(false) + kIntroTail; }

const char* bootPrompt() { return "C:\\DEMO>"; }

int bootPromptLine() {
    int line = 0;
    for (const BootScriptLine& row : bootScript) {
        if (row.kind == BootLineKind::Pause) continue;
        if (row.kind == BootLineKind::Command && strcmp(textOf(row), bootPrompt()) == 0) return line;
        ++line;
    }
    return line;
}

CellPos bootAnchor(int, int) { return {kTextColumn - 1 + (int)strlen(bootPrompt()), kFirstRow + bootPromptLine()}; }

void intro_boot(AsciiFramebuffer& fb, float sceneTime, Color bg, const BeatInfo*, const AudioFeatures*) {
    const float period = bootScriptDuration(true);
    const float t = fmodf(sceneTime, period);  // Script time: the script replays every period
    const bool blinkOn = fmodf(sceneTime * kBlinkRate, 1.0f) < 0.5f;

    float elapsed = 0.0f;
    int row = kFirstRow;
    const int limit = fb.rows - 2;
    CellPos cursor = {kTextColumn, kFirstRow};
    bool cursorShown = false;

    auto drawCursor = [&](int x, int y) {
        if (blinkOn) fb.setCell(x, y, kCursorGlyph, kCursorColour, bg);
    };

    for (const BootScriptLine& line : bootScript) {
        if (row > limit) break;
        const char* text = textOf(line);
        if (line.kind == BootLineKind::Pause) {
            elapsed += line.delay;
            if (elapsed > t) { drawCursor(kTextColumn, row); return; }
        } else if (line.kind == BootLineKind::Output) {
            fb.putText(kTextColumn, row, text, line.colour, bg);
            elapsed += line.delay;
            ++row;
            if (elapsed > t) { drawCursor(kTextColumn, row); return; }
        } else {
            const int len = (int)strlen(text);
            const float typedEnd = elapsed + (float)len / kTypingRate;
            if (typedEnd > t) {
                int typed = (int)floorf((t - elapsed) * kTypingRate);
                if (typed < 0) typed = 0;
                putPrefix(fb, row, text, typed, line.colour, bg);
                drawCursor(kTextColumn + typed, row);
                return;
            }
            putPrefix(fb, row, text, len, line.colour, bg);
            cursor = {kTextColumn + len, row};
            cursorShown = blinkOn;
            elapsed = typedEnd + line.delay;
            if (elapsed > t) { drawCursor(cursor.x, cursor.y); return; }
            ++row;
        }
    }
    if (cursorShown) fb.setCell(cursor.x, cursor.y, kCursorGlyph, kCursorColour, bg);
}
