// Tells media streams from the attachments and cover pictures that libavformat lists beside them.
#include "platform/ReportedStreams.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace zarvo {

bool IsMediaStream(const AVStream& stream) {
    return stream.codecpar->codec_type != AVMEDIA_TYPE_ATTACHMENT &&
           (stream.disposition & AV_DISPOSITION_ATTACHED_PIC) == 0;
}

unsigned MediaStreamCount(const AVFormatContext& context) {
    unsigned count = 0;
    for (unsigned i = 0; i < context.nb_streams; ++i)
        count += IsMediaStream(*context.streams[i]) ? 1u : 0u;
    return count;
}

} // namespace zarvo
