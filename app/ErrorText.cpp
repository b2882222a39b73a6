// The text of the message that reports an error which ended a command.
#include "app/ErrorText.h"

namespace zarvo {

std::string ErrorMessageText(std::string message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
        message += '.';
    return message;
}

} // namespace zarvo
