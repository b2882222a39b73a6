// Walks an Ogg file's page headers from its start to the first page of samples.
#include "platform/OggPages.h"

#include <array>
#include <cstring>

namespace zarvo {
namespace {

// "OggS", version, flags, granule position (8), serial (4), sequence (4), checksum (4), count of
// segments; then the segments' lengths.
constexpr std::size_t kPageHeader = 27;
constexpr std::size_t kGranule = 6;
constexpr std::size_t kSegments = 26;

} // namespace

std::optional<std::int64_t> FirstOggDataPage(const File& file, std::int64_t limit) {
    std::array<std::uint8_t, kPageHeader + 255> header{};
    std::int64_t offset = 0;
    while (offset < limit) {
        const ssize_t count = file.ReadAt(header.data(), header.size(), offset);
        if (count < 0)
            return std::nullopt;
        const auto got = static_cast<std::size_t>(count);
        if (got < kPageHeader || std::memcmp(header.data(), "OggS", 4) != 0)
            return limit;
        const std::size_t segments = header[kSegments];
        if (got < kPageHeader + segments)
            return limit;
        std::uint64_t granule = 0;
        for (std::size_t i = 0; i < 8; ++i)
            granule |= std::uint64_t{header[kGranule + i]} << (8 * i);
        if (granule != 0)
            return offset;
        std::int64_t body = 0;
        for (std::size_t i = 0; i < segments; ++i)
            body += header[kPageHeader + i];
        offset += static_cast<std::int64_t>(kPageHeader + segments) + body;
    }
    return limit;
}

} // namespace zarvo
