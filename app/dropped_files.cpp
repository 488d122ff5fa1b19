#include "app/dropped_files.h"

#include <algorithm>  // Required for: std::stable_sort()
#include <utility>    // Required for: std::move()

#include "app/visualizer.h"
#include "audio/sound_source.h"

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c; }

std::string fileName(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// <0, 0, >0 as a is listed before, with or after b. Digit runs compare by value: without their
// leading zeros, the longer is larger, then digit by digit.
int compareNames(const std::string& a, const std::string& b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            while (i < a.size() && a[i] == '0') ++i;
            while (j < b.size() && b[j] == '0') ++j;
            size_t endA = i, endB = j;
            while (endA < a.size() && isDigit(a[endA])) ++endA;
            while (endB < b.size() && isDigit(b[endB])) ++endB;
            if (endA - i != endB - j) return endA - i < endB - j ? -1 : 1;
            const int digits = a.compare(i, endA - i, b, j, endB - j);
            if (digits != 0) return digits;
            i = endA;
            j = endB;
            continue;
        }
        const char ca = lowerAscii(a[i]), cb = lowerAscii(b[j]);
        if (ca != cb) return (unsigned char)ca < (unsigned char)cb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size()) return 1;
    return j < b.size() ? -1 : 0;
}

}  // namespace

void sortByName(std::vector<std::string>& paths) {
    std::stable_sort(paths.begin(), paths.end(), [](const std::string& a, const std::string& b) {
        const int byName = compareNames(fileName(a), fileName(b));
        return byName != 0 ? byName < 0 : a < b;
    });
}

std::string cannotPlayText(const std::string& path, const std::string& reason) {
    return "Cannot play " + fileName(path) + (reason.empty() ? "" : ": " + reason);
}

namespace {

// The notice for a drop's refused files: the first of them by name, and how many more.
std::string refusalText(const std::vector<std::string>& refusals) {
    if (refusals.size() <= 1) return refusals.empty() ? "" : refusals[0];
    return refusals[0] + " (and " + std::to_string(refusals.size() - 1) + " more)";
}

// A file the visualizer skipped when its turn came ("name: reason" in its status) gets the notice
// once.
void noticeSkippedFile(Show& show, float now) {
    if (!show.visualizer) return;
    const VisualizerStatus status = visualizerStatus(show);
    if (status.skipped.empty() || status.skippedAt == show.noticedSkipAt) return;
    show.noticedSkipAt = status.skippedAt;
    show.notice = Notice{"Cannot play " + status.skipped, now};
}

}  // namespace

void playDroppedFiles(Show& show, const Platform& platform, std::vector<std::string> paths) {
    sortByName(paths);
    std::vector<std::string> playable, refusals;
    for (const std::string& path : paths) {
        SoundSource probe;
        if (openFileSource(probe, path.c_str())) {
            playable.push_back(path);
        } else {
            refusals.push_back(cannotPlayText(path, probe.error));
        }
        closeSource(probe);
    }
    if (!refusals.empty()) show.notice = Notice{refusalText(refusals), platform.now(platform.user)};
    if (playable.empty()) return;  // The show goes on as it was
    stopShow(show, platform);
    startVisualizerFiles(show, platform, playable);
    show.noticedSkipAt = visualizerStatus(show).skippedAt;
}

void takeDroppedFiles(Show& show, const Platform& platform) {
    if (platform.droppedFiles != nullptr) {
        std::vector<std::string> paths;
        platform.droppedFiles(platform.user, paths);
        if (!paths.empty()) playDroppedFiles(show, platform, std::move(paths));
    }
    noticeSkippedFile(show, platform.now(platform.user));
}

std::string windowTitle(const Show& show) {
    const VisualizerStatus status = visualizerStatus(show);
    if (!show.visualizer || status.mode != VisualizerMode::Effects || status.title.empty()) return kShowTitle;
    return status.title + " - " + kShowTitle;
}
