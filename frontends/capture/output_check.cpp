#include "frontends/capture/output_check.h"

#include <fcntl.h>     // Required for: open()
#include <sys/stat.h>  // Required for: stat(), lstat()
#include <unistd.h>    // Required for: close(), unlink()

#include <cerrno>
#include <filesystem>
#include <vector>

#include "frontends/capture/output_files.h"

namespace {

struct NamedFile {
    const char* option;
    std::string path;
    FileIdentity id;
};

bool isFolder(const std::string& path) {
    struct stat st = {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A music file named on the command line must be there, a file, readable and not empty; the
// show's default one may be missing (the show runs silent).
bool checkInput(const char* option, const std::string& path, bool required, std::vector<NamedFile>& inputs,
                std::string& error) {
    struct stat st = {};
    if (stat(path.c_str(), &st) != 0) {
        if (!required) return true;
        error = std::string(option) + " " + path + ": " + systemError(errno);
        return false;
    }
    if (required) {
        if (!S_ISREG(st.st_mode)) {
            error = std::string(option) + " " + path + " is not a file";
            return false;
        }
        if (st.st_size == 0) {
            error = std::string(option) + " " + path + " is empty";
            return false;
        }
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            error = std::string(option) + " " + path + ": " + systemError(errno);
            return false;
        }
        close(fd);
    }
    NamedFile input{option, path, {}};
    if (!identify(path, input.id, error)) return false;
    inputs.push_back(input);
    return true;
}

// One output file: its folder is there, it is not a folder, not an input, and not there at all
// unless it may be replaced.
bool checkOutputFile(const NamedFile& out, const CaptureOptions& o, const std::vector<NamedFile>& inputs,
                     std::string& error) {
    const std::string name = std::filesystem::path(out.path).filename().string();
    if (out.path.back() == '/' || name == "." || name == ".." || (out.id.exists && isFolder(out.path))) {
        error = std::string(out.option) + " wants a file, and " + out.path + " is a folder";
        return false;
    }
    for (const NamedFile& in : inputs) {
        if (sameFile(out.id, in.id)) {
            error = std::string(out.option) + " " + out.path + " is the file " + in.option + " reads";
            return false;
        }
    }
    if (out.id.exists && !o.overwrite) {
        error = out.path + " exists: give --overwrite to replace it";
        return false;
    }
    return true;
}

bool checkFrameFolder(const CaptureOptions& o, const std::vector<NamedFile>& inputs, std::string& error) {
    struct stat st = {};
    if (lstat(o.pngDir.c_str(), &st) != 0) return true;  // Made when the capture starts
    if (!isFolder(o.pngDir)) {
        error = "--png wants a folder for the frames, and " + o.pngDir + " is not one";
        return false;
    }
    std::vector<std::string> frames;
    if (!listFrames(o.pngDir, frames, error)) return false;
    for (const std::string& frame : frames) {
        FileIdentity id;
        const std::string path = o.pngDir + "/" + frame;
        if (!identify(path, id, error)) return false;
        for (const NamedFile& in : inputs) {
            if (sameFile(id, in.id)) {
                error = "--png " + o.pngDir + " holds " + frame + ", the file " + in.option + " reads";
                return false;
            }
        }
    }
    if (!frames.empty() && !o.overwrite) {
        error = o.pngDir + " already holds " + std::to_string(frames.size()) + " frames (" + frames.front() +
                (frames.size() > 1 ? " to " + frames.back() : "") + "): give --overwrite to replace them";
        return false;
    }
    return true;
}

}  // namespace

bool checkFiles(const CaptureOptions& o, std::string& error) {
    const bool show = o.mode != CaptureMode::Scene;  // The show or a music video: frames and a video
    std::vector<NamedFile> inputs;
    if (o.mode == CaptureMode::Show && !checkInput("--music", o.musicPath, o.musicGiven, inputs, error)) return false;
    for (const std::string& track : o.trackPaths) {
        if (!checkInput("--track", track, true, inputs, error)) return false;
    }

    std::vector<NamedFile> outputs;
    if (show && !o.videoPath.empty()) outputs.push_back({"--video", o.videoPath, {}});
    if (!show && !o.pngPath.empty()) outputs.push_back({"--png", o.pngPath, {}});
    if (!show && !o.cellsPath.empty()) outputs.push_back({"--cells", o.cellsPath, {}});
    for (size_t i = 0; i < outputs.size(); ++i) {
        NamedFile& out = outputs[i];
        if (out.path.empty() || !identify(out.path, out.id, error)) {
            if (out.path.empty()) error = std::string(out.option) + " needs a file name";
            return false;
        }
        if (!checkOutputFile(out, o, inputs, error)) return false;
        for (size_t j = 0; j < i; ++j) {
            if (sameFile(out.id, outputs[j].id)) {
                error = std::string(outputs[j].option) + " and " + out.option + " name the same file " + out.path;
                return false;
            }
        }
    }
    return !show || o.pngDir.empty() || checkFrameFolder(o, inputs, error);
}

bool prepareFrameFolder(const CaptureOptions& o, std::string& error) {
    if (o.mode == CaptureMode::Scene || o.pngDir.empty()) return true;
    std::error_code ec;
    std::filesystem::create_directories(o.pngDir, ec);
    if (!isFolder(o.pngDir)) {
        error = "could not make the folder " + o.pngDir + (ec ? ": " + ec.message() : "");
        return false;
    }
    std::vector<std::string> frames;
    if (!listFrames(o.pngDir, frames, error)) return false;
    if (!frames.empty() && !o.overwrite) {  // Appeared since the check
        error = o.pngDir + " already holds frames: give --overwrite to replace them";
        return false;
    }
    for (const std::string& frame : frames) {
        const std::string path = o.pngDir + "/" + frame;
        if (unlink(path.c_str()) != 0) {
            error = "could not remove the old frame " + path + ": " + systemError(errno);
            return false;
        }
    }
    return true;
}
