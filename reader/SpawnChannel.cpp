// Descriptors and process ids over the spawner's SOCK_SEQPACKET socket.
#include "reader/SpawnChannel.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <sys/socket.h>

namespace zarvo {
namespace {

constexpr char kSpawnRequest = 'S';
constexpr std::size_t kSpawnDescriptors = 2;

// A request's one byte and room for its descriptors, as sendmsg and recvmsg take them.
struct RequestMessage {
    char tag = 0;
    iovec part{&tag, 1};
    alignas(cmsghdr) char room[CMSG_SPACE(sizeof(int) * kSpawnDescriptors)] = {};
    msghdr header{};

    RequestMessage() {
        header.msg_iov = &part;
        header.msg_iovlen = 1;
        header.msg_control = room;
        header.msg_controllen = sizeof room;
    }
    RequestMessage(const RequestMessage&) = delete;
    RequestMessage& operator=(const RequestMessage&) = delete;
};

} // namespace

bool SendSpawnRequest(int control, int channel, int page) {
    RequestMessage request;
    request.tag = kSpawnRequest;
    cmsghdr* rights = CMSG_FIRSTHDR(&request.header);
    rights->cmsg_level = SOL_SOCKET;
    rights->cmsg_type = SCM_RIGHTS;
    rights->cmsg_len = CMSG_LEN(sizeof(int) * kSpawnDescriptors);
    const int fds[kSpawnDescriptors] = {channel, page};
    std::memcpy(CMSG_DATA(rights), fds, sizeof fds);
    ssize_t sent;
    do
        sent = ::sendmsg(control, &request.header, MSG_NOSIGNAL);
    while (sent < 0 && errno == EINTR);
    return sent == 1;
}

std::optional<std::pair<UniqueFd, UniqueFd>> ReceiveSpawnRequest(int control) {
    RequestMessage request;
    msghdr& header = request.header;
    ssize_t got;
    do
        got = ::recvmsg(control, &header, MSG_CMSG_CLOEXEC);
    while (got < 0 && errno == EINTR);
    if (got <= 0)
        return std::nullopt;
    UniqueFd fds[kSpawnDescriptors];
    std::size_t count = 0;
    for (cmsghdr* message = CMSG_FIRSTHDR(&header); message != nullptr;
         message = CMSG_NXTHDR(&header, message)) {
        if (message->cmsg_level != SOL_SOCKET || message->cmsg_type != SCM_RIGHTS)
            continue;
        const std::size_t held = (message->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        for (std::size_t i = 0; i < held; ++i) {
            int fd;
            std::memcpy(&fd, CMSG_DATA(message) + i * sizeof(int), sizeof fd);
            UniqueFd owned(fd);
            if (count < kSpawnDescriptors)
                fds[count++] = std::move(owned);
        }
    }
    if (request.tag != kSpawnRequest || count != kSpawnDescriptors ||
        (header.msg_flags & (MSG_TRUNC | MSG_CTRUNC)) != 0)
        return std::nullopt;
    return std::pair{std::move(fds[0]), std::move(fds[1])};
}

bool SendSpawnAnswer(int control, pid_t pid) {
    const std::int32_t id = pid;
    return ::send(control, &id, sizeof id, MSG_NOSIGNAL) == sizeof id;
}

std::optional<pid_t> ReceiveSpawnAnswer(int control) {
    std::int32_t id = 0;
    ssize_t got;
    do
        got = ::recv(control, &id, sizeof id, 0);
    while (got < 0 && errno == EINTR);
    if (got != sizeof id || id < 0)
        return std::nullopt;
    return static_cast<pid_t>(id);
}

} // namespace zarvo
