#include "frontends/capture/video_writer.h"

#include <sys/stat.h>  // Required for: lstat()

#include "frontends/capture/options.h"  // Required for: videoFormatOf()
#include "frontends/capture/output_files.h"
#include "frontends/capture/stop_signals.h"
#include "frontends/capture/yuv_frame.h"

namespace {

// H.264 at a constant quality that keeps the glyphs sharp, in the colours players expect; a fast
// preset, since the encoder shares the machine with the rendering. AAC well above 128 kbit/s.
constexpr const char* kCrf = "18";
constexpr const char* kPreset = "veryfast";
constexpr const char* kAudioBitrate = "192k";
constexpr const char* kPictureName = "picture.mp4";
constexpr const char* kMuxedName = "video";

// ffmpeg reads "name:" at the start of a path as a protocol; "file:" makes every path a file.
std::string fileUrl(const std::string& path) { return "file:" + path; }

std::string picturePath(const VideoWriter& video) { return video.workFolder + "/" + kPictureName; }
std::string muxedPath(const VideoWriter& video) { return video.workFolder + "/" + kMuxedName; }

bool nonEmptyFile(const std::string& path) {
    struct stat st = {};
    return lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
}

void dropWorkFolder(VideoWriter& video) {
    removeWorkFolder(video.workFolder);
    video.workFolder.clear();
}

std::string stoppedOr(const std::string& error) { return stopSignal() != 0 ? stopMessage(stopSignal()) : error; }

}  // namespace

bool openVideo(VideoWriter& video, const std::string& ffmpeg, const std::string& path, bool replace, int width,
               int height, int fps, std::string& error) {
    video.ffmpeg = ffmpeg;
    video.path = path;
    video.format = videoFormatOf(path);
    video.replace = replace;
    video.width = width;
    video.height = height;
    video.fps = fps;
    if (video.format == nullptr) {
        error = "--video wants a .mp4, .mov or .mkv file, not '" + path + "'";
        return false;
    }
    if (!makeWorkFolder(path, video.workFolder, error)) return false;
    const std::vector<std::string> args = {
        ffmpeg, "-nostats", "-hide_banner", "-loglevel", "error", "-y",
        "-f", "rawvideo", "-pix_fmt", "yuv420p", "-video_size", std::to_string(width) + "x" + std::to_string(height),
        "-framerate", std::to_string(fps), "-i", "pipe:0",
        "-an", "-c:v", "libx264", "-preset", kPreset, "-crf", kCrf, "-pix_fmt", "yuv420p",
        "-colorspace", "bt709", "-color_primaries", "bt709", "-color_trc", "bt709", "-color_range", "tv",
        "-f", "mp4", fileUrl(picturePath(video))};
    if (!startWithInput(args, video.encoder)) {
        dropWorkFolder(video);
        error = "could not start " + ffmpeg;
        return false;
    }
    return true;
}

bool writeVideoFrame(VideoWriter& video, const unsigned char* rgba, std::string& error) {
    rgbaToYuv420(rgba, video.width, video.height, video.planes);
    if (writeAll(video.encoder, video.planes.data(), video.planes.size())) return true;
    std::string why;
    finish(video.encoder, why);
    dropWorkFolder(video);
    error = stoppedOr("the video encoder stopped (" + why + ")");
    return false;
}

bool finishVideo(VideoWriter& video, int sampleRate, int channels, NextSound next, void* user, std::string& error) {
    std::string why;
    if (!finish(video.encoder, why) || !nonEmptyFile(picturePath(video))) {
        dropWorkFolder(video);
        error = stoppedOr("the video encoder failed (" + (why.empty() ? "it wrote nothing" : why) + ")");
        return false;
    }
    std::vector<std::string> args = {
        video.ffmpeg, "-nostats", "-hide_banner", "-loglevel", "error", "-y",
        "-i", fileUrl(picturePath(video)),
        "-f", "f32le", "-ar", std::to_string(sampleRate), "-ac", std::to_string(channels), "-i", "pipe:0",
        "-map", "0:v:0", "-map", "1:a:0", "-c:v", "copy", "-c:a", "aac", "-b:a", kAudioBitrate};
    if (std::string(video.format) != "matroska") {
        args.insert(args.end(), {"-movflags", "+faststart"});
    }
    args.insert(args.end(), {"-f", video.format, fileUrl(muxedPath(video))});
    ChildProcess muxer;
    bool ok = startWithInput(args, muxer);
    if (!ok) why = "could not start " + video.ffmpeg;
    std::vector<float> piece;
    while (ok && stopSignal() == 0 && next(user, piece)) ok = writeAll(muxer, piece.data(), piece.size() * sizeof(float));
    const bool finished = muxer.pid > 0 ? finish(muxer, why) : false;
    if (ok && finished && stopSignal() == 0 && !nonEmptyFile(muxedPath(video))) {
        ok = false;
        why = "it wrote nothing";
    }
    if (!ok || !finished || stopSignal() != 0) {
        dropWorkFolder(video);
        error = stoppedOr("muxing the sound failed (" + why + ")");
        return false;
    }
    ok = moveIntoPlace(muxedPath(video), video.path, video.replace, error);
    dropWorkFolder(video);
    return ok;
}

void abandonVideo(VideoWriter& video) {
    std::string ignored;
    if (video.encoder.pid > 0) finish(video.encoder, ignored);
    dropWorkFolder(video);
}
