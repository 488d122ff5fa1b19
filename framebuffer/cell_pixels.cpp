#include "framebuffer/cell_pixels.h"

#include <cmath>    // Required for: floorf(), ceilf()
#include <cstring>  // Required for: memcpy()

namespace {

constexpr int kMaskSlots = 256;  // Power of two; ASCII and the block glyphs never collide
constexpr uint32_t kSpace = 32;
constexpr Pixel kOpaque = 0xFF000000u;

// Each byte of p times a / 255, rounded to the nearest byte: (t + (t >> 8)) >> 8 with
// t = x * a + 128 is exact for bytes, done on two bytes at a time in 16-bit lanes.
inline Pixel scalePixel(Pixel p, uint32_t a) {
    uint32_t rb = (p & 0x00FF00FFu) * a + 0x00800080u;
    rb = ((rb + ((rb >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
    uint32_t ga = ((p >> 8) & 0x00FF00FFu) * a + 0x00800080u;
    ga = (ga + ((ga >> 8) & 0x00FF00FFu)) & 0xFF00FF00u;
    return rb | ga;
}

uint32_t maskSlot(uint32_t codepoint) { return (codepoint ^ (codepoint >> 8)) & (kMaskSlots - 1); }

// Source over destination with the source's alpha, alpha included, as the GPU blends: both
// products rounded, then added. No byte carries into the next: x*a/255 <= a and y*(255-a)/255
// <= 255-a, rounded as well.
inline Pixel blendPixel(Pixel src, uint32_t alpha, Pixel dst) {
    const Pixel source = (src & 0x00FFFFFFu) | (alpha << 24);
    return scalePixel(source, alpha) + scalePixel(dst, 255u - alpha);
}

// The glyph quad's corners for a pen position, as DrawTextCodepoint lays it out, and the pixels
// whose centres fall inside it, each sampling the atlas texel under its centre.
GlyphMask makeMask(const CellPixels& image, uint32_t codepoint, float glyphSize, Vector2 pen) {
    GlyphMask mask;
    mask.codepoint = codepoint;
    const Font& font = image.font;
    const int index = GetGlyphIndex(font, (int)codepoint);
    if (image.atlas == nullptr || index < 0 || index >= font.glyphCount) return mask;

    const float scale = glyphSize / (float)font.baseSize;
    const float padding = (float)font.glyphPadding;
    const Rectangle rec = font.recs[index];
    const float srcX = rec.x - padding, srcY = rec.y - padding;
    const float srcW = rec.width + 2.0f * padding, srcH = rec.height + 2.0f * padding;
    const float atlasW = (float)image.atlas->width, atlasH = (float)image.atlas->height;
    const float u0 = srcX / atlasW, u1 = (srcX + srcW) / atlasW;
    const float v0 = srcY / atlasH, v1 = (srcY + srcH) / atlasH;
    const float left = pen.x + font.glyphs[index].offsetX * scale - padding * scale;
    const float top = pen.y + font.glyphs[index].offsetY * scale - padding * scale;
    const float width = srcW * scale, height = srcH * scale;

    // Pixels whose centre lies in [left, left + width) x [top, top + height)
    const int x0 = (int)ceilf(left - 0.5f), x1 = (int)ceilf(left + width - 0.5f);
    const int y0 = (int)ceilf(top - 0.5f), y1 = (int)ceilf(top + height - 0.5f);
    if (x1 <= x0 || y1 <= y0) return mask;
    const int w = x1 - x0, h = y1 - y0;
    std::vector<unsigned char> full((size_t)w * (size_t)h, 0);
    const unsigned char* texels = static_cast<const unsigned char*>(image.atlas->data);
    int minX = w, maxX = -1, minY = h, maxY = -1;
    for (int y = 0; y < h; ++y) {
        const float v = v0 + (v1 - v0) * (((float)(y0 + y) + 0.5f - top) / height);
        int ty = (int)floorf(v * atlasH);
        ty = ty < 0 ? 0 : (ty >= image.atlas->height ? image.atlas->height - 1 : ty);
        for (int x = 0; x < w; ++x) {
            const float u = u0 + (u1 - u0) * (((float)(x0 + x) + 0.5f - left) / width);
            int tx = (int)floorf(u * atlasW);
            tx = tx < 0 ? 0 : (tx >= image.atlas->width ? image.atlas->width - 1 : tx);
            const unsigned char a = texels[((size_t)ty * (size_t)image.atlas->width + (size_t)tx) * 2 + 1];
            full[(size_t)y * (size_t)w + (size_t)x] = a;
            if (a != 0) {
                minX = x < minX ? x : minX;
                maxX = x > maxX ? x : maxX;
                minY = y < minY ? y : minY;
                maxY = y > maxY ? y : maxY;
            }
        }
    }
    if (maxX < 0) return mask;  // Nothing to draw: a blank glyph
    mask.left = x0 + minX;
    mask.top = y0 + minY;
    mask.width = maxX - minX + 1;
    mask.height = maxY - minY + 1;
    mask.coverage.resize((size_t)mask.width * (size_t)mask.height);
    for (int y = 0; y < mask.height; ++y) {
        memcpy(&mask.coverage[(size_t)y * (size_t)mask.width], &full[(size_t)(minY + y) * (size_t)w + (size_t)minX],
               (size_t)mask.width);
    }
    return mask;
}

void fillRect(CellPixels& image, int x, int y, int w, int h, Color color) {
    const Pixel packed = packPixel(color);
    for (int row = y; row < y + h; ++row) {
        Pixel* p = &image.pixels[(size_t)row * (size_t)image.width + (size_t)x];
        if (color.a == 255) {
            for (int i = 0; i < w; ++i) p[i] = packed;
        } else {
            for (int i = 0; i < w; ++i) p[i] = blendPixel(packed, color.a, p[i]);
        }
    }
}

// The glyph's coverage times the colour's alpha is the source alpha, as the shader gives it.
void blendMask(CellPixels& image, const GlyphMask& mask, int cellX, int cellY, Color color) {
    const Pixel packed = packPixel(color);
    const Pixel solid = packed | kOpaque;  // Full coverage of an opaque colour replaces the pixel
    const int x0 = cellX + mask.left, y0 = cellY + mask.top;
    const int fromX = x0 < 0 ? -x0 : 0, fromY = y0 < 0 ? -y0 : 0;
    const int toX = x0 + mask.width > image.width ? image.width - x0 : mask.width;
    const int toY = y0 + mask.height > image.height ? image.height - y0 : mask.height;
    for (int y = fromY; y < toY; ++y) {
        const unsigned char* cov = &mask.coverage[(size_t)y * (size_t)mask.width];
        Pixel* row = &image.pixels[(size_t)(y0 + y) * (size_t)image.width + (size_t)x0];
        for (int x = fromX; x < toX; ++x) {
            if (cov[x] == 0) continue;
            if (cov[x] == 255 && color.a == 255) {
                row[x] = solid;
                continue;
            }
            const uint32_t alpha = color.a == 255 ? cov[x] : scalePixel(cov[x], color.a);
            row[x] = blendPixel(packed, alpha, row[x]);
        }
    }
}

const GlyphMask& maskFor(CellPixels& image, uint32_t codepoint, float glyphSize, Vector2 pen) {
    GlyphMask& slot = image.masks[maskSlot(codepoint)];
    if (slot.codepoint != codepoint) slot = makeMask(image, codepoint, glyphSize, pen);
    return slot;
}

// An image pixel over the clear colour, as the GPU blends the render texture into the window
inline Pixel overClear(Pixel p, Pixel clear) {
    const uint32_t a = p >> 24;
    return a == 255u ? p : (blendPixel(p, a, clear) | kOpaque);
}

// Under the black overlay: only the destination's product is left
Pixel darken(Pixel p, unsigned char overlayAlpha) { return scalePixel(p, 255u - overlayAlpha) | kOpaque; }

// The image's column (or row) under each frame pixel's centre, -1 outside dest; flipped as the
// render texture is drawn with a negative source height (its rows are stored bottom first). A
// centre that falls exactly on the edge between two texels takes the one before it, as the GPU
// does with the window's fitted view; the position is worked in double, where such edges are exact.
int sourceIndex(int pixel, float start, float size, int texels, bool flipped) {
    const float centre = (float)pixel + 0.5f;
    if (!(centre >= start && centre < start + size)) return -1;
    const double along = flipped ? (double)start + (double)size - (double)centre : (double)centre - (double)start;
    int index = (int)ceil(along * (double)texels / (double)size) - 1;
    index = index < 0 ? 0 : (index >= texels ? texels - 1 : index);
    return flipped ? texels - 1 - index : index;
}

}  // namespace

unsigned char blendChannel(unsigned char source, unsigned char destination, unsigned char alpha) {
    return (unsigned char)blendPixel(source, alpha, destination);
}

void initCellPixels(CellPixels& image, int width, int height, Color fill, const Image* atlas, const Font& font) {
    image.width = width;
    image.height = height;
    image.pixels.resize((size_t)width * (size_t)height);
    image.filled = false;
    image.fillColor = fill;
    image.atlas = atlas != nullptr && atlas->data != nullptr ? atlas : nullptr;
    image.font = font;
    image.masks.assign(kMaskSlots, GlyphMask{});
    initBoostCache(image.glyphColors, false);
    initBoostCache(image.backgroundColors, true);
    image.version = 0;
}

void paintCell(CellPixels& image, int x, int y, int width, int height, uint32_t codepoint, Color fg, Color bg,
               float glyphSize, Vector2 pen) {
    fillRect(image, x, y, width, height, bg);
    if (codepoint == kSpace || image.atlas == nullptr) return;
    const GlyphMask& mask = maskFor(image, codepoint, glyphSize, pen);
    if (!mask.coverage.empty()) blendMask(image, mask, x, y, fg);
}

void presentPixels(const CellPixels& image, PixelFrame& frame, int width, int height, const Rectangle* dest,
                   Color clear, unsigned char overlayAlpha) {
    width = width > 0 ? width : 0;
    height = height > 0 ? height : 0;
    frame.width = width;
    frame.height = height;
    frame.pixels.resize((size_t)width * (size_t)height);
    if (width == 0 || height == 0) return;

    const Pixel clearPixel = packPixel(Color{clear.r, clear.g, clear.b, 255});
    const Pixel background = overlayAlpha != 0 ? darken(clearPixel, overlayAlpha) : clearPixel;
    const bool drawImage = dest != nullptr && image.width > 0 && image.height > 0 && !image.pixels.empty();
    if (!drawImage) {
        for (Pixel& p : frame.pixels) p = background;
        return;
    }

    frame.columns.resize((size_t)width);
    frame.shownRow.resize((size_t)image.width + 1);
    for (int i = 0; i < width; ++i) frame.columns[(size_t)i] = sourceIndex(i, dest->x, dest->width, image.width, false);

    int previous = -2;  // The image row the frame row above was made of
    for (int y = 0; y < height; ++y) {
        Pixel* out = &frame.pixels[(size_t)y * (size_t)width];
        const int row = sourceIndex(y, dest->y, dest->height, image.height, true);
        if (y > 0 && row == previous) {
            memcpy(out, out - width, (size_t)width * sizeof(Pixel));
            continue;
        }
        previous = row;
        if (row < 0) {
            for (int i = 0; i < width; ++i) out[i] = background;
            continue;
        }
        const int* columns = frame.columns.data();
        if (!image.filled) {  // Not redrawn yet: what the starting fill would show
            const Pixel fill = overClear(packPixel(image.fillColor), clearPixel);
            for (int i = 0; i < width; ++i) out[i] = columns[i] < 0 ? clearPixel : fill;
        } else {
            // The row over the clear colour first, then point-sampled: no branch per frame pixel
            const Pixel* source = &image.pixels[(size_t)row * (size_t)image.width];
            Pixel* shown = frame.shownRow.data() + 1;  // shown[-1]: outside the image
            for (int i = 0; i < image.width; ++i) shown[i] = overClear(source[i], clearPixel);
            shown[-1] = clearPixel;
            for (int i = 0; i < width; ++i) out[i] = shown[columns[i]];
        }
        if (overlayAlpha != 0) {
            for (int i = 0; i < width; ++i) out[i] = darken(out[i], overlayAlpha);
        }
    }
}
