// Pieces of native file paths, and the local path that a dropped file's address names.
#pragma once

#include <QUrl>
#include <optional>
#include <string>

namespace zarvo {

// The text from the last "." after the last "/" to the end, dot included; empty when the file
// name part has no dot.
std::string ExtensionOf(const std::string& path);

// Everything up to and including the last "/"; empty when the path has none.
std::string DirectoryPartOf(const std::string& path);

// The native path of a file on this machine named by `url`, byte for byte as the address holds
// it, so that names that are not valid UTF-8 survive; nothing for any other address.
std::optional<std::string> LocalFilePath(const QUrl& url);

} // namespace zarvo
