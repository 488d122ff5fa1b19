#include "tools/capture/scene_capture.h"

#include <cstdio>  // Required for: fopen(), fclose()
#include <memory>
#include <vector>

#include "app/raylib_platform.h"      // Required for: drawPresentation()
#include "framebuffer/font_redraw.h"  // Required for: redraw()
#include "tools/capture/cell_dump.h"
#include "tools/capture/image_files.h"
#include "tools/capture/scene_run.h"

namespace {

// The show's cells and colours
constexpr int kCellWidth = 10;
constexpr int kCellHeight = 18;
constexpr bool kColorBoost = true;  // On at the show's start

bool writePicture(const CaptureOptions& o, const AsciiFramebuffer& fb, std::string& error) {
    std::vector<unsigned char> rgba;
    int width = fb.target.texture.width;
    int height = fb.target.texture.height;
    if (o.sizeGiven) {
        // What a window of this size shows of the texture
        width = o.width;
        height = o.height;
        RenderTexture2D canvas = LoadRenderTexture(width, height);
        BeginTextureMode(canvas);
        drawPresentation(fb, width, height, Presentation{});
        readBoundTexture(width, height, rgba);
        EndTextureMode();
        UnloadRenderTexture(canvas);
    } else {
        readTexture(fb.target.texture, rgba);
    }
    if (!writePng(o.pngPath, rgba.data(), width, height)) {
        error = "could not write " + o.pngPath;
        return false;
    }
    return true;
}

bool writeCells(const CaptureOptions& o, const AsciiFramebuffer& fb, std::string& error) {
    FILE* out = fopen(o.cellsPath.c_str(), "w");
    bool ok = out != nullptr && writeCellDump(out, fb);
    if (out != nullptr && fclose(out) != 0) ok = false;
    if (!ok) error = "could not write " + o.cellsPath;
    return ok;
}

}  // namespace

bool captureScene(const CaptureOptions& o, std::string& error) {
    const SceneDesc* scene = findScene(o.sceneName.c_str());
    if (scene == nullptr) {
        error = "no scene named '" + o.sceneName + "'";
        return false;
    }
    const GridSize grid = o.zoomGiven ? gridSizeForZoom(o.zoom) : GridSize{o.gridCols, o.gridRows};
    auto fb = std::make_unique<AsciiFramebuffer>(grid.cols, grid.rows, kCellWidth, kCellHeight);
    fb->colorBoost = kColorBoost;

    runSceneTo(*fb, *scene, o.sceneTime, o.fps, sceneClock(o.beatPosGiven, o.beatPos, o.sceneTime), o.audio);
    redraw(*fb, true);

    if (!o.pngPath.empty() && !writePicture(o, *fb, error)) return false;
    if (!o.cellsPath.empty() && !writeCells(o, *fb, error)) return false;
    return true;
}
