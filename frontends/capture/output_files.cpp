#include "frontends/capture/output_files.h"

#include <dirent.h>    // Required for: opendir(), readdir()
#include <fcntl.h>     // Required for: open(), O_EXCL, O_NOFOLLOW
#include <sys/stat.h>  // Required for: lstat(), stat()
#include <time.h>      // Required for: clock_gettime()
#include <unistd.h>    // Required for: write(), close(), unlink(), link(), rmdir()

#include <algorithm>  // Required for: std::sort()
#include <cerrno>
#include <cstdio>   // Required for: rename(), renameat2(), snprintf()
#include <cstdlib>  // Required for: mkdtemp()
#include <cstring>  // Required for: strerror()

namespace {

constexpr const char* kTempPrefix = ".davur_evi_capture-";  // Hidden, and never a frame's name
constexpr int kNameTries = 100;
constexpr const char* kFramePrefix = "frame_";
constexpr const char* kFrameSuffix = ".png";
constexpr size_t kFrameDigits = 6;

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Six characters that another run, or another file of this run, will not pick at the same time;
// O_EXCL settles any clash.
std::string uniqueSuffix() {
    static unsigned long long counter = 0;
    timespec now = {};
    clock_gettime(CLOCK_REALTIME, &now);
    unsigned long long x = (unsigned long long)now.tv_nsec ^ ((unsigned long long)now.tv_sec << 30) ^
                           ((unsigned long long)getpid() << 20) ^ (++counter * 0x9E3779B97F4A7C15ull);
    x ^= x >> 33;
    x *= 0xFF51AFD7ED558CCDull;
    x ^= x >> 33;
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string s;
    for (int i = 0; i < 6; ++i, x /= 36) s += kChars[x % 36];
    return s;
}

ssize_t systemWrite(int fd, const void* data, size_t size) { return write(fd, data, size); }

bool fail(std::string& error, const std::string& what, const std::string& path, int code) {
    error = what + " " + path + ": " + systemError(code);
    return false;
}

}  // namespace

std::string systemError(int code) { return strerror(code); }

bool openTemp(const std::string& path, TempFile& file, std::string& error) {
    file.path = path;
    file.tempPath.clear();
    file.fd = -1;
    const std::string folder = folderOf(path);
    for (int i = 0; i < kNameTries; ++i) {
        const std::string temp = folder + "/" + kTempPrefix + uniqueSuffix();
        const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            file.tempPath = temp;
            file.fd = fd;
            return true;
        }
        if (errno != EEXIST) return fail(error, "could not write", path, errno);
    }
    return fail(error, "could not write", path, EEXIST);
}

bool writeTemp(TempFile& file, const void* data, size_t size, std::string& error) {
    const WriteCall write = file.write != nullptr ? file.write : systemWrite;
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = write(file.fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int code = n < 0 ? errno : ENOSPC;  // Nothing written and no error: the disk is full
            discardTemp(file);
            return fail(error, "could not write", file.path, code);
        }
        p += n;
        size -= (size_t)n;
    }
    return true;
}

bool commitTemp(TempFile& file, bool replace, std::string& error) {
    const int fd = file.fd;
    file.fd = -1;
    // Linux releases the descriptor even when close() is interrupted; any other error is the data's
    if (close(fd) != 0 && errno != EINTR) {
        const int code = errno;
        discardTemp(file);
        return fail(error, "could not write", file.path, code);
    }
    const bool moved = moveIntoPlace(file.tempPath, file.path, replace, error);
    if (!moved) discardTemp(file);
    file.tempPath.clear();
    return moved;
}

void discardTemp(TempFile& file) {
    if (file.fd >= 0) close(file.fd);
    file.fd = -1;
    if (!file.tempPath.empty()) unlink(file.tempPath.c_str());
    file.tempPath.clear();
}

bool writeWholeFile(const std::string& path, const void* data, size_t size, bool replace, std::string& error,
                    WriteCall write) {
    TempFile file;
    file.write = write;
    return openTemp(path, file, error) && writeTemp(file, data, size, error) && commitTemp(file, replace, error);
}

bool moveIntoPlace(const std::string& from, const std::string& to, bool replace, std::string& error) {
    if (replace) {
        // rename() replaces a link at `to` itself, never the file it points to
        if (rename(from.c_str(), to.c_str()) == 0) return true;
        return fail(error, "could not write", to, errno);
    }
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    int code = errno;
    if (code == EINVAL || code == ENOSYS) {
        // A file system without RENAME_NOREPLACE: link() refuses an existing name just as well
        if (link(from.c_str(), to.c_str()) == 0) {
            unlink(from.c_str());
            return true;
        }
        code = errno;
    }
    if (code == EEXIST) {
        error = to + " exists: give --overwrite to replace it";
        return false;
    }
    return fail(error, "could not write", to, code);
}

bool makeWorkFolder(const std::string& path, std::string& folder, std::string& error) {
    std::string name = folderOf(path) + "/" + kTempPrefix + "XXXXXX";
    if (mkdtemp(&name[0]) == nullptr) return fail(error, "could not write", path, errno);
    folder = name;
    return true;
}

void removeWorkFolder(const std::string& folder) {
    if (folder.empty()) return;
    if (DIR* dir = opendir(folder.c_str())) {
        std::vector<std::string> names;
        while (const dirent* e = readdir(dir)) {
            const std::string name = e->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        closedir(dir);
        for (const std::string& name : names) unlink((folder + "/" + name).c_str());
    }
    rmdir(folder.c_str());
}

std::string frameName(long long frame) {
    char name[40];
    snprintf(name, sizeof(name), "%s%06lld%s", kFramePrefix, frame, kFrameSuffix);
    return name;
}

bool isFrameName(const std::string& name) {
    const size_t prefix = strlen(kFramePrefix), suffix = strlen(kFrameSuffix);
    if (name.size() < prefix + kFrameDigits + suffix) return false;
    if (name.compare(0, prefix, kFramePrefix) != 0) return false;
    if (name.compare(name.size() - suffix, suffix, kFrameSuffix) != 0) return false;
    for (size_t i = prefix; i < name.size() - suffix; ++i) {
        if (name[i] < '0' || name[i] > '9') return false;
    }
    return true;
}

bool listFrames(const std::string& dir, std::vector<std::string>& names, std::string& error) {
    names.clear();
    DIR* d = opendir(dir.c_str());
    if (d == nullptr) return fail(error, "could not read the folder", dir, errno);
    while (const dirent* e = readdir(d)) {
        if (isFrameName(e->d_name)) names.push_back(e->d_name);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return true;
}

bool identify(const std::string& path, FileIdentity& id, std::string& error) {
    id = FileIdentity{};
    struct stat st = {};
    if (lstat(path.c_str(), &st) == 0) {
        struct stat target = {};
        if (stat(path.c_str(), &target) == 0) st = target;  // A link is the file it leads to...
        id.exists = true;                                   // ...unless it leads nowhere
        id.device = st.st_dev;
        id.inode = st.st_ino;
        return true;
    }
    if (errno != ENOENT) return fail(error, "could not reach", path, errno);
    const std::string folder = folderOf(path);
    if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        error = "no folder " + folder + " for " + path;
        return false;
    }
    id.device = st.st_dev;
    id.inode = st.st_ino;
    id.name = nameOf(path);
    return true;
}

bool sameFile(const FileIdentity& a, const FileIdentity& b) {
    return a.exists == b.exists && a.device == b.device && a.inode == b.inode && a.name == b.name;
}
