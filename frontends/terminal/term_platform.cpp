#include "frontends/terminal/term_platform.h"

#include <cmath>  // Required for: fmod()

#include "audio/analysis.h"       // Required for: analyseAt()
#include "audio/track_decoder.h"  // Required for: loadCheckedWave()

namespace {

TermFrontEnd& self(void* user) { return *static_cast<TermFrontEnd*>(user); }

float showClock(void* user) { return (float)(monotonicSeconds() - self(user).clockStart); }

unsigned frameKeys(void* user) { return takeFrameKeys(self(user).keys); }

void noFullscreen(void*) {}

void masterVolume(void* user, float volume) {
    if (self(user).audioDevice) SetMasterVolume(volume);
}

std::unique_ptr<AsciiFramebuffer> terminalFramebuffer(void* user, int zoom, bool colorBoost) {
    TermFrontEnd& fe = self(user);
    const GridSize size = termGridSize(fe.termCols, fe.termRows, zoom);
    auto fb = std::make_unique<AsciiFramebuffer>(size.cols, size.rows, 1, 1, FramebufferBacking::CellsOnly);
    fb->colorBoost = colorBoost;
    fb->blockGlyphs = fe.utf8;
    return fb;
}

// With a sound device the track plays as in the window. Without one the show still follows the
// music: its decoded copy is analysed where it would be playing.
bool loadTrack(void* user, MusicTrack& track, const char* path) {
    TermFrontEnd& fe = self(user);
    if (fe.audioDevice) return load(track, path);
    unload(track);
    Wave wave = loadCheckedWave(path);  // Decoded and checked as the show's own load does
    if (!IsWaveValid(wave)) {
        if (wave.data != nullptr) UnloadWave(wave);
        return false;
    }
    float* samples = LoadWaveSamples(wave);
    const int frames = (int)wave.frameCount, channels = (int)wave.channels, rate = (int)wave.sampleRate;
    UnloadWave(wave);
    if (samples == nullptr) return false;
    attachSamples(track, samples, frames, channels, rate);
    fe.decodedOnly = true;
    fe.musicStart = showClock(user);
    return true;
}

AudioFeatures updateTrack(void* user, MusicTrack& track) {
    TermFrontEnd& fe = self(user);
    if (!fe.decodedOnly) return update(track);
    if (track.samples == nullptr || track.sampleRate < 1 || track.frameCount < 1) return AudioFeatures{};
    const double length = (double)track.frameCount / (double)track.sampleRate;
    const double position = fmod((double)(showClock(user) - fe.musicStart), length);
    return analyseAt(track, (float)position, (float)length);
}

void unloadTrack(void* user, MusicTrack& track) {
    unload(track);
    self(user).decodedOnly = false;
}

// The encoder compares with what the terminal shows, so there is nothing to force.
void noRedraw(void*, AsciiFramebuffer&, bool) {}

void presentFrame(void* user, const AsciiFramebuffer& fb, const Presentation& how) {
    TermFrontEnd& fe = self(user);
    if (fe.output.broken) return;
    // The terminal has not taken the last frame yet: this one is dropped rather than queued
    if (!writePending(fe.outFd, fe.output)) {
        ++fe.stats.dropped;
        return;
    }

    composeScreen(fb, how, fe.termCols, fe.termRows, fe.canvas);
    fe.frame.size = 0;
    if (fe.show != nullptr) {
        const std::string title = showTitle(*fe.show);
        if (title != fe.title) {
            appendTitle(fe.frame, title.c_str());
            fe.title = title;
        }
    }
    const EncodeCounts counts = encodeFrame(fe.encoder, fe.canvas.cells.data(), fe.frame);
    fe.stats.cellsSeen += (unsigned long long)counts.cellsTotal;
    fe.stats.cellsWritten += (unsigned long long)counts.cellsWritten;
    ++fe.stats.frames;  // Up to date on the terminal, even when nothing changed
    if (fe.measurePlain) fe.stats.plainBytes += plainFrameBytes(fe.canvas.cells.data(), fe.termCols, fe.termRows, fe.utf8);
    if (fe.frame.size == 0) return;
    fe.stats.bytes += fe.frame.size;

    std::swap(fe.frame, fe.output.buffer);
    fe.output.sent = 0;
    writePending(fe.outFd, fe.output);
}

}  // namespace

Platform termPlatform(TermFrontEnd& fe) {
    return Platform{&fe,       showClock,   frameKeys,   noFullscreen, masterVolume, terminalFramebuffer,
                    loadTrack, updateTrack, unloadTrack, noRedraw,     presentFrame};
}

void resizeShow(TermFrontEnd& fe, Show& show, const Platform& platform, int cols, int rows) {
    if (cols == fe.termCols && rows == fe.termRows && fe.encoder.cols == cols && fe.encoder.rows == rows) return;
    fe.termCols = cols;
    fe.termRows = rows;
    resetEncoder(fe.encoder, cols, rows, fe.utf8);
    if (show.fb) replaceFramebuffer(show, platform);
}

std::string showTitle(const Show& show) {
    if (show.mode != ShowMode::Show) return kShowTitle;
    return std::string("davur_evi: ") + currentSceneName(show);
}
