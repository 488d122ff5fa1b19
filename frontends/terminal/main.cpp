// davur_evi_term: the show in a terminal, as text in the colours the terminal has, with its music;
// or the effects to music files of the viewer's own, or to what the machine is playing (--listen).
//
// Runs the same frame loop as the window on a grid the terminal's size, writes only the cells that
// changed, paces frames to the wall clock and drops them when the terminal falls behind. q, ESC or
// Ctrl-C quits; the terminal is put back as it was on every way out.
#include <clocale>   // Required for: setlocale()
#include <cmath>     // Required for: floor()
#include <cstdio>
#include <cstring>   // Required for: strcmp()
#include <langinfo.h>
#include <unistd.h>  // Required for: _exit()

#include "app/frame_loop.h"
#include "app/quiet_audio.h"
#include "app/sound_capture.h"
#include "app/visualizer.h"
#include "app/version.h"
#include "raylib.h"
#include "frontends/terminal/term_caps.h"
#include "frontends/terminal/term_files.h"
#include "frontends/terminal/term_options.h"
#include "frontends/terminal/term_platform.h"

namespace {

constexpr double kEscapeWait = 0.05;      // Seconds an ESC waits for the rest of a key's sequence
constexpr double kFinalFlushWait = 0.5;   // Seconds the last frame gets to reach the terminal
constexpr int kFallbackCols = 80, kFallbackRows = 24;
constexpr size_t kInputChunk = 256;
constexpr const char* kDefaultListenName = "the system's sound";

bool utf8Locale() {
    setlocale(LC_CTYPE, "");
    const char* codeset = nl_langinfo(CODESET);
    return codeset != nullptr && (strcmp(codeset, "UTF-8") == 0 || strcmp(codeset, "utf8") == 0);
}

void readKeys(TermFrontEnd& fe, double& escapeSince) {
    char bytes[kInputChunk];
    size_t n;
    while ((n = readInput(bytes, sizeof(bytes))) > 0) feedKeys(fe.keys, bytes, n);
    if (fe.keys.state == KeyReader::State::Text) {
        escapeSince = -1.0;
        return;
    }
    const double now = monotonicSeconds();
    if (escapeSince < 0.0) escapeSince = now;
    if (now - escapeSince >= kEscapeWait) {
        escapeTimedOut(fe.keys);
        escapeSince = -1.0;
    }
}

void followTerminalSize(TermFrontEnd& fe, Show& show, const Platform& platform) {
    int cols = fe.termCols, rows = fe.termRows;
    if (terminalSize(cols, rows)) resizeShow(fe, show, platform, cols, rows);
}

// --list-sources: one source a line, name and description, the one --listen takes marked.
int listSources() {
    std::vector<CaptureSourceInfo> sources;
    std::string error;
    if (!listCaptureSources(sources, error)) {
        fprintf(stderr, "davur_evi_term: %s\n", error.c_str());
        return 1;
    }
    for (const CaptureSourceInfo& source : sources) {
        printf("%c %s\t%s\n", source.listenDefault ? '*' : ' ', source.name.c_str(), source.description.c_str());
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    TermOptions options;
    std::string error;
    if (!parseTermOptions(argc, argv, options, error)) {
        fprintf(stderr, "davur_evi_term: %s\n%s", error.c_str(), kTermUsage);
        return 2;
    }
    if (options.help) {
        fputs(kTermUsage, stdout);
        return 0;
    }
    if (options.version) {
        printf("davur_evi_term %s\n", kVersion);
        return 0;
    }
    if (options.listSources) return listSources();
    // The sound server is asked before the terminal is taken, so a refusal is a plain line
    SoundCapture* capture = nullptr;
    if (options.listen && (capture = startSoundCapture(options.listenSource, error)) == nullptr) {
        fprintf(stderr, "davur_evi_term: %s\n", error.c_str());
        return 1;
    }

    // Initialization
    //--------------------------------------------------------------------------------------
    SetTraceLogLevel(LOG_NONE);  // raylib's log would land in the picture
    TermFrontEnd fe;
    fe.utf8 = utf8Locale();
    if (!openTerminal(error)) {
        stopSoundCapture(capture);
        fprintf(stderr, "davur_evi_term: %s\n", error.c_str());
        return 1;
    }
    fe.clockStart = monotonicSeconds();
    fe.outFd = terminalOutput();
    fe.measurePlain = options.stats;
    const TermEnv environment = environmentNow();
    TermCaps caps = detectCaps(environment, loadTermInfo(environment));
    if (options.coloursGiven) caps.colours = options.colours;
    fe.encoder.colours = caps.colours;
    fe.encoder.repeat = caps.repeat;
    fe.stats.colours = colourModeName(caps.colours);
    if (!terminalSize(fe.termCols, fe.termRows)) {
        fe.termCols = kFallbackCols;
        fe.termRows = kFallbackRows;
    }
    resetEncoder(fe.encoder, fe.termCols, fe.termRows, fe.utf8);
    silenceAudioBackendMessages();
    if (!options.listen) fe.audioDevice = openSoundDevice(fe.sound, (float)(monotonicSeconds() - fe.clockStart));

    const Platform platform = termPlatform(fe);
    Show show;
    fe.show = &show;
    LiveRing* heard = nullptr;
    if (!options.files.empty()) {
        startVisualizerFiles(show, platform, musicFiles(options.files));
    } else if (options.listen) {
        const char* name = options.listenSource.empty() ? kDefaultListenName : options.listenSource.c_str();
        heard = startVisualizerLive(show, platform, kCaptureRate, kCaptureChannels, name);
        attachCaptureRing(capture, heard);
        fe.capture = capture;
    } else {
        startShow(show, platform);
    }

    // Main loop: one frame per tick of the wall clock; ticks the frame overran are skipped
    //--------------------------------------------------------------------------------------
    const double period = 1.0 / (double)options.fps;
    const double firstFrame = monotonicSeconds();
    double deadline = firstFrame;
    double escapeSince = -1.0;
    const bool visualizer = show.visualizer != nullptr;
    while (!stopSignalled() && !fe.output.broken) {
        if (visualizer && visualizerStatus(show).mode == VisualizerMode::Finished) break;  // After the closing screen
        if (takeResizeSignal()) followTerminalSize(fe, show, platform);
        readKeys(fe, escapeSince);
        if (fe.keys.quit) break;

        const double start = monotonicSeconds();
        runFrame(show, platform);
        const double end = monotonicSeconds();
        recordRender(fe.stats, end - start);

        deadline += period;
        if (end > deadline) {
            const double behind = floor((end - deadline) / period) + 1.0;
            fe.stats.dropped += (long long)behind;
            deadline += behind * period;
        }
        waitFor(deadline, fe.outFd, fe.output);
    }
    fe.stats.seconds = monotonicSeconds() - firstFrame;
    fe.stats.cpuSeconds = processCpuSeconds();

    // De-Initialization: the last frame finishes, the capture before the ring it fills, the music
    // before the audio device, the terminal last. An audio backend stuck on a lost device is left
    // behind once the terminal is back.
    //--------------------------------------------------------------------------------------
    finishOutput(monotonicSeconds() + kFinalFlushWait, fe.outFd, fe.output);
    if (heard != nullptr) {
        fe.stats.soundHeard = (double)heard->written.load() / kCaptureRate;
        fe.stats.soundConnections = captureStatus(capture).connections;
    }
    stopSoundCapture(capture);
    fe.capture = nullptr;
    const VisualizerStatus status = visualizerStatus(show);
    SoundSource* playing = visualizer ? visualizerSource(show) : nullptr;
    if (playing != nullptr) stopPlayer(fe.player, *playing);  // Its stream goes before the device
    const bool soundClosed = closeSoundDevice(fe.sound, show.music);
    stopShow(show, platform);
    restoreTerminal();
    if (options.stats) fputs(formatStats(fe.stats).c_str(), stdout);
    const int exitStatus = visualizer && status.mode == VisualizerMode::Finished && !status.anyFilePlayed ? 1 : 0;
    if (exitStatus != 0) {
        fprintf(stderr, "davur_evi_term: no file could be played (%s)\n", status.skipped.c_str());
    }
    if (!soundClosed) {
        fflush(stdout);
        fflush(stderr);
        _exit(exitStatus);
    }
    return exitStatus;
}
