// Escaping the characters of file names that a terminal would act on instead of showing.
#include "cli/PrintableName.h"

#include "cli/Utf8.h"

#include <cstdio>

namespace zarvo {
namespace {

void AppendEscaped(std::string& text, std::string_view bytes) {
    for (const char c : bytes) {
        char escape[5];
        std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned char>(c));
        text += escape;
    }
}

// C1 controls (U+009B is read as CSI by some terminals) and the bidirectional embeddings,
// overrides and isolates, which show the rest of a line in another order than its bytes.
bool IsActedOn(char32_t point) {
    return (point >= 0x80 && point <= 0x9F) || (point >= 0x202A && point <= 0x202E) ||
           (point >= 0x2066 && point <= 0x2069);
}

} // namespace

std::string PrintableName(std::string_view name) {
    std::string text;
    while (!name.empty()) {
        const auto byte = static_cast<unsigned char>(name[0]);
        const Utf8Char next = FirstUtf8Char(name);
        std::size_t size = next.size;
        bool escaped = false;
        if (size == 0) {
            // A byte of no character: a raw C1 control in 8-bit terminals, shown as is otherwise.
            size = 1;
            escaped = byte >= 0x80 && byte <= 0x9F;
        } else {
            escaped = next.point < 0x20 || next.point == 0x7F || IsActedOn(next.point);
        }
        if (escaped)
            AppendEscaped(text, name.substr(0, size));
        else
            text += name.substr(0, size);
        name.remove_prefix(size);
    }
    return text;
}

} // namespace zarvo
