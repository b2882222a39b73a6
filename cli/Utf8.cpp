// Decoding one UTF-8 character at a time, refusing every form the standard rules out.
#include "cli/Utf8.h"

namespace zarvo {

Utf8Char FirstUtf8Char(std::string_view text) {
    if (text.empty())
        return {};
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x80)
        return {lead, 1};
    std::size_t size = 0;
    char32_t point = 0;
    char32_t least = 0; // below this the same character has a shorter form
    if ((lead & 0xE0) == 0xC0) {
        size = 2;
        point = lead & 0x1Fu;
        least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        size = 3;
        point = lead & 0x0Fu;
        least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        size = 4;
        point = lead & 0x07u;
        least = 0x10000;
    } else {
        return {};
    }
    if (text.size() < size)
        return {};
    for (std::size_t i = 1; i < size; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80)
            return {};
        point = (point << 6) | (next & 0x3Fu);
    }
    if (point < least || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
        return {};
    return {point, size};
}

bool IsValidUtf8(std::string_view text) {
    while (!text.empty()) {
        const Utf8Char next = FirstUtf8Char(text);
        if (next.size == 0)
            return false;
        text.remove_prefix(next.size);
    }
    return true;
}

} // namespace zarvo
