// Builds without libsndfile read no music files (the web page decodes in the browser and hands
// over decoded samples instead).
#include "audio/file_stream.h"

FileStream* openFileStream(const char*, FileFormat&, std::string& reason) {
    reason = "music files are not read in this build";
    return nullptr;
}
void closeFileStream(FileStream*) {}
long long framesDecoded(const FileStream&) { return 0; }
bool decodingFinished(const FileStream&, bool& damaged) {
    damaged = false;
    return true;
}
const float* heldFrame(const FileStream&, long long, long long) { return nullptr; }
void releaseFramesBefore(FileStream&, long long) {}
long long ringFrames(const FileStream&) { return 0; }
bool decodingSettled(const FileStream&) { return true; }
