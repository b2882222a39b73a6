// libzarvo_fault_shim: preloaded into zarvo-report, it makes the reads of one file slow, failing
// or changing under the reader, as storage and other programs can. It touches nothing else.
//
//   ZARVO_FAULT_FILE  the path, exactly as the program opens it; a file opened again through
//                     /proc/self/fd is matched as the same file
//   ZARVO_FAULT       one of:
//     slow=BYTES_PER_SECOND    every read takes as long as that rate gives its bytes
//     spinup=MILLISECONDS      the first read waits that long
//     stall=BYTES,MILLISECONDS the first read after BYTES waits that long
//     eio=BYTES                every read after BYTES fails with EIO
//     truncate=BYTES           after BYTES the file is cut to half its size
//     spin=0                   opening the file never returns: the thread works the processor
//                              without end and reads nothing, as a demuxer caught in a loop
//     nomem=N                  from the file's first opening on, every Nth allocation made by
//                              the thread that opened it fails, as when memory runs out
//     swap=0                   just before the first open(at) of a name that is the file's last
//                              component, the file (a path from the working folder) is moved
//                              aside and a symbolic link to ZARVO_FAULT_LINK put in its place,
//                              as another program racing the reader could
//     swap=1                   the same, just before the first open() of the file's path itself
//     crash=0                  the first read of the file dies of SIGSEGV, as a parser bug can
//     forbidden=0              the first read of the file first tries, one after the other, what
//                              code a hostile file took over would, recording nothing itself, and
//                              then reads on; each step is left out when its variable is not set:
//                                1 opens ZARVO_FAULT_WRITE for writing, creating it, and writes
//                                2 reads ZARVO_FAULT_SECRET and writes it to stdout and stderr
//                                3 connects to TCP port ZARVO_FAULT_PORT on 127.0.0.1 and sends
//                                4 forks a child that ends at once
//                                5 sends SIGUSR1 to its parent process (ZARVO_FAULT_SIGNAL=1)
//                                6 runs /usr/bin/touch ZARVO_FAULT_TOUCH in its own place
//     forbidden=STEP           only that step of the above
//     grab=MEBIBYTES           the first read of the file first allocates that much memory and
//                              writes to every page of it; the read fails with ENOMEM when the
//                              allocation does
//
// The truncate and swap faults stand for another program changing the file: a process the shim
// starts as it is loaded makes the change, so that it is made even from a process that has since
// given up the right to write.
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dlfcn.h>
#include <fcntl.h>
#include <linux/futex.h>
#include <netinet/in.h>
#include <new>
#include <string>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

struct Fault {
    char kind[16] = {};
    long long first = 0;
    long long second = 0;
};

const Fault& TheFault() {
    static const Fault fault = [] {
        Fault parsed;
        if (const char* text = std::getenv("ZARVO_FAULT"))
            std::sscanf(text, "%15[a-z]=%lld,%lld", parsed.kind, &parsed.first, &parsed.second);
        return parsed;
    }();
    return fault;
}

bool Is(const char* kind) {
    return std::strcmp(TheFault().kind, kind) == 0;
}

std::atomic<int> faultyFd{-1};
std::atomic<long long> delivered{0};
std::atomic<bool> stalled{false};

// Kept per thread, and read by the allocation functions without anything that may allocate.
__attribute__((tls_model("initial-exec"))) thread_local long long allocationPeriod = 0;
__attribute__((tls_model("initial-exec"))) thread_local long long allocations = 0;

bool AllocationFails() {
    return allocationPeriod > 0 && ++allocations % allocationPeriod == 0;
}

void SleepMilliseconds(long long milliseconds) {
    timespec pause{static_cast<time_t>(milliseconds / 1000), (milliseconds % 1000) * 1'000'000};
    while (::nanosleep(&pause, &pause) != 0 && errno == EINTR) {
    }
}

template <typename Function> Function Next(const char* name) {
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

// Whether `path` names the target: as given, or through a descriptor's name in /proc. The
// descriptor's file is compared with the target's by identity, which asks nothing of a process
// that may no longer resolve names.
bool IsTarget(const char* path, const char* target) {
    if (std::strcmp(path, target) == 0)
        return true;
    if (std::strncmp(path, "/proc/self/fd/", 14) != 0)
        return false;
    struct stat opened, wanted;
    return ::stat(path, &opened) == 0 && ::stat(target, &wanted) == 0 &&
           opened.st_dev == wanted.st_dev && opened.st_ino == wanted.st_ino;
}

// A change to the file, asked of the process that makes it through a page both share.
struct Change {
    enum State : uint32_t { kIdle, kAsked, kDone };
    std::atomic<uint32_t> state{kIdle};
    bool swap = false;  // else truncate
    long long size = 0; // what a truncation leaves
    bool failed = false;
};
static_assert(std::atomic<uint32_t>::is_always_lock_free);

Change* change = nullptr;

void Futex(std::atomic<uint32_t>& word, int operation, uint32_t value) {
    ::syscall(SYS_futex, reinterpret_cast<uint32_t*>(&word), operation, value, nullptr, nullptr, 0);
}

// Waits until `word` is no longer `value`.
void WaitWhile(std::atomic<uint32_t>& word, uint32_t value) {
    while (word.load() == value)
        Futex(word, FUTEX_WAIT, value);
}

bool Make(bool swap, long long size) {
    const char* target = std::getenv("ZARVO_FAULT_FILE");
    if (!swap)
        return ::truncate(target, size) == 0;
    return ::rename(target, (std::string(target) + ".moved").c_str()) == 0 &&
           ::symlink(std::getenv("ZARVO_FAULT_LINK"), target) == 0;
}

// Makes the change, through the changing process where there is one.
void MakeChange(bool swap, long long size) {
    if (change == nullptr) {
        if (!Make(swap, size))
            std::abort();
        return;
    }
    change->swap = swap;
    change->size = size;
    change->state = Change::kAsked;
    Futex(change->state, FUTEX_WAKE, 1);
    WaitWhile(change->state, Change::kAsked);
    if (change->failed)
        std::abort();
    change->state = Change::kIdle;
}

// Starts the process that makes changes for this one: holding none of its descriptors, ending
// with it.
__attribute__((constructor)) void StartChanger() {
    if (!Is("truncate") && !Is("swap"))
        return;
    void* page =
        ::mmap(nullptr, sizeof(Change), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (page == MAP_FAILED)
        return;
    // Made before the fork, so that the changer cannot reset a change already asked for.
    Change* shared = new (page) Change;
    const pid_t parent = ::getpid();
    const pid_t changer = ::fork();
    if (changer < 0)
        return;
    change = shared;
    if (changer > 0)
        return;
    ::close_range(0, ~0U, 0);
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent)
        ::_exit(0);
    // The parent's death signal may not reach it (a boxed parent may signal nothing outside its
    // box), so while it waits it also looks, once a second, whether its parent is gone.
    const auto waitWhile = [&](uint32_t value) {
        while (change->state.load() == value) {
            if (::getppid() != parent)
                ::_exit(0);
            timespec second{1, 0};
            ::syscall(SYS_futex, reinterpret_cast<uint32_t*>(&change->state), FUTEX_WAIT, value,
                      &second, nullptr, 0);
        }
    };
    for (;;) {
        waitWhile(Change::kIdle);
        if (change->state == Change::kAsked) {
            change->failed = !Make(change->swap, change->size);
            change->state = Change::kDone;
            Futex(change->state, FUTEX_WAKE, 1);
        }
        waitWhile(Change::kDone);
    }
}

// The swap fault: replaces the target by a link when `name`, given to open() when `byPath`, is
// its path, or else ends with its last component.
void SwapBefore(const char* name, bool byPath) {
    static std::atomic<bool> swapped{false};
    const char* target = std::getenv("ZARVO_FAULT_FILE");
    const char* link = std::getenv("ZARVO_FAULT_LINK");
    if (!Is("swap") || target == nullptr || link == nullptr)
        return;
    if (TheFault().first == 1) {
        if (!byPath || std::strcmp(name, target) != 0)
            return;
    } else {
        const char* slash = std::strrchr(name, '/');
        const char* last = std::strrchr(target, '/');
        if (std::strcmp(slash == nullptr ? name : slash + 1, last == nullptr ? target : last + 1))
            return;
    }
    if (swapped.exchange(true))
        return;
    MakeChange(true, 0);
}

// The crash fault: a write to a page that cannot be written, which the kernel answers with
// SIGSEGV as it does a parser's stray pointer.
void Crash() {
    void* page = ::mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    *static_cast<volatile char*>(page) = 1;
}

// Writes all of `text` to `fd`, as far as the descriptor takes it.
void WriteAll(int fd, const char* text, size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, text, size);
        if (written <= 0)
            return;
        text += written;
        size -= static_cast<size_t>(written);
    }
}

// The forbidden fault's steps; each is left out when what it needs is not set.
void TryForbidden(long long only) {
    const auto step = [only](long long number) { return only == 0 || only == number; };
    static const char kMessage[] = "written by a reader\n";
    if (const char* path = std::getenv("ZARVO_FAULT_WRITE"); path != nullptr && step(1)) {
        const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd >= 0) {
            WriteAll(fd, kMessage, sizeof kMessage - 1);
            ::close(fd);
        }
    }
    if (const char* path = std::getenv("ZARVO_FAULT_SECRET"); path != nullptr && step(2)) {
        const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
        char secret[4096];
        const ssize_t size = fd >= 0 ? ::read(fd, secret, sizeof secret) : -1;
        if (size > 0) {
            WriteAll(STDOUT_FILENO, secret, static_cast<size_t>(size));
            WriteAll(STDERR_FILENO, secret, static_cast<size_t>(size));
        }
        if (fd >= 0)
            ::close(fd);
    }
    if (const char* port = std::getenv("ZARVO_FAULT_PORT"); port != nullptr && step(3)) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(std::atoi(port)));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
            WriteAll(fd, kMessage, sizeof kMessage - 1);
        if (fd >= 0)
            ::close(fd);
    }
    if (step(4)) {
        if (const pid_t child = ::fork(); child == 0)
            ::_exit(0);
    }
    if (const char* signal = std::getenv("ZARVO_FAULT_SIGNAL"); signal != nullptr && step(5))
        ::kill(::getppid(), SIGUSR1);
    if (const char* path = std::getenv("ZARVO_FAULT_TOUCH"); path != nullptr && step(6)) {
        char program[] = "/usr/bin/touch";
        char* const arguments[] = {program, const_cast<char*>(path), nullptr};
        ::execv(program, arguments);
    }
}

// The grab fault: whether `mebibytes` could be allocated and written to.
bool Grab(long long mebibytes) {
    const size_t size = static_cast<size_t>(mebibytes) << 20;
    char* block = static_cast<char*>(std::malloc(size));
    if (block == nullptr)
        return false;
    for (size_t offset = 0; offset < size; offset += 4096)
        static_cast<volatile char*>(block)[offset] = 1;
    std::free(block);
    return true;
}

// Takes `fd` for the target's when `path` names it. A descriptor opened with O_PATH only names the
// file (as a sandbox does for the paths it allows) and cannot read it: it is no opening.
int Watch(const char* path, int flags, int fd) {
    const char* target = std::getenv("ZARVO_FAULT_FILE");
    if (fd >= 0 && (flags & O_PATH) == 0 && target != nullptr && IsTarget(path, target)) {
        faultyFd = fd;
        delivered = 0;
        // Only an opening that can read spins, not one that merely names the file (O_PATH), as
        // the reader's box does with each path it may read. The barrier keeps the loop in.
        while (Is("spin") && (::fcntl(fd, F_GETFL) & O_PATH) == 0)
            __asm__ volatile("" ::: "memory");
        if (Is("nomem"))
            allocationPeriod = TheFault().first;
    }
    return fd;
}

mode_t ModeOf(int flags, va_list arguments) {
    return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(arguments, mode_t)
                                                                      : 0;
}

} // namespace

extern "C" {

void* __libc_malloc(size_t size);
void* __libc_realloc(void* pointer, size_t size);
void* __libc_memalign(size_t alignment, size_t size);

void* malloc(size_t size) {
    if (AllocationFails()) {
        errno = ENOMEM;
        return nullptr;
    }
    return __libc_malloc(size);
}

void* realloc(void* pointer, size_t size) {
    if (AllocationFails()) {
        errno = ENOMEM;
        return nullptr;
    }
    return __libc_realloc(pointer, size);
}

int posix_memalign(void** pointer, size_t alignment, size_t size) {
    if (AllocationFails())
        return ENOMEM;
    void* block = __libc_memalign(alignment, size);
    if (block == nullptr)
        return ENOMEM;
    *pointer = block;
    return 0;
}

int open(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = ModeOf(flags, arguments);
    va_end(arguments);
    static const auto next = Next<int (*)(const char*, int, ...)>("open");
    SwapBefore(path, true);
    return Watch(path, flags, next(path, flags, mode));
}

int openat(int folder, const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = ModeOf(flags, arguments);
    va_end(arguments);
    static const auto next = Next<int (*)(int, const char*, int, ...)>("openat");
    SwapBefore(path, false);
    return Watch(path, flags, next(folder, path, flags, mode));
}

int open64(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = ModeOf(flags, arguments);
    va_end(arguments);
    static const auto next = Next<int (*)(const char*, int, ...)>("open64");
    SwapBefore(path, true);
    return Watch(path, flags, next(path, flags, mode));
}

ssize_t read(int fd, void* buffer, size_t size) {
    static const auto next = Next<ssize_t (*)(int, void*, size_t)>("read");
    if (fd != faultyFd)
        return next(fd, buffer, size);
    const Fault& fault = TheFault();
    static std::atomic<bool> firstRead{true};
    if (firstRead.exchange(false)) {
        if (Is("crash"))
            Crash();
        if (Is("forbidden"))
            TryForbidden(fault.first);
        if (Is("grab") && !Grab(fault.first)) {
            errno = ENOMEM;
            return -1;
        }
    }
    if (Is("spinup") && delivered == 0)
        SleepMilliseconds(fault.first);
    if (Is("stall") && delivered >= fault.first && !stalled.exchange(true))
        SleepMilliseconds(fault.second);
    if (Is("eio") && delivered >= fault.first) {
        errno = EIO;
        return -1;
    }
    if (Is("truncate") && delivered >= fault.first) {
        struct stat status;
        if (::fstat(fd, &status) == 0 && status.st_size > fault.first)
            MakeChange(false, status.st_size / 2);
    }
    const ssize_t count = next(fd, buffer, size);
    if (count > 0) {
        if (Is("slow") && fault.first > 0)
            SleepMilliseconds(count * 1000 / fault.first);
        delivered += count;
    }
    return count;
}

int close(int fd) {
    static const auto next = Next<int (*)(int)>("close");
    int expected = fd;
    faultyFd.compare_exchange_strong(expected, -1);
    return next(fd);
}

} // extern "C"
