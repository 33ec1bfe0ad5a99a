// Writes an Ogg Vorbis file of a test signal, for the audio tests and the
// audio benchmark, which run it as a program of its own.
//
//   ogg_encode_tool OUT CHANNELS RATE FRAMES
//
// The signal: left a 441 Hz sine, right an 882 Hz sine, both at half scale
// (mono takes the left one).
#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

bool WritePages(std::FILE* out, ogg_stream_state& stream, bool flush, bool* ended = nullptr)
{
    ogg_page page;
    while (flush ? ogg_stream_flush(&stream, &page) : ogg_stream_pageout(&stream, &page)) {
        if (ended && ogg_page_eos(&page)) *ended = true;
        if (std::fwrite(page.header, 1, static_cast<size_t>(page.header_len), out) != static_cast<size_t>(page.header_len) ||
            std::fwrite(page.body, 1, static_cast<size_t>(page.body_len), out) != static_cast<size_t>(page.body_len))
            return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s OUT CHANNELS RATE FRAMES\n", argv[0]);
        return 2;
    }
    const int channels = std::atoi(argv[2]);
    const long rate = std::atol(argv[3]);
    const long frames = std::atol(argv[4]);
    std::FILE* out = std::fopen(argv[1], "wb");
    if (!out || channels < 1 || channels > 2 || rate <= 0 || frames < 0) return 1;

    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, channels, rate, 0.6f) != 0) return 1;
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 1);

    ogg_packet header, commentHeader, codeHeader;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codeHeader);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &commentHeader);
    ogg_stream_packetin(&stream, &codeHeader);
    if (!WritePages(out, stream, true)) return 1;

    const double pi = 3.14159265358979323846;
    long done = 0;
    bool ended = false;
    bool finished = false;
    while (!ended) {
        const long chunk = frames - done < 1024 ? frames - done : 1024;
        if (chunk > 0) {
            float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(chunk));
            for (long i = 0; i < chunk; ++i) {
                const double t = static_cast<double>(done + i) / static_cast<double>(rate);
                buffer[0][i] = static_cast<float>(0.5 * std::sin(2 * pi * 441 * t));
                if (channels == 2) buffer[1][i] = static_cast<float>(0.5 * std::sin(2 * pi * 882 * t));
            }
            vorbis_analysis_wrote(&dsp, static_cast<int>(chunk));
            done += chunk;
        } else if (!finished) {
            vorbis_analysis_wrote(&dsp, 0);  // the end of the input
            finished = true;
        } else {
            break;  // everything is out
        }
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
                ogg_stream_packetin(&stream, &packet);
                if (!WritePages(out, stream, false, &ended)) return 1;
            }
        }
    }
    if (!WritePages(out, stream, true)) return 1;

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return std::fclose(out) == 0 ? 0 : 1;
}
