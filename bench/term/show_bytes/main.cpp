// term_show_bytes: what the terminal player writes over the whole show, scene by scene, with no
// terminal: the show runs on a virtual clock at 60 frames a second, every frame goes through the
// player's own composition and encoder, and the bytes are sorted into glyphs, colour sequences,
// cursor moves, repeats and the rest.
//
//   term_show_bytes [--cols N] [--rows N] [--colors 24bit|256|16|none] [--no-repeat]
//
// Run from the repository root, so that the show finds its music.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "audio/analysis.h"
#include "frontends/terminal/term_platform.h"
#include "raylib.h"

namespace {

constexpr int kFps = 60;

struct Run {
    long long frame = 0;
    Wave wave = {};
};
Run gRun;

float virtualClock(void*) { return (float)((double)gRun.frame / (double)kFps); }
unsigned noKeys(void*) { return 0; }

bool loadDecoded(void*, MusicTrack& track, const char* path) {
    if (gRun.wave.data == nullptr) gRun.wave = LoadWave(path);
    if (!IsWaveValid(gRun.wave)) return false;
    float* samples = LoadWaveSamples(gRun.wave);
    if (samples == nullptr) return false;
    attachSamples(track, samples, (int)gRun.wave.frameCount, (int)gRun.wave.channels, (int)gRun.wave.sampleRate);
    return true;
}

// The analysis where the track would be playing on the virtual clock
AudioFeatures analyseHere(void*, MusicTrack& track) {
    if (track.samples == nullptr || track.sampleRate < 1 || track.frameCount < 1) return AudioFeatures{};
    const double length = (double)track.frameCount / (double)track.sampleRate;
    return analyseAt(track, (float)fmod((double)gRun.frame / (double)kFps, length), (float)length);
}

struct SceneBytes {
    long long frames = 0;
    ByteTally tally;
};

unsigned long long total(const ByteTally& t) { return t.glyphs + t.colours + t.moves + t.repeats + t.other; }

void printRow(const char* name, const SceneBytes& s) {
    const double f = s.frames > 0 ? (double)s.frames : 1.0;
    printf("%-22s %7lld %10.0f %9.0f %9.0f %8.0f %8.0f %7.0f\n", name, s.frames, (double)total(s.tally) / f,
           (double)s.tally.glyphs / f, (double)s.tally.colours / f, (double)s.tally.moves / f,
           (double)s.tally.repeats / f, (double)s.tally.other / f);
}

}  // namespace

int main(int argc, char** argv) {
    int cols = 120, rows = 42;
    ColourMode colours = ColourMode::TrueColour;
    bool repeat = true;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (strcmp(argv[i], "--cols") == 0 && hasValue) {
            cols = atoi(argv[++i]);
        } else if (strcmp(argv[i], "--rows") == 0 && hasValue) {
            rows = atoi(argv[++i]);
        } else if (strcmp(argv[i], "--colors") == 0 && hasValue && parseColourMode(argv[i + 1], colours)) {
            ++i;
        } else if (strcmp(argv[i], "--no-repeat") == 0) {
            repeat = false;
        } else {
            fprintf(stderr, "usage: term_show_bytes [--cols N] [--rows N] [--colors 24bit|256|16|none] [--no-repeat]\n");
            return 2;
        }
    }
    SetTraceLogLevel(LOG_NONE);

    TermFrontEnd fe;
    fe.termCols = cols;
    fe.termRows = rows;
    fe.outFd = open("/dev/null", O_WRONLY | O_CLOEXEC);
    fe.measurePlain = true;
    fe.encoder.colours = colours;
    fe.encoder.repeat = repeat;
    resetEncoder(fe.encoder, cols, rows, true);
    Platform platform = termPlatform(fe);
    platform.now = virtualClock;
    platform.keysPressed = noKeys;
    platform.loadMusic = loadDecoded;
    platform.updateMusic = analyseHere;

    Show show;
    fe.show = &show;
    startShow(show, platform);
    std::map<std::string, SceneBytes> scenes;
    std::vector<std::string> order;
    SceneBytes all;
    while (show.mode != ShowMode::Finished) {
        const unsigned long long before = fe.stats.bytes;
        runFrame(show, platform);
        const std::string name = show.mode == ShowMode::Show ? currentSceneName(show) : "closing screen";
        if (scenes.find(name) == scenes.end()) order.push_back(name);
        SceneBytes& s = scenes[name];
        ByteTally frame;
        if (fe.stats.bytes > before) tallyBytes(fe.output.buffer.bytes.data(), fe.output.buffer.size, frame);
        addTally(s.tally, frame);
        addTally(all.tally, frame);
        ++s.frames;
        ++all.frames;
        ++gRun.frame;
    }
    unload(show.music);
    if (gRun.wave.data != nullptr) UnloadWave(gRun.wave);

    printf("%dx%d, %d frames a second, %s colour%s; bytes a frame\n", cols, rows, kFps, colourModeName(colours),
           repeat ? ", repeats" : "");
    printf("%-22s %7s %10s %9s %9s %8s %8s %7s\n", "scene", "frames", "total", "glyphs", "colours", "moves", "repeats",
           "other");
    for (const std::string& name : order) printRow(name.c_str(), scenes[name]);
    printRow("whole show", all);
    const double plain = (double)fe.stats.plainBytes / (double)(all.frames > 0 ? all.frames : 1);
    printf("writing every cell: %.0f bytes a frame; %.1f %% saved; %.2f MB/s at %d frames a second\n", plain,
           100.0 * (1.0 - (double)total(all.tally) / (double)fe.stats.plainBytes),
           (double)total(all.tally) / (double)all.frames * kFps / 1e6, kFps);
    return 0;
}
