// Names of video compression codes, keyed by the bitmap header's four-character code.
#include "codecs/CodecTable.h"
#include "codecs/FourCC.h"

#include <cstdint>

namespace zarvo {
namespace {

using Entry = detail::CodecEntry<std::uint32_t>;

constexpr std::array<Entry, 0> kVideoCodecs{};

static_assert(detail::IsSortedAndUnique(kVideoCodecs));

} // namespace

std::optional<std::string_view> FindVideoCodecName(std::uint32_t code) noexcept {
    return detail::FindInTable(kVideoCodecs, code);
}

} // namespace zarvo
