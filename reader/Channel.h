// Messages over a SOCK_SEQPACKET socket: each message goes in fragments small enough for the
// socket's buffer, each fragment starting with a byte that says whether more follow.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zarvo {

inline constexpr std::size_t kFragmentBytes = 32 * 1024;

// Sends `message` whole; false with errno set when the socket fails (or, with a send timeout on
// the socket, when the other side takes nothing for that long).
bool SendMessage(int fd, std::string_view message);

// Puts fragments together into messages, refusing any that breaks the framing: a fragment with
// no header byte, an unknown header, one cut short, or a message over `maxBytes`.
class MessageAssembler {
public:
    explicit MessageAssembler(std::size_t maxBytes) : maxBytes_(maxBytes) {}

    enum class Result { More, Complete, Malformed };
    // `truncated`: the socket said the fragment was longer than the buffer it was read into.
    Result Add(std::string_view fragment, bool truncated);
    // The message that Add called Complete; the assembler starts on the next one.
    std::string Take();

private:
    const std::size_t maxBytes_;
    std::string message_;
    bool complete_ = false;
};

// Reads one fragment without blocking. Returns the fragment's size (0: the other side closed),
// -1 with errno EAGAIN when none is waiting, -1 with another errno on failure.
long ReceiveFragment(int fd, char* buffer, std::size_t size, bool& truncated);

// Waits for one whole message (the reader's side, which has nothing else to do); nothing when
// the socket closes or fails or the message is malformed.
std::optional<std::string> ReceiveMessage(int fd, std::size_t maxBytes);

} // namespace zarvo
