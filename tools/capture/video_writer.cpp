#include "tools/capture/video_writer.h"

#include <cstdio>  // Required for: remove()

namespace {

// H.264 at a constant quality that keeps the glyphs sharp, in the colours players expect; a fast
// preset, since the encoder shares the machine with the rendering. AAC well above 128 kbit/s.
constexpr const char* kCrf = "18";
constexpr const char* kPreset = "veryfast";
constexpr const char* kAudioBitrate = "192k";

}  // namespace

bool openVideo(VideoWriter& video, const std::string& ffmpeg, const std::string& path, int width, int height,
               int fps, std::string& error) {
    video.ffmpeg = ffmpeg;
    video.path = path;
    video.partPath = path + ".part";
    video.width = width;
    video.height = height;
    video.fps = fps;
    const std::vector<std::string> args = {
        ffmpeg, "-nostats", "-hide_banner", "-loglevel", "error", "-y",
        "-f", "rawvideo", "-pix_fmt", "rgba", "-video_size", std::to_string(width) + "x" + std::to_string(height),
        "-framerate", std::to_string(fps), "-i", "pipe:0",
        "-an", "-c:v", "libx264", "-preset", kPreset, "-crf", kCrf,
        "-vf", "scale=out_color_matrix=bt709:out_range=tv", "-pix_fmt", "yuv420p",
        "-colorspace", "bt709", "-color_primaries", "bt709", "-color_trc", "bt709", "-color_range", "tv",
        "-f", "mp4", video.partPath};
    if (!startWithInput(args, video.encoder)) {
        error = "could not start " + ffmpeg;
        return false;
    }
    return true;
}

bool writeVideoFrame(VideoWriter& video, const unsigned char* rgba, std::string& error) {
    const size_t size = (size_t)video.width * (size_t)video.height * 4;
    if (writeAll(video.encoder, rgba, size)) return true;
    std::string why;
    finish(video.encoder, why);
    error = "the video encoder stopped (" + why + ")";
    return false;
}

bool finishVideo(VideoWriter& video, int sampleRate, int channels, NextSound next, void* user, std::string& error) {
    std::string why;
    if (!finish(video.encoder, why)) {
        remove(video.partPath.c_str());
        error = "the video encoder failed (" + why + ")";
        return false;
    }
    const std::vector<std::string> args = {
        video.ffmpeg, "-nostats", "-hide_banner", "-loglevel", "error", "-y",
        "-i", video.partPath,
        "-f", "f32le", "-ar", std::to_string(sampleRate), "-ac", std::to_string(channels), "-i", "pipe:0",
        "-map", "0:v:0", "-map", "1:a:0", "-c:v", "copy", "-c:a", "aac", "-b:a", kAudioBitrate,
        "-movflags", "+faststart", video.path};
    ChildProcess muxer;
    bool ok = startWithInput(args, muxer);
    if (!ok) why = "could not start " + video.ffmpeg;
    std::vector<float> piece;
    while (ok && next(user, piece)) ok = writeAll(muxer, piece.data(), piece.size() * sizeof(float));
    const bool finished = muxer.pid > 0 ? finish(muxer, why) : false;
    remove(video.partPath.c_str());
    if (!ok || !finished) {
        error = "muxing the sound failed (" + why + ")";
        return false;
    }
    return true;
}

void abandonVideo(VideoWriter& video) {
    std::string ignored;
    if (video.encoder.pid > 0) finish(video.encoder, ignored);
    remove(video.partPath.c_str());
}
