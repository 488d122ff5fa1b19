// Files that are never seen half-written and never written through someone else's link: each
// output is written to a new file beside it (created exclusively, never through a symlink), every
// write and the close checked, and renamed into place only when it is complete. Where a program
// of its own writes the file (ffmpeg), it writes into a private folder beside the output instead.
// And what it takes to tell whether two paths are the same file.
#pragma once

#include <string>
#include <vector>

#include <sys/types.h>  // Required for: dev_t, ino_t, ssize_t

// write(2), or a stand-in that fails as a full disk would.
typedef ssize_t (*WriteCall)(int fd, const void* data, size_t size);

struct TempFile {
    std::string path;      // Where the file goes when it is complete
    std::string tempPath;  // Where it is written until then: a new hidden file in the same folder
    int fd = -1;
    WriteCall write = nullptr;  // write(2) unless set
};

// Creates the temporary file beside `path`; false with a one-line error.
bool openTemp(const std::string& path, TempFile& file, std::string& error);
// All of the bytes, or false with an error (the file stays open until committed or discarded).
bool writeTemp(TempFile& file, const void* data, size_t size, std::string& error);
// Closes it and renames it to its path: over what is there only with `replace`, otherwise only
// when nothing is there. On any failure the temporary file is removed.
bool commitTemp(TempFile& file, bool replace, std::string& error);
// Closes and removes the temporary file, if there is one.
void discardTemp(TempFile& file);

// A whole file in one go: temporary file, bytes, rename.
bool writeWholeFile(const std::string& path, const void* data, size_t size, bool replace, std::string& error,
                    WriteCall write = nullptr);

// Renames a finished file into place, as commitTemp does.
bool moveIntoPlace(const std::string& from, const std::string& to, bool replace, std::string& error);

// A new folder only we can enter, beside `path`, for files another program writes; removed with
// everything in it by removeWorkFolder.
bool makeWorkFolder(const std::string& path, std::string& folder, std::string& error);
void removeWorkFolder(const std::string& folder);

// "frame_000123.png": the name of a captured frame, six digits or more.
std::string frameName(long long frame);
bool isFrameName(const std::string& name);

// The names of the frames in a folder; false with an error when it cannot be read.
bool listFrames(const std::string& dir, std::vector<std::string>& names, std::string& error);

// A file as the system knows it. A path that does not exist (yet) is known by its folder and name.
struct FileIdentity {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    std::string name;  // When it does not exist
};

// False with an error when the path's folder does not exist.
bool identify(const std::string& path, FileIdentity& id, std::string& error);
bool sameFile(const FileIdentity& a, const FileIdentity& b);

// "No space left on device", for errno
std::string systemError(int code);
