#include "tools/soundtrack/instruments.h"

#include <cmath>  // Required for: std::exp(), std::sin(), std::tanh(), std::pow()

namespace synth {

namespace {

// Rendering stops this long after a sound's level has fallen out of hearing range; the last
// milliseconds fade linearly so that the cut is silent.
constexpr double kEndFade = 0.012;

double endFade(double t, double length) {
    const double left = length - t;
    return left >= kEndFade ? 1.0 : (left <= 0.0 ? 0.0 : left / kEndFade);
}

// Runs `body(t)` for every frame of a sound of `length` seconds and adds its (l, r) to the bus.
template <typename Body>
void render(Bus& bus, double start, double length, Body body) {
    const size_t first = frameAt(start);
    const size_t count = (size_t)(length * kSampleRate);
    for (size_t i = 0; i < count; ++i) {
        const double t = (double)i / kSampleRate;
        double l = 0.0;
        double r = 0.0;
        body(t, l, r);
        const double fade = endFade(t, length);
        bus.add(first + i, l * fade, r * fade);
    }
}

double cents(double c) { return std::pow(2.0, c / 1200.0); }

}  // namespace

void kick(Bus& bus, double start, double velocity) {
    Sine body;
    const double gain = velocity / std::tanh(1.6);
    render(bus, start, 0.42, [&](double t, double& l, double& r) {
        const double hz = 47.0 + 105.0 * std::exp(-t / 0.028) + 30.0 * std::exp(-t / 0.004);
        const double v = std::tanh(1.6 * body.next(hz) * strike(t, 0.0015, 0.17)) * gain;
        l = v;
        r = v;
    });
}

void snare(Bus& bus, double start, double velocity, uint32_t seed) {
    Noise noise(seed);
    Sine body;
    Filter filter;
    const Pan pan(-0.05);
    render(bus, start, 0.32, [&](double t, double& l, double& r) {
        filter.run(noise.next(), 3200.0, 0.25);
        const double rattle = (filter.band * 0.9 + filter.high * 0.5) * strike(t, 0.001, 0.09);
        const double tone = body.next(190.0 - 30.0 * t) * strike(t, 0.001, 0.045) * 0.55;
        const double v = (rattle + tone) * velocity;
        l = v * pan.left;
        r = v * pan.right;
    });
}

void clap(Bus& bus, double start, double velocity, uint32_t seed) {
    Noise noiseL(seed);
    Noise noiseR(seed + 7919u);
    Filter filterL;
    Filter filterR;
    render(bus, start, 0.36, [&](double t, double& l, double& r) {
        // Three quick slaps, then the room.
        double env = 0.0;
        for (int k = 0; k < 3; ++k) env += strike(t - 0.0105 * k, 0.0008, 0.0065) * (k == 2 ? 1.0 : 0.7);
        env += strike(t - 0.021, 0.002, 0.11) * 0.55;
        filterL.run(noiseL.next(), 1250.0, 0.45);
        filterR.run(noiseR.next(), 1350.0, 0.45);
        l = filterL.band * env * velocity * 1.6;
        r = filterR.band * env * velocity * 1.6;
    });
}

void hat(Bus& bus, double start, double velocity, bool open, uint32_t seed) {
    Noise noise(seed);
    Filter filter;
    Filter shine;
    const Pan pan(0.3);
    const double decay = open ? 0.16 : 0.028;
    render(bus, start, open ? 0.7 : 0.16, [&](double t, double& l, double& r) {
        filter.run(noise.next(), 7500.0, 0.2);
        shine.run(filter.high, 10500.0, 0.55);
        const double v = (filter.high * 0.6 + shine.band * 0.6) * strike(t, 0.0007, decay) * velocity;
        l = v * pan.left;
        r = v * pan.right;
    });
}

void crash(Bus& bus, double start, double velocity, uint32_t seed) {
    Noise noiseL(seed);
    Noise noiseR(seed + 104729u);
    Filter filterL;
    Filter filterR;
    render(bus, start, 3.2, [&](double t, double& l, double& r) {
        const double env = strike(t, 0.002, 0.75) * velocity;
        filterL.run(noiseL.next(), 5200.0, 0.3);
        filterR.run(noiseR.next(), 5600.0, 0.3);
        l = filterL.high * env;
        r = filterR.high * env;
    });
}

void riser(Bus& bus, double start, double length, double velocity, uint32_t seed) {
    Noise noiseL(seed);
    Noise noiseR(seed + 15485863u);
    Filter filterL;
    Filter filterR;
    render(bus, start, length, [&](double t, double& l, double& r) {
        const double x = t / length;
        const double cutoff = 300.0 * std::pow(24.0, x);
        const double env = x * x * velocity;
        filterL.run(noiseL.next(), cutoff, 0.6);
        filterR.run(noiseR.next(), cutoff * 1.03, 0.6);
        l = filterL.band * env;
        r = filterR.band * env;
    });
}

void bass(Bus& bus, double start, double length, int midi, double velocity, double brightness) {
    Oscillator growl;
    growl.shape = 0.45;
    Sine sub;
    Filter filter;
    const double hz = noteHz(midi);
    const double release = 0.04;
    render(bus, start, length + release * 6.0, [&](double t, double& l, double& r) {
        const double env = adsr(t, length, 0.004, 0.18, 0.75, release);
        const double cutoff = hz * 1.5 + (150.0 + 1100.0 * brightness) * strike(t, 0.002, 0.09) + 300.0 * brightness;
        filter.run(growl.next(hz), cutoff, 0.35);
        const double v = (filter.low * 0.55 + sub.next(hz) * 0.65) * env * velocity;
        l = v;
        r = v;
    });
}

void lead(Bus& bus, double start, double length, int midi, double velocity, double brightness) {
    Oscillator a;
    Oscillator b;
    Oscillator octave;
    b.phase = 0.37;
    octave.shape = 1.0;
    Filter filterL;
    Filter filterR;
    const double hz = noteHz(midi);
    const double release = 0.14;
    const Pan left(-0.35);
    const Pan right(0.35);
    render(bus, start, length + release * 6.0, [&](double t, double& l, double& r) {
        // Vibrato arrives after the note has spoken.
        const double depth = 0.0045 * std::fmin(std::fmax((t - 0.18) / 0.25, 0.0), 1.0);
        const double wobble = 1.0 + depth * std::sin(kTwoPi * 5.3 * t);
        const double env = adsr(t, length, 0.008, 0.22, 0.62, release);
        const double cutoff = 700.0 + (900.0 + 3600.0 * brightness) * (0.35 + 0.65 * strike(t, 0.006, 0.2));
        const double sa = a.next(hz * wobble * cents(-7.0));
        const double sb = b.next(hz * wobble * cents(7.0));
        const double so = octave.next(hz * wobble * 0.5) * 0.35;
        filterL.run(sa + so, cutoff, 0.3);
        filterR.run(sb + so, cutoff, 0.3);
        const double gain = env * velocity;
        l = (filterL.low * left.left + filterR.low * right.left) * gain;
        r = (filterL.low * left.right + filterR.low * right.right) * gain;
    });
}

void pad(Bus& bus, double start, double length, const int* notes, int count, double velocity, double brightness) {
    const double release = 0.7;
    const double detune[3] = {-9.0, 0.0, 9.0};
    const Pan pans[3] = {Pan(-0.7), Pan(0.0), Pan(0.7)};
    for (int n = 0; n < count; ++n) {
        Oscillator voices[3];
        Filter filters[3];
        for (int v = 0; v < 3; ++v) voices[v].phase = 0.13 * (double)(n * 3 + v);
        const double hz = noteHz(notes[n]);
        const double gain = velocity / (double)count;
        render(bus, start, length + release * 6.0, [&](double t, double& l, double& r) {
            const double env = adsr(t, length, 0.28, 1.2, 0.85, release);
            const double cutoff = (500.0 + 1900.0 * brightness) * (1.0 + 0.18 * std::sin(kTwoPi * 0.23 * (start + t)));
            for (int v = 0; v < 3; ++v) {
                filters[v].run(voices[v].next(hz * cents(detune[v])), cutoff, 0.15);
                l += filters[v].low * pans[v].left;
                r += filters[v].low * pans[v].right;
            }
            l *= env * gain;
            r *= env * gain;
        });
    }
}

void pluck(Bus& bus, double start, int midi, double velocity, double pan) {
    Oscillator osc;
    osc.shape = 0.3;
    Filter filter;
    const Pan place(pan);
    const double hz = noteHz(midi);
    render(bus, start, 0.9, [&](double t, double& l, double& r) {
        const double cutoff = hz + 2600.0 * strike(t, 0.001, 0.07);
        filter.run(osc.next(hz), cutoff, 0.2);
        const double v = filter.low * strike(t, 0.002, 0.16) * velocity;
        l = v * place.left;
        r = v * place.right;
    });
}

void drone(Bus& bus, double start, double length, int midi, double velocity) {
    Sine fundamental;
    Sine second;
    const double hz = noteHz(midi);
    const double release = 0.5;
    render(bus, start, length + release * 6.0, [&](double t, double& l, double& r) {
        const double env = adsr(t, length, 1.8, 1.0, 1.0, release);
        const double v = (fundamental.next(hz) + 0.2 * second.next(hz * 2.0)) * env * velocity;
        l = v;
        r = v;
    });
}

}  // namespace synth
