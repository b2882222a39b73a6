// A file name made fit for one line of a message.
#pragma once

#include <string>
#include <string_view>

namespace zarvo {

// `name` with every control character written as \xHH, so a message about it stays one line.
std::string PrintableName(std::string_view name);

} // namespace zarvo
