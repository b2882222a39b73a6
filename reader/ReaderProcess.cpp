// Starting, watching, killing and reaping one reader process.
#include "reader/ReaderProcess.h"

#include "reader/ReaderSpawner.h"

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

UniqueFd AboveTheReaders(UniqueFd fd) {
    if (!fd.IsOpen() || fd.Get() > kReaderPageFd)
        return fd;
    return UniqueFd(::fcntl(fd.Get(), F_DUPFD_CLOEXEC, kReaderPageFd + 1));
}

std::string ProgramFolder() {
    char self[4096];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    std::string folder = ".";
    if (length > 0) {
        folder.assign(self, static_cast<std::size_t>(length));
        folder.erase(folder.find_last_of('/') == std::string::npos ? 0 : folder.find_last_of('/'));
    }
    return folder;
}

std::string FindReaderProgram() {
    const std::string folder = ProgramFolder();
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

pid_t StartReaderProgram(const std::string& program, const char* role, int channel, int page,
                         std::string& problem) {
    SpawnSetup setup;
    posix_spawn_file_actions_addopen(&setup.actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&setup.actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&setup.actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&setup.actions, channel, kReaderChannelFd);
    if (page >= 0)
        posix_spawn_file_actions_adddup2(&setup.actions, page, kReaderPageFd);
    // The front end's threads may block signals or ignore them; a reader starts with neither.
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&setup.attributes, &none);
    posix_spawnattr_setsigdefault(&setup.attributes, &all);
    posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    std::string name = "zarvo-reader";
    std::string roleText = role != nullptr ? role : "";
    char* arguments[] = {name.data(), role != nullptr ? roleText.data() : nullptr, nullptr};
    pid_t pid = -1;
    const int error =
        ::posix_spawn(&pid, program.c_str(), &setup.actions, &setup.attributes, arguments, environ);
    if (error != 0) {
        problem = SystemText(program.c_str(), error);
        return -1;
    }
    return pid;
}

std::string ReaderProcess::Start(const std::string& program, std::chrono::milliseconds sendTimeout,
                                 ReaderSpawner* spawner) {
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

    if (spawner != nullptr && spawner->Ask(theirs.Get(), pageFd.Get())) {
        // Its id is taken when first needed, so that what is sent meanwhile waits for it.
        spawner_ = spawner;
        program_ = program;
        theirs_ = std::move(theirs);
        pageFd_ = std::move(pageFd);
    } else {
        std::string problem;
        pid_ = StartReaderProgram(program, nullptr, theirs.Get(), pageFd.Get(), problem);
        if (pid_ < 0)
            return problem;
        clockKnown_ = ::clock_getcpuclockid(pid_, &clock_) == 0;
    }
    sendTimeout_ = sendTimeout;
    const timeval timeout{static_cast<time_t>(sendTimeout.count() / 1000),
                          static_cast<suseconds_t>(sendTimeout.count() % 1000 * 1000)};
    ::setsockopt(mine.Get(), SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    channel_ = std::move(mine);
    return {};
}

void ReaderProcess::Settle() noexcept {
    if (spawner_ == nullptr)
        return;
    pid_ = std::exchange(spawner_, nullptr)->Answer(sendTimeout_);
    // A reader the spawner failed to start is started as a program, and reads what was sent.
    if (pid_ < 0) {
        std::string problem;
        pid_ = StartReaderProgram(program_, nullptr, theirs_.Get(), pageFd_.Get(), problem);
    }
    theirs_ = UniqueFd();
    pageFd_ = UniqueFd();
    clockKnown_ = pid_ > 0 && ::clock_getcpuclockid(pid_, &clock_) == 0;
}

std::int64_t ReaderProcess::LastAnswer() const noexcept {
    return page_ == nullptr ? 0 : page_->lastAnswer.load(std::memory_order_relaxed);
}

bool ReaderProcess::AllocationFailed() const noexcept {
    return page_ != nullptr && page_->allocationFailed.load(std::memory_order_relaxed) != 0;
}

std::chrono::nanoseconds ReaderProcess::ProcessorTime() noexcept {
    Settle();
    timespec used{};
    if (!clockKnown_ || ::clock_gettime(clock_, &used) != 0)
        return std::chrono::nanoseconds(0);
    return std::chrono::seconds(used.tv_sec) + std::chrono::nanoseconds(used.tv_nsec);
}

bool ReaderProcess::TryReap(int& status) noexcept {
    Settle();
    if (pid_ <= 0)
        return false;
    const pid_t got = ::waitpid(pid_, &status, WNOHANG);
    if (got != pid_)
        return false;
    pid_ = -1;
    return true;
}

pid_t ReaderProcess::Kill() noexcept {
    Settle();
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
