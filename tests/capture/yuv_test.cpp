// Frames as the encoder takes them: BT.709 in the limited range, worked out by hand for the primaries
// and greys, each 2x2 block's chroma in its place, and the same numbers as ffmpeg's own converter
// (which made the videos before).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "frontends/capture/process.h"  // Required for: findProgram()
#include "frontends/capture/yuv_frame.h"

namespace {

struct Yuv {
    int y, cb, cr;
};

std::vector<unsigned char> solid(int width, int height, unsigned char r, unsigned char g, unsigned char b,
                                 unsigned char a = 255) {
    std::vector<unsigned char> rgba((size_t)width * height * 4);
    for (size_t i = 0; i < rgba.size(); i += 4) {
        rgba[i] = r;
        rgba[i + 1] = g;
        rgba[i + 2] = b;
        rgba[i + 3] = a;
    }
    return rgba;
}

Yuv convertOne(unsigned char r, unsigned char g, unsigned char b, unsigned char a = 255) {
    std::vector<unsigned char> planes;
    rgbaToYuv420(solid(2, 2, r, g, b, a).data(), 2, 2, planes);
    EXPECT_EQ(planes.size(), 6u);
    for (int i = 1; i < 4; ++i) EXPECT_EQ(planes[i], planes[0]);
    return Yuv{planes[0], planes[4], planes[5]};
}

void setPixel(std::vector<unsigned char>& rgba, int width, int x, int y, unsigned char r, unsigned char g,
              unsigned char b) {
    unsigned char* p = &rgba[4 * ((size_t)y * width + x)];
    p[0] = r;
    p[1] = g;
    p[2] = b;
}

}  // namespace

// Y' = 16 + 219 (0.2126 R + 0.7152 G + 0.0722 B) / 255; Cb, Cr = 128 + 224 (B - Y', R - Y') / (1.8556, 1.5748) / 255
TEST(YuvFrame, PrimariesAndGreysLandOnTheirWorkedValues) {
    const struct {
        unsigned char r, g, b;
        Yuv want;
    } cases[] = {
        {0, 0, 0, {16, 128, 128}},       {255, 255, 255, {235, 128, 128}}, {128, 128, 128, {126, 128, 128}},
        {1, 1, 1, {17, 128, 128}},       {255, 0, 0, {63, 102, 240}},      {0, 255, 0, {173, 42, 26}},
        {0, 0, 255, {32, 240, 118}},     {255, 255, 0, {219, 16, 138}},    {0, 255, 255, {188, 154, 16}},
        {255, 0, 255, {78, 214, 230}},
    };
    for (const auto& c : cases) {
        const Yuv got = convertOne(c.r, c.g, c.b);
        EXPECT_EQ(got.y, c.want.y) << (int)c.r << "," << (int)c.g << "," << (int)c.b;
        EXPECT_EQ(got.cb, c.want.cb) << (int)c.r << "," << (int)c.g << "," << (int)c.b;
        EXPECT_EQ(got.cr, c.want.cr) << (int)c.r << "," << (int)c.g << "," << (int)c.b;
    }
    // Alpha plays no part: the frames are opaque, whatever the byte says
    const Yuv clear = convertOne(255, 0, 0, 0);
    EXPECT_EQ(clear.y, 63);
    EXPECT_EQ(clear.cr, 240);
}

TEST(YuvFrame, PlanesFollowOneAnotherAndEachBlockKeepsItsPlace) {
    const int width = 8, height = 6;
    std::vector<unsigned char> rgba = solid(width, height, 0, 0, 0);
    // Block (3, 1), pixels (6..7, 2..3): pure red; one pixel of block (0, 2) white
    for (int y = 2; y < 4; ++y) {
        for (int x = 6; x < 8; ++x) setPixel(rgba, width, x, y, 255, 0, 0);
    }
    setPixel(rgba, width, 1, 5, 255, 255, 255);
    std::vector<unsigned char> planes(3, 7);  // Whatever it held before is replaced
    rgbaToYuv420(rgba.data(), width, height, planes);
    ASSERT_EQ(planes.size(), (size_t)(width * height * 3 / 2));
    const unsigned char* y = planes.data();
    const unsigned char* cb = y + width * height;
    const unsigned char* cr = cb + width * height / 4;
    for (int row = 0; row < height; ++row) {
        for (int col = 0; col < width; ++col) {
            const bool red = row >= 2 && row < 4 && col >= 6;
            const int want = red ? 63 : (row == 5 && col == 1) ? 235 : 16;
            EXPECT_EQ(y[row * width + col], want) << col << "," << row;
        }
    }
    for (int i = 0; i < width * height / 4; ++i) {
        const bool red = i == 1 * 4 + 3;
        EXPECT_EQ(cb[i], red ? 102 : 128) << i;  // Block (0, 2), a quarter white, is a grey: no colour
        EXPECT_EQ(cr[i], red ? 240 : 128) << i;
    }
    // Three red pixels and a blue one in a block: the chroma of the mean colour (191.25, 0, 63.75)
    std::vector<unsigned char> mixed = solid(2, 2, 255, 0, 0);
    setPixel(mixed, 2, 1, 1, 0, 0, 255);
    rgbaToYuv420(mixed.data(), 2, 2, planes);
    EXPECT_EQ(planes[4], 137);  // Chroma is linear: (3 * 102.34 + 240) / 4 = 136.75
    EXPECT_EQ(planes[5], 209);  // (3 * 240 + 117.73) / 4 = 209.43
}

// The videos were made with ffmpeg's converter before: on flat areas the numbers are its numbers.
// (Near colour edges it filters the chroma over more pixels than one block; two chroma samples
// inside each 16x16 block of one colour they agree.)
TEST(YuvFrame, AgreesWithFfmpegsConverterWithinOneStep) {
    const std::string ffmpeg = findProgram("ffmpeg");
    if (ffmpeg.empty()) GTEST_SKIP() << "ffmpeg is not installed";
    const int width = 256, height = 128, block = 16;
    std::vector<unsigned char> rgba(width * height * 4, 255);
    std::mt19937 random(7);
    for (int by = 0; by < height / block; ++by) {
        for (int bx = 0; bx < width / block; ++bx) {
            const unsigned char r = (unsigned char)random(), g = (unsigned char)random(), b = (unsigned char)random();
            for (int y = 0; y < block; ++y) {
                for (int x = 0; x < block; ++x) setPixel(rgba, width, bx * block + x, by * block + y, r, g, b);
            }
        }
    }
    char folder[] = "/tmp/davur_evi_yuv.XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string in = std::string(folder) + "/in.rgba", out = std::string(folder) + "/out.yuv";
    FILE* f = fopen(in.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fwrite(rgba.data(), 1, rgba.size(), f);
    fclose(f);
    const std::string command = "'" + ffmpeg + "' -v error -f rawvideo -pix_fmt rgba -video_size 256x128 -i '" + in +
                                "' -vf scale=out_color_matrix=bt709:out_range=tv -pix_fmt yuv420p -f rawvideo '" +
                                out + "'";
    ASSERT_EQ(system(command.c_str()), 0);
    std::vector<unsigned char> theirs(width * height * 3 / 2);
    f = fopen(out.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(fread(theirs.data(), 1, theirs.size(), f), theirs.size());
    fclose(f);
    system(("rm -rf '" + std::string(folder) + "'").c_str());

    std::vector<unsigned char> ours;
    rgbaToYuv420(rgba.data(), width, height, ours);
    ASSERT_EQ(ours.size(), theirs.size());
    int lumaOff = 0, chromaOff = 0, chromaCompared = 0;
    for (int i = 0; i < width * height; ++i) lumaOff += abs(ours[i] - theirs[i]) > 1;
    const int cw = width / 2, ch = height / 2, inner = block / 2;
    for (int plane = 0; plane < 2; ++plane) {
        const int base = width * height + plane * cw * ch;
        for (int y = 0; y < ch; ++y) {
            for (int x = 0; x < cw; ++x) {
                const bool edge = y % inner < 2 || y % inner >= inner - 2 || x % inner < 2 || x % inner >= inner - 2;
                if (edge) continue;
                ++chromaCompared;
                chromaOff += abs(ours[base + y * cw + x] - theirs[base + y * cw + x]) > 1;
            }
        }
    }
    EXPECT_EQ(lumaOff, 0);
    EXPECT_GT(chromaCompared, 2000);
    EXPECT_EQ(chromaOff, 0);
}
