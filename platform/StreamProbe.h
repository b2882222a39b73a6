// Reads a media file's streams with libavformat into plain descriptions.
#pragma once

#include "platform/Guid.h"
#include "platform/HResult.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace zarvo {

struct ProbedStream {
    GUID majortype = GUID_NULL;
    GUID formattype = GUID_NULL;
    std::vector<std::uint8_t> format; // the format block, empty when the stream has none
    std::optional<double> length;     // seconds
    double frameRate = 0;             // frames per second; 0 for streams without pictures
    // A video stream's frames: the count its container states, else its rate times its length;
    // none where neither is known.
    std::optional<std::int64_t> frames;

    friend bool operator==(const ProbedStream&, const ProbedStream&) = default;
};

// How much of the file a probe reads.
enum class ProbeDepth {
    // Only what the report's fields need: for many containers the headers alone.
    Report,
    // libavformat's full analysis of the file's first packets, which decodes a few frames of every
    // stream. Slower; it is the yardstick the shorter probe is held to.
    Full,
};

// Keeps libavformat's messages about damaged files, which are no concern of the user, off the
// standard error; the outcome of a probe says all. It sets the library's one log level for the
// whole process, so each program's main calls it once, before any thread probes.
void SilenceMediaLibraryLog();

// Opens `path` as a plain local file (never as a URL or protocol), read-only, and describes its
// streams in file order. Fails for anything but a readable regular file holding media.
HRESULT ProbeMediaFile(std::string_view path, std::vector<ProbedStream>& streams,
                       ProbeDepth depth = ProbeDepth::Report);

} // namespace zarvo
