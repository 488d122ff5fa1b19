// The visualizer through the fake platform: decoded click and drum tracks built here, files written
// here, live sound pushed frame by frame. No device: the music's position is the frame clock's.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "app/outro.h"
#include "app/visualizer.h"
#include "audio/scripted_music.h"
#include "framebuffer/cell_hash.h"
#include "tests/app/fake_platform.h"
#include "tests/audio/drum_tracks.h"
#include "tests/sources/sound_fixtures.h"
#include "tests/sources/source_test_support.h"

namespace {

constexpr int kRate = 11025;  // Plenty for the beats, and cheap

// Silence with a click on every beat: a long track that costs little.
std::vector<float> clickTrack(float bpm, double seconds) {
    std::vector<float> samples((size_t)(seconds * kRate), 0.0f);
    for (double t = 0.25; t < seconds; t += 60.0 / bpm) {
        for (size_t i = (size_t)(t * kRate), end = std::min(i + 200, samples.size()); i < end; ++i) samples[i] = (i % 8 < 4) ? 0.8f : -0.8f;
    }
    return samples;
}

// A WAV file of `seconds` with `title` in its tags.
std::string wavFile(const source_test::TempDir& dir, const char* title, double seconds) {
    const auto& wav = sound_fixtures::kFormats[0];
    return dir.put(std::string(title) + ".wav", sound_fixtures::writeFile(wav, 1, (long long)(seconds * wav.rate), title));
}

// When an effect began: its name, the clock time and the beat position of its first frame.
struct EffectStart {
    std::string name;
    float at, beatPos;
};

struct VisualRun {
    FakePlatform fake;
    Platform platform = fake.platform();
    Show show;
    float fps = 30.0f;
    std::vector<EffectStart> starts;  // A decoded track's first effect too, a file's not
    bool aheadStuck = false;

    VisualRun() { fake.now = 1.0f; }
    ~VisualRun() { stopShow(show, platform); }

    VisualizerStatus status() const { return visualizerStatus(show); }
    // A file's workers decode on threads of their own: wait for what the frame reads of them
    void waitForWorkers() {
        SoundSource* source = visualizerSource(show);
        if (source == nullptr || source->kind != SourceKind::File) return;
        EXPECT_TRUE(source_test::waitUntilReady(*source, (long long)((status().position + 3.0) * source->sampleRate)));
        SoundSource& ahead = show.visualizer->ahead;  // Its worker decodes on over what the pass read
        if (aheadStuck || ahead.kind != SourceKind::File || framesReady(ahead) < show.visualizer->onsetFrames) return;
        const double seconds = std::min(kAheadSecondsPerFrame, (double)bufferFrames(ahead) / ahead.sampleRate / 2.0);
        aheadStuck = !source_test::waitUntilReady(ahead, show.visualizer->onsetFrames + (long long)(seconds * ahead.sampleRate));
        EXPECT_FALSE(aheadStuck) << "the ahead pass does not read its own reading";  // Once: not a deadline a frame
    }
    void frame(unsigned keys = 0) {
        waitForWorkers();
        fake.now += 1.0f / fps;
        fake.keys = keys;
        const float before = show.timeline.sceneStart;
        runFrame(show, platform);
        if (show.mode == ShowMode::Show && show.timeline.sceneStart != before) starts.push_back({currentSceneName(show), fake.now, show.beat.beatPos});
    }
    void runFor(float seconds) {
        for (const float end = fake.now + seconds; fake.now < end && show.mode != ShowMode::Finished;) frame();
    }
    void runUntil(VisualizerMode mode, float limit) {
        for (const float end = fake.now + limit; fake.now < end && status().mode != mode;) frame();
    }
    void startDecoded(const std::vector<float>& samples) {
        float* copy = static_cast<float*>(malloc(samples.size() * sizeof(float)));  // Taken over
        memcpy(copy, samples.data(), samples.size() * sizeof(float));
        ASSERT_TRUE(startVisualizerDecoded(show, platform, copy, (long long)samples.size(), 1, kRate, "track"));
        starts.push_back({currentSceneName(show), fake.now, 0.0f});
    }
};

// Every change from `from` on lands on a bar's first beat; each effect is held a whole number of
// bars, 15..40 s (the first began with the music, not on a planned bar).
void expectEffectsOnBars(const VisualRun& run, float bpm, size_t from = 1) {
    ASSERT_GE(run.starts.size(), from + 1);
    for (size_t i = from; i < run.starts.size(); ++i) {
        const EffectStart& s = run.starts[i];
        const float intoBar = std::fmod(s.beatPos, 4.0f);
        EXPECT_LE(std::min(intoBar, 4.0f - intoBar), bpm / 60.0f / run.fps + 0.1f) << s.name << " at " << s.at;
        if (i == from) continue;
        const float held = s.at - run.starts[i - 1].at, bars = held * bpm / 240.0f;
        EXPECT_TRUE(held >= kMinEffectSeconds - 0.1f && held <= kMaxEffectSeconds + 0.1f) << s.name << " held " << held;
        EXPECT_NEAR(bars, std::round(bars), 0.15f) << s.name << " held " << held << " s";
    }
}

}  // namespace

TEST(VisualizerTimeline, EffectsChangeOnBarStartsAtSeveralTemposAndAfterATempoChange) {
    for (float bpm : {78.0f, 123.0f, 172.0f}) {
        SCOPED_TRACE(bpm);
        VisualRun run;
        run.startDecoded(drum_tracks::steadyTrack("", drum_tracks::Style::FourOnTheFloor, bpm, 100.0, kRate, 7).samples);
        run.runFor(98.0f);
        // The bars are those of the tempo followed (a slow track with busy hi-hats is heard at twice its tempo)
        const float followed = run.status().bpm;
        EXPECT_NEAR(followed, std::fabs(followed - bpm) < std::fabs(followed - 2.0f * bpm) ? bpm : 2.0f * bpm, 1.5f);
        expectEffectsOnBars(run, followed);
    }
    VisualRun run;
    run.startDecoded(drum_tracks::tempoChangeTrack("", drum_tracks::Style::FourOnTheFloor, 100.0f, 140.0f, 60.0, 130.0, kRate, 3).samples);
    run.runFor(58.0f);
    EXPECT_NEAR(run.status().bpm, 100.0f, 1.5f);
    const size_t before = run.starts.size();
    run.runFor(70.0f);
    EXPECT_NEAR(run.status().bpm, 140.0f, 1.5f);
    expectEffectsOnBars(run, 140.0f, before + 1);
}

// Ten seconds: one effect; ten minutes: every effect once a round. Then the closing screen as the
// music ends, then black.
TEST(VisualizerTimeline, TracksOfTenSecondsAndTenMinutesEndWithTheClosingScreenThenBlack) {
    const int effects = sceneTable().count - 2;
    for (double seconds : {10.0, 600.0}) {
        VisualRun run;
        run.fps = 10.0f;
        run.startDecoded(clickTrack(120.0f, seconds));
        EXPECT_EQ(run.status().length, seconds);
        run.runUntil(VisualizerMode::Closing, (float)seconds + 10.0f);
        EXPECT_NEAR(run.fake.now, 1.0f + seconds, 0.15f);
        if (seconds < kMinEffectSeconds) {
            EXPECT_EQ(run.starts.size(), 1u) << "one effect only";
        } else {
            ASSERT_GE((int)run.starts.size(), 2 * effects);
            expectEffectsOnBars(run, 120.0f);
            for (size_t round = 0; (round + 1) * effects <= run.starts.size(); ++round) {
                std::set<std::string> names;
                for (int i = 0; i < effects; ++i) names.insert(run.starts[round * effects + i].name);
                EXPECT_EQ((int)names.size(), effects) << "round " << round;
            }
        }
        run.runUntil(VisualizerMode::Finished, 20.0f);
        EXPECT_NEAR(run.fake.now, 1.0f + seconds + kOutroSeconds, 0.15f);
        run.frame();
        EXPECT_EQ(run.fake.presented.back().kind, Presentation::Black);
    }
}

TEST(VisualizerTimeline, EachRoundShowsEveryEffectOnceInANewOrderNeverOpeningWithTheLastShown) {
    const SceneTable table = sceneTable();
    for (uint32_t seed = 0; seed < 300; ++seed) {
        EffectPlan plan = makeEffectPlan(table, seed);
        ASSERT_EQ(plan.count, table.count - 2);
        std::set<std::vector<int>> orders;
        for (int round = 0, last = -1; round < 6; ++round) {
            std::vector<int> order;
            for (int i = 0; i < plan.count; ++i) order.push_back(takeNextEffect(plan));
            EXPECT_NE(order.front(), last) << "seed " << seed << " round " << round;
            last = order.back();
            const std::set<int> rows(order.begin(), order.end());
            EXPECT_EQ((int)rows.size(), plan.count);
            EXPECT_EQ(rows.count(0) + rows.count(table.count - 1), 0u) << "no boot console, no credits";
            orders.insert(order);
        }
        EXPECT_GE(orders.size(), 5u) << "seed " << seed;
    }
    EffectPlan a = makeEffectPlan(table, 42), b = makeEffectPlan(table, 42);
    for (int i = 0; i < 30; ++i) EXPECT_EQ(takeNextEffect(a), takeNextEffect(b));
}

// Held groups of four bars within 15..40 s; the flight starts so that the next effect begins on the bar.
TEST(VisualizerTimeline, EffectsAreHeldGroupsOfFourBarsAndTheFlightLandsOnTheBar) {
    const SceneDesc& wave = *findScene("wave_scroll");
    EXPECT_EQ(effectBars(wave, 2.0f), 12);                    // 120 bpm: 24 s, three times its time in the show
    EXPECT_EQ(effectBars(*findScene("cellular"), 2.0f), 16);  // The simulations longer: 32 s
    EXPECT_EQ(effectBars(wave, 6.0f), 4);                     // 40 bpm
    EXPECT_EQ(effectBars(wave, 0.8f), 32);                    // 300 bpm
    EXPECT_EQ(effectBars(wave, 3.5f), 8);                     // 4 bars would be 14 s
    const SceneTable table = sceneTable();
    for (float bar = 0.8f; bar <= 6.0f; bar += 0.01f) {
        for (int row = 1; row < table.count - 1; ++row) {
            const float held = effectBars(table.rows[row], bar) * bar;
            EXPECT_TRUE(held >= kMinEffectSeconds && held <= kMaxEffectSeconds) << table.rows[row].name << " " << bar;
        }
    }

    TempoClock clock = makeTempoClock(kShowTempo);
    setBpm(clock, 120.0f, 0.0f);  // Bars of 2 s
    EffectPlan plan;
    auto dueAt = [&](float from, int bars) {
        holdEffect(plan, update(clock, from), bars);
        for (float t = from; t < 60.0f; t += 1.0f / 64.0f) {
            if (effectDue(plan, update(clock, t))) return t;
        }
        return -1.0f;
    };
    EXPECT_NEAR(dueAt(0.0f, 12), 24.0f - kTransitionSeconds, 1.0f / 64.0f);
    EXPECT_NEAR(plan.untilBar, kTransitionSeconds, 1.0f / 64.0f);
    EXPECT_NEAR(dueAt(1.9f, 12), 26.0f - kTransitionSeconds, 1.0f / 64.0f);  // Just before a bar: from that bar
    EXPECT_NEAR(dueAt(1.0f, 12), 24.0f - kTransitionSeconds, 1.0f / 64.0f);  // Mid-bar: from the bar begun
    // B restarts the count: a new bar begins, and the bars go on from it
    holdEffect(plan, update(clock, 0.0f), 4);
    EXPECT_FALSE(effectDue(plan, update(clock, 3.0f)));
    restartBeats(clock, 3.0f);
    for (float t = 3.0f; t < 7.0f - kTransitionSeconds - 0.02f; t += 0.01f) EXPECT_FALSE(effectDue(plan, update(clock, t))) << t;
    EXPECT_TRUE(effectDue(plan, update(clock, 7.0f - kTransitionSeconds + 0.01f)));
}

// Scenes keep state between frames (simulations, buffers): shown again, an effect must start from
// scratch and draw cell for cell what it drew the first time.
TEST(VisualizerTimeline, ARevisitedEffectDrawsAsOnItsFirstVisit) {
    const SceneTable table = sceneTable();
    AsciiFramebuffer fb(120, 42, kGridCellWidth, kGridCellHeight, FramebufferBacking::CellsOnly);
    const TempoClock clock = makeTempoClock(kShowTempo);
    auto visit = [&](const SceneDesc& scene) {
        uint64_t h = kFnvOffset;
        for (float t = 0.0f; t < 3.0f; t += 1.0f / 30.0f) {
            const BeatInfo beat = update(clock, t);
            const AudioFeatures audio = scriptedMusic(t);
            fb.clear(kSceneBackground);
            scene.render(fb, t, kSceneBackground, &beat, &audio);
            h = cellHash(fb, h);
        }
        return h;
    };
    for (int row = 0; row < table.count; ++row) {
        const uint64_t first = visit(table.rows[row]);
        visit(table.rows[(row + 1) % table.count]);
        EXPECT_EQ(visit(table.rows[row]), first) << table.rows[row].name;
    }
}

TEST(VisualizerFiles, BadFilesAreSkippedWithTheirReasonsAsTheirTurnComes) {
    source_test::TempDir dir;
    const std::string bad = dir.put("broken.wav", {'n', 'o', 't', ' ', 'm', 'u', 's', 'i', 'c'});
    VisualRun run;
    ASSERT_TRUE(startVisualizerFiles(run.show, run.platform, {bad, wavFile(dir, "First", 6.0), bad, wavFile(dir, "Third", 6.0), bad}));
    VisualizerStatus s = run.status();
    EXPECT_EQ((std::vector<std::string>{s.title, std::to_string(s.fileIndex), std::to_string(s.fileCount)}), (std::vector<std::string>{"First", "1", "5"}));
    EXPECT_EQ(s.skipped.rfind("broken.wav: ", 0), 0u) << s.skipped;
    EXPECT_GT(s.skipped.size(), strlen("broken.wav: "));
    EXPECT_EQ(s.skippedAt, 1.0f);

    run.runFor(6.5f);  // The flight into the next file's first effect lands as the first file ends
    s = run.status();
    EXPECT_EQ(s.title, "Third");
    EXPECT_NEAR(s.skippedAt, 7.0f - kTransitionSeconds, 0.07f);
    ASSERT_EQ(run.starts.size(), 1u);
    EXPECT_NEAR(run.starts[0].at, 7.0f, 0.05f);
    EXPECT_NEAR(s.position, run.fake.now - 7.0f, 0.05f);

    run.runUntil(VisualizerMode::Closing, 10.0f);  // The last one is bad: no flight, the closing screen as the third ends
    EXPECT_NEAR(run.fake.now, 13.0f, 0.1f);
    EXPECT_EQ(run.starts.size(), 1u);
    EXPECT_NEAR(run.status().skippedAt, 13.0f - kTransitionSeconds, 0.07f);
    EXPECT_TRUE(run.status().anyFilePlayed);

    VisualRun nothing;  // Nothing playable: Finished at once, saying why
    EXPECT_FALSE(startVisualizerFiles(nothing.show, nothing.platform, {bad, dir.file("missing.flac")}));
    EXPECT_TRUE(nothing.status().mode == VisualizerMode::Finished && !nothing.status().anyFilePlayed);
    EXPECT_EQ(nothing.status().skipped.rfind("missing.flac: ", 0), 0u) << nothing.status().skipped;
    nothing.frame();
    EXPECT_EQ(nothing.fake.presented.back().kind, Presentation::Black);
    EXPECT_FALSE(startVisualizerFiles(nothing.show, nothing.platform, {}));
    EXPECT_FALSE(nothing.status().skipped.empty());
}

TEST(VisualizerFiles, TheGridOfALongFileIsReadySecondsIntoItWithoutHoldingItsSamples) {
    source_test::TempDir dir;
    VisualRun run;
    ASSERT_TRUE(startVisualizerFiles(run.show, run.platform, {wavFile(dir, "long", 150.0)}));
    const Visualizer& v = *run.show.visualizer;
    EXPECT_LT(bufferFrames(v.ahead), 60LL * v.ahead.sampleRate);
    while (!v.gridReady && run.status().position < 10.0) run.frame();  // 30 frames a second
    EXPECT_TRUE(v.gridReady) << "after " << run.status().position << " s of 150";
    EXPECT_EQ(v.ahead.kind, SourceKind::None) << "its reading closed once read";
}

TEST(VisualizerKeys, SpaceAndTheFileKeysMoveOnWithTheUsualFlight) {
    source_test::TempDir dir;
    VisualRun run;
    ASSERT_TRUE(startVisualizerFiles(run.show, run.platform, {wavFile(dir, "one", 30.0), wavFile(dir, "two", 30.0), wavFile(dir, "three", 30.0)}));
    // Each key flies at once into the next effect; the file it leads to starts as the flight lands
    // (SPACE: the same file plays on; before the first file: the first again)
    const struct { unsigned key; int file; bool restarted; } presses[] = {
        {KeySkip, 0, false}, {KeyNextFile, 1, true}, {KeyPreviousFile, 0, true},
        {KeyPreviousFile, 0, true}, {KeyNextFile, 1, true}, {KeyNextFile, 2, true}};
    for (const auto& press : presses) {
        run.runFor(2.0f);
        const std::string effect = run.status().effect;
        run.frame(press.key);
        EXPECT_EQ(run.fake.presented.back().kind, Presentation::Focused);
        run.runFor(kTransitionSeconds + 0.05f);
        EXPECT_NE(run.status().effect, effect);
        EXPECT_EQ(run.status().fileIndex, press.file);
        EXPECT_EQ(run.status().position < 0.1, press.restarted) << run.status().position;
    }
    run.frame(KeyNextFile);  // Past the last: the closing screen
    EXPECT_EQ(run.status().mode, VisualizerMode::Closing);

    FakeShow show;  // The show ignores the visualizer's keys
    show.frameAt(3.0f, KeyNextFile | KeyPause | KeyPreviousFile);
    EXPECT_FALSE(show.show.timeline.transitionActive);
    EXPECT_STREQ(show.scene(), "intro_boot");
}

TEST(VisualizerKeys, SpaceNearAFilesEndFliesOnceStraightIntoTheNextFile) {
    source_test::TempDir dir;
    for (float left : {2.2f, 1.3f}) {
        VisualRun run;
        ASSERT_TRUE(startVisualizerFiles(run.show, run.platform, {wavFile(dir, "one", 12.0), wavFile(dir, "two", 12.0)}));
        run.runFor(12.0f - left);
        run.frame(KeySkip);
        const float pressed = run.fake.now;
        run.runFor(kTransitionSeconds + 0.1f);
        EXPECT_EQ(run.status().title, "two") << left;
        EXPECT_NEAR(run.status().position, run.fake.now - pressed - kTransitionSeconds, 0.07) << "no silence";
        run.runFor(3.0f);
        ASSERT_EQ(run.starts.size(), 1u) << "one flight";
        EXPECT_NEAR(run.starts[0].at, pressed + kTransitionSeconds, 0.05f);
    }
}

TEST(VisualizerKeys, PauseHoldsMusicAndPictureAndTheTempoKeysSteerTheFollowedTempo) {
    VisualRun run;
    run.startDecoded(clickTrack(120.0f, 90.0));
    run.runFor(10.0f);
    const float followed = run.status().bpm;
    EXPECT_NEAR(followed, 120.0f, 1.0f);
    for (unsigned key : {KeyTempoUp, KeyTempoDown, KeyTempoDown}) run.frame(key);
    EXPECT_NEAR(run.status().bpm, followed - 1.0f, 0.05f);
    run.frame(KeyRestartBeats);
    EXPECT_LT(run.show.beat.beatPos, 0.1f);

    run.frame(KeyPause);
    const VisualizerStatus held = run.status();
    EXPECT_TRUE(held.paused);
    const uint64_t cells = cellHash(*run.show.fb);
    const float beatPos = run.show.beat.beatPos;
    run.runFor(45.0f);   // Longer than any effect: nothing moves on
    run.frame(KeySkip);  // Keys that move on wait for the music
    EXPECT_FALSE(run.show.timeline.transitionActive);
    EXPECT_EQ(cellHash(*run.show.fb), cells);
    EXPECT_TRUE(run.status().position == held.position && run.status().effect == held.effect && run.show.beat.beatPos == beatPos);
    EXPECT_EQ(run.fake.presented.back().kind, Presentation::Plain);  // Still presented: a front end may redraw
    run.frame(KeyPause);
    run.runFor(10.0f);
    EXPECT_NEAR(run.status().position, held.position + 10.0 + 1.0 / 30.0, 0.05);
    EXPECT_NEAR(run.status().bpm, 120.0f, 1.0f) << "pulled back to the music";
}

TEST(VisualizerSound, ThePlatformPlaysTheSourceGivesItsPositionPausesAndStopsIt) {
    VisualRun run;
    run.fake.playsSources = true;
    run.startDecoded(clickTrack(120.0f, 60.0));
    EXPECT_EQ(run.fake.sourcesPlayed, 1);
    run.fake.sourcePosition = 12.5;
    run.frame();
    EXPECT_EQ(run.status().position, 12.5);
    for (unsigned key : {KeyPause, KeyPause}) run.frame(key);
    EXPECT_EQ(run.fake.sourcePauses, (std::vector<bool>{true, false}));
    run.fake.sourcePosition = 60.0;  // The device played it all
    run.frame();
    EXPECT_EQ(run.status().mode, VisualizerMode::Closing);
    stopShow(run.show, run.platform);
    EXPECT_EQ(run.fake.sourcesStopped, 1);
    EXPECT_EQ(run.show.visualizer, nullptr);

    VisualRun clocked;  // A platform that plays none: the position comes from the clock
    clocked.startDecoded(clickTrack(120.0f, 60.0));
    clocked.runFor(2.0f);
    EXPECT_NEAR(clocked.status().position, 2.0, 0.05);
    EXPECT_EQ(clocked.status().fileCount, 1);  // No list: the file keys do nothing
    clocked.frame(KeyNextFile | KeyPreviousFile);
    EXPECT_FALSE(clocked.show.timeline.transitionActive);
}

TEST(VisualizerLive, LiveSoundThatStopsAndStartsKeepsTheEffectsGoing) {
    VisualRun run;
    LiveRing* ring = startVisualizerLive(run.show, run.platform, kRate, 2, "Monitor of speakers");
    ASSERT_NE(ring, nullptr);
    const std::vector<float> drums = drum_tracks::steadyTrack("", drum_tracks::Style::FourOnTheFloor, 126.0f, 120.0, kRate, 5).samples;
    size_t pushed = 0;
    auto playFor = [&](float seconds, bool sound) {
        for (const float end = run.fake.now + seconds; run.fake.now < end;) {
            std::vector<float> block((size_t)(kRate / run.fps) * 2);  // The capture thread's block, stereo
            for (size_t i = 0; sound && i < block.size(); ++i) block[i] = drums[(pushed + i / 2) % drums.size()];
            if (sound) pushed += (size_t)pushLive(*ring, block.data(), (int)block.size() / 2);
            run.frame();
        }
    };
    playFor(20.0f, true);
    const VisualizerStatus s = run.status();
    EXPECT_EQ((std::vector<int>{(int)s.kind, s.fileCount, s.length < 0.0}), (std::vector<int>{(int)SourceKind::Live, 0, 1}));
    EXPECT_EQ(s.title, "Monitor of speakers");
    EXPECT_NEAR(s.bpm, 126.0f, 2.0f);
    EXPECT_GT(run.show.audio.level, 0.01f);
    const size_t before = run.starts.size();
    playFor(40.0f, false);
    EXPECT_LT(run.show.audio.level, 0.001f);
    EXPECT_GT(run.starts.size(), before) << "effects go on over silence";
    playFor(20.0f, true);
    EXPECT_GT(run.show.audio.level, 0.01f);
    EXPECT_NEAR(run.status().bpm, 126.0f, 2.0f);
    EXPECT_EQ(run.status().mode, VisualizerMode::Effects);
}
