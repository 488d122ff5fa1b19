// A platform for driving the frame loop in tests: the test sets the clock, the keys and the audio
// of each frame; framebuffers are cells only; what would reach the window is recorded.
#pragma once

#include <deque>
#include <initializer_list>
#include <vector>

#include "app/frame_loop.h"

struct FakePlatform {
    float now = 0.0f;
    unsigned keys = 0;             // Pressed in the next frame only, together
    std::deque<unsigned> presses;  // Pressed before the next frame one after another, oldest first
    AudioFeatures audio;        // Returned by every music update
    bool musicLoads = false;
    int musicUpdates = 0;
    int musicUnloads = 0;
    int fullscreenToggles = 0;
    int framebuffersMade = 0;
    std::vector<float> volumes;
    std::vector<bool> redrawForces;
    std::vector<Presentation> presented;

    Platform platform() {
        Platform p;
        p.user = this;
        p.now = [](void* u) { return self(u).now; };
        p.keysPressed = [](void* u) {
            FakePlatform& f = self(u);
            unsigned k = f.keys;
            f.keys = 0;
            if (k == 0 && !f.presses.empty()) {
                k = f.presses.front();
                f.presses.pop_front();
            }
            return k;
        };
        p.toggleFullscreen = [](void* u) { ++self(u).fullscreenToggles; };
        p.setMasterVolume = [](void* u, float v) { self(u).volumes.push_back(v); };
        p.makeFramebuffer = [](void* u, int zoom, bool colorBoost) {
            ++self(u).framebuffersMade;
            return makeFramebuffer(zoom, colorBoost, FramebufferBacking::CellsOnly);
        };
        p.loadMusic = [](void* u, MusicTrack&, const char*) { return self(u).musicLoads; };
        p.updateMusic = [](void* u, MusicTrack&) {
            ++self(u).musicUpdates;
            return self(u).audio;
        };
        p.unloadMusic = [](void* u, MusicTrack&) { ++self(u).musicUnloads; };
        p.redraw = [](void* u, AsciiFramebuffer&, bool force) { self(u).redrawForces.push_back(force); };
        p.present = [](void* u, const AsciiFramebuffer&, const Presentation& how) { self(u).presented.push_back(how); };
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
    void runTo(float until) {  // At 60 fps
        while (fake.now < until) frameAt(fake.now + 1.0f / 60.0f);
    }
    const char* scene() const { return currentSceneName(show); }
};
