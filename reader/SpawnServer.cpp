// The spawner's loop. A new reader is made a child of the front end (CLONE_PARENT), not of the
// spawner, so that the front end watches, kills and reaps it as it would a reader it started
// itself, and hears its exit status.
#include "reader/SpawnServer.h"

#include "reader/ActivityPage.h"
#include "reader/SpawnChannel.h"

#include <csignal>
#include <fcntl.h>
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace zarvo {
namespace {

// A copy of this single-threaded process, as fork() makes, but with the front end as parent.
pid_t SpawnSibling() {
    return static_cast<pid_t>(
        ::syscall(SYS_clone, CLONE_PARENT | SIGCHLD, nullptr, nullptr, nullptr, nullptr));
}

// Puts the reader's descriptors in place, over the spawner's channel, and closes every other.
bool TakePlaces(UniqueFd channel, UniqueFd page) {
    // Moved above both places first, so that neither lands on the other's place before it moves.
    UniqueFd high[] = {UniqueFd(::fcntl(channel.Get(), F_DUPFD_CLOEXEC, kReaderPageFd + 1)),
                       UniqueFd(::fcntl(page.Get(), F_DUPFD_CLOEXEC, kReaderPageFd + 1))};
    if (!high[0].IsOpen() || !high[1].IsOpen())
        return false;
    if (::dup2(high[0].Get(), kReaderChannelFd) != kReaderChannelFd ||
        ::dup2(high[1].Get(), kReaderPageFd) != kReaderPageFd)
        return false;
    ::close_range(kReaderPageFd + 1, ~0U, 0);
    for (UniqueFd& fd : high)
        fd.Release();
    channel.Release();
    page.Release();
    return true;
}

} // namespace

bool ServeSpawnRequests() {
    const int control = kReaderChannelFd;
    const char ready = kSpawnerReady;
    if (::write(control, &ready, 1) != 1)
        return false;
    for (;;) {
        auto request = ReceiveSpawnRequest(control);
        if (!request)
            return false;
        const pid_t pid = SpawnSibling();
        if (pid == 0) {
            if (!TakePlaces(std::move(request->first), std::move(request->second)))
                ::_exit(2);
            return true;
        }
        if (!SendSpawnAnswer(control, pid < 0 ? 0 : pid))
            return false;
    }
}

} // namespace zarvo
