// The one table of containers, and the demuxer a file's extension names.
#include "platform/Containers.h"

#include "platform/FilePath.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <array>
#include <string>

namespace zarvo {
namespace {

// clang-format off
const std::array<Container, 7> kContainers{{
    // demuxer                    suffixes                                       riff   segment ogg   wave
    {"asf",                       {"asf", "wma", "wmv"},                         true,  false,  false, true },
    {"avi",                       {"avi"},                                       true,  false,  false, true },
    {"matroska,webm",             {"mk3d", "mka", "mkv", "webm"},                true,  true,   false, false},
    {"mov,mp4,m4a,3gp,3g2,mj2",   {"3g2", "3gp", "m4a", "m4v", "mov", "mp4"},    false, false,  false, false},
    {"ogg",                       {"oga", "ogg", "ogm", "ogv", "opus", "spx"},   true,  false,  true,  false},
    {"w64",                       {"w64"},                                       true,  false,  false, true },
    {"wav",                       {"wav"},                                       true,  false,  false, true },
}};
// clang-format on

} // namespace

const Container* FindContainer(std::string_view demuxer) {
    for (const Container& container : kContainers)
        if (demuxer == container.demuxer)
            return &container;
    return nullptr;
}

const AVInputFormat* FormatNamedByExtension(std::string_view path) {
    // Looked up once: the demuxer list does not change while the program runs.
    static const std::array<const AVInputFormat*, kContainers.size()> demuxers = [] {
        std::array<const AVInputFormat*, kContainers.size()> found{};
        for (std::size_t i = 0; i < kContainers.size(); ++i) {
            const std::string_view name = kContainers[i].demuxer;
            found[i] = av_find_input_format(std::string(name.substr(0, name.find(','))).c_str());
        }
        return found;
    }();
    const std::string extension = SplitPath(path).LowerExtension();
    if (extension.empty())
        return nullptr;
    for (std::size_t i = 0; i < kContainers.size(); ++i)
        for (const char* suffix : kContainers[i].suffixes)
            if (extension == suffix)
                return demuxers[i];
    return nullptr;
}

} // namespace zarvo
