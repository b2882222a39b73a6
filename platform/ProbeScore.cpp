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

// True when `extension` is one of the comma-separated `list`.
bool ListsExtension(std::string_view list, std::string_view extension) {
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        if (list.substr(0, comma) == extension)
            return true;
        if (comma == std::string_view::npos)
            break;
        list.remove_prefix(comma + 1);
    }
    return false;
}

bool NameMatchesFormat(const AVInputFormat& format, std::string_view path) {
    const std::string extension = SplitPath(path).LowerExtension();
    if (extension.empty())
        return false;
    if (format.extensions != nullptr && ListsExtension(format.extensions, extension))
        return true;
    if (const Container* container = FindContainer(format.name))
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
