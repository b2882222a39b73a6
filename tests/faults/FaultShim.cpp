// libzarvo_fault_shim: preloaded into zarvo-report, it makes the reads of one file slow, failing
// or changing under the reader, as storage and other programs can. It touches nothing else.
//
//   ZARVO_FAULT_FILE  the path, exactly as the program opens it; a file opened again through
//                     /proc/self/fd is matched by its absolute path, and, when the path is a
//                     folder's ending in "/", by any file beneath it
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
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dlfcn.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
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

// Whether `path` names the target: as given, or through a descriptor's name in /proc.
bool IsTarget(const char* path, const char* target) {
    if (std::strcmp(path, target) == 0)
        return true;
    if (std::strncmp(path, "/proc/self/fd/", 14) != 0)
        return false;
    char resolved[PATH_MAX];
    char wanted[PATH_MAX];
    const ssize_t length = ::readlink(path, resolved, sizeof resolved - 1);
    if (length < 0 || ::realpath(target, wanted) == nullptr)
        return false;
    resolved[length] = '\0';
    // A folder's path ending in "/" stands for every file beneath it.
    const size_t folder = std::strlen(wanted);
    if (target[0] != '\0' && target[std::strlen(target) - 1] == '/')
        return std::strncmp(resolved, wanted, folder) == 0 && resolved[folder] == '/';
    return std::strcmp(resolved, wanted) == 0;
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
    if (::rename(target, (std::string(target) + ".moved").c_str()) != 0 ||
        ::symlink(link, target) != 0)
        std::abort();
}

int Watch(const char* path, int fd) {
    const char* target = std::getenv("ZARVO_FAULT_FILE");
    if (fd >= 0 && target != nullptr && IsTarget(path, target)) {
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
    return Watch(path, next(path, flags, mode));
}

int openat(int folder, const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = ModeOf(flags, arguments);
    va_end(arguments);
    static const auto next = Next<int (*)(int, const char*, int, ...)>("openat");
    SwapBefore(path, false);
    return Watch(path, next(folder, path, flags, mode));
}

int open64(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = ModeOf(flags, arguments);
    va_end(arguments);
    static const auto next = Next<int (*)(const char*, int, ...)>("open64");
    SwapBefore(path, true);
    return Watch(path, next(path, flags, mode));
}

ssize_t read(int fd, void* buffer, size_t size) {
    static const auto next = Next<ssize_t (*)(int, void*, size_t)>("read");
    if (fd != faultyFd)
        return next(fd, buffer, size);
    const Fault& fault = TheFault();
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
            if (::truncate(std::getenv("ZARVO_FAULT_FILE"), status.st_size / 2) != 0)
                std::abort();
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
