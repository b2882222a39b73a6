// What this program knows of each container: how files name it and what its headers store.
#pragma once

#include <initializer_list>
#include <string_view>

extern "C" {
struct AVInputFormat;
}

namespace zarvo {

struct Container {
    const char* demuxer;                         // the demuxer's name as libavformat gives it
    std::initializer_list<const char*> suffixes; // extensions that name it, lower case
    // Streams carry the bitmap-header code or wave format tag as the file stores it.
    bool storesRiffCodes;
    // The segment's duration in the header is what every stream without its own length shows,
    // and the full analysis leaves it as it is.
    bool segmentLength;
    // Its audio streams are described with the Ogg audio format type.
    bool oggAudio;
    // Each audio stream's wave format block is stored whole, average rate included, and that
    // rate is shown as stored, 0 included; elsewhere the block is ours, and a 0 in it made up.
    bool storesWaveFormat;
};

// The container that libavformat's demuxer `name` reads, or null for one this program has no
// particular knowledge of. Only a listed container's headers may spare the full analysis.
const Container* FindContainer(std::string_view demuxer);

// The demuxer that a file named `path` is opened with before its bytes are probed, or null. Only
// formats whose header reader checks the file's own signature are named, so a file with a wrong
// extension fails to open with it and is then probed as usual.
const AVInputFormat* FormatNamedByExtension(std::string_view path);

} // namespace zarvo
