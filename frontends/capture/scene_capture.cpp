#include "frontends/capture/scene_capture.h"

#include <memory>
#include <vector>

#include "app/pixel_presentation.h"   // Required for: presentationPixels()
#include "app/raylib_platform.h"      // Required for: drawPresentation()
#include "framebuffer/font_redraw.h"  // Required for: redraw()
#include "frontends/capture/cell_dump.h"
#include "frontends/capture/image_files.h"
#include "frontends/capture/output_files.h"
#include "frontends/capture/progress.h"
#include "frontends/capture/scene_run.h"
#include "frontends/capture/stop_signals.h"

namespace {

// The show's cells and colours
constexpr int kCellWidth = 10;
constexpr int kCellHeight = 18;
constexpr bool kColorBoost = true;  // On at the show's start

// The CPU's picture: the image itself, opaque as a texture read back is, or presented.
void cpuPicture(const CaptureOptions& o, const AsciiFramebuffer& fb, std::vector<unsigned char>& rgba, int& width,
                int& height) {
    const Pixel* pixels = fb.image.pixels.data();
    size_t count = fb.image.pixels.size();
    width = fb.image.width;
    height = fb.image.height;
    PixelFrame frame;
    if (o.sizeGiven) {
        presentationPixels(fb, o.width, o.height, Presentation{}, frame);
        pixels = frame.pixels.data();
        count = frame.pixels.size();
        width = o.width;
        height = o.height;
    }
    rgba.resize(count * 4);
    for (size_t i = 0; i < count; ++i) {
        const Color c = unpackPixel(pixels[i]);
        rgba[4 * i] = c.r;
        rgba[4 * i + 1] = c.g;
        rgba[4 * i + 2] = c.b;
        rgba[4 * i + 3] = 255;
    }
}

// The picture the texture makes, or with --size what a window of that size shows of it.
void readPicture(const CaptureOptions& o, const AsciiFramebuffer& fb, std::vector<unsigned char>& rgba, int& width,
                 int& height) {
    if (fb.backing == FramebufferBacking::Cpu) {
        cpuPicture(o, fb, rgba, width, height);
        return;
    }
    width = fb.target.texture.width;
    height = fb.target.texture.height;
    if (!o.sizeGiven) {
        readTexture(fb.target.texture, rgba);
        return;
    }
    width = o.width;
    height = o.height;
    RenderTexture2D canvas = LoadRenderTexture(width, height);
    BeginTextureMode(canvas);
    drawPresentation(fb, width, height, Presentation{});
    readBoundTexture(width, height, rgba);
    EndTextureMode();
    UnloadRenderTexture(canvas);
}

// A long run shows its progress and stops between frames when asked to.
bool sceneStep(void* user, long long done, long long) {
    showProgress(*static_cast<ProgressMeter*>(user), done);
    return stopSignal() == 0;
}

// Both files complete under temporary names before either takes its own.
bool writeOutputs(const CaptureOptions& o, const std::vector<unsigned char>& png, const std::string& cells,
                  std::string& error) {
    TempFile files[2];
    const bool wantPng = !o.pngPath.empty(), wantCells = !o.cellsPath.empty();
    bool ok = (!wantPng || (openTemp(o.pngPath, files[0], error) &&
                            writeTemp(files[0], png.data(), png.size(), error))) &&
              (!wantCells || (openTemp(o.cellsPath, files[1], error) &&
                              writeTemp(files[1], cells.data(), cells.size(), error)));
    if (ok && stopSignal() != 0) {
        error = stopMessage(stopSignal());
        ok = false;
    }
    if (ok && wantPng) ok = commitTemp(files[0], o.overwrite, error);
    if (ok && wantCells) ok = commitTemp(files[1], o.overwrite, error);
    discardTemp(files[0]);
    discardTemp(files[1]);
    return ok;
}

bool captureSceneWith(const CaptureOptions& o, const SceneDesc& scene, GridSize grid, const GlyphFont& cpuFont,
                      std::string& error);

}  // namespace

bool captureScene(const CaptureOptions& o, std::string& error) {
    const SceneDesc* scene = findScene(o.sceneName.c_str());
    if (scene == nullptr) {
        error = "no scene named '" + o.sceneName + "'";
        return false;
    }
    const GridSize grid = o.zoomGiven ? gridSizeForZoom(o.zoom) : GridSize{o.gridCols, o.gridRows};
    // The atlas outlives the framebuffer that draws with it
    GlyphFont cpuFont;
    if (o.renderer == Renderer::Cpu) cpuFont = loadGlyphFontOnCpu(kCellHeight);
    const bool ok = captureSceneWith(o, *scene, grid, cpuFont, error);
    if (o.renderer == Renderer::Cpu) releaseGlyphFont(cpuFont);
    return ok;
}

namespace {

bool captureSceneWith(const CaptureOptions& o, const SceneDesc& scene, GridSize grid, const GlyphFont& cpuFont,
                      std::string& error) {
    auto fb = o.renderer == Renderer::Cpu
                  ? std::make_unique<AsciiFramebuffer>(grid.cols, grid.rows, kCellWidth, kCellHeight, cpuFont)
                  : std::make_unique<AsciiFramebuffer>(grid.cols, grid.rows, kCellWidth, kCellHeight);
    fb->colorBoost = kColorBoost;

    ProgressMeter progress = startProgress(sceneRunFrames(o.sceneTime, o.fps), o.fps);
    markCaptureStart(progress);
    const TempoClock clock = sceneClock(o.beatPosGiven, o.beatPos, o.sceneTime);
    const bool ran = runSceneTo(*fb, scene, o.sceneTime, o.fps, clock, o.audio, sceneStep, &progress);
    if (!ran) {
        abandonProgress(progress);
        error = stopMessage(stopSignal());
        return false;
    }
    finishProgress(progress, progress.total);
    redraw(*fb, true);

    std::vector<unsigned char> png;
    if (!o.pngPath.empty()) {
        std::vector<unsigned char> rgba;
        int width = 0, height = 0;
        readPicture(o, *fb, rgba, width, height);
        if (!encodePng(rgba.data(), width, height, png)) {
            error = "could not encode " + o.pngPath;
            return false;
        }
    }
    const std::string cells = o.cellsPath.empty() ? std::string() : cellDump(*fb);
    return writeOutputs(o, png, cells, error);
}

}  // namespace
