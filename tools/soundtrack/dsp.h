// Building blocks of the soundtrack synthesizer: a stereo bus, noise, band-limited oscillators,
// a state-variable filter and envelopes. Everything is deterministic: no clocks, no random seeds.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace synth {

constexpr int kSampleRate = 44100;
constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;

// Frequency of a MIDI note number (A4 = 69 = 440 Hz).
inline double noteHz(double midi) { return 440.0 * std::pow(2.0, (midi - 69.0) / 12.0); }

inline double dbToGain(double db) { return std::pow(10.0, db / 20.0); }

// A stereo signal the length of the track; voices add into it.
struct Bus {
    std::vector<float> left;
    std::vector<float> right;

    explicit Bus(size_t frames) : left(frames, 0.0f), right(frames, 0.0f) {}
    size_t frames() const { return left.size(); }

    void add(size_t frame, double l, double r) {
        if (frame >= left.size()) return;
        left[frame] += (float)l;
        right[frame] += (float)r;
    }
};

// Equal-power pan gains, -1 left .. 1 right.
struct Pan {
    double left;
    double right;
    explicit Pan(double position)
        : left(std::cos((position + 1.0) * 0.25 * kPi)), right(std::sin((position + 1.0) * 0.25 * kPi)) {}
};

// Frame index of a time in seconds.
inline size_t frameAt(double seconds) { return seconds <= 0.0 ? 0 : (size_t)(seconds * kSampleRate + 0.5); }

// xorshift32 white noise in -1..1; the seed decides the sequence.
struct Noise {
    uint32_t state;
    explicit Noise(uint32_t seed) : state(seed * 2654435761u + 0x9E3779B9u) {
        if (state == 0) state = 1;
    }
    double next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return (double)state / 2147483648.0 - 1.0;
    }
};

// Correction that takes the step out of a naive sawtooth or square (polyBLEP).
inline double polyBlep(double phase, double step) {
    if (phase < step) {
        const double t = phase / step;
        return t + t - t * t - 1.0;
    }
    if (phase > 1.0 - step) {
        const double t = (phase - 1.0) / step;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

// Band-limited sawtooth (shape 0) or square (shape 1), phase in 0..1.
struct Oscillator {
    double phase = 0.0;
    double shape = 0.0;

    double next(double hz) {
        const double step = hz / kSampleRate;
        double saw = 2.0 * phase - 1.0 - polyBlep(phase, step);
        double value = saw;
        if (shape > 0.0) {
            double shifted = phase + 0.5;
            if (shifted >= 1.0) shifted -= 1.0;
            const double square = saw - (2.0 * shifted - 1.0 - polyBlep(shifted, step));
            value = saw * (1.0 - shape) + square * shape;
        }
        phase += step;
        if (phase >= 1.0) phase -= 1.0;
        return value;
    }
};

struct Sine {
    double phase = 0.0;
    double next(double hz) {
        const double value = std::sin(kTwoPi * phase);
        phase += hz / kSampleRate;
        if (phase >= 1.0) phase -= 1.0;
        return value;
    }
};

// Topology-preserving state-variable filter: low, band and high pass from one state.
struct Filter {
    double ic1 = 0.0;
    double ic2 = 0.0;
    double low = 0.0;
    double band = 0.0;
    double high = 0.0;

    void run(double input, double cutoffHz, double resonance) {
        const double limited = std::fmin(std::fmax(cutoffHz, 20.0), kSampleRate * 0.45);
        const double g = std::tan(kPi * limited / kSampleRate);
        const double k = 2.0 - 2.0 * resonance;  // resonance 0 .. 0.95
        const double a1 = 1.0 / (1.0 + g * (g + k));
        const double a2 = g * a1;
        const double a3 = g * a2;
        const double v3 = input - ic2;
        band = a1 * ic1 + a2 * v3;
        low = ic2 + a2 * ic1 + a3 * v3;
        ic1 = 2.0 * band - ic1;
        ic2 = 2.0 * low - ic2;
        high = input - k * band - low;
    }
};

// Attack, decay to a sustain level, release after `gate` seconds; smooth at both ends.
inline double adsr(double t, double gate, double attack, double decay, double sustain, double release) {
    auto held = [&](double x) {
        if (x < attack) return x / attack;
        return sustain + (1.0 - sustain) * std::exp(-(x - attack) / decay);
    };
    if (t < 0.0) return 0.0;
    if (t < gate) return held(t);
    const double r = t - gate;
    if (r >= release * 6.0) return 0.0;
    return held(gate) * std::exp(-r / release) * (1.0 - r / (release * 6.0));
}

// A percussive envelope: a few milliseconds up, then an exponential fall.
inline double strike(double t, double attack, double decay) {
    if (t < 0.0) return 0.0;
    if (t < attack) return t / attack;
    return std::exp(-(t - attack) / decay);
}

}  // namespace synth
