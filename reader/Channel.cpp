// Fragmented messages over a sequenced-packet socket.
#include "reader/Channel.h"

#include <algorithm>
#include <cerrno>
#include <sys/socket.h>
#include <utility>
#include <vector>

namespace zarvo {
namespace {

constexpr char kLast = 0;
constexpr char kMore = 1;

} // namespace

bool SendMessage(int fd, std::string_view message) {
    std::string fragment;
    do {
        const std::size_t size = std::min(message.size(), kFragmentBytes - 1);
        fragment.assign(1, size == message.size() ? kLast : kMore);
        fragment.append(message.substr(0, size));
        message.remove_prefix(size);
        ssize_t sent;
        do
            sent = ::send(fd, fragment.data(), fragment.size(), MSG_NOSIGNAL);
        while (sent < 0 && errno == EINTR);
        if (sent != static_cast<ssize_t>(fragment.size()))
            return false;
    } while (!message.empty());
    return true;
}

MessageAssembler::Result MessageAssembler::Add(std::string_view fragment, bool truncated) {
    if (complete_) {
        message_.clear();
        complete_ = false;
    }
    if (truncated || fragment.empty() || fragment.size() > kFragmentBytes ||
        (fragment[0] != kLast && fragment[0] != kMore) ||
        fragment.size() - 1 > maxBytes_ - message_.size())
        return Result::Malformed;
    message_.append(fragment.substr(1));
    if (fragment[0] == kMore)
        return Result::More;
    complete_ = true;
    return Result::Complete;
}

std::string MessageAssembler::Take() {
    complete_ = false;
    return std::exchange(message_, {});
}

long ReceiveFragment(int fd, char* buffer, std::size_t size, bool& truncated) {
    iovec part{buffer, size};
    msghdr header{};
    header.msg_iov = &part;
    header.msg_iovlen = 1;
    ssize_t got;
    do
        got = ::recvmsg(fd, &header, MSG_DONTWAIT | MSG_CMSG_CLOEXEC);
    while (got < 0 && errno == EINTR);
    truncated = (header.msg_flags & (MSG_TRUNC | MSG_CTRUNC)) != 0;
    return static_cast<long>(got);
}

std::optional<std::string> ReceiveMessage(int fd, std::size_t maxBytes) {
    MessageAssembler assembler(maxBytes);
    // The reader waits for message after message: one buffer serves them all.
    thread_local std::vector<char> buffer(kFragmentBytes + 1);
    for (;;) {
        iovec part{buffer.data(), buffer.size()};
        msghdr header{};
        header.msg_iov = &part;
        header.msg_iovlen = 1;
        ssize_t got;
        do
            got = ::recvmsg(fd, &header, MSG_CMSG_CLOEXEC);
        while (got < 0 && errno == EINTR);
        if (got <= 0)
            return std::nullopt;
        const bool truncated = (header.msg_flags & (MSG_TRUNC | MSG_CTRUNC)) != 0;
        switch (assembler.Add({buffer.data(), static_cast<std::size_t>(got)}, truncated)) {
        case MessageAssembler::Result::More:
            continue;
        case MessageAssembler::Result::Complete:
            return assembler.Take();
        case MessageAssembler::Result::Malformed:
            return std::nullopt;
        }
    }
}

} // namespace zarvo
