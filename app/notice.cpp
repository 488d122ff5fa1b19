#include "app/notice.h"

#include <vector>

namespace {

constexpr Color kNoticeText = {255, 214, 120, 255};  // Warm, readable over every scene
constexpr Color kNoticeBand = {40, 16, 8, 255};
constexpr int kNoticeRowFromBottom = 3;
constexpr int kNoticeMargin = 2;  // Cells kept free at either side of the grid
constexpr const char* kCut = "...";

// The text as cells: one per UTF-8 character, '?' for any the font has no glyph of.
std::vector<uint32_t> printableCells(const std::string& text) {
    std::vector<uint32_t> cells;
    for (const char ch : text) {
        const unsigned char c = (unsigned char)ch;
        if ((c & 0xC0) == 0x80) continue;  // A continuation byte: part of the character before
        cells.push_back(c >= 32 && c < 127 ? c : '?');
    }
    return cells;
}

}  // namespace

bool drawNotice(AsciiFramebuffer& fb, const Notice& notice, float now) {
    const float age = now - notice.shownAt;
    if (notice.text.empty() || !(age >= 0.0f && age < kNoticeSeconds)) return false;
    std::vector<uint32_t> cells = printableCells(notice.text);
    const int room = fb.cols - 2 * kNoticeMargin - 2;  // A blank cell either side of the text
    if (room < 4 || fb.rows < kNoticeRowFromBottom) return false;
    if ((int)cells.size() > room) {
        cells.resize((size_t)room - 3);
        for (const char* c = kCut; *c != '\0'; ++c) cells.push_back((uint32_t)*c);
    }
    const int width = (int)cells.size() + 2;
    const int x0 = (fb.cols - width) / 2;
    const int y = fb.rows - kNoticeRowFromBottom;
    for (int x = 0; x < width; ++x) {
        const uint32_t codepoint = x == 0 || x == width - 1 ? ' ' : cells[(size_t)x - 1];
        fb.setCell(x0 + x, y, codepoint, kNoticeText, kNoticeBand);
    }
    return true;
}
