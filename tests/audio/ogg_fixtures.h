// Ogg Vorbis files made in memory for the tests and the fuzz corpus: encoded with libvorbisenc
// page by page, so that a test can damage one page (its header fields, its granule position, its
// body) and make its checksum right again, as a crafted file would.
#pragma once

#include <ogg/ogg.h>
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace ogg_fixtures {

using Bytes = std::vector<unsigned char>;
using Pages = std::vector<Bytes>;

constexpr float kQuality = 0.0f;   // Small files; the content is a plain tone
constexpr size_t kPageHeader = 27;  // Fixed part of an Ogg page header, before its lacing values

inline void appendPage(Pages& pages, const ogg_page& page) {
    Bytes bytes(page.header, page.header + page.header_len);
    bytes.insert(bytes.end(), page.body, page.body + page.body_len);
    pages.push_back(bytes);
}

// `frames` frames of a 440 Hz tone at half scale on every channel, one page per encoder flush:
// page 0 is the identification header alone, then the comment and codebook headers, then audio.
inline Pages encode(int channels, long rate, int frames, int serial = 1) {
    Pages pages;
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, channels, rate, kQuality) != 0) {
        vorbis_info_clear(&info);
        return pages;
    }
    vorbis_comment comment;
    vorbis_dsp_state dsp;
    vorbis_block block;
    ogg_stream_state stream;
    vorbis_comment_init(&comment);
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_init(&stream, serial);

    ogg_packet headers[3];
    vorbis_analysis_headerout(&dsp, &comment, &headers[0], &headers[1], &headers[2]);
    for (ogg_packet& h : headers) ogg_stream_packetin(&stream, &h);
    ogg_page page;
    while (ogg_stream_flush(&stream, &page)) appendPage(pages, page);

    constexpr int kChunk = 1024;
    for (int first = 0; first < frames; first += kChunk) {
        const int count = std::min(kChunk, frames - first);
        float** buffer = vorbis_analysis_buffer(&dsp, count);
        for (int i = 0; i < count; ++i) {
            const float v = 0.5f * sinf(6.2831855f * 440.0f * (float)(first + i) / (float)rate);
            for (int c = 0; c < channels; ++c) buffer[c][i] = v;
        }
        vorbis_analysis_wrote(&dsp, count);
    }
    vorbis_analysis_wrote(&dsp, 0);  // The end of the stream
    ogg_packet packet;
    while (vorbis_analysis_blockout(&dsp, &block) == 1) {
        vorbis_analysis(&block, nullptr);
        vorbis_bitrate_addblock(&block);
        while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
            ogg_stream_packetin(&stream, &packet);
            while (ogg_stream_pageout(&stream, &page)) appendPage(pages, page);
        }
    }
    while (ogg_stream_flush(&stream, &page)) appendPage(pages, page);

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return pages;
}

inline Bytes join(const Pages& pages) {
    Bytes out;
    for (const Bytes& p : pages) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// Recomputes the page's checksum after an edit.
inline void fixChecksum(Bytes& page) {
    const size_t headerLen = kPageHeader + page[26];
    ogg_page view{page.data(), (long)headerLen, page.data() + headerLen, (long)(page.size() - headerLen)};
    ogg_page_checksum_set(&view);
}

inline void putLittleEndian(Bytes& bytes, size_t at, uint64_t value, int size) {
    for (int i = 0; i < size; ++i) bytes[at + (size_t)i] = (unsigned char)(value >> (8 * i));
}

inline int64_t granule(const Bytes& page) {
    uint64_t g = 0;
    for (int i = 7; i >= 0; --i) g = (g << 8) | page[6 + (size_t)i];
    return (int64_t)g;
}

// The last page's granule position is the length in frames the file declares.
inline void setGranule(Bytes& page, int64_t frames) {
    putLittleEndian(page, 6, (uint64_t)frames, 8);
    fixChecksum(page);
}

// Identification header fields of page 0 (the packet starts after one lacing value).
constexpr size_t kIdentBody = kPageHeader + 1;
inline void setChannels(Pages& pages, unsigned char channels) {
    putLittleEndian(pages[0], kIdentBody + 11, channels, 1);
    fixChecksum(pages[0]);
}
inline void setRate(Pages& pages, uint32_t rate) {
    putLittleEndian(pages[0], kIdentBody + 12, rate, 4);
    fixChecksum(pages[0]);
}

// The header pages: those with granule position 0 at the start of the stream.
inline size_t headerPageCount(const Pages& pages) {
    size_t n = 0;
    while (n < pages.size() && granule(pages[n]) == 0) ++n;
    return n;
}

}  // namespace ogg_fixtures
