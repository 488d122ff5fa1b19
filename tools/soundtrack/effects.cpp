#include "tools/soundtrack/effects.h"

#include <cmath>  // Required for: std::exp(), std::fabs(), std::tanh()

namespace synth {

namespace {

// One-pole low-pass, for darkening repeats and reflections.
struct Damper {
    double state = 0.0;
    double coefficient;
    explicit Damper(double cutoffHz) : coefficient(1.0 - std::exp(-kTwoPi * cutoffHz / kSampleRate)) {}
    double run(double x) {
        state += (x - state) * coefficient;
        return state;
    }
};

// Delay line of a fixed number of frames.
struct DelayLine {
    std::vector<double> buffer;
    size_t position = 0;
    explicit DelayLine(size_t frames) : buffer(frames, 0.0) {}
    double read() const { return buffer[position]; }
    void write(double x) {
        buffer[position] = x;
        position = (position + 1) % buffer.size();
    }
};

constexpr double kKnee = 0.6;
constexpr double kFadeIn = 0.005;
constexpr double kFadeOut = 0.4;

double softKnee(double x) {
    const double a = std::fabs(x);
    if (a <= kKnee) return x;
    const double shaped = kKnee + (1.0 - kKnee) * std::tanh((a - kKnee) / (1.0 - kKnee));
    return x < 0.0 ? -shaped : shaped;
}

double peakOf(const Bus& bus) {
    double peak = 0.0;
    for (size_t i = 0; i < bus.frames(); ++i) {
        peak = std::fmax(peak, std::fabs((double)bus.left[i]));
        peak = std::fmax(peak, std::fabs((double)bus.right[i]));
    }
    return peak;
}

}  // namespace

void echo(const Bus& input, Bus& out, double delay, double feedback, double level) {
    DelayLine toLeft((size_t)(delay * kSampleRate));
    DelayLine toRight((size_t)(delay * kSampleRate));
    Damper darkL(3200.0);
    Damper darkR(3200.0);
    for (size_t i = 0; i < input.frames(); ++i) {
        const double fromLeft = toRight.read();
        const double fromRight = toLeft.read();
        // The left input repeats on the right first, then bounces back and forth.
        toRight.write(darkR.run(input.left[i] + fromLeft * feedback));
        toLeft.write(darkL.run(input.right[i] + fromRight * feedback));
        out.add(i, fromRight * level, fromLeft * level);
    }
}

void room(const Bus& input, Bus& out, double level) {
    const size_t lengths[4] = {1557, 1617, 1491, 1422};
    DelayLine lines[4] = {DelayLine(lengths[0]), DelayLine(lengths[1]), DelayLine(lengths[2]), DelayLine(lengths[3])};
    Damper dampers[4] = {Damper(5200.0), Damper(5000.0), Damper(5400.0), Damper(4800.0)};
    DelayLine predelay((size_t)(0.018 * kSampleRate));
    const double feedback = 0.83;
    for (size_t i = 0; i < input.frames(); ++i) {
        const double in = predelay.read();
        predelay.write(0.5 * ((double)input.left[i] + (double)input.right[i]));
        double x[4];
        for (int k = 0; k < 4; ++k) x[k] = lines[k].read();
        // Householder mixing: every line feeds every other, energy kept.
        const double half = 0.5 * (x[0] + x[1] + x[2] + x[3]);
        const double sign[4] = {1.0, -1.0, 1.0, -1.0};
        for (int k = 0; k < 4; ++k) lines[k].write(dampers[k].run((x[k] - half) * feedback + in * sign[k]));
        out.add(i, (x[0] + x[2]) * level, (x[1] + x[3]) * level);
    }
}

std::vector<float> duckingGain(const std::vector<double>& kickTimes, size_t frames, double depth) {
    std::vector<float> amount(frames, 0.0f);
    const size_t span = (size_t)(0.45 * kSampleRate);
    for (double kick : kickTimes) {
        const size_t first = frameAt(kick);
        for (size_t i = 0; i < span && first + i < frames; ++i) {
            const double t = (double)i / kSampleRate;
            const double shape = strike(t, 0.004, 0.085);
            if (shape > amount[first + i]) amount[first + i] = (float)shape;
        }
    }
    std::vector<float> gain(frames);
    for (size_t i = 0; i < frames; ++i) gain[i] = (float)(1.0 - depth * amount[i]);
    return gain;
}

void applyGain(Bus& bus, const std::vector<float>& gain) {
    for (size_t i = 0; i < bus.frames(); ++i) {
        bus.left[i] *= gain[i];
        bus.right[i] *= gain[i];
    }
}

void master(Bus& mix, double peakDb) {
    // Drive the loudest hits a little into the knee, so that the drops are not held back by them.
    const double drive = 1.1 / std::fmax(peakOf(mix), 1e-9);
    for (size_t i = 0; i < mix.frames(); ++i) {
        mix.left[i] = (float)softKnee(mix.left[i] * drive);
        mix.right[i] = (float)softKnee(mix.right[i] * drive);
    }
    const double scale = dbToGain(peakDb) / std::fmax(peakOf(mix), 1e-9);
    const double length = (double)mix.frames() / kSampleRate;
    for (size_t i = 0; i < mix.frames(); ++i) {
        const double t = (double)i / kSampleRate;
        const double fade = std::fmin(std::fmin(t / kFadeIn, (length - t) / kFadeOut), 1.0);
        mix.left[i] = (float)(mix.left[i] * scale * fade);
        mix.right[i] = (float)(mix.right[i] * scale * fade);
    }
}

}  // namespace synth
