// Reads the codec headers of a clip's streams with libavformat.
#include "fuzz/CodecHeaders.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace zarvo::fuzz {

std::vector<std::string> CodecHeadersOf(const std::filesystem::path& clip, AVCodecID codec) {
    std::vector<std::string> headers;
    AVFormatContext* context = nullptr;
    if (avformat_open_input(&context, clip.c_str(), nullptr, nullptr) < 0)
        return headers;
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVCodecParameters& stream = *context->streams[i]->codecpar;
        if (stream.codec_id == codec && stream.extradata_size > 0)
            headers.emplace_back(reinterpret_cast<const char*>(stream.extradata),
                                 static_cast<std::size_t>(stream.extradata_size));
    }
    avformat_close_input(&context);
    return headers;
}

} // namespace zarvo::fuzz
