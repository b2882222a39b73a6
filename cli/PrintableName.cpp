// Escaping control characters in file names shown in messages.
#include "cli/PrintableName.h"

#include <cstdio>

namespace zarvo {

std::string PrintableName(std::string_view name) {
    std::string text;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            text += c;
            continue;
        }
        char escape[5];
        std::snprintf(escape, sizeof escape, "\\x%02X", byte);
        text += escape;
    }
    return text;
}

} // namespace zarvo
