// A platform for driving the frame loop in tests: the test sets the clock and the keys of each
// frame; framebuffers are cells only; what would reach the window is recorded. No music loads, and
// the visualizer's sources play only where a test says so.
#pragma once

#include <deque>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "app/frame_loop.h"

struct FakePlatform {
    float now = 0.0f;
    unsigned keys = 0;             // Pressed in the next frame only, together
    std::deque<unsigned> presses;  // Pressed before the next frame one after another, oldest first
    int musicUpdates = 0, musicUnloads = 0, fullscreenToggles = 0, framebuffersMade = 0;
    std::vector<float> volumes;
    std::vector<bool> redrawForces;
    std::vector<Presentation> presented;
    // The visualizer's music: refused unless the test says the platform plays it
    bool playsSources = false;
    double sourcePosition = 0.0;  // What the "device" has played
    int sourcesPlayed = 0, sourcesStopped = 0;
    std::vector<bool> sourcePauses;
    std::vector<std::string> drops;  // Dropped onto the "window" before the next frame

    Platform platform() {
        Platform p;
        p.user = this;
        p.now = [](void* u) { return self(u).now; };
        p.keysPressed = [](void* u) {
            FakePlatform& f = self(u);
            if (f.keys == 0 && !f.presses.empty()) f.keys = f.presses.front(), f.presses.pop_front();
            return std::exchange(f.keys, 0u);
        };
        p.toggleFullscreen = [](void* u) { ++self(u).fullscreenToggles; };
        p.setMasterVolume = [](void* u, float v) { self(u).volumes.push_back(v); };
        p.makeFramebuffer = [](void* u, int zoom, bool colorBoost) {
            ++self(u).framebuffersMade;
            return makeFramebuffer(zoom, colorBoost, FramebufferBacking::CellsOnly);
        };
        p.loadMusic = [](void*, MusicTrack&, const char*) { return false; };
        p.updateMusic = [](void* u, MusicTrack&) { return ++self(u).musicUpdates, AudioFeatures{}; };
        p.unloadMusic = [](void* u, MusicTrack&) { ++self(u).musicUnloads; };
        p.redraw = [](void* u, AsciiFramebuffer&, bool force) { self(u).redrawForces.push_back(force); };
        p.present = [](void* u, const AsciiFramebuffer&, const Presentation& how) { self(u).presented.push_back(how); };
        p.playSource = [](void* u, SoundSource&, double) { return self(u).playsSources && ++self(u).sourcesPlayed > 0; };
        p.updateSource = [](void* u, SoundSource&, double) { return self(u).sourcePosition; };
        p.pauseSource = [](void* u, SoundSource&, bool paused) { self(u).sourcePauses.push_back(paused); };
        p.stopSource = [](void* u, SoundSource&) { ++self(u).sourcesStopped; };
        p.droppedFiles = [](void* u, std::vector<std::string>& paths) {
            for (std::string& path : std::exchange(self(u).drops, {})) paths.push_back(path);
        };
        return p;
    }
    static FakePlatform& self(void* u) { return *static_cast<FakePlatform*>(u); }
};

// A show started on the fake platform at `start` seconds, driven frame by frame.
struct FakeShow {
    FakePlatform fake;
    Platform platform = fake.platform();
    Show show;

    explicit FakeShow(float start = 2.0f) {
        fake.now = start;
        startShow(show, platform);
    }
    void frameAt(float t, unsigned keys = 0) {
        fake.now = t;
        fake.keys = keys;
        runFrame(show, platform);
    }
    // One frame 1/60 s on, with these presses one after another before it
    void frameWith(std::initializer_list<unsigned> presses) {
        fake.presses.assign(presses.begin(), presses.end());
        frameAt(fake.now + 1.0f / 60.0f);
    }
    const char* scene() const { return currentSceneName(show); }
};
