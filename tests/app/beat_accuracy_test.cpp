// How well the tempo clock lands on the music's beats: the ahead pass over whole files and the live
// tracker fed in blocks of odd sizes, each steering a clock frame by frame, over a generated test
// set (five styles from 70 to 180 bpm, a tempo change, a quiet intro) and the show's own soundtrack.
// Goals: the tempo within 2 % on at least 95 % of the sections (double and half counted apart), and
// after a section's first 8 s at least 90 % of its beats matched by a clock beat within 70 ms.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "app/tempo_follow.h"
#include "audio/beat_grid.h"
#include "audio/live_beats.h"
#include "audio/track_decoder.h"
#include "tests/audio/drum_tracks.h"

namespace {

using drum_tracks::Section;
using drum_tracks::Track;

constexpr int kRate = 22050;
constexpr double kSettleSeconds = 8.0;
constexpr double kMatchSeconds = 0.07;
constexpr double kFrameSeconds = 1.0 / 60.0;
// Odd block sizes, as a sound server hands them over
constexpr int kLiveBlocks[] = {367, 1021, 93, 2203, 511, 1499, 733, 64, 1777};

enum class TempoVerdict { Right, DoubleOrHalf, Wrong };

struct SectionScore {
    std::string name;
    float trueBpm = 0.0f;
    float bpm = 0.0f;           // 60 / the median interval of the clock's beats in the scored span
    int beats = 0;              // True beats scored
    int matched = 0;            // ...with a clock beat within 70 ms
    TempoVerdict verdict = TempoVerdict::Wrong;
};

// The times at which a clock's beat position passes a whole number between two frames.
void addCrossings(const TempoClock& clock, float from, float to, std::vector<double>& beats) {
    const float p0 = update(clock, from).beatPos;
    const float p1 = update(clock, to).beatPos;
    for (float k = floorf(p0) + 1.0f; k <= p1; k += 1.0f)
        beats.push_back((double)from + (double)(k - p0) / (double)(p1 - p0) * (double)(to - from));
}

// The ahead pass: the file's grid, followed by a clock stepped at 60 frames a second.
std::vector<double> aheadBeats(const std::vector<float>& samples, int rate) {
    const BeatGrid grid = analyseBeats(samples.data(), (long long)samples.size(), rate);
    TempoClock clock = makeTempoClock(TempoConfig{125.0f, 4, 4, 16});
    TempoFollower follower;
    startFollowing(clock, follower, gridReference(grid, 0.0), 0.0f);
    std::vector<double> beats;
    const double length = (double)samples.size() / rate;
    for (double t = 0.0; t < length; t += kFrameSeconds) {
        followBeats(clock, follower, gridReference(grid, t), (float)t, t);
        addCrossings(clock, (float)t, (float)(t + kFrameSeconds), beats);
    }
    return beats;
}

// Live: blocks of odd sizes pushed one by one, the clock steered after each (a frame per block).
std::vector<double> liveBeats(const std::vector<float>& samples, int rate) {
    LiveBeatTracker tracker = makeLiveBeatTracker(rate);
    TempoClock clock = makeTempoClock(TempoConfig{125.0f, 4, 4, 16});
    TempoFollower follower;
    std::vector<double> beats;
    size_t at = 0;
    for (int i = 0; at < samples.size(); ++i) {
        const int block = (int)std::min(samples.size() - at, (size_t)kLiveBlocks[i % 9]);
        pushLiveSamples(tracker, samples.data() + at, block);
        const float before = (float)((double)at / rate);
        at += (size_t)block;
        const float now = (float)((double)at / rate);
        addCrossings(clock, before, now, beats);
        followBeats(clock, follower, liveReference(tracker), now, (double)at / rate);
    }
    return beats;
}

TempoVerdict verdictOf(float bpm, float truth) {
    const auto near = [](float a, float b) { return a > b * 0.98f && a < b * 1.02f; };
    if (near(bpm, truth)) return TempoVerdict::Right;
    if (near(bpm, truth * 2.0f) || near(bpm, truth * 0.5f)) return TempoVerdict::DoubleOrHalf;
    return TempoVerdict::Wrong;
}

SectionScore scoreSection(const std::string& name, const Section& s, const std::vector<double>& truth,
                          const std::vector<double>& tracked) {
    SectionScore score;
    score.name = name;
    score.trueBpm = s.bpm;
    const double from = s.start + kSettleSeconds;
    for (double b : truth) {
        if (b < from || b >= s.end) continue;
        ++score.beats;
        const auto it = std::lower_bound(tracked.begin(), tracked.end(), b - kMatchSeconds);
        if (it != tracked.end() && *it <= b + kMatchSeconds) ++score.matched;
    }
    std::vector<double> intervals;
    for (size_t i = 1; i < tracked.size(); ++i)
        if (tracked[i - 1] >= from && tracked[i] < s.end) intervals.push_back(tracked[i] - tracked[i - 1]);
    if (!intervals.empty()) {
        std::nth_element(intervals.begin(), intervals.begin() + (long)intervals.size() / 2, intervals.end());
        score.bpm = (float)(60.0 / intervals[intervals.size() / 2]);
    }
    score.verdict = verdictOf(score.bpm, s.bpm);
    return score;
}

// The show's own soundtrack: 125 bpm, its first beat at 0.48 s; the drums play from 6.24 s to 109.92 s.
Track showSoundtrack() {
    Track t;
    t.name = "show soundtrack";
    DecodedTrack decoded;
    if (!decodeTrackFile("assets/audio/output.ogg", 0, decoded)) return t;
    t.sampleRate = decoded.sampleRate;
    t.samples.resize((size_t)decoded.frameCount);
    for (int f = 0; f < decoded.frameCount; ++f) {
        float sum = 0.0f;
        for (int c = 0; c < decoded.channels; ++c) sum += decoded.samples[(size_t)f * decoded.channels + c];
        t.samples[f] = sum / (float)decoded.channels;
    }
    releaseDecodedTrack(decoded);
    t.sections.push_back(Section{6.24, 109.92, 125.0f});
    for (int k = 1; 0.48 * k < 120.0; ++k) t.beats.push_back(0.48 * k);
    return t;
}

struct Table {
    std::vector<SectionScore> rows;
    int right() const { return (int)std::count_if(rows.begin(), rows.end(), [](const SectionScore& r) { return r.verdict == TempoVerdict::Right; }); }
    int octave() const { return (int)std::count_if(rows.begin(), rows.end(), [](const SectionScore& r) { return r.verdict == TempoVerdict::DoubleOrHalf; }); }
    int matched() const { int m = 0; for (const auto& r : rows) m += r.matched; return m; }
    int beats() const { int b = 0; for (const auto& r : rows) b += r.beats; return b; }
};

void printTable(const char* title, const Table& t) {
    printf("%s\n%-22s %7s %7s %8s %s\n", title, "track (section)", "true", "found", "beats", "tempo");
    for (const SectionScore& r : t.rows) {
        const char* v = r.verdict == TempoVerdict::Right ? "ok" : r.verdict == TempoVerdict::DoubleOrHalf ? "double/half" : "WRONG";
        printf("%-22s %7.1f %7.1f %3d/%-3d  %s%s\n", r.name.c_str(), r.trueBpm, r.bpm, r.matched, r.beats, v,
               r.beats > 0 && r.matched * 10 < r.beats * 9 ? "  (beats < 90 %)" : "");
    }
    printf("tempo within 2 %%: %d of %d, double/half: %d; beats within 70 ms: %d of %d (%.1f %%)\n\n", t.right(),
           (int)t.rows.size(), t.octave(), t.matched(), t.beats(), 100.0 * t.matched() / std::max(1, t.beats()));
}

struct AccuracyTable : ::testing::Test {
    static std::vector<Track>& tracks() {
        static std::vector<Track> set = [] {
            std::vector<Track> s = drum_tracks::testSet(kRate);
            s.push_back(showSoundtrack());
            return s;
        }();
        return set;
    }

    template <typename Tracker>
    static Table score(Tracker tracked) {
        Table table;
        for (const Track& t : tracks()) {
            const std::vector<double> beats = tracked(t.samples, t.sampleRate);
            for (size_t s = 0; s < t.sections.size(); ++s) {
                const std::string name = t.sections.size() > 1 ? t.name + " #" + std::to_string(s + 1) : t.name;
                table.rows.push_back(scoreSection(name, t.sections[s], t.beats, beats));
            }
        }
        return table;
    }

    static void expectGoals(const Table& t, int beatPercent) {
        ASSERT_FALSE(tracks().back().samples.empty()) << "the show's soundtrack did not decode";
        EXPECT_GE(t.right() * 100, (int)t.rows.size() * 95);
        EXPECT_EQ(t.right() + t.octave(), (int)t.rows.size()) << "a tempo neither right nor double or half";
        EXPECT_GE(t.matched() * 100, t.beats() * beatPercent);
        for (const SectionScore& r : t.rows) EXPECT_GT(r.beats, 0) << r.name;
    }
};

TEST_F(AccuracyTable, TheAheadPassFindsTheTempoAndBeatsOfEveryTrack) {
    const Table t = score(aheadBeats);
    printTable("Ahead pass (whole file, clock at 60 frames a second)", t);
    expectGoals(t, 90);
}

TEST_F(AccuracyTable, TheLiveTrackerLocksWithin8SecondsAndFollows) {
    const Table t = score(liveBeats);
    printTable("Live (blocks of 64..2203 samples, the clock steered after each)", t);
    expectGoals(t, 90);
}

}  // namespace
