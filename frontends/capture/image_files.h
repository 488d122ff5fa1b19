// Captured pictures as PNG files, and reading a texture back the right way up.
#pragma once

#include <string>
#include <vector>

#include "raylib.h"

// RGBA pixels, top row first, as the bytes of an opaque RGB PNG file.
bool encodePng(const unsigned char* rgba, int width, int height, std::vector<unsigned char>& png);

// RGBA pixels, top row first, written as an opaque RGB PNG: complete under a temporary name, then
// renamed to `path` (over an existing file only with `replace`). False with a one-line error.
bool writePng(const std::string& path, const unsigned char* rgba, int width, int height, bool replace,
              std::string& error);

// The pixels of the render texture currently bound with BeginTextureMode, top row first, alpha
// 255 (a window has no transparency).
void readBoundTexture(int width, int height, std::vector<unsigned char>& rgba);

// The pixels of a render texture's colour texture, top row first, alpha 255.
void readTexture(const Texture2D& texture, std::vector<unsigned char>& rgba);
