// The probe's score against the file's name: a weak score counts only where the name agrees.
#include "platform/ProbeScore.h"

#include "platform/Containers.h"
#include "platform/FilePath.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <string>

namespace zarvo {
namespace {

bool NameMatchesFormat(const AVInputFormat& format, std::string_view path) {
    if (format.extensions != nullptr && av_match_ext(std::string(path).c_str(), format.extensions))
        return true;
    const Container* container = FindContainer(format.name);
    if (container == nullptr)
        return false;
    const std::string extension = SplitPath(path).LowerExtension();
    for (const char* suffix : container->suffixes)
        if (extension == suffix)
            return true;
    return false;
}

} // namespace

bool FormatIsAGuess(const AVFormatContext& context, std::string_view path) {
    return context.probe_score <= AVPROBE_SCORE_RETRY && !NameMatchesFormat(*context.iformat, path);
}

} // namespace zarvo
