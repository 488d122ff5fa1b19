// Synthetic drum-and-bass-line tracks with known beats, for the tempo and beat tests and their
// benchmarks: kick, snare, hi-hat and bass on a sixteenth-note pattern per style, with a little
// seeded variation in loudness and timing. Built with the show's own math: the same samples on
// every platform.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "math/show_math.h"

namespace drum_tracks {

enum class Style { FourOnTheFloor, Breakbeat, HalfTime, Swing, Syncopated };

// A stretch of steady tempo: beats fall every 60 / bpm seconds from `start` up to `end`.
struct Section {
    double start;
    double end;
    float bpm;
};

struct Track {
    std::string name;
    int sampleRate = 0;
    std::vector<float> samples;   // Mono
    std::vector<Section> sections;
    std::vector<double> beats;    // The true beats, seconds
};

// One bar of sixteenths per voice: 'x' a hit, '.' none.
struct Pattern {
    const char* kick;
    const char* snare;
    const char* hat;
    const char* bass;
};

inline Pattern patternOf(Style style) {
    switch (style) {
    case Style::FourOnTheFloor: return {"x...x...x...x...", "....x.......x...", "..x...x...x...x.", "..x...x...x...x."};
    case Style::Breakbeat: return {"x.x.......xx....", "....x..x.x..x..x", "x.x.x.x.x.x.x.x.", "x.....x...x....."};
    case Style::HalfTime: return {"x.........x.....", "........x.......", "x...x...x...x...", "x......x........"};
    case Style::Swing: return {"x.......x.x.....", "....x.......x...", "x.xxx.xxx.xxx.xx", "x...x...x...x..."};
    case Style::Syncopated: return {"x..x....x.x.....", "....x.......x..x", "x.x.x.x.x.x.x.x.", "x..x..x....x..x."};
    }
    return {"", "", "", ""};
}

struct Noise {
    uint32_t state;
    float next() {  // -1..1
        state = state * 1664525u + 1013904223u;
        return (float)(state >> 8) / 8388608.0f - 1.0f;
    }
};

constexpr float kTwoPi = 6.2831855f;

// Adds one hit of a voice starting at sample `at`.
inline void addKick(std::vector<float>& out, int rate, long long at, float gain) {
    const int length = rate * 3 / 10;
    float phase = 0.0f;
    for (int i = 0; i < length && at + i < (long long)out.size(); ++i) {
        const float t = (float)i / (float)rate;
        phase += kTwoPi * (48.0f + 110.0f * showExp(-t * 30.0f)) / (float)rate;
        if (at + i >= 0) out[(size_t)(at + i)] += gain * 0.9f * showSin(phase) * showExp(-t * 9.0f);
    }
}

inline void addSnare(std::vector<float>& out, int rate, long long at, float gain, Noise& noise) {
    const int length = rate / 5;
    for (int i = 0; i < length && at + i < (long long)out.size(); ++i) {
        const float t = (float)i / (float)rate;
        const float body = 0.4f * showSin(kTwoPi * 185.0f * t) * showExp(-t * 25.0f);
        const float rattle = 0.5f * noise.next() * showExp(-t * 18.0f);
        if (at + i >= 0) out[(size_t)(at + i)] += gain * (body + rattle);
    }
}

inline void addHat(std::vector<float>& out, int rate, long long at, float gain, Noise& noise) {
    const int length = rate / 20;
    float last = 0.0f;
    for (int i = 0; i < length && at + i < (long long)out.size(); ++i) {
        const float t = (float)i / (float)rate;
        const float n = noise.next();
        const float high = n - last;  // Differenced noise: mostly treble
        last = n;
        if (at + i >= 0) out[(size_t)(at + i)] += gain * 0.25f * high * showExp(-t * 60.0f);
    }
}

inline void addBass(std::vector<float>& out, int rate, long long at, float seconds, float hz, float gain) {
    const int length = (int)(seconds * (float)rate);
    for (int i = 0; i < length && at + i < (long long)out.size(); ++i) {
        const float t = (float)i / (float)rate;
        const float attack = t < 0.01f ? t / 0.01f : 1.0f;
        const float release = showExp(-t * 3.0f);
        const float wave = showSin(kTwoPi * hz * t) + 0.3f * showSin(kTwoPi * 2.0f * hz * t);
        if (at + i >= 0) out[(size_t)(at + i)] += gain * 0.3f * wave * attack * release;
    }
}

// The sixteenth's offset in beats: swing delays the second eighth of a beat to two thirds of it.
inline double stepOffset(Style style, int step) {
    if (style == Style::Swing && step % 4 == 2) return 2.0 / 3.0;
    if (style == Style::Swing && step % 4 == 3) return 5.0 / 6.0;
    return (double)(step % 4) / 4.0;
}

// Plays `style` over [start, end) at `bpm`, the first beat at `start`; adds the beats to `track`.
inline void playSection(Track& track, Style style, double start, double end, float bpm, Noise& noise) {
    const Pattern p = patternOf(style);
    const double beatSeconds = 60.0 / (double)bpm;
    const float bassNotes[4] = {55.0f, 65.4f, 49.0f, 73.4f};
    for (int beat = 0;; ++beat) {
        const double beatStart = start + beatSeconds * beat;
        if (beatStart >= end - 1e-9) break;
        track.beats.push_back(beatStart);
        const int bar = beat / 4;
        for (int s = 0; s < 4; ++s) {
            const int step = (beat % 4) * 4 + s;
            const double when = beatStart + beatSeconds * stepOffset(style, step);
            const double jitter = 0.004 * (double)noise.next();  // A drummer is not a machine
            const long long at = (long long)((when + jitter) * (double)track.sampleRate);
            const float accent = 0.85f + 0.15f * noise.next();
            if (p.kick[step] == 'x') addKick(track.samples, track.sampleRate, at, accent);
            if (p.snare[step] == 'x') addSnare(track.samples, track.sampleRate, at, 0.8f * accent, noise);
            if (p.hat[step] == 'x') addHat(track.samples, track.sampleRate, at, (step % 2 == 0 ? 0.7f : 0.45f) * accent, noise);
            if (p.bass[step] == 'x')
                addBass(track.samples, track.sampleRate, at, (float)beatSeconds * 0.7f, bassNotes[bar % 4], accent);
        }
    }
    track.sections.push_back(Section{start, end, bpm});
}

inline Track emptyTrack(const std::string& name, double seconds, int rate) {
    Track t;
    t.name = name;
    t.sampleRate = rate;
    t.samples.assign((size_t)(seconds * rate), 0.0f);
    return t;
}

inline void addHiss(Track& t, float level, Noise& noise) {
    for (float& s : t.samples) s += level * noise.next();
}

// One style at one tempo, its first beat `lead` seconds in.
inline Track steadyTrack(const std::string& name, Style style, float bpm, double seconds, int rate, uint32_t seed,
                         double lead = 0.25) {
    Track t = emptyTrack(name, seconds, rate);
    Noise noise{seed};
    playSection(t, style, lead, seconds, bpm, noise);
    addHiss(t, 0.01f, noise);
    return t;
}

// A tempo change: `first` bpm up to `changeAt`, then `second`.
inline Track tempoChangeTrack(const std::string& name, Style style, float first, float second, double changeAt,
                              double seconds, int rate, uint32_t seed) {
    Track t = emptyTrack(name, seconds, rate);
    Noise noise{seed};
    playSection(t, style, 0.25, changeAt, first, noise);
    playSection(t, style, changeAt, seconds, second, noise);
    addHiss(t, 0.01f, noise);
    return t;
}

// A quiet intro of `intro` seconds (a soft pad and hiss, no beat), then the drums.
inline Track quietIntroTrack(const std::string& name, Style style, float bpm, double intro, double seconds, int rate,
                             uint32_t seed) {
    Track t = emptyTrack(name, seconds, rate);
    Noise noise{seed};
    for (size_t i = 0; i < (size_t)(intro * rate); ++i) {
        const float time = (float)i / (float)rate;
        const float swell = 0.5f + 0.5f * showSin(kTwoPi * 0.13f * time);
        t.samples[i] = 0.03f * swell * (showSin(kTwoPi * 220.0f * time) + showSin(kTwoPi * 277.2f * time));
    }
    playSection(t, style, intro, seconds, bpm, noise);
    addHiss(t, 0.005f, noise);
    return t;
}

// The set the accuracy table scores: five styles from 70 to 180 bpm, a tempo change and a quiet intro.
inline std::vector<Track> testSet(int rate) {
    std::vector<Track> set;
    struct Row {
        const char* name;
        Style style;
        float bpm;
    };
    const Row rows[] = {
        {"four 100", Style::FourOnTheFloor, 100.0f}, {"four 124", Style::FourOnTheFloor, 124.0f},
        {"four 138", Style::FourOnTheFloor, 138.0f}, {"four 180", Style::FourOnTheFloor, 180.0f},
        {"break 104", Style::Breakbeat, 104.0f},      {"break 132", Style::Breakbeat, 132.0f},
        {"break 172", Style::Breakbeat, 172.0f},     {"half 70", Style::HalfTime, 70.0f},
        {"half 85", Style::HalfTime, 85.0f},         {"half 140", Style::HalfTime, 140.0f},
        {"swing 76", Style::Swing, 76.0f},           {"swing 112", Style::Swing, 112.0f},
        {"swing 150", Style::Swing, 150.0f},         {"synco 104", Style::Syncopated, 104.0f},
        {"synco 118", Style::Syncopated, 118.0f},    {"synco 164", Style::Syncopated, 164.0f},
    };
    uint32_t seed = 1;
    for (const Row& r : rows) set.push_back(steadyTrack(r.name, r.style, r.bpm, 30.0, rate, seed++));
    set.push_back(tempoChangeTrack("change 120>136", Style::FourOnTheFloor, 120.0f, 136.0f, 24.0, 48.0, rate, seed++));
    set.push_back(quietIntroTrack("intro 20 s, 126", Style::Syncopated, 126.0f, 20.0, 48.0, rate, seed++));
    return set;
}

}  // namespace drum_tracks
