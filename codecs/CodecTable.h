// A constant table of {key, description} rows, sorted by key and searched by halving.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string_view>

namespace zarvo::detail {

template <typename Key> struct CodecEntry {
    Key key;
    std::string_view text;
};

// Whether the keys, seen through `order`, strictly increase from row to row.
template <typename Key, std::size_t N, typename Order = std::identity>
constexpr bool IsSortedAndUnique(const std::array<CodecEntry<Key>, N>& table, Order order = {}) {
    for (std::size_t i = 1; i < N; ++i)
        if (!(order(table[i - 1].key) < order(table[i].key)))
            return false;
    return true;
}

// The rows in the order of their keys, as FindInTable halves them. Run at compile time, so the
// rows can be written in whatever order reads best.
template <typename Key, std::size_t N>
constexpr std::array<CodecEntry<Key>, N> SortedByKey(std::array<CodecEntry<Key>, N> table) {
    std::sort(table.begin(), table.end(),
              [](const CodecEntry<Key>& a, const CodecEntry<Key>& b) { return a.key < b.key; });
    return table;
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
