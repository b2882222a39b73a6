// A constant table of {key, description} rows, sorted by key and searched by halving.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace zarvo::detail {

template <typename Key> struct CodecEntry {
    Key key;
    std::string_view text;
};

template <typename Key, std::size_t N>
constexpr bool IsSortedAndUnique(const std::array<CodecEntry<Key>, N>& table) {
    for (std::size_t i = 1; i < N; ++i)
        if (!(table[i - 1].key < table[i].key))
            return false;
    return true;
}

template <typename Key, std::size_t N>
constexpr std::optional<std::string_view> FindInTable(const std::array<CodecEntry<Key>, N>& table,
                                                      Key key) {
    const auto it = std::lower_bound(table.begin(), table.end(), key,
                                     [](const CodecEntry<Key>& e, Key k) { return e.key < k; });
    if (it == table.end() || it->key != key)
        return std::nullopt;
    return it->text;
}

} // namespace zarvo::detail
