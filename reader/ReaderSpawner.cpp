// Starting the spawner, asking it for readers and checking what it answers.
#include "reader/ReaderSpawner.h"

#include "reader/ReaderProcess.h"
#include "reader/SpawnChannel.h"

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>

namespace zarvo {
namespace {

// How long the spawner may take to load the media library: as long as a stalled read may.
constexpr std::chrono::milliseconds kLoadWait{10'000};

// Whether `fd` has something to read within `wait`.
bool Answered(int fd, std::chrono::milliseconds wait) {
    pollfd watched{fd, POLLIN, 0};
    int ready;
    do
        ready = ::poll(&watched, 1, static_cast<int>(wait.count()));
    while (ready < 0 && errno == EINTR);
    return ready == 1;
}

} // namespace

ReaderSpawner::ReaderSpawner(const std::string& program) noexcept {
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0)
        return;
    UniqueFd mine(ends[0]);
    UniqueFd theirs = AboveTheReaders(UniqueFd(ends[1]));
    if (!theirs.IsOpen())
        return;
    std::string problem;
    pid_ = StartReaderProgram(program, "--spawner", theirs.Get(), -1, problem);
    if (pid_ > 0)
        control_ = std::move(mine);
    started_ = std::chrono::steady_clock::now();
}

ReaderSpawner::~ReaderSpawner() {
    Failed();
}

pid_t ReaderSpawner::Failed() noexcept {
    control_ = UniqueFd();
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ReaderProcess::Reaped(pid_);
        pid_ = -1;
    }
    return -1;
}

bool ReaderSpawner::Ready() noexcept {
    if (ready_ || !control_.IsOpen())
        return ready_;
    if (!Answered(control_.Get(), std::chrono::milliseconds(0))) {
        if (std::chrono::steady_clock::now() - started_ > kLoadWait)
            Failed();
        return false;
    }
    char ready = 0;
    if (::recv(control_.Get(), &ready, 1, MSG_DONTWAIT) != 1 || ready != kSpawnerReady)
        return Failed() > 0;
    ready_ = true;
    return true;
}

bool ReaderSpawner::Ask(int channel, int page) noexcept {
    if (!Ready() || asked_)
        return false;
    if (!SendSpawnRequest(control_.Get(), channel, page))
        return Failed() > 0;
    asked_ = true;
    return true;
}

pid_t ReaderSpawner::Answer(std::chrono::milliseconds wait) noexcept {
    if (!std::exchange(asked_, false) || !Answered(control_.Get(), wait))
        return Failed();
    const std::optional<pid_t> pid = ReceiveSpawnAnswer(control_.Get());
    if (!pid || *pid == 0)
        return Failed();
    // Only a child of this process is taken for a reader: it can be killed and reaped, and
    // no other process is mistaken for one.
    siginfo_t info{};
    if (::waitid(P_PID, static_cast<id_t>(*pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0)
        return Failed();
    return *pid;
}

} // namespace zarvo
