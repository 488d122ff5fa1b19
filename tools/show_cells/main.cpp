// show_cells: every cell of every frame, with no window, for comparing two builds of the show.
//
//   show_cells write FILE [SCENE]     writes the frames to FILE ("-": standard output)
//   show_cells compare FILE [SCENE]   renders the same frames and compares them with FILE ("-": stdin)
//
// The frames are, first, the whole show at 60 frames a second on a virtual clock, its analysis
// reading assets/audio/output.ogg where the live show would be playing it (zoom, timeline and
// closing screen included); then every scene on its own for 30 s at 120 x 42 and 173 x 60 cells,
// with scripted audio built from exact arithmetic. `compare` prints, per scene, how many frames and
// cells differ and how far the audio analysis moved. Piping one build's `write` into another's
// `compare` needs no disk. With a SCENE name, only that scene's own runs.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/frame_loop.h"
#include "app/scene_cells.h"
#include "audio/analysis.h"
#include "audio/scripted_music.h"
#include "audio/track_on_clock.h"
#include "raylib.h"

namespace {

constexpr int kFps = 60;
constexpr float kSceneSeconds = 30.0f;
constexpr int kFeatureCount = 5 + kBandCount;
const GridSize kSceneGrids[] = {{120, 42}, {173, 60}};

struct Frame {
    std::string run;
    int cols = 0, rows = 0;
    float features[kFeatureCount] = {};
    std::vector<Cell> cells;
};

// The frames go to a writer or a comparer; both see the same sequence
struct Sink {
    FILE* file = nullptr;
    bool compare = false;
    bool truncated = false;
    struct Counts {
        long long frames = 0, framesDiffering = 0, cells = 0, cellsDiffering = 0, sizeDiffering = 0;
        double featureMax = 0.0;
    };
    std::map<std::string, Counts> counts;
    std::vector<std::string> order;
};

void writeFrame(FILE* f, const Frame& frame) {
    const uint32_t nameLength = (uint32_t)frame.run.size();
    fwrite(&nameLength, sizeof nameLength, 1, f);
    fwrite(frame.run.data(), 1, nameLength, f);
    const int32_t size[2] = {frame.cols, frame.rows};
    fwrite(size, sizeof size, 1, f);
    fwrite(frame.features, sizeof frame.features, 1, f);
    fwrite(frame.cells.data(), sizeof(Cell), frame.cells.size(), f);
}

bool readFrame(FILE* f, Frame& frame) {
    uint32_t nameLength = 0;
    if (fread(&nameLength, sizeof nameLength, 1, f) != 1 || nameLength > 256) return false;
    frame.run.resize(nameLength);
    if (fread(&frame.run[0], 1, nameLength, f) != nameLength) return false;
    int32_t size[2];
    if (fread(size, sizeof size, 1, f) != 1 || size[0] < 0 || size[1] < 0 || size[0] > 4096 || size[1] > 4096) {
        return false;
    }
    frame.cols = size[0];
    frame.rows = size[1];
    if (fread(frame.features, sizeof frame.features, 1, f) != 1) return false;
    frame.cells.resize((size_t)frame.cols * (size_t)frame.rows);
    return fread(frame.cells.data(), sizeof(Cell), frame.cells.size(), f) == frame.cells.size();
}

void emit(Sink& sink, const std::string& run, const AsciiFramebuffer& fb, const AudioFeatures& audio) {
    Frame frame;
    frame.run = run;
    frame.cols = fb.cols;
    frame.rows = fb.rows;
    const float features[kFeatureCount] = {audio.level, audio.bass, audio.mid, audio.treble, audio.beat};
    memcpy(frame.features, features, sizeof features);
    memcpy(frame.features + 5, audio.bands, sizeof audio.bands);
    frame.cells = fb.cells;
    if (!sink.compare) {
        writeFrame(sink.file, frame);
        return;
    }
    if (sink.counts.find(run) == sink.counts.end()) sink.order.push_back(run);
    Sink::Counts& c = sink.counts[run];
    Frame other;
    if (sink.truncated || !readFrame(sink.file, other) || other.run != run) {
        sink.truncated = true;
        return;
    }
    ++c.frames;
    c.cells += (long long)frame.cells.size();
    for (int i = 0; i < kFeatureCount; ++i) {
        c.featureMax = std::fmax(c.featureMax, std::fabs((double)frame.features[i] - (double)other.features[i]));
    }
    long long differing = 0;
    if (other.cols != frame.cols || other.rows != frame.rows) {
        ++c.sizeDiffering;
        differing = (long long)frame.cells.size();
    } else {
        for (size_t i = 0; i < frame.cells.size(); ++i) differing += (frame.cells[i] != other.cells[i]) ? 1 : 0;
    }
    c.cellsDiffering += differing;
    c.framesDiffering += differing > 0 ? 1 : 0;
}

// The show's platform without a window: a virtual clock, the decoded track, no drawing
struct Headless {
    long long frame = 0;
    TrackClock music;
};

Headless& self(void* user) { return *static_cast<Headless*>(user); }
double frameSeconds(const Headless& h) { return (double)h.frame / (double)kFps; }
float virtualClock(void* user) { return (float)frameSeconds(self(user)); }
unsigned noKeys(void*) { return 0; }
void ignore(void*) {}
void ignoreVolume(void*, float) {}
std::unique_ptr<AsciiFramebuffer> cellsOnly(void*, int zoom, bool colorBoost) {
    return makeFramebuffer(zoom, colorBoost, FramebufferBacking::CellsOnly);
}
bool loadTrack(void* user, MusicTrack& track, const char* path) {
    return loadOnClock(self(user).music, track, path, frameSeconds(self(user)));
}
AudioFeatures analyse(void* user, MusicTrack& track) {
    return analyseOnClock(self(user).music, track, frameSeconds(self(user)));
}
void unloadTrack(void* user, MusicTrack& track) { unloadOnClock(self(user).music, track); }
void noRedraw(void*, AsciiFramebuffer&, bool) {}
void noPresent(void*, const AsciiFramebuffer&, const Presentation&) {}

void runShow(Sink& sink) {
    Headless h;
    const Platform platform = {&h,        virtualClock, noKeys,      ignore,   ignoreVolume, cellsOnly,
                               loadTrack, analyse,      unloadTrack, noRedraw, noPresent};
    Show show;
    startShow(show, platform);
    while (show.mode != ShowMode::Finished) {
        runFrame(show, platform);
        const std::string run = show.mode == ShowMode::Show ? std::string("show ") + currentSceneName(show)
                                                            : std::string("show closing screen");
        if (show.fb) emit(sink, run, *show.fb, show.audio);
        ++h.frame;
    }
    stopShow(show, platform);
}

void runScenes(Sink& sink, const char* only) {
    const SceneTable table = sceneTable();
    for (int s = 0; s < table.count; ++s) {
        if (only != nullptr && strcmp(only, table.rows[s].name) != 0) continue;
        for (const GridSize& grid : kSceneGrids) {
            AsciiFramebuffer fb(grid.cols, grid.rows, 10, 18, FramebufferBacking::CellsOnly);
            const TempoClock clock = makeTempoClock(kShowTempo);
            const std::string run = std::string(table.rows[s].name) + " " + std::to_string(grid.cols) + "x" +
                                    std::to_string(grid.rows);
            const long long frames = (long long)(kSceneSeconds * (float)kFps);
            for (long long f = 0; f < frames; ++f) {
                const float t = (float)f / (float)kFps;
                const BeatInfo beat = update(clock, t);
                const AudioFeatures audio = scriptedMusic(t);
                fb.clear(kSceneBackground);
                table.rows[s].render(fb, t, kSceneBackground, &beat, &audio);
                emit(sink, run, fb, audio);
            }
        }
    }
}

void printCounts(const Sink& sink) {
    printf("%-34s %8s %8s %12s %10s %8s %12s\n", "run", "frames", "changed", "cells", "changed", "sizes", "audio max");
    for (const std::string& run : sink.order) {
        const Sink::Counts& c = sink.counts.at(run);
        printf("%-34s %8lld %8lld %12lld %10lld %8lld %12.3g\n", run.c_str(), c.frames, c.framesDiffering, c.cells,
               c.cellsDiffering, c.sizeDiffering, c.featureMax);
    }
    if (sink.truncated) printf("the other stream ended early or went out of step\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4 || (strcmp(argv[1], "write") != 0 && strcmp(argv[1], "compare") != 0)) {
        fprintf(stderr, "usage: show_cells write|compare FILE [SCENE]\n");
        return 2;
    }
    SetTraceLogLevel(LOG_NONE);
    Sink sink;
    sink.compare = strcmp(argv[1], "compare") == 0;
    const bool standard = strcmp(argv[2], "-") == 0;
    sink.file = standard ? (sink.compare ? stdin : stdout) : fopen(argv[2], sink.compare ? "rb" : "wb");
    if (sink.file == nullptr) {
        fprintf(stderr, "show_cells: cannot open %s\n", argv[2]);
        return 1;
    }
    const char* only = argc == 4 ? argv[3] : nullptr;
    if (only == nullptr) runShow(sink);
    runScenes(sink, only);
    if (sink.compare) printCounts(sink);
    if (!standard) fclose(sink.file);
    return sink.truncated ? 1 : 0;
}
