// The video compression code and wave format tag tables, searched by halving.
#include "codecs/FourCC.h"

#include <algorithm>
#include <array>

namespace zarvo {
namespace {

template <typename Key> struct Entry {
    Key key;
    std::string_view text;
};

template <typename Key, std::size_t N>
constexpr bool SortedAndUnique(const std::array<Entry<Key>, N>& table) {
    for (std::size_t i = 1; i < N; ++i)
        if (!(table[i - 1].key < table[i].key))
            return false;
    return true;
}

template <typename Key, std::size_t N>
std::optional<std::string_view> Find(const std::array<Entry<Key>, N>& table, Key key) {
    const auto it = std::lower_bound(table.begin(), table.end(), key,
                                     [](const Entry<Key>& e, Key k) { return e.key < k; });
    if (it == table.end() || it->key != key)
        return std::nullopt;
    return it->text;
}

constexpr std::array<Entry<std::uint32_t>, 0> kVideoCodecs{};
constexpr std::array<Entry<std::uint16_t>, 0> kAudioFormats{};

static_assert(SortedAndUnique(kVideoCodecs));
static_assert(SortedAndUnique(kAudioFormats));

} // namespace

std::optional<std::string_view> FindVideoCodecName(std::uint32_t code) noexcept {
    return Find(kVideoCodecs, code);
}

std::optional<std::string_view> FindAudioFormatName(std::uint16_t tag) noexcept {
    return Find(kAudioFormats, tag);
}

} // namespace zarvo
