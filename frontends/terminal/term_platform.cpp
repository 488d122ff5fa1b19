#include "frontends/terminal/term_platform.h"

#include "app/data_path.h"         // Required for: findDataFile()
#include "audio/track_on_clock.h"  // Required for: loadOnClock(), analyseOnClock()

namespace {

TermFrontEnd& self(void* user) { return *static_cast<TermFrontEnd*>(user); }

float showClock(void* user) { return (float)(monotonicSeconds() - self(user).clockStart); }

unsigned frameKeys(void* user) { return takeFrameKeys(self(user).keys); }

void noFullscreen(void*) {}

void masterVolume(void* user, float volume) {
    if (self(user).audioDevice) setSoundVolume(self(user).sound, volume);
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
    const std::string found = findDataFile(path);  // As the show finds it: here, beside us, or installed
    path = found.c_str();
    if (fe.audioDevice) return load(track, path);
    return loadOnClock(fe.music, track, path, showClock(user));
}

AudioFeatures updateTrack(void* user, MusicTrack& track) {
    TermFrontEnd& fe = self(user);
    if (fe.music.playing) return analyseOnClock(fe.music, track, showClock(user));
    return updateSound(fe.sound, track, showClock(user));
}

void unloadTrack(void* user, MusicTrack& track) {
    TermFrontEnd& fe = self(user);
    if (fe.music.playing) {
        unloadOnClock(fe.music, track);
    } else {
        unloadSound(fe.sound, track);
    }
}

// Music files through the audio device; without one the visualizer follows its own clock
bool playSource(void* user, SoundSource& source, double now) {
    TermFrontEnd& fe = self(user);
    return fe.audioDevice && startPlayer(fe.player, source, now);
}
double updateSource(void* user, SoundSource& source, double now) {
    return updatePlayer(self(user).player, source, now);
}
void pauseSource(void* user, SoundSource&, bool paused) { pausePlayer(self(user).player, paused); }
void stopSource(void* user, SoundSource& source) { stopPlayer(self(user).player, source); }

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
        const std::string title =
            fe.show->visualizer ? visualizerTitle(visualizerStatus(*fe.show), showClock(user),
                                                  fe.capture != nullptr && !captureStatus(fe.capture).connected)
                                : showTitle(*fe.show);
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
    if (fe.measurePlain) tallyBytes(fe.frame.bytes.data(), fe.frame.size, fe.stats.tally);

    std::swap(fe.frame, fe.output.buffer);
    fe.output.sent = 0;
    writePending(fe.outFd, fe.output);
}

}  // namespace

Platform termPlatform(TermFrontEnd& fe) {
    return Platform{&fe,       showClock,   frameKeys,   noFullscreen, masterVolume, terminalFramebuffer,
                    loadTrack, updateTrack, unloadTrack, noRedraw,     presentFrame, playSource,
                    updateSource, pauseSource, stopSource};
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

std::string visualizerTitle(const VisualizerStatus& status, float now, bool soundServerGone) {
    std::string title = kShowTitle;
    if (status.mode != VisualizerMode::Effects) return title;
    if (!status.skipped.empty() && now - status.skippedAt < kSkippedTitleSeconds) {
        return title + ": skipped " + status.skipped;
    }
    title += ": " + status.title;
    if (soundServerGone) title += " (sound server gone)";
    if (status.bpm > 0.0f) title += " - " + std::to_string((int)(status.bpm + 0.5f)) + " bpm";
    if (status.effect != nullptr && status.effect[0] != '\0') title += std::string(" - ") + status.effect;
    if (status.paused) title += " - paused";
    return title;
}
