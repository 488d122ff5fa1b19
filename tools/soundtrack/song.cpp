#include "tools/soundtrack/song.h"

#include <cstdint>
#include <utility>  // Required for: std::pair
#include <vector>

#include "tools/soundtrack/effects.h"
#include "tools/soundtrack/instruments.h"

namespace synth {

namespace {

constexpr double kBpm = 125.0;
constexpr double kBeat = 60.0 / kBpm;  // 0.48 s
constexpr double kStep = kBeat / 4.0;  // A sixteenth
constexpr int kStepsPerBar = 16;
// One beat of pad before bar 0, so that bar 3, where the drums come in, starts at 6.24 s: just as
// the show's boot screen (6.19 s) hands over to the first effect.
constexpr double kPickup = kBeat;

double barTime(int bar) { return kPickup + (double)(bar * kStepsPerBar) * kStep; }
double stepTime(int bar, int step) { return barTime(bar) + (double)step * kStep; }

// ---------------------------------------------------------------------------------------------
// Harmony: A minor. Pad voicings sit around middle C; the root is the bass note.
// ---------------------------------------------------------------------------------------------
struct Chord {
    int root;
    int notes[4];
};

constexpr Chord kAm{33, {57, 60, 64, 69}};
constexpr Chord kF{29, {53, 57, 60, 64}};  // Fmaj7
constexpr Chord kC{36, {55, 60, 64, 67}};
constexpr Chord kG{31, {55, 59, 62, 67}};
constexpr Chord kEm{28, {55, 59, 62, 64}};  // Em7

const Chord kIntroChords[] = {kAm, kF, kG};
const Chord kMainChords[] = {kAm, kF, kC, kG};
const Chord kBreakChords[] = {kF, kG, kEm, kAm};
const Chord kBuildChords[] = {kF, kG};
const Chord kOutroChords[] = {kAm, kF, kC, kG, kAm};

struct Progression {
    const Chord* chords;
    int count;
};

template <int N>
constexpr Progression progression(const Chord (&chords)[N]) {
    return Progression{chords, N};
}

// ---------------------------------------------------------------------------------------------
// Melodies: four bars of sixteenths each, written against Am F C G.
// ---------------------------------------------------------------------------------------------
struct Note {
    int step;  // 0..63 within the four bars
    int length;
    int midi;
};

// The calm hook: stepwise, around E5.
const Note kHook[] = {
    {0, 3, 76},  {3, 1, 74},  {4, 2, 72},  {6, 2, 74},  {8, 4, 76},  {12, 4, 69},
    {16, 3, 77}, {19, 1, 76}, {20, 2, 72}, {22, 2, 69}, {24, 6, 72}, {30, 2, 74},
    {32, 3, 76}, {35, 1, 74}, {36, 2, 72}, {38, 2, 67}, {40, 4, 72}, {44, 2, 76}, {46, 2, 79},
    {48, 6, 74}, {54, 2, 71}, {56, 2, 74}, {58, 2, 67}, {60, 4, 71},
};

// The drops' line: eighth-note arpeggios up to A5, resolving back to A.
const Note kSoaring[] = {
    {0, 2, 81},  {2, 2, 79},  {4, 2, 76},  {6, 2, 81},  {8, 2, 79},  {10, 2, 76}, {12, 2, 74}, {14, 2, 76},
    {16, 2, 77}, {18, 2, 76}, {20, 2, 72}, {22, 2, 77}, {24, 2, 76}, {26, 2, 72}, {28, 4, 69},
    {32, 2, 79}, {34, 2, 76}, {36, 2, 72}, {38, 2, 79}, {40, 2, 76}, {42, 2, 72}, {44, 2, 76}, {46, 2, 79},
    {48, 4, 79}, {52, 2, 74}, {54, 2, 79}, {56, 4, 83}, {60, 4, 81},
};

template <int N>
constexpr std::pair<const Note*, int> melody(const Note (&notes)[N]) {
    return {notes, N};
}

// Order in which the arpeggio walks the chord's four notes, an octave up.
constexpr int kArpPattern[8] = {0, 2, 3, 1, 2, 3, 1, 3};

// ---------------------------------------------------------------------------------------------
// Arrangement, along the show: boot screen, nine effects with transitions, credits, closing screen.
// ---------------------------------------------------------------------------------------------
enum class Drums { None, Light, Full, Build, Hats };
enum class BassLine { None, Drone, Held, Offbeat, Rolling };
enum class Lead { None, Hook, Soaring };

struct Section {
    int firstBar;
    int bars;
    Progression chords;
    Drums drums;
    BassLine bass;
    Lead lead;
    bool arp;
    bool crash;         // A crash on the first beat
    int riserBars;      // Noise sweep over the last bars, into the next section
    double level;       // Level of the pitched parts
    double brightness;  // Filter opening 0..1
};

// Bar b starts at 0.48 + 1.92 b seconds.
const Section kSections[] = {
    // Boot screen, 0 - 6.24 s: pads and a soft arpeggio, no drums.
    {0, 3, progression(kIntroChords), Drums::None, BassLine::Drone, Lead::None, true, false, 1, 0.5, 0.15},
    // First effects, 6.24 - 21.6 s: synth lead, light kick, light snare.
    {3, 8, progression(kMainChords), Drums::Light, BassLine::Offbeat, Lead::Hook, false, true, 0, 0.7, 0.45},
    // Drop, 21.6 - 36.96 s.
    {11, 8, progression(kMainChords), Drums::Full, BassLine::Rolling, Lead::Soaring, true, true, 0, 1.0, 0.8},
    // Breakdown under the fluid, 36.96 - 44.64 s.
    {19, 4, progression(kBreakChords), Drums::None, BassLine::Held, Lead::Hook, true, false, 0, 0.6, 0.3},
    // Build, 44.64 - 48.48 s.
    {23, 2, progression(kBuildChords), Drums::Build, BassLine::Offbeat, Lead::None, true, false, 2, 0.7, 0.5},
    // Drop, 48.48 - 63.84 s.
    {25, 8, progression(kMainChords), Drums::Full, BassLine::Rolling, Lead::Soaring, true, true, 0, 1.0, 0.9},
    // Breakdown with hats only, 63.84 - 71.52 s.
    {33, 4, progression(kBreakChords), Drums::Hats, BassLine::Offbeat, Lead::None, true, false, 0, 0.6, 0.35},
    // Build, 71.52 - 75.36 s.
    {37, 2, progression(kBuildChords), Drums::Build, BassLine::Offbeat, Lead::None, true, false, 2, 0.7, 0.55},
    // Last drop, 75.36 - 90.72 s.
    {39, 8, progression(kMainChords), Drums::Full, BassLine::Rolling, Lead::Soaring, true, true, 0, 1.0, 1.0},
    // Breath before the credits, 90.72 - 94.56 s.
    {47, 2, progression(kBuildChords), Drums::Hats, BassLine::Held, Lead::None, true, false, 1, 0.65, 0.4},
    // Credits, 94.56 - 109.92 s.
    {49, 8, progression(kMainChords), Drums::Light, BassLine::Offbeat, Lead::Hook, true, true, 0, 0.8, 0.55},
    // Closing screen and the end, 109.92 s on: the drums stop, the last chord rings out.
    {57, 5, progression(kOutroChords), Drums::None, BassLine::Held, Lead::None, true, false, 0, 0.6, 0.3},
};
constexpr int kSectionCount = (int)(sizeof(kSections) / sizeof(kSections[0]));

// The separately treated parts of the mix.
struct Parts {
    Bus kicks;
    Bus drums;
    Bus snares;
    Bus bass;
    Bus pads;
    Bus lead;
    Bus arp;
    Bus effects;
    std::vector<double> kickTimes;

    explicit Parts(size_t frames)
        : kicks(frames), drums(frames), snares(frames), bass(frames), pads(frames), lead(frames), arp(frames),
          effects(frames) {}
};

// A distinct noise seed for every hit.
uint32_t seedFor(int bar, int step, uint32_t voice) { return (uint32_t)(bar * 64 + step) * 31u + voice; }

void hitKick(Parts& parts, int bar, int step, double velocity) {
    const double t = stepTime(bar, step);
    kick(parts.kicks, t, velocity);
    parts.kickTimes.push_back(t);
}

void lightBar(Parts& parts, int bar) {
    for (int step = 0; step < kStepsPerBar; step += 4) hitKick(parts, bar, step, 0.7);
    for (int step : {4, 12}) snare(parts.snares, stepTime(bar, step), 0.35, seedFor(bar, step, 1));
    for (int step : {2, 6, 10, 14}) hat(parts.drums, stepTime(bar, step), 0.22, false, seedFor(bar, step, 2));
    if (bar % 2 == 1) hat(parts.drums, stepTime(bar, 15), 0.1, false, seedFor(bar, 15, 2));
}

void fullBar(Parts& parts, int bar) {
    for (int step = 0; step < kStepsPerBar; step += 4) hitKick(parts, bar, step, 1.0);
    for (int step : {4, 12}) {
        clap(parts.snares, stepTime(bar, step), 0.5, seedFor(bar, step, 3));
        snare(parts.snares, stepTime(bar, step), 0.3, seedFor(bar, step, 1));
    }
    for (int step = 0; step < kStepsPerBar; ++step) {
        if (step % 4 == 2) {
            hat(parts.drums, stepTime(bar, step), 0.26, true, seedFor(bar, step, 4));
        } else {
            hat(parts.drums, stepTime(bar, step), step % 2 ? 0.16 : 0.11, false, seedFor(bar, step, 2));
        }
    }
}

void hatsBar(Parts& parts, int bar) {
    for (int step = 0; step < kStepsPerBar; ++step) {
        hat(parts.drums, stepTime(bar, step), step % 4 == 2 ? 0.2 : 0.09, false, seedFor(bar, step, 2));
    }
    hat(parts.drums, stepTime(bar, 14), 0.14, true, seedFor(bar, 14, 4));
}

// Two bars: kick on the beats, snare from eighths to sixteenths, growing; the last beat holds its breath.
void buildBar(Parts& parts, int bar, int index) {
    for (int step = 0; step < (index == 0 ? 16 : 12); step += 4) hitKick(parts, bar, step, 0.85);
    const int every = index == 0 ? 2 : 1;
    for (int step = 0; step < 14; step += every) {
        const double progress = (double)(index * 16 + step) / 32.0;
        snare(parts.snares, stepTime(bar, step), 0.15 + 0.45 * progress, seedFor(bar, step, 1));
    }
}

// A snare run over the last beat, into a section that opens with a crash.
void fillBeat(Parts& parts, int bar) {
    for (int step = 12; step < 16; ++step) {
        snare(parts.snares, stepTime(bar, step), 0.3 + 0.08 * (step - 12), seedFor(bar, step, 5));
    }
}

void drumBar(Parts& parts, const Section& section, int bar, bool fill) {
    const int index = bar - section.firstBar;
    switch (section.drums) {
        case Drums::None: break;
        case Drums::Light: lightBar(parts, bar); break;
        case Drums::Full: fullBar(parts, bar); break;
        case Drums::Hats: hatsBar(parts, bar); break;
        case Drums::Build: buildBar(parts, bar, index); break;
    }
    if (fill && (section.drums == Drums::Light || section.drums == Drums::Full)) fillBeat(parts, bar);
}

void bassBar(Parts& parts, const Section& section, int bar, const Chord& chord) {
    const double bright = section.brightness;
    switch (section.bass) {
        case BassLine::None: break;
        case BassLine::Drone:
            // One pedal note from the very start, gone a beat before the section ends, so that the
            // kick that follows lands on an empty low end.
            if (bar == section.firstBar) {
                const double end = barTime(section.firstBar + section.bars);
                drone(parts.bass, 0.0, end - 2.0 * kBeat, chord.root, 0.1);
            }
            break;
        case BassLine::Held:
            bass(parts.bass, barTime(bar), 4.0 * kBeat - 0.06, chord.root, 0.42, 0.1);
            break;
        case BassLine::Offbeat:
            for (int step : {2, 6, 10, 14}) {
                const int midi = chord.root + (step == 14 ? 12 : 0);
                bass(parts.bass, stepTime(bar, step), kStep * 1.6, midi, 0.5, bright);
            }
            break;
        case BassLine::Rolling:
            for (int step = 0; step < kStepsPerBar; ++step) {
                if (step % 4 == 0) continue;  // The kick's place
                const int midi = chord.root + (step % 8 == 7 ? 12 : 0);
                bass(parts.bass, stepTime(bar, step), kStep * 0.85, midi, step % 4 == 2 ? 0.5 : 0.4, bright);
            }
            break;
    }
}

void arpBar(Parts& parts, const Section& section, int bar, const Chord& chord) {
    // The intro's arpeggio enters after the first bar and grows.
    double velocity = 0.11 * section.level;
    if (section.drums == Drums::None && section.firstBar == 0) velocity *= (bar == 0) ? 0.0 : 0.5 + 0.25 * bar;
    if (velocity <= 0.0) return;
    for (int step = 0; step < kStepsPerBar; ++step) {
        const int midi = chord.notes[kArpPattern[step % 8]] + 12;
        const double accent = step % 4 == 0 ? 1.0 : (step % 2 == 0 ? 0.75 : 0.55);
        pluck(parts.arp, stepTime(bar, step), midi, velocity * accent, step % 2 ? 0.45 : -0.45);
    }
}

void leadPhrase(Parts& parts, const Section& section, int firstBar, int bars) {
    const auto [notes, count] = section.lead == Lead::Hook ? melody(kHook) : melody(kSoaring);
    const double velocity = (section.lead == Lead::Hook ? 0.3 : 0.27) * section.level;
    for (int i = 0; i < count; ++i) {
        const Note& n = notes[i];
        if (n.step >= bars * kStepsPerBar) break;
        const double start = stepTime(firstBar, n.step);
        lead(parts.lead, start, (double)n.length * kStep - 0.03, n.midi, velocity, section.brightness);
    }
}

void padBar(Parts& parts, const Section& section, int bar, const Chord& chord, bool last) {
    double start = barTime(bar);
    double length = 4.0 * kBeat - 0.02;
    if (bar == 0) {  // The pickup beat: the pads are there from the very first moment
        start = 0.0;
        length += kPickup;
    }
    if (last) length = kSongSeconds - start - 1.6;
    double velocity = 0.42 * section.level;
    if (section.firstBar == 57) velocity *= 1.0 - 0.12 * (bar - section.firstBar);  // The ending fades
    pad(parts.pads, start, length, chord.notes, 4, velocity, section.brightness);
}

void renderSection(Parts& parts, int index) {
    const Section& section = kSections[index];
    const bool nextCrashes = index + 1 < kSectionCount && kSections[index + 1].crash;
    const bool lastSection = index + 1 == kSectionCount;
    for (int i = 0; i < section.bars; ++i) {
        const int bar = section.firstBar + i;
        const Chord& chord = section.chords.chords[i % section.chords.count];
        const bool lastBar = i + 1 == section.bars;
        drumBar(parts, section, bar, lastBar && nextCrashes);
        bassBar(parts, section, bar, chord);
        padBar(parts, section, bar, chord, lastSection && lastBar);
        if (section.arp) arpBar(parts, section, bar, chord);
        if (section.lead != Lead::None && i % 4 == 0) leadPhrase(parts, section, bar, section.bars - i < 4 ? section.bars - i : 4);
    }
    if (section.crash) crash(parts.effects, barTime(section.firstBar), 0.3, seedFor(section.firstBar, 0, 6));
    if (section.riserBars > 0) {
        const int first = section.firstBar + section.bars - section.riserBars;
        riser(parts.effects, barTime(first), (double)(section.riserBars * 4) * kBeat, 0.22, seedFor(first, 0, 7));
    }
}

}  // namespace

Bus renderSong() {
    const size_t frames = (size_t)(kSongSeconds * kSampleRate);
    Parts parts(frames);
    for (int i = 0; i < kSectionCount; ++i) renderSection(parts, i);

    // The kick pumps the bass and pads.
    applyGain(parts.bass, duckingGain(parts.kickTimes, frames, 0.7));
    applyGain(parts.pads, duckingGain(parts.kickTimes, frames, 0.4));

    Bus mix(frames);
    Bus sends(frames);
    Bus echoes(frames);
    Bus echoSend(frames);
    const struct {
        const Bus* bus;
        double level;
        double echo;
        double room;
    } routing[] = {
        {&parts.kicks, 1.0, 0.0, 0.0},   {&parts.drums, 0.8, 0.0, 0.05}, {&parts.snares, 0.9, 0.0, 0.25},
        {&parts.bass, 0.85, 0.0, 0.0},   {&parts.pads, 1.0, 0.0, 0.3},   {&parts.lead, 0.9, 0.3, 0.3},
        {&parts.arp, 0.9, 0.35, 0.35},   {&parts.effects, 0.8, 0.0, 0.2},
    };
    for (const auto& r : routing) {
        for (size_t i = 0; i < frames; ++i) {
            const double l = r.bus->left[i];
            const double rr = r.bus->right[i];
            mix.add(i, l * r.level, rr * r.level);
            echoSend.add(i, l * r.echo, rr * r.echo);
            sends.add(i, l * r.room, rr * r.room);
        }
    }
    echo(echoSend, echoes, 3.0 * kStep, 0.38, 1.0);
    for (size_t i = 0; i < frames; ++i) {
        mix.add(i, echoes.left[i] * 0.5, echoes.right[i] * 0.5);
        sends.add(i, echoes.left[i] * 0.3, echoes.right[i] * 0.3);
    }
    room(sends, mix, 0.32);
    master(mix, kSongPeakDb);
    return mix;
}

}  // namespace synth
