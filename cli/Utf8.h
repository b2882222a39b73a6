// Reading UTF-8 as the standard defines it, for names that may hold any bytes.
#pragma once

#include <cstddef>
#include <string_view>

namespace zarvo {

struct Utf8Char {
    char32_t point = 0;
    std::size_t size = 0; // 0 when the bytes begin no well-formed character
};

// The character at the start of `text`. Overlong forms, surrogates and values past U+10FFFF are
// not well-formed.
Utf8Char FirstUtf8Char(std::string_view text);

bool IsValidUtf8(std::string_view text);

} // namespace zarvo
