// cube: a spinning solid cube made of sampled surface points, lit by a fixed light, posterised into
// ramp glyphs and tinted per face, over a softly waving background; lightning falls from the top
// edge towards its edges. The spin follows the audio bands, the brightness pulses with the beat.
#include "scenes/cube.h"

#include <cmath>    // Required for: sqrtf(), floorf(), fabsf(), INFINITY
#include <cstdint>
#include <vector>

#include "math/show_math.h"  // Required for: showSin(), showCos(), showPow()
#include "scenes/ramps.h"
#include "scenes/scene_math.h"
#include "scenes/scenes.h"

namespace {

// Spin: radians per second, plus the audio band's share
constexpr float kSpinX = 0.88f, kSpinXPerMid = 0.35f;
constexpr float kSpinY = 1.14f, kSpinYPerBass = 0.55f;
constexpr float kSpinZ = 0.63f, kSpinZPerTreble = 0.3f;

// Projection: the viewer sits 4 units in front of the centre; cells are taller than wide
constexpr float kViewDistance = 4.0f;
constexpr float kNearPlane = 0.05f;
constexpr float kScalePerGrid = 0.92f;
constexpr float kCellAspect = 0.58f;

// Surface sampling: 13 x 13 points per face
constexpr float kSampleStart = -1.0f;
constexpr float kSampleStep = 0.16f;
constexpr float kSampleEnd = 1.001f;

constexpr int kEdgeTargetsPerEdge = 9;
constexpr float kEdgeTargetStep = 0.125f;

const Vector3 kCorners[8] = {{-1.0f, -1.0f, -1.0f}, {1.0f, -1.0f, -1.0f}, {1.0f, 1.0f, -1.0f}, {-1.0f, 1.0f, -1.0f},
                             {-1.0f, -1.0f, 1.0f},  {1.0f, -1.0f, 1.0f},  {1.0f, 1.0f, 1.0f},  {-1.0f, 1.0f, 1.0f}};
constexpr int kEdges[12][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6},
                               {6, 7}, {7, 4}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};

constexpr int kFaceCount = 6;
const Vector3 kFaceNormals[kFaceCount] = {{1.0f, 0.0f, 0.0f}, {-1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f},
                                          {0.0f, -1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}, {0.0f, 0.0f, -1.0f}};
constexpr Color kFaceColors[kFaceCount] = {{255, 40, 64, 255},  {42, 255, 122, 255}, {72, 132, 255, 255},
                                           {255, 190, 28, 255}, {244, 62, 255, 255}, {26, 245, 255, 255}};

// Background pattern glyphs, empty to dense
constexpr uint32_t kBackgroundRamp[5] = {' ', '.', ':', ';', 'i'};

// Cross-frame state. The buffers are redrawn whole every frame; they persist only so that they
// are not reallocated.
struct CubeState {
    std::vector<float> depth;
    std::vector<float> shade;
    std::vector<uint8_t> face;
    Vector2 targets[kCubeEdgeTargetCapacity];
    int targetCount = 0;
    LightningSchedule lightning;
};

CubeState state;

struct Projection {
    float px, py;  // Cell coordinates, not rounded
    float depth;
    bool visible;  // In front of the near plane
};

Projection project(Vector3 p, float scale, int cols, int rows) {
    const float d = p.z + kViewDistance;
    if (d <= kNearPlane) return Projection{0.0f, 0.0f, d, false};
    const float px = p.x / d * scale + (float)cols * 0.5f;
    const float py = p.y / d * scale * kCellAspect + (float)rows * 0.5f;
    return Projection{px, py, d, true};
}

Vector3 facePoint(int face, float u, float v) {
    switch (face) {
        case 0: return Vector3{1.0f, u, v};
        case 1: return Vector3{-1.0f, u, v};
        case 2: return Vector3{u, 1.0f, v};
        case 3: return Vector3{u, -1.0f, v};
        case 4: return Vector3{u, v, 1.0f};
        default: return Vector3{u, v, -1.0f};
    }
}

Vector3 lightDirection() { return normalize(Vector3{-0.35f, 0.2f, -1.0f}); }

unsigned char wrapChannel(float v) { return (unsigned char)(int)v; }  // Low 8 bits, no clamp

unsigned char clampChannel(float v) { return v <= 0.0f ? 0 : (v >= 255.0f ? 255 : (unsigned char)(int)v); }

}  // namespace

//----------------------------------------------------------------------------------
// Geometry and per-frame values
//----------------------------------------------------------------------------------
CubeRotation makeCubeRotation(float a, float b, float c) {
    return CubeRotation{showSin(a), showCos(a), showSin(b), showCos(b), showSin(c), showCos(c)};
}

Vector3 rotate(Vector3 p, const CubeRotation& r) {
    const float y1 = p.y * r.cosA - p.z * r.sinA;
    const float z1 = p.y * r.sinA + p.z * r.cosA;
    const float x2 = z1 * r.sinB + p.x * r.cosB;
    const float z2 = z1 * r.cosB - p.x * r.sinB;
    return Vector3{x2 * r.cosC - y1 * r.sinC, x2 * r.sinC + y1 * r.cosC, z2};
}

Vector3 normalize(Vector3 p) {
    const float len = sqrtf(p.x * p.x + p.y * p.y + p.z * p.z);
    if (len <= 0.0001f) return Vector3{0.0f, 0.0f, 0.0f};
    return Vector3{p.x / len, p.y / len, p.z / len};
}

float cubeFacing(const CubeRotation& r) {
    const Vector3 axes[3] = {{1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}};
    float facing = 0.0f;
    for (const Vector3& axis : axes) {
        const float z = fabsf(normalize(rotate(axis, r)).z);
        if (z > facing) facing = z;
    }
    return clamp01(facing);
}

CubeFrame cubeFrame(float t, int cols, int rows, const BeatInfo* beat, const AudioFeatures* audio) {
    const bool heard = audio != nullptr && audio->valid;
    const float bass = heard ? audio->bass : 0.0f;
    const float mid = heard ? audio->mid : 0.0f;
    const float treble = heard ? audio->treble : 0.0f;
    const float pulse = heard ? audio->beat : 0.0f;
    const float beatPhase = beat != nullptr ? beat->beatPhase : 0.0f;

    CubeFrame f = {};
    f.angX = (mid * kSpinXPerMid + kSpinX) * t;
    f.angY = (bass * kSpinYPerBass + kSpinY) * t;
    f.angZ = (treble * kSpinZPerTreble + kSpinZ) * t;
    f.rotation = makeCubeRotation(f.angX, f.angY, f.angZ);

    const float facing = cubeFacing(f.rotation);
    const float wobble = 0.5f + 0.5f * showSin(1.9f * f.angY + 1.3f * f.angX);
    const float size = clampf(0.75f * facing + 0.35f + 0.25f * wobble, 0.0f, 1.5f);
    const float flicker = showSin(24.0f * t);
    const float flash =
        0.3f * (0.55f * showPow(1.0f - beatPhase, 6.0f) + 0.45f + 0.35f * pulse) + 0.3f * (flicker * flicker) + 0.55f;
    const float energy = clampf(flash * size, 0.45f, 1.75f);
    f.look = CubeLook{facing, size, flash, energy};
    f.scale = kScalePerGrid * (float)(cols < rows ? cols : rows);
    return f;
}

int cubeEdgeTargets(const CubeFrame& frame, int cols, int rows, Vector2* targets) {
    int count = 0;
    for (const auto& edge : kEdges) {
        const Vector3 a = kCorners[edge[0]];
        const Vector3 b = kCorners[edge[1]];
        for (int k = 0; k < kEdgeTargetsPerEdge; ++k) {
            const float s = (float)k * kEdgeTargetStep;
            const Vector3 p = {a.x + (b.x - a.x) * s, a.y + (b.y - a.y) * s, a.z + (b.z - a.z) * s};
            const Projection pr = project(rotate(p, frame.rotation), frame.scale, cols, rows);
            if (!pr.visible) continue;
            if (pr.px >= 0.0f && pr.px < (float)cols && pr.py >= 0.0f && pr.py < (float)rows) {
                targets[count++] = Vector2{pr.px, pr.py};
            }
        }
    }
    return count;
}

//----------------------------------------------------------------------------------
// Drawing
//----------------------------------------------------------------------------------
namespace {

void drawBackground(AsciiFramebuffer& fb, float t, float size) {
    // Each wave depends on the column, the row or their sum alone: one sine per line, not per cell
    std::vector<float> columnWave((size_t)fb.cols), rowWave((size_t)fb.rows), diagonalWave((size_t)(fb.cols + fb.rows));
    for (int x = 0; x < fb.cols; ++x) columnWave[(size_t)x] = showSin(0.11f * (float)x + 0.9f * t);
    for (int y = 0; y < fb.rows; ++y) rowWave[(size_t)y] = showSin(0.17f * (float)y - 1.35f * t);
    for (int d = 0; d < fb.cols + fb.rows; ++d) diagonalWave[(size_t)d] = showSin(0.075f * (float)d + 0.58f * t);
    for (int y = 0; y < fb.rows; ++y) {
        for (int x = 0; x < fb.cols; ++x) {
            const float waves = columnWave[(size_t)x] + rowWave[(size_t)y] + diagonalWave[(size_t)(x + y)];
            const float w = clampf(waves / 3.0f * 0.5f + 0.5f, 0.0f, 1.0f);
            const int index = tableIndex(4.0f * w, 4);
            // Low 8 bits: the foreground blue passes 255 on the brightest waves and wraps
            const Color fg = {wrapChannel((26.0f * size + 20.0f) * w + 14.0f),
                              wrapChannel((44.0f * size + 35.0f) * w + 30.0f),
                              wrapChannel((90.0f * size + 65.0f) * w + 80.0f), 255};
            const Color bg = {wrapChannel((10.0f * size + 18.0f) * w + 8.0f),
                              wrapChannel((16.0f * size + 28.0f) * w + 10.0f),
                              wrapChannel((35.0f * size + 46.0f) * w + 22.0f), 255};
            fb.setCell(x, y, kBackgroundRamp[index], fg, bg);
        }
    }
}

void resetBuffers(CubeState& s, int cols, int rows) {
    const size_t cells = (size_t)cols * (size_t)rows;
    if (s.depth.size() != cells) {
        s.depth.resize(cells);
        s.shade.resize(cells);
        s.face.resize(cells);
    }
    for (size_t i = 0; i < cells; ++i) {
        s.depth[i] = INFINITY;
        s.shade[i] = 0.0f;
        s.face[i] = 0;
    }
}

// Depth-tested surface samples: the nearest sample of each cell keeps its depth, shade and face
void sampleSurface(CubeState& s, const CubeFrame& frame, int cols, int rows) {
    // A face's normal, and so its light, is the same for all its samples
    const Vector3 light = lightDirection();
    float faceShade[kFaceCount];
    for (int face = 0; face < kFaceCount; ++face) {
        const Vector3 n = normalize(rotate(kFaceNormals[face], frame.rotation));
        const float lit = n.x * light.x + n.y * light.y + n.z * light.z;
        faceShade[face] = (lit > 0.0f ? lit : 0.0f) * 0.86f + 0.14f;
    }

    for (float u = kSampleStart; u <= kSampleEnd; u += kSampleStep) {
        for (float v = kSampleStart; v <= kSampleEnd; v += kSampleStep) {
            for (int face = 0; face < kFaceCount; ++face) {
                const Projection pr = project(rotate(facePoint(face, u, v), frame.rotation), frame.scale, cols, rows);
                if (!pr.visible) continue;
                const int sx = (int)floorf(pr.px);
                const int sy = (int)floorf(pr.py);
                if (sx < 0 || sx >= cols || sy < 0 || sy >= rows) continue;
                const size_t i = (size_t)sy * (size_t)cols + (size_t)sx;
                // Strictly nearer: on equal depths the earlier sample keeps the cell
                if (pr.depth < s.depth[i]) {
                    s.depth[i] = pr.depth;
                    s.shade[i] = faceShade[face];
                    s.face[i] = (uint8_t)face;
                }
            }
        }
    }
}

constexpr int kLevels = 5;  // Brightness posterised to levels 0 .. 5

void compositeCube(AsciiFramebuffer& fb, const CubeState& s, float t, Color bg) {
    const RampStyle style = fb.blockGlyphs ? RampStyle::Block : RampStyle::Classic;
    // Six brightness levels and six faces: their curves and shimmers, once per frame
    float levelCurve[kLevels + 1];
    for (int level = 0; level <= kLevels; ++level) levelCurve[level] = showPow((float)level / 5.0f, 0.82f);
    float faceShimmer[kFaceCount];
    for (int face = 0; face < kFaceCount; ++face) faceShimmer[face] = showSin(1.15f * (float)face + 3.0f * t);
    for (int y = 0; y < fb.rows; ++y) {
        for (int x = 0; x < fb.cols; ++x) {
            const size_t i = (size_t)y * (size_t)fb.cols + (size_t)x;
            const float depth = s.depth[i];
            if (!(depth < INFINITY)) continue;  // Not covered: background and lightning stay
            // Nearer points are brighter; posterised to six levels
            const float lum = clamp01(0.28f * clamp01((5.0f - depth) * 0.25f) + 0.72f * s.shade[i]);
            const float level = floorf(5.0f * lum);  // 0 .. 5, as lum is clamped
            const float q = level / 5.0f;
            const uint32_t glyph = rampGlyph(style, levelCurve[(int)level]);
            const int face = s.face[i] % kFaceCount;
            const Color c = kFaceColors[face];
            const float m = clamp01((0.92f + 0.08f * faceShimmer[face]) * (0.6f * q + 0.4f));
            const Color fg = {clampChannel((float)c.r * m), clampChannel((float)c.g * m),
                              clampChannel((float)c.b * m), 255};
            fb.setCell(x, y, glyph, fg, bg);
        }
    }
}

}  // namespace

void cube(AsciiFramebuffer& fb, float sceneTime, Color bg, const BeatInfo* beat, const AudioFeatures* audio) {
    const int cols = fb.cols, rows = fb.rows;
    const float t = sceneTime;
    const CubeFrame frame = cubeFrame(t, cols, rows, beat, audio);
    state.targetCount = cubeEdgeTargets(frame, cols, rows, state.targets);

    // Update
    updateLightning(state.lightning, t, frame.look.facing, frame.look.size);

    // Draw: background, lightning, then the cube over both
    drawBackground(fb, t, frame.look.size);
    drawLightning(fb, state.lightning, t, frame.look, state.targets, state.targetCount, bg);
    resetBuffers(state, cols, rows);
    sampleSurface(state, frame, cols, rows);
    compositeCube(fb, state, t, bg);
}
