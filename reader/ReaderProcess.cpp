// Starting, watching, killing and reaping one reader process.
#include "reader/ReaderProcess.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>

extern char** environ;

namespace zarvo {
namespace {

std::string SystemText(const char* what, int error) {
    return std::string(what) + ": " + std::strerror(error);
}

// Moves a descriptor above the ones the reader is given, so that giving it does not find it in
// its place already (where dup2 would leave it to be closed at exec).
UniqueFd AboveTheReaders(UniqueFd fd) {
    if (!fd.IsOpen() || fd.Get() > kReaderPageFd)
        return fd;
    return UniqueFd(::fcntl(fd.Get(), F_DUPFD_CLOEXEC, kReaderPageFd + 1));
}

// Owns the spawn attributes and file actions while they are set up.
struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
};

} // namespace

std::string FindReaderProgram() {
    char self[4096];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    std::string folder = ".";
    if (length > 0) {
        folder.assign(self, static_cast<std::size_t>(length));
        folder.erase(folder.find_last_of('/') == std::string::npos ? 0 : folder.find_last_of('/'));
    }
    const std::string built = folder + "/../reader/zarvo-reader";
    if (::access(built.c_str(), X_OK) == 0)
        return built;
    return folder + "/../libexec/zarvo/zarvo-reader";
}

ReaderProcess::~ReaderProcess() {
    const pid_t left = Kill();
    if (left > 0)
        Reaped(left);
    if (page_ != nullptr)
        ::munmap(page_, kActivityPageBytes);
}

std::string ReaderProcess::Start(const std::string& program,
                                 std::chrono::milliseconds sendTimeout) {
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0)
        return SystemText("socketpair", errno);
    UniqueFd mine(ends[0]);
    UniqueFd theirs = AboveTheReaders(UniqueFd(ends[1]));
    UniqueFd pageFd =
        AboveTheReaders(UniqueFd(::memfd_create("zarvo-reader-activity", MFD_CLOEXEC)));
    if (!theirs.IsOpen() || !pageFd.IsOpen())
        return SystemText("cannot make the reader's descriptors", errno);
    if (::ftruncate(pageFd.Get(), kActivityPageBytes) != 0)
        return SystemText("ftruncate", errno);
    void* page =
        ::mmap(nullptr, kActivityPageBytes, PROT_READ | PROT_WRITE, MAP_SHARED, pageFd.Get(), 0);
    if (page == MAP_FAILED)
        return SystemText("mmap", errno);
    page_ = new (page) ActivityPage();

    SpawnSetup setup;
    posix_spawn_file_actions_addopen(&setup.actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&setup.actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&setup.actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&setup.actions, theirs.Get(), kReaderChannelFd);
    posix_spawn_file_actions_adddup2(&setup.actions, pageFd.Get(), kReaderPageFd);
    // The front end's threads may block signals or ignore them; a reader starts with neither.
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&setup.attributes, &none);
    posix_spawnattr_setsigdefault(&setup.attributes, &all);
    posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    char name[] = "zarvo-reader";
    char* arguments[] = {name, nullptr};
    const int error = ::posix_spawn(&pid_, program.c_str(), &setup.actions, &setup.attributes,
                                    arguments, environ);
    if (error != 0) {
        pid_ = -1;
        return SystemText(program.c_str(), error);
    }
    clockKnown_ = ::clock_getcpuclockid(pid_, &clock_) == 0;
    const timeval timeout{static_cast<time_t>(sendTimeout.count() / 1000),
                          static_cast<suseconds_t>(sendTimeout.count() % 1000 * 1000)};
    ::setsockopt(mine.Get(), SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    channel_ = std::move(mine);
    return {};
}

std::int64_t ReaderProcess::LastAnswer() const noexcept {
    return page_ == nullptr ? 0 : page_->lastAnswer.load(std::memory_order_relaxed);
}

std::chrono::nanoseconds ReaderProcess::ProcessorTime() const noexcept {
    timespec used{};
    if (!clockKnown_ || ::clock_gettime(clock_, &used) != 0)
        return std::chrono::nanoseconds(0);
    return std::chrono::seconds(used.tv_sec) + std::chrono::nanoseconds(used.tv_nsec);
}

bool ReaderProcess::TryReap(int& status) noexcept {
    if (pid_ <= 0)
        return false;
    const pid_t got = ::waitpid(pid_, &status, WNOHANG);
    if (got != pid_)
        return false;
    pid_ = -1;
    return true;
}

pid_t ReaderProcess::Kill() noexcept {
    channel_ = UniqueFd();
    if (pid_ <= 0)
        return 0;
    ::kill(pid_, SIGKILL);
    const pid_t pid = std::exchange(pid_, -1);
    return Reaped(pid) ? 0 : pid;
}

bool ReaderProcess::Reaped(pid_t pid) noexcept {
    int status;
    const pid_t got = ::waitpid(pid, &status, WNOHANG);
    return got == pid || (got < 0 && errno == ECHILD);
}

} // namespace zarvo
