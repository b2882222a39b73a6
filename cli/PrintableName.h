// A file name made fit for one line of a message.
#pragma once

#include <string>
#include <string_view>

namespace zarvo {

// `name` with every character a terminal would act on written as \xHH, byte by byte, so that a
// message about it stays one line and shows the name in the order of its bytes: C0 controls and
// DEL, C1 controls (raw bytes 0x80-0x9F outside a UTF-8 character, and U+0080-U+009F), and the
// bidirectional controls U+202A-U+202E and U+2066-U+2069.
std::string PrintableName(std::string_view name);

} // namespace zarvo
