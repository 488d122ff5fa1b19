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
#include "tests/sources/source_test_support.h"

namespace {

constexpr int kRate = 11025;  // Plenty for the beats, and cheap

using drum_tracks::Style;

// A copy the visualizer takes over, as a front end hands it.
float* handOver(const std::vector<float>& samples) {
    float* copy = static_cast<float*>(malloc(samples.size() * sizeof(float)));
    memcpy(copy, samples.data(), samples.size() * sizeof(float));
    return copy;
}

// Silence with a click on every beat (a long track that costs little to build).
std::vector<float> clickTrack(float bpm, double seconds) {
    std::vector<float> samples((size_t)(seconds * kRate), 0.0f);
    const double beat = 60.0 / bpm;
    for (double t = 0.25; t < seconds; t += beat) {
        const size_t at = (size_t)(t * kRate);
        for (size_t i = 0; i < 200 && at + i < samples.size(); ++i) samples[at + i] = (i % 8 < 4 ? 0.8f : -0.8f) * (1.0f - i / 200.0f);
    }
    return samples;
}

// A 16-bit mono WAV file of these samples.
std::vector<unsigned char> wavBytes(const std::vector<float>& samples) {
    std::vector<unsigned char> out;
    auto put = [&](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) out.push_back((unsigned char)(v >> (8 * i)));
    };
    const uint32_t data = (uint32_t)samples.size() * 2;
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    put(36 + data, 4);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put(16, 4), put(1, 2), put(1, 2), put(kRate, 4), put(kRate * 2, 4), put(2, 2), put(16, 2);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    put(data, 4);
    for (float s : samples) put((uint32_t)(int16_t)std::lround(std::clamp(s, -1.0f, 1.0f) * 32767.0f), 2);
    return out;
}

// When an effect began: its name, the clock time and the beat position of its first frame.
struct EffectStart {
    std::string name;
    float at;
    float beatPos;
    float bpm;
};

struct VisualRun {
    FakePlatform fake;
    Platform platform = fake.platform();
    Show show;
    float fps = 30.0f;
    std::vector<EffectStart> starts;

    ~VisualRun() { stopShow(show, platform); }

    SoundSource& source() { return show.visualizer->sources[show.visualizer->current]; }
    VisualizerStatus status() const { return visualizerStatus(show); }

    void frame(unsigned keys = 0) {
        // A file's worker decodes on its own thread: wait for what this frame plays
        if (show.visualizer && source().kind == SourceKind::File) {
            const long long need = (long long)((show.visualizer->position + 3.0) * kRate);
            EXPECT_TRUE(source_test::waitUntilReady(source(), need));
        }
        fake.now += 1.0f / fps;
        fake.keys = keys;
        const float before = show.timeline.sceneStart;
        const int scene = show.timeline.currentScene;
        runFrame(show, platform);
        if (show.mode == ShowMode::Show && (show.timeline.sceneStart != before || show.timeline.currentScene != scene)) {
            starts.push_back({currentSceneName(show), fake.now, show.beat.beatPos, show.beat.bpm});
        }
    }
    void runFor(float seconds) {
        const float end = fake.now + seconds;
        while (fake.now < end && show.mode != ShowMode::Finished) frame();
    }
    void runUntil(VisualizerMode mode, float limit) {
        const float end = fake.now + limit;
        while (fake.now < end && status().mode != mode) frame();
    }
    void startDecoded(const std::vector<float>& samples, const char* title) {
        fake.now = 1.0f;
        ASSERT_TRUE(startVisualizerDecoded(show, platform, handOver(samples), (long long)samples.size(), 1, kRate, title));
        starts.push_back({currentSceneName(show), fake.now, 0.0f, 0.0f});
    }
};

// Distance of a beat position from the nearest bar's first beat, in beats (4 to the bar).
float offBar(float beatPos) {
    const float into = std::fmod(beatPos, 4.0f);
    return std::min(into, 4.0f - into);
}

// Every effect change lands on a bar's first beat; each effect is held 15..40 s.
void expectEffectsOnBars(const VisualRun& run, float bpm) {
    ASSERT_GE(run.starts.size(), 3u);
    const float beatsPerFrame = bpm / 60.0f / run.fps;
    for (size_t i = 1; i < run.starts.size(); ++i) {
        const EffectStart& s = run.starts[i];
        EXPECT_LE(offBar(s.beatPos), beatsPerFrame + 0.1f) << s.name << " at " << s.at << " s, beat " << s.beatPos;
        if (i >= 2) {  // The first effect began with the music, not on a planned bar
            const float held = s.at - run.starts[i - 1].at;
            EXPECT_GE(held, kMinEffectSeconds - 0.1f) << s.name;
            EXPECT_LE(held, kMaxEffectSeconds + 0.1f) << s.name;
            // A whole number of bars of the followed tempo
            const float bars = held * bpm / 240.0f;
            EXPECT_NEAR(bars, std::round(bars), 0.15f) << s.name << " held " << held << " s";
        }
    }
}

}  // namespace

TEST(VisualizerTimeline, EffectsChangeOnBarStartsAtSeveralTempos) {
    for (float bpm : {78.0f, 123.0f, 172.0f}) {
        SCOPED_TRACE(bpm);
        VisualRun run;
        const drum_tracks::Track track = drum_tracks::steadyTrack("steady", Style::FourOnTheFloor, bpm, 100.0, kRate, 7);
        run.startDecoded(track.samples, "steady");
        run.runFor(98.0f);
        // The bars are those of the tempo followed (a slow track with busy hi-hats may be heard at twice its tempo)
        const float followed = run.status().bpm;
        EXPECT_NEAR(followed, std::fabs(followed - bpm) < std::fabs(followed - 2.0f * bpm) ? bpm : 2.0f * bpm, 1.5f);
        expectEffectsOnBars(run, followed);
        // No effect twice in the first round, none of the show's opening or closing
        std::set<std::string> seen;
        for (const EffectStart& s : run.starts) {
            EXPECT_TRUE(seen.insert(s.name).second) << s.name;
            EXPECT_NE(s.name, "intro_boot");
            EXPECT_NE(s.name, "end_credits");
        }
    }
}

TEST(VisualizerTimeline, ATempoChangeMidFileIsFollowedAndChangesStayOnBars) {
    VisualRun run;
    const drum_tracks::Track track =
        drum_tracks::tempoChangeTrack("change", Style::FourOnTheFloor, 100.0f, 140.0f, 60.0, 130.0, kRate, 3);
    run.startDecoded(track.samples, "change");
    run.runFor(58.0f);
    EXPECT_NEAR(run.status().bpm, 100.0f, 1.5f);
    const size_t before = run.starts.size();
    run.runFor(70.0f);
    EXPECT_NEAR(run.status().bpm, 140.0f, 1.5f);
    ASSERT_GE(run.starts.size(), before + 2);
    for (size_t i = before + 1; i < run.starts.size(); ++i) {
        EXPECT_LE(offBar(run.starts[i].beatPos), 140.0f / 60.0f / run.fps + 0.1f) << run.starts[i].at;
    }
}

TEST(VisualizerTimeline, AShortTrackShowsOneEffectThenTheClosingScreenThenBlack) {
    VisualRun run;
    run.startDecoded(clickTrack(120.0f, 10.0), "short");
    const std::string first = run.status().effect;
    run.runUntil(VisualizerMode::Closing, 20.0f);
    EXPECT_NEAR(run.fake.now - 1.0f, 10.0f, 0.1f);  // When the music ends
    EXPECT_EQ(run.starts.size(), 1u) << "one effect only";
    EXPECT_TRUE(run.status().anyFilePlayed);
    run.runUntil(VisualizerMode::Finished, 20.0f);
    EXPECT_NEAR(run.fake.now - 1.0f, 10.0f + kOutroSeconds, 0.1f);
    run.frame();
    EXPECT_EQ(run.fake.presented.back().kind, Presentation::Black);
}

TEST(VisualizerTimeline, TenMinutesRunEveryEffectOnceARoundInANewOrder) {
    VisualRun run;
    run.fps = 10.0f;
    run.startDecoded(clickTrack(120.0f, 600.0), "long");
    EXPECT_EQ(run.status().length, 600.0);
    run.runUntil(VisualizerMode::Closing, 610.0f);
    EXPECT_NEAR(run.fake.now - 1.0f, 600.0f, 0.2f);
    const int effects = sceneTable().count - 2;
    ASSERT_GE((int)run.starts.size(), 2 * effects + 1);
    expectEffectsOnBars(run, 120.0f);
    for (size_t round = 0; (round + 1) * effects <= run.starts.size(); ++round) {
        std::set<std::string> names;
        for (int i = 0; i < effects; ++i) names.insert(run.starts[round * effects + i].name);
        EXPECT_EQ((int)names.size(), effects) << "round " << round;
        if (round > 0) {
            EXPECT_NE(run.starts[round * effects].name, run.starts[round * effects - 1].name) << "round " << round;
        }
    }
    EXPECT_NE(run.starts[0].name + run.starts[1].name, run.starts[effects].name + run.starts[effects + 1].name)
        << "each round in an order of its own";
}

TEST(VisualizerFiles, ABadFileInTheMiddleIsSkippedWithItsReason) {
    source_test::TempDir dir;
    const std::string a = dir.put("first.wav", wavBytes(clickTrack(120.0f, 6.0)));
    const std::string bad = dir.put("broken.wav", {'n', 'o', 't', ' ', 'm', 'u', 's', 'i', 'c'});
    const std::string c = dir.put("third.wav", wavBytes(clickTrack(90.0f, 6.0)));
    VisualRun run;
    run.fake.now = 1.0f;
    ASSERT_TRUE(startVisualizerFiles(run.show, run.platform, {a, bad, c}));
    VisualizerStatus s = run.status();
    EXPECT_EQ(s.kind, SourceKind::File);
    EXPECT_EQ(s.title, "first");
    EXPECT_EQ(s.fileIndex, 0);
    EXPECT_EQ(s.fileCount, 3);
    EXPECT_TRUE(s.skipped.empty());

    run.runFor(5.5f);
    EXPECT_EQ(run.status().fileIndex, 0);
    run.runFor(1.0f);  // The flight into the third file's first effect lands as the first file ends
    s = run.status();
    EXPECT_EQ(s.fileIndex, 2);
    EXPECT_EQ(s.title, "third");
    EXPECT_EQ(s.skipped.rfind("broken.wav: ", 0), 0u) << s.skipped;
    EXPECT_GT(s.skipped.size(), strlen("broken.wav: "));
    EXPECT_NEAR(s.skippedAt, 1.0f + 6.0f - kTransitionSeconds, 0.1f);
    EXPECT_LT(s.position, 0.6);
    EXPECT_EQ(run.starts.size(), 1u);

    run.runUntil(VisualizerMode::Closing, 10.0f);
    EXPECT_NEAR(run.fake.now, 1.0f + 12.0f, 0.2f);
}

TEST(VisualizerFiles, NothingPlayableFinishesAtOnceAndSaysWhy) {
    source_test::TempDir dir;
    const std::string bad = dir.put("noise.mp3", {1, 2, 3});
    VisualRun run;
    EXPECT_FALSE(startVisualizerFiles(run.show, run.platform, {bad, dir.file("missing.flac")}));
    VisualizerStatus s = run.status();
    EXPECT_EQ(s.mode, VisualizerMode::Finished);
    EXPECT_FALSE(s.anyFilePlayed);
    EXPECT_EQ(s.skipped.rfind("missing.flac: ", 0), 0u) << s.skipped;
    run.frame();
    EXPECT_EQ(run.fake.presented.back().kind, Presentation::Black);

    VisualRun none;
    EXPECT_FALSE(startVisualizerFiles(none.show, none.platform, {}));
    EXPECT_EQ(none.status().mode, VisualizerMode::Finished);
    EXPECT_FALSE(none.status().skipped.empty());
}

TEST(VisualizerKeys, SpaceAndTheFileKeysMoveOnWithTheUsualFlight) {
    source_test::TempDir dir;
    std::vector<std::string> files;
    for (const char* name : {"one.wav", "two.wav", "three.wav"}) files.push_back(dir.put(name, wavBytes(clickTrack(120.0f, 30.0))));
    VisualRun run;
    run.fake.now = 1.0f;
    ASSERT_TRUE(startVisualizerFiles(run.show, run.platform, files));
    run.runFor(3.0f);

    // SPACE: the flight starts this frame, the next effect 1.15 s later; the file plays on
    const std::string first = run.status().effect;
    run.frame(KeySkip);
    EXPECT_TRUE(run.show.timeline.transitionActive);
    EXPECT_EQ(run.fake.presented.back().kind, Presentation::Focused);
    run.runFor(kTransitionSeconds + 0.05f);
    EXPECT_NE(run.status().effect, first);
    EXPECT_EQ(run.status().fileIndex, 0);
    EXPECT_GT(run.status().position, 4.0);

    run.frame(KeyNextFile);
    EXPECT_TRUE(run.show.timeline.transitionActive);
    run.runFor(kTransitionSeconds + 0.05f);
    EXPECT_EQ(run.status().fileIndex, 1);
    EXPECT_EQ(run.status().title, "two");
    EXPECT_LT(run.status().position, 0.2);

    run.frame(KeyPreviousFile);
    run.runFor(kTransitionSeconds + 0.05f);
    EXPECT_EQ(run.status().fileIndex, 0);
    run.frame(KeyPreviousFile);  // Before the first: the first again, from its start
    run.runFor(kTransitionSeconds + 0.05f);
    EXPECT_EQ(run.status().fileIndex, 0);
    EXPECT_LT(run.status().position, 0.2);

    // Past the last file: the closing screen
    run.frame(KeyNextFile);
    run.runFor(kTransitionSeconds + 0.05f);
    run.frame(KeyNextFile);
    run.runFor(kTransitionSeconds + 0.05f);
    EXPECT_EQ(run.status().fileIndex, 2);
    run.frame(KeyNextFile);
    EXPECT_EQ(run.status().mode, VisualizerMode::Closing);

    // The show itself ignores the visualizer's keys
    FakeShow show;
    show.frameAt(3.0f, KeyNextFile | KeyPause | KeyPreviousFile);
    EXPECT_FALSE(show.show.timeline.transitionActive);
    EXPECT_STREQ(show.scene(), "intro_boot");
}

TEST(VisualizerKeys, PauseHoldsMusicAndPictureAndResumesWhereItStopped) {
    VisualRun run;
    run.startDecoded(clickTrack(120.0f, 60.0), "paused");
    run.runFor(5.0f);
    run.frame(KeyPause);
    const VisualizerStatus held = run.status();
    EXPECT_TRUE(held.paused);
    const uint64_t cells = cellHash(*run.show.fb);
    const BeatInfo beat = run.show.beat;
    run.runFor(20.0f);  // Longer than an effect: nothing moves on
    EXPECT_EQ(cellHash(*run.show.fb), cells);
    EXPECT_EQ(run.status().position, held.position);
    EXPECT_EQ(run.status().effect, held.effect);
    EXPECT_EQ(run.show.beat.beatPos, beat.beatPos);
    EXPECT_EQ(run.fake.presented.back().kind, Presentation::Plain);  // Still presented: a front end may redraw
    run.frame(KeySkip);  // Keys that move on wait for the music
    EXPECT_FALSE(run.show.timeline.transitionActive);

    run.frame(KeyPause);
    EXPECT_FALSE(run.status().paused);
    run.runFor(1.0f);
    EXPECT_NEAR(run.status().position, held.position + 1.0 + 1.0 / 30.0, 0.05);
}

TEST(VisualizerLive, LiveSoundThatStopsAndStartsKeepsTheEffectsGoing) {
    VisualRun run;
    run.fake.now = 1.0f;
    LiveRing* ring = startVisualizerLive(run.show, run.platform, kRate, 2, "Monitor of speakers");
    ASSERT_NE(ring, nullptr);
    const std::vector<float> clicks = drum_tracks::steadyTrack("live", Style::FourOnTheFloor, 126.0f, 120.0, kRate, 5).samples;
    size_t pushed = 0;
    auto playFor = [&](float seconds, bool sound) {
        const float end = run.fake.now + seconds;
        while (run.fake.now < end) {
            // The capture thread's block for this frame, stereo
            const size_t frames = (size_t)(kRate / run.fps);
            std::vector<float> block(frames * 2, 0.0f);
            for (size_t i = 0; sound && i < frames; ++i) block[2 * i] = block[2 * i + 1] = clicks[(pushed + i) % clicks.size()];
            if (sound) pushed += frames;
            if (sound) pushLive(*ring, block.data(), (int)frames);
            run.frame();
        }
    };
    playFor(20.0f, true);
    VisualizerStatus s = run.status();
    EXPECT_EQ(s.kind, SourceKind::Live);
    EXPECT_EQ(s.title, "Monitor of speakers");
    EXPECT_LT(s.length, 0.0);
    EXPECT_NEAR(s.bpm, 126.0f, 2.0f);
    EXPECT_TRUE(run.show.audio.valid);
    EXPECT_GT(run.show.audio.level, 0.01f);

    const size_t before = run.starts.size();
    playFor(40.0f, false);
    EXPECT_EQ(run.status().mode, VisualizerMode::Effects);
    EXPECT_LT(run.show.audio.level, 0.001f);
    EXPECT_GT(run.starts.size(), before) << "effects go on over silence";

    playFor(20.0f, true);
    EXPECT_GT(run.show.audio.level, 0.01f);
    EXPECT_NEAR(run.status().bpm, 126.0f, 2.0f);
    EXPECT_EQ(run.status().mode, VisualizerMode::Effects);
}

// Scenes keep state between frames (simulations, buffers): shown a second time, an effect must
// start from scratch, drawing cell for cell what it drew the first time.
TEST(VisualizerTimeline, ARevisitedEffectDrawsAsOnItsFirstVisit) {
    const SceneTable table = sceneTable();
    AsciiFramebuffer fb(120, 42, kGridCellWidth, kGridCellHeight, FramebufferBacking::CellsOnly);
    TempoClock clock = makeTempoClock(kShowTempo);
    auto visit = [&](const SceneDesc& scene) {
        uint64_t h = kFnvOffset;
        for (int frame = 0; frame < 90; ++frame) {
            const float t = frame / 30.0f;
            const BeatInfo beat = update(clock, t);
            const AudioFeatures audio = scriptedMusic(t);
            fb.clear(kSceneBackground);
            scene.render(fb, t, kSceneBackground, &beat, &audio);
            h = cellHash(fb, h);
        }
        return h;
    };
    for (int row = 0; row < table.count; ++row) {
        const SceneDesc& scene = table.rows[row];
        SCOPED_TRACE(scene.name);
        const uint64_t first = visit(scene);
        visit(table.rows[(row + 1) % table.count]);
        EXPECT_EQ(visit(scene), first);
    }
}

TEST(VisualizerTimeline, EachRoundShowsEveryEffectOnceInANewOrderNeverOpeningWithTheLastShown) {
    const SceneTable table = sceneTable();
    for (uint32_t seed = 0; seed < 300; ++seed) {
        EffectPlan plan = makeEffectPlan(table, seed);
        ASSERT_EQ(plan.count, table.count - 2);
        std::set<std::vector<int>> orders;
        int last = -1;
        for (int round = 0; round < 6; ++round) {
            std::vector<int> order;
            for (int i = 0; i < plan.count; ++i) order.push_back(takeNextEffect(plan));
            EXPECT_NE(order.front(), last) << "seed " << seed << " round " << round;
            last = order.back();
            const std::set<int> rows(order.begin(), order.end());
            EXPECT_EQ((int)rows.size(), plan.count);
            EXPECT_EQ(rows.count(0), 0u);                // intro_boot
            EXPECT_EQ(rows.count(table.count - 1), 0u);  // end_credits
            orders.insert(order);
        }
        EXPECT_GE(orders.size(), 5u) << "seed " << seed;
    }
    EffectPlan a = makeEffectPlan(table, 42), b = makeEffectPlan(table, 42);
    for (int i = 0; i < 30; ++i) EXPECT_EQ(takeNextEffect(a), takeNextEffect(b));
}

TEST(VisualizerTimeline, EffectsAreHeldGroupsOfFourBarsWithin15To40Seconds) {
    const SceneDesc& wave = *findScene("wave_scroll");
    const SceneDesc& cellular = *findScene("cellular");
    EXPECT_EQ(effectBars(wave, 2.0f), 12);      // 120 bpm: 24 s, three times its time in the show
    EXPECT_EQ(effectBars(cellular, 2.0f), 16);  // The simulations longer: 32 s
    EXPECT_EQ(effectBars(wave, 6.0f), 4);       // 40 bpm: 24 s
    EXPECT_EQ(effectBars(wave, 0.8f), 32);      // 300 bpm: 25.6 s
    EXPECT_EQ(effectBars(wave, 3.5f), 8);       // 68.6 bpm: 28 s (4 bars would be 14 s)
    const SceneTable table = sceneTable();
    for (float bar = 0.8f; bar <= 6.0f; bar += 0.01f) {
        for (int row = 1; row < table.count - 1; ++row) {
            const float held = effectBars(table.rows[row], bar) * bar;
            EXPECT_GE(held, kMinEffectSeconds) << table.rows[row].name << " " << bar;
            EXPECT_LE(held, kMaxEffectSeconds) << table.rows[row].name << " " << bar;
        }
    }
}

TEST(VisualizerTimeline, TheFlightStartsSoThatTheNextEffectBeginsOnTheBar) {
    TempoClock clock = makeTempoClock(kShowTempo);
    setBpm(clock, 120.0f, 0.0f);  // Bars of 2 s
    auto dueAt = [&](EffectPlan& plan, float from) {
        for (float t = from; t < 60.0f; t += 1.0f / 64.0f) {
            if (effectDue(plan, update(clock, t))) return t;
        }
        return -1.0f;
    };
    EffectPlan plan;
    holdEffect(plan, update(clock, 0.0f), 12);
    EXPECT_NEAR(dueAt(plan, 0.0f), 24.0f - kTransitionSeconds, 1.0f / 64.0f);
    EXPECT_NEAR(plan.untilBar, kTransitionSeconds, 1.0f / 64.0f);

    // Begun just before a bar: held from that bar; begun mid-bar: up to the bar after the twelfth
    holdEffect(plan, update(clock, 1.9f), 12);
    EXPECT_NEAR(dueAt(plan, 1.9f), 26.0f - kTransitionSeconds, 1.0f / 64.0f);
    holdEffect(plan, update(clock, 1.0f), 12);
    EXPECT_NEAR(dueAt(plan, 1.0f), 24.0f - kTransitionSeconds, 1.0f / 64.0f);

    // B restarts the count: the restart begins a new bar, and the bars go on from it
    holdEffect(plan, update(clock, 0.0f), 4);
    EXPECT_FALSE(effectDue(plan, update(clock, 3.0f)));
    restartBeats(clock, 3.0f);
    EXPECT_NEAR(dueAt(plan, 3.0f), 3.0f + 4.0f - kTransitionSeconds, 1.0f / 64.0f);
}

TEST(VisualizerSound, ThePlatformPlaysTheSourceGivesItsPositionPausesAndStopsIt) {
    VisualRun run;
    run.fake.playsSources = true;
    run.startDecoded(clickTrack(120.0f, 60.0), "played");
    EXPECT_EQ(run.fake.sourcesPlayed, 1);
    run.fake.sourcePosition = 12.5;
    run.frame();
    EXPECT_EQ(run.status().position, 12.5);
    EXPECT_EQ(run.status().length, 60.0);
    run.frame(KeyPause);
    run.frame(KeyPause);
    EXPECT_EQ(run.fake.sourcePauses, (std::vector<bool>{true, false}));
    run.fake.sourcePosition = 60.0;  // The device played it all: the closing screen
    run.frame();
    EXPECT_EQ(run.status().mode, VisualizerMode::Closing);
    EXPECT_EQ(run.fake.sourcesStopped, 1);
    stopShow(run.show, run.platform);
    EXPECT_EQ(run.fake.sourcesStopped, 1) << "stopped once";
    EXPECT_EQ(run.show.visualizer, nullptr);
    EXPECT_EQ(run.show.fb, nullptr);

    // A platform that refuses the source: the position comes from the clock
    VisualRun clocked;
    clocked.startDecoded(clickTrack(120.0f, 60.0), "clocked");
    clocked.runFor(2.0f);
    EXPECT_NEAR(clocked.status().position, 2.0, 0.05);
    EXPECT_EQ(clocked.fake.sourcesPlayed, 0);
    stopShow(clocked.show, clocked.platform);
    EXPECT_EQ(clocked.fake.sourcesStopped, 0);
}

TEST(VisualizerKeys, TheTempoKeysMoveTheFollowedTempoAndBRestartsTheCount) {
    VisualRun run;
    run.startDecoded(clickTrack(120.0f, 60.0), "tempo");
    run.runFor(10.0f);
    ASSERT_NEAR(run.status().bpm, 120.0f, 1.0f);
    const float followed = run.status().bpm;
    run.frame(KeyTempoUp);
    EXPECT_NEAR(run.status().bpm, followed + 1.0f, 0.05f);
    run.frame(KeyTempoDown);
    run.frame(KeyTempoDown);
    EXPECT_NEAR(run.status().bpm, followed - 1.0f, 0.05f);
    run.frame(KeyRestartBeats);
    EXPECT_LT(run.show.beat.beatPos, 0.1f);
    run.runFor(10.0f);
    EXPECT_NEAR(run.status().bpm, 120.0f, 1.0f) << "pulled back to the music";
}

TEST(VisualizerFiles, ABadLastFileLeavesTheClosingScreenAfterTheGoodOnes) {
    source_test::TempDir dir;
    const std::string good = dir.put("good.wav", wavBytes(clickTrack(120.0f, 4.0)));
    const std::string bad = dir.put("empty.wav", {});
    VisualRun run;
    run.fake.now = 1.0f;
    ASSERT_TRUE(startVisualizerFiles(run.show, run.platform, {bad, good, bad}));
    EXPECT_EQ(run.status().fileIndex, 1);
    EXPECT_EQ(run.status().skipped.rfind("empty.wav: ", 0), 0u) << run.status().skipped;
    EXPECT_NEAR(run.status().skippedAt, 1.0f, 1e-6f);
    run.runUntil(VisualizerMode::Closing, 10.0f);
    EXPECT_NEAR(run.fake.now, 1.0f + 4.0f, 0.1f);
    EXPECT_NEAR(run.status().skippedAt, 1.0f + 4.0f - kTransitionSeconds, 0.1f) << "the last one skipped as its turn came";
    EXPECT_TRUE(run.status().anyFilePlayed);
    EXPECT_TRUE(run.starts.empty()) << "no flight into an effect nothing plays under";
}

TEST(VisualizerFiles, SpaceJustBeforeAFileEndsCutsNoneOfItShort) {
    source_test::TempDir dir;
    std::vector<std::string> files;
    for (const char* name : {"a.wav", "b.wav"}) files.push_back(dir.put(name, wavBytes(clickTrack(120.0f, 8.0))));
    VisualRun run;
    run.fps = 20.0f;
    run.fake.now = 1.0f;
    ASSERT_TRUE(startVisualizerFiles(run.show, run.platform, files));
    while (run.status().position < 6.5) run.frame();
    run.frame(KeySkip);  // Its flight lands 0.35 s before the end; the next file's flight follows it
    while (run.status().fileIndex == 0 && run.fake.now < 20.0f) run.frame();
    ASSERT_EQ(run.starts.size(), 2u);
    EXPECT_NEAR(run.starts[0].at, 1.0f + 6.55f + kTransitionSeconds, 0.06f);
    EXPECT_GE(run.starts[1].at, 1.0f + 8.0f) << "the first file played to its end";
    EXPECT_LE(run.starts[1].at, 1.0f + 8.0f + kTransitionSeconds);
    EXPECT_EQ(run.status().title, "b");
}
