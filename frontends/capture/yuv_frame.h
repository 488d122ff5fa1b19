// Frames for the encoder in the layout it encodes: 4:2:0 Y'CbCr with the BT.709 matrix in the
// limited (TV) range that players expect. Converting here leaves ffmpeg nothing to convert (its
// converter ran in series with the encoder) and the pipe carries 1.5 bytes a pixel instead of 4.
#pragma once

#include <vector>

// The Y plane (width * height bytes), then Cb and Cr (a quarter of that each), top row first.
// A pixel's Y is its own; the chroma of each 2x2 block is the chroma of the block's mean colour.
// The sizes are even (H.264 wants them so for 4:2:0).
void rgbaToYuv420(const unsigned char* rgba, int width, int height, std::vector<unsigned char>& planes);
