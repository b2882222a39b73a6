// Names of wave format tags, keyed by the 16-bit tag of the audio format block.
#include "codecs/CodecTable.h"
#include "codecs/FourCC.h"

#include <cstdint>

namespace zarvo {
namespace {

using Entry = detail::CodecEntry<std::uint16_t>;

constexpr std::array<Entry, 0> kAudioFormats{};

static_assert(detail::IsSortedAndUnique(kAudioFormats));

} // namespace

std::optional<std::string_view> FindAudioFormatName(std::uint16_t tag) noexcept {
    return detail::FindInTable(kAudioFormats, tag);
}

} // namespace zarvo
