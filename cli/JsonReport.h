// The --json form of a file's report: one JSON object on one line, for scripts.
#pragma once

#include "report/FileReport.h"

#include <string>
#include <string_view>

namespace zarvo {

// The object of `report` for the file shown as `path`, ended by a line feed. With `asciiOnly`
// (a terminal), every character past ASCII is written as a \u escape, so that none acts on the
// terminal; otherwise text keeps its UTF-8 bytes.
std::string JsonLine(std::string_view path, const FileReport& report, bool asciiOnly);

// `bytes` in base64 with padding, as RFC 4648 writes it.
std::string Base64(std::string_view bytes);

} // namespace zarvo
