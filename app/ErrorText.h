// The text of the message that reports an error which ended a command.
#pragma once

#include <string>

namespace zarvo {

// `message` with a "." appended when its last character sorts after "." (letters, digits and
// every non-ASCII byte do), so that a sentence-like message ends as a sentence.
std::string ErrorMessageText(std::string message);

} // namespace zarvo
