// The local path that a dropped file's address names.
#pragma once

#include <QUrl>
#include <optional>
#include <string>

namespace zarvo {

// The native path of a file on this machine named by `url`, byte for byte as the address holds
// it, so that names that are not valid UTF-8 survive; nothing for any other address.
std::optional<std::string> LocalFilePath(const QUrl& url);

} // namespace zarvo
