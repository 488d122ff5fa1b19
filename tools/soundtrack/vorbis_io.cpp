#include "tools/soundtrack/vorbis_io.h"

#include <vorbis/vorbisenc.h>   // Required for: vorbis_encode_init_vbr()
#include <vorbis/vorbisfile.h>  // Required for: ov_fopen(), ov_read_float()

#include <cmath>  // Required for: std::fabs()
#include <cstdio>

namespace synth {

namespace {

constexpr int kStreamSerial = 0x64617675;  // "davu": fixed, so that the output is reproducible
constexpr int kChunkFrames = 1024;

bool writePage(FILE* file, const ogg_page& page) {
    return fwrite(page.header, 1, (size_t)page.header_len, file) == (size_t)page.header_len &&
           fwrite(page.body, 1, (size_t)page.body_len, file) == (size_t)page.body_len;
}

// Moves every finished block through the encoder into pages on disk.
bool drain(vorbis_dsp_state& dsp, vorbis_block& block, ogg_stream_state& stream, FILE* file) {
    ogg_packet packet;
    ogg_page page;
    bool ok = true;
    while (vorbis_analysis_blockout(&dsp, &block) == 1) {
        vorbis_analysis(&block, nullptr);
        vorbis_bitrate_addblock(&block);
        while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
            ogg_stream_packetin(&stream, &packet);
            while (ogg_stream_pageout(&stream, &page)) ok = writePage(file, page) && ok;
        }
    }
    return ok;
}

}  // namespace

bool writeOggVorbis(const std::string& path, const Bus& bus, float quality) {
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr) return false;

    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, 2, kSampleRate, quality) != 0) {
        vorbis_info_clear(&info);
        fclose(file);
        return false;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_comment_add_tag(&comment, "TITLE", "davur_evi");
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, kStreamSerial);

    ogg_packet identification;
    ogg_packet comments;
    ogg_packet codebooks;
    vorbis_analysis_headerout(&dsp, &comment, &identification, &comments, &codebooks);
    ogg_stream_packetin(&stream, &identification);
    ogg_stream_packetin(&stream, &comments);
    ogg_stream_packetin(&stream, &codebooks);
    bool ok = true;
    ogg_page page;
    while (ogg_stream_flush(&stream, &page)) ok = writePage(file, page) && ok;

    for (size_t first = 0; first < bus.frames(); first += kChunkFrames) {
        const size_t count = bus.frames() - first < (size_t)kChunkFrames ? bus.frames() - first : (size_t)kChunkFrames;
        float** channels = vorbis_analysis_buffer(&dsp, (int)count);
        for (size_t i = 0; i < count; ++i) {
            channels[0][i] = bus.left[first + i];
            channels[1][i] = bus.right[first + i];
        }
        vorbis_analysis_wrote(&dsp, (int)count);
        ok = drain(dsp, block, stream, file) && ok;
    }
    vorbis_analysis_wrote(&dsp, 0);  // End of stream
    ok = drain(dsp, block, stream, file) && ok;
    while (ogg_stream_flush(&stream, &page)) ok = writePage(file, page) && ok;

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return fclose(file) == 0 && ok;
}

bool measureOggVorbis(const std::string& path, Measurement& out) {
    OggVorbis_File vf;
    if (ov_fopen(path.c_str(), &vf) != 0) return false;
    const vorbis_info* info = ov_info(&vf, -1);
    out = Measurement{};
    out.sampleRate = info->rate;
    out.channels = info->channels;
    long frames = 0;
    int section = 0;
    float** pcm = nullptr;
    long read;
    while ((read = ov_read_float(&vf, &pcm, kChunkFrames, &section)) > 0) {
        for (int c = 0; c < out.channels; ++c) {
            for (long i = 0; i < read; ++i) out.peak = std::fmax(out.peak, std::fabs((double)pcm[c][i]));
        }
        frames += read;
    }
    ov_clear(&vf);
    if (read < 0) return false;
    out.seconds = (double)frames / (double)out.sampleRate;
    return true;
}

}  // namespace synth
