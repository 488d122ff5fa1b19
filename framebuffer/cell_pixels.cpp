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

// One frame row made of an image row for each of the quad's two triangles, point-sampled through
// the columns of each: the row below the diagonal up to `first`, the row above it from there.
void sampleRow(const CellPixels& image, const QuadSampling& q, int rowBelow, int rowAbove, int first, Pixel clear,
               Pixel* shownBelow, Pixel* shownAbove, Pixel* out, int width) {
    const int rows[2] = {rowBelow, rowAbove};
    Pixel* shown[2] = {shownBelow, shownAbove};
    for (int half = 0; half < 2; ++half) {  // Each image row over the clear colour once
        if (half == 1 && rowAbove == rowBelow) {
            shown[1] = shown[0];
            break;
        }
        const Pixel* source = &image.pixels[(size_t)rows[half] * (size_t)image.width];
        for (int i = 0; i < image.width; ++i) shown[half][i] = overClear(source[i], clear);
        shown[half][-1] = clear;  // Outside the image
    }
    const int split = first < width ? first : width;
    for (int i = 0; i < split; ++i) out[i] = shown[0][q.columnsBelow[(size_t)i]];
    for (int i = split; i < width; ++i) out[i] = shown[1][q.columnsAbove[(size_t)i]];
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

    // Which texel each pixel shows is the GPU's choice, edges between texels included
    QuadSampling& q = frame.sampling;
    sampleQuad(q, width, height, *dest, image.width, image.height);
    // Columns left of c where the triangles pick different texels: a frame row can repeat the one
    // above when its image rows are the same and the diagonal moved over none of those columns
    frame.differing.resize((size_t)width + 1);
    frame.differing[0] = 0;
    for (int i = 0; i < width; ++i) {
        frame.differing[(size_t)i + 1] = frame.differing[(size_t)i] + (q.columnsBelow[(size_t)i] != q.columnsAbove[(size_t)i]);
    }
    const size_t shownSize = (size_t)image.width + 1;
    frame.shownRow.resize(2 * shownSize);
    Pixel* shownBelow = frame.shownRow.data() + 1;  // [-1]: outside the image
    Pixel* shownAbove = frame.shownRow.data() + shownSize + 1;

    int previousBelow = -2, previousAbove = -2, previousFirst = 0;  // What the frame row above was made of
    for (int y = 0; y < height; ++y) {
        Pixel* out = &frame.pixels[(size_t)y * (size_t)width];
        const int rowBelow = q.rowsBelow[(size_t)y], rowAbove = q.rowsAbove[(size_t)y];
        const int first = q.firstAbove[(size_t)y] < width ? q.firstAbove[(size_t)y] : width;
        const int lo = first < previousFirst ? first : previousFirst, hi = first < previousFirst ? previousFirst : first;
        const bool sameHalves = rowBelow == rowAbove && frame.differing[(size_t)hi] == frame.differing[(size_t)lo];
        if (y > 0 && rowBelow == previousBelow && rowAbove == previousAbove && (first == previousFirst || sameHalves)) {
            memcpy(out, out - width, (size_t)width * sizeof(Pixel));
            continue;
        }
        previousBelow = rowBelow;
        previousAbove = rowAbove;
        previousFirst = first;
        if (rowBelow < 0) {
            for (int i = 0; i < width; ++i) out[i] = background;
            continue;
        }
        if (!image.filled) {  // Not redrawn yet: what the starting fill would show
            const Pixel fill = overClear(packPixel(image.fillColor), clearPixel);
            for (int i = 0; i < width; ++i) out[i] = q.columnsBelow[(size_t)i] < 0 ? clearPixel : fill;
        } else {
            sampleRow(image, q, rowBelow, rowAbove, first, clearPixel, shownBelow, shownAbove, out, width);
        }
        if (overlayAlpha != 0) {
            for (int i = 0; i < width; ++i) out[i] = darken(out[i], overlayAlpha);
        }
    }
}
