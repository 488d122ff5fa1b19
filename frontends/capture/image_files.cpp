#include "frontends/capture/image_files.h"

#include <cstring>  // Required for: memcpy()

#include "rlgl.h"  // Required for: rlDrawRenderBatchActive(), rlReadScreenPixels()
#include "frontends/capture/output_files.h"

bool encodePng(const unsigned char* rgba, int width, int height, std::vector<unsigned char>& png) {
    // Dropping alpha by hand: ImageFormat would go through a float copy of every pixel
    const size_t pixels = (size_t)width * (size_t)height;
    std::vector<unsigned char> rgb(pixels * 3);
    for (size_t i = 0; i < pixels; ++i) {
        rgb[3 * i] = rgba[4 * i];
        rgb[3 * i + 1] = rgba[4 * i + 1];
        rgb[3 * i + 2] = rgba[4 * i + 2];
    }
    const Image image = {rgb.data(), width, height, 1, PIXELFORMAT_UNCOMPRESSED_R8G8B8};
    int size = 0;
    unsigned char* bytes = ExportImageToMemory(image, ".png", &size);
    const bool ok = bytes != nullptr && size > 0;
    if (ok) png.assign(bytes, bytes + size);
    if (bytes != nullptr) MemFree(bytes);
    return ok;
}

bool writePng(const std::string& path, const unsigned char* rgba, int width, int height, bool replace,
              std::string& error) {
    // Made in memory and written by us: raylib's own file writer ignores a short write
    std::vector<unsigned char> png;
    if (!encodePng(rgba, width, height, png)) {
        error = "could not encode " + path;
        return false;
    }
    return writeWholeFile(path, png.data(), png.size(), replace, error);
}

void readBoundTexture(int width, int height, std::vector<unsigned char>& rgba) {
    rlDrawRenderBatchActive();  // What was drawn so far reaches the texture before it is read
    // Reads the bound framebuffer bottom row first and flips it, with alpha set to 255
    unsigned char* pixels = rlReadScreenPixels(width, height);
    rgba.assign(pixels, pixels + (size_t)width * (size_t)height * 4);
    MemFree(pixels);
}

void readTexture(const Texture2D& texture, std::vector<unsigned char>& rgba) {
    Image image = LoadImageFromTexture(texture);
    ImageFormat(&image, PIXELFORMAT_UNCOMPRESSED_R8G8B8A8);
    ImageFlipVertical(&image);  // Render textures are stored bottom row first
    const size_t size = (size_t)image.width * (size_t)image.height * 4;
    rgba.resize(size);
    memcpy(rgba.data(), image.data, size);
    for (size_t i = 3; i < size; i += 4) rgba[i] = 255;
    UnloadImage(image);
}
