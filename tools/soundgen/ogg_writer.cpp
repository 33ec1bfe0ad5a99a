#include "tools/soundgen/ogg_writer.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>

namespace SoundGen {

namespace {

// NOTE: a fixed stream serial number; the usual random one would make every
// build's music files differ.
const int kSerial = 0x56584254;

void Append(std::string& bytes, const ogg_page& page)
{
    bytes.append(reinterpret_cast<const char*>(page.header), static_cast<size_t>(page.header_len));
    bytes.append(reinterpret_cast<const char*>(page.body), static_cast<size_t>(page.body_len));
}

}  // namespace

bool EncodeOgg(const Sound& sound, float quality, std::string& bytes, std::string& error)
{
    const int channels = sound.IsStereo() ? 2 : 1;
    bytes.clear();

    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, channels, kRate, quality) != 0) {
        vorbis_info_clear(&info);
        error = "the Vorbis encoder refuses this format";
        return false;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, kSerial);

    ogg_packet header, commentHeader, codeHeader;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codeHeader);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &commentHeader);
    ogg_stream_packetin(&stream, &codeHeader);
    ogg_page page;
    // The headers end a page of their own, so audio starts on a fresh page.
    while (ogg_stream_flush(&stream, &page)) Append(bytes, page);

    // NOTE: 1024-frame chunks: the encoder's buffer grows to the chunk, and
    // the output does not depend on the chunk size.
    const int chunk = 1024;
    const int frames = sound.Frames();
    bool ended = false;
    for (int done = 0; !ended;) {
        const int count = std::min(chunk, frames - done);
        if (count > 0) {
            float** buffer = vorbis_analysis_buffer(&dsp, count);
            for (int i = 0; i < count; ++i) {
                buffer[0][i] = sound.left[static_cast<size_t>(done + i)];
                if (channels == 2) buffer[1][i] = sound.right[static_cast<size_t>(done + i)];
            }
            vorbis_analysis_wrote(&dsp, count);
            done += count;
        } else {
            vorbis_analysis_wrote(&dsp, 0);  // the end of the input
        }
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page)) {
                    Append(bytes, page);
                    if (ogg_page_eos(&page)) ended = true;
                }
            }
        }
        if (count <= 0 && !ended) {
            // Everything analysed: whatever the stream still holds is the end.
            while (ogg_stream_flush(&stream, &page)) Append(bytes, page);
            ended = true;
        }
    }

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    if (bytes.empty()) {
        error = "the Vorbis encoder wrote nothing";
        return false;
    }
    return true;
}

}  // namespace SoundGen
