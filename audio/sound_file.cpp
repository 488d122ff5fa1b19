#include "audio/sound_file.h"

#include <sndfile.h>  // Required for: sf_open_fd(), sf_open_virtual(), sf_readf_float(), sf_get_string()

#include <algorithm>   // Required for: std::min()
#include <cstring>     // Required for: memcpy()
#include <filesystem>  // Required for: std::filesystem::status()

#include "audio/sound_file_path.h"  // Required for: soundFilePath(), openSoundPath()

namespace {

// The formats people keep music in. libsndfile reads more (voice and sampler formats), which are
// refused rather than given to less used code.
constexpr long long kMaxDeclaredSeconds = 24 * 3600;

constexpr int kTakenFormats[] = {SF_FORMAT_WAV,  SF_FORMAT_WAVEX, SF_FORMAT_RF64, SF_FORMAT_W64, SF_FORMAT_AIFF,
                                 SF_FORMAT_CAF,  SF_FORMAT_AU,    SF_FORMAT_FLAC, SF_FORMAT_OGG, SF_FORMAT_MPEG};

struct MemoryFile {
    const unsigned char* data;
    sf_count_t size;
    sf_count_t at;
};

sf_count_t memoryLength(void* user) { return static_cast<MemoryFile*>(user)->size; }

sf_count_t memorySeek(sf_count_t offset, int whence, void* user) {
    MemoryFile& m = *static_cast<MemoryFile*>(user);
    const sf_count_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? m.at : m.size;
    if (offset < -base || offset > m.size - base) return -1;
    m.at = base + offset;
    return m.at;
}

sf_count_t memoryRead(void* out, sf_count_t count, void* user) {
    MemoryFile& m = *static_cast<MemoryFile*>(user);
    const sf_count_t n = std::min(count, m.size - m.at);
    if (n <= 0) return 0;
    memcpy(out, m.data + m.at, (size_t)n);
    m.at += n;
    return n;
}

sf_count_t memoryWrite(const void*, sf_count_t, void*) { return 0; }
sf_count_t memoryTell(void* user) { return static_cast<MemoryFile*>(user)->at; }

bool takenFormat(int format) {
    const int major = format & SF_FORMAT_TYPEMASK;
    for (int taken : kTakenFormats) {
        if (major == taken) return true;
    }
    return false;
}

// A tag as a title: printable, without control characters, at most kMaxTitleBytes.
std::string cleanTitle(const char* text) {
    std::string title;
    for (const char* c = text; c != nullptr && *c != '\0' && title.size() < kMaxTitleBytes; ++c) {
        const unsigned char u = (unsigned char)*c;
        if (u >= 0x20 && u != 0x7F) title += *c;
    }
    while (!title.empty() && title.back() == ' ') title.pop_back();
    return title.find_first_not_of(' ') == std::string::npos ? std::string() : title;
}

// Checks what libsndfile found; fills `file` or says why not.
bool acceptOpened(SoundFile& file, SNDFILE* sf, const SF_INFO& info, std::string& reason) {
    if (!takenFormat(info.format)) {
        reason = "not a music format that is played";
    } else if (info.channels < kMinTrackChannels || info.channels > kMaxTrackChannels) {
        reason = std::to_string(info.channels) + " channels (" + std::to_string(kMinTrackChannels) + " to " +
                 std::to_string(kMaxTrackChannels) + " are played)";
    } else if (info.samplerate < kMinTrackRate || info.samplerate > kMaxTrackRate) {
        reason = "a rate of " + std::to_string(info.samplerate) + " Hz (" + std::to_string(kMinTrackRate) + " to " +
                 std::to_string(kMaxTrackRate) + " are played)";
    } else if (info.frames == 0) {
        reason = "no sound in it";
    } else {
        file.handle = sf;
        file.channels = info.channels;
        file.sampleRate = info.samplerate;
        // libsndfile's "unknown" is its largest count; a header claiming more than a day is not believed
        const bool believable = info.frames > 0 && info.frames <= (sf_count_t)kMaxDeclaredSeconds * info.samplerate;
        file.declaredFrames = believable ? (long long)info.frames : -1;
        file.title = cleanTitle(sf_get_string(sf, SF_STR_TITLE));
        return true;
    }
    sf_close(sf);
    return false;
}

std::string openFailure(SNDFILE* sf) {
    const int error = sf_error(sf);
    if (error == SF_ERR_UNRECOGNISED_FORMAT) return "not a sound file";
    return std::string("cannot be read as sound: ") + sf_error_number(error);
}

}  // namespace

bool openSoundFile(SoundFile& file, const char* path, std::string& reason) {
    closeSoundFile(file);
    if (path == nullptr || path[0] == '\0') {
        reason = "no file name";
        return false;
    }
    // Only a plain file: a FIFO would block the open, a device could read forever
    const std::filesystem::path name = soundFilePath(path);
    std::error_code error;
    const auto status = std::filesystem::status(name, error);
    if (!std::filesystem::exists(status)) {
        reason = "no such file";
        return false;
    }
    if (!std::filesystem::is_regular_file(status)) {
        reason = "not a regular file";
        return false;
    }
    if (std::filesystem::file_size(name, error) == 0) {
        reason = "an empty file";
        return false;
    }
    SF_INFO info = {};
    SNDFILE* sf = openSoundPath(name, info);
    if (sf == nullptr) {
        reason = openFailure(nullptr);
        return false;
    }
    if (!acceptOpened(file, sf, info, reason)) return false;
    if (file.title.empty()) file.title = name.stem().u8string();
    return true;
}

bool openSoundMemory(SoundFile& file, const unsigned char* data, size_t size, std::string& reason) {
    closeSoundFile(file);
    if (data == nullptr || size == 0) {
        reason = "an empty file";
        return false;
    }
    auto* memory = new MemoryFile{data, (sf_count_t)size, 0};
    SF_VIRTUAL_IO io = {memoryLength, memorySeek, memoryRead, memoryWrite, memoryTell};
    SF_INFO info = {};
    SNDFILE* sf = sf_open_virtual(&io, SFM_READ, &info, memory);
    if (sf == nullptr) {
        reason = openFailure(nullptr);
        delete memory;
        return false;
    }
    if (!acceptOpened(file, sf, info, reason)) {
        delete memory;
        return false;
    }
    file.memory = memory;
    return true;
}

int readSoundFile(SoundFile& file, float* out, int frames) {
    if (file.handle == nullptr || file.damaged || frames < 1) return 0;
    SNDFILE* sf = static_cast<SNDFILE*>(file.handle);
    const sf_count_t got = sf_readf_float(sf, out, frames);
    if (got <= 0 || sf_error(sf) != SF_ERR_NO_ERROR) {
        // What was read before the damaged place stays; nothing after it
        file.damaged = sf_error(sf) != SF_ERR_NO_ERROR;
        if (file.damaged) return 0;
    }
    const long long values = (long long)std::max<sf_count_t>(got, 0) * file.channels;
    for (long long i = 0; i < values; ++i) out[i] = cleanSample(out[i]);
    return (int)std::max<sf_count_t>(got, 0);
}

void closeSoundFile(SoundFile& file) {
    if (file.handle != nullptr) sf_close(static_cast<SNDFILE*>(file.handle));
    delete static_cast<MemoryFile*>(file.memory);
    file = SoundFile{};
}
