#include "audio/source_player.h"

#include <algorithm>  // Required for: std::min(), std::max()

namespace {

constexpr int kBlocksPerSecond = 20;  // 50 ms a half buffer: two of them queued at the device

double playPosition(const SourcePlayer& player, const SoundSource& source, double now) {
    // The device plays the older of the two queued halves; the time since it started that one
    const long long started = std::max(0LL, player.fed - 2LL * player.blockFrames);
    const double into = std::clamp((now - player.refillTime) * source.sampleRate, 0.0, (double)player.blockFrames);
    return ((double)started + (player.fed >= 2LL * player.blockFrames ? into : 0.0)) / source.sampleRate;
}

}  // namespace

bool startPlayer(SourcePlayer& player, SoundSource& source, double now) {
    stopPlayer(player, source);
    if (source.kind != SourceKind::File && source.kind != SourceKind::Decoded) return false;
    player.blockFrames = std::max(source.sampleRate / kBlocksPerSecond, 256);
    SetAudioStreamBufferSizeDefault(player.blockFrames);
    player.stream = LoadAudioStream((unsigned)source.sampleRate, 32, (unsigned)source.channels);
    SetAudioStreamBufferSizeDefault(0);
    if (!IsAudioStreamValid(player.stream)) {
        player.stream = AudioStream{};
        return false;
    }
    player.loaded = true;
    player.block.assign((size_t)player.blockFrames * source.channels, 0.0f);
    player.refillTime = now;
    source.playFrom = 0;
    PlayAudioStream(player.stream);
    return true;
}

double updatePlayer(SourcePlayer& player, SoundSource& source, double now) {
    if (!player.loaded) return 0.0;
    while (IsAudioStreamProcessed(player.stream)) {
        readFrames(source, player.fed, player.blockFrames, player.block.data());
        UpdateAudioStream(player.stream, player.block.data(), player.blockFrames);
        player.fed += player.blockFrames;
        player.refillTime = now;
        source.playFrom = player.fed;
    }
    const double position = playPosition(player, source, now);
    // What the analysis may still read at this position stays
    releaseBefore(source, (long long)(position * source.sampleRate) - windowFramesBefore(source.sampleRate));
    return position;
}

bool playerFinished(const SourcePlayer& player, SoundSource& source) {
    return player.loaded && decodingDone(source) && source.frameCount >= 0 &&
           player.fed >= source.frameCount + 2LL * player.blockFrames;
}

void pausePlayer(SourcePlayer& player, bool paused) {
    if (!player.loaded) return;
    if (paused) {
        PauseAudioStream(player.stream);
    } else {
        ResumeAudioStream(player.stream);
    }
}

void stopPlayer(SourcePlayer& player, SoundSource& source) {
    if (player.loaded) {
        StopAudioStream(player.stream);
        UnloadAudioStream(player.stream);
    }
    source.playFrom = -1;
    player = SourcePlayer{};
}
