// Where the pages of samples begin in an Ogg file, after the pages of codec headers.
#pragma once

#include "platform/File.h"

#include <cstdint>
#include <optional>

namespace zarvo {

// The offset of the first page before `limit` whose granule position is not 0: pages of codec
// headers and tags carry 0, a page that holds samples another value. `limit` when no page
// before it does, or the bytes there are not pages. Nothing when a read fails; errno tells why.
std::optional<std::int64_t> FirstOggDataPage(const File& file, std::int64_t limit);

} // namespace zarvo
