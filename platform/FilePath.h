// Splits a native path into its folder, its name and the name's extension.
#pragma once

#include <cctype>
#include <string>
#include <string_view>

namespace zarvo {

// Views into the path that SplitPath was given. Only "/" separates folders: ":" and "\" are
// ordinary characters in a name on this platform.
struct PathParts {
    std::string_view folder;    // up to and with the last "/"; empty when there is none
    std::string_view name;      // after the last "/"
    std::string_view extension; // from the name's last "." on, with the dot; empty without one

    // The extension without its dot, in lower case.
    std::string LowerExtension() const {
        std::string lower(extension.empty() ? extension : extension.substr(1));
        for (char& c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return lower;
    }
};

inline PathParts SplitPath(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    PathParts parts{path.substr(0, nameStart), path.substr(nameStart), {}};
    const std::size_t dot = parts.name.rfind('.');
    if (dot != std::string_view::npos)
        parts.extension = parts.name.substr(dot);
    return parts;
}

} // namespace zarvo
