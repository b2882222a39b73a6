// The list was found by running the report builder over the test clips and both corpora (548
// files, each read by name and through a descriptor) under a trapping filter, and the readers of
// zarvo-report over both corpora under strace. It holds what those runs asked for, what the
// folder walk uses (listing, duplicating and marking a folder's descriptor), what glibc needs to
// grow or shrink memory, sleep, abort and start or end a thread, and what the sanitizers' runtime
// does itself (its alternate signal stack, its opening of /proc/self/maps, its reports on standard
// error in the build that has it). No report of the corpora starts a thread, but a decoder may,
// and a thread gains nothing outside the box: refusing it would only turn such a file into a
// refusal. Arguments are checked where a call can do more than a reader needs: files open
// read-only, memory is never made executable, writes go to the channel only, a new task is a
// thread of this process, signals stay inside it.
#include "reader/Seccomp.h"

#include "reader/Sanitizer.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <initializer_list>
#include <sched.h>
#include <seccomp.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace zarvo::reader {

namespace {

// Owns a libseccomp filter context.
class Filter {
public:
    explicit Filter(std::uint32_t otherwise) noexcept : context_(::seccomp_init(otherwise)) {}
    Filter(const Filter&) = delete;
    Filter& operator=(const Filter&) = delete;
    ~Filter() {
        if (context_ != nullptr)
            ::seccomp_release(context_);
    }
    scmp_filter_ctx Get() const noexcept { return context_; }

private:
    scmp_filter_ctx context_;
};

// Calls a reader needs with any arguments: reading, seeking, the status of files, listing
// folders, closing, memory, waiting, time, its own identity, signal handling, a thread's start
// and end, ending.
constexpr int kPlainCalls[] = {
    SCMP_SYS(read),
    SCMP_SYS(pread64),
    SCMP_SYS(readv),
    SCMP_SYS(lseek),
    SCMP_SYS(fstat),
    SCMP_SYS(newfstatat),
    SCMP_SYS(statx),
    SCMP_SYS(getdents64),
    SCMP_SYS(dup),
    SCMP_SYS(close),
    SCMP_SYS(munmap),
    SCMP_SYS(mremap),
    SCMP_SYS(brk),
    SCMP_SYS(madvise),
    SCMP_SYS(futex),
    SCMP_SYS(clock_gettime),
    SCMP_SYS(clock_nanosleep),
    SCMP_SYS(nanosleep),
    SCMP_SYS(getrusage),
    SCMP_SYS(sched_yield),
    SCMP_SYS(getpid),
    SCMP_SYS(gettid),
    SCMP_SYS(rt_sigreturn),
    SCMP_SYS(rt_sigprocmask),
    SCMP_SYS(rt_sigaction),
    SCMP_SYS(sigaltstack),
    SCMP_SYS(restart_syscall),
    SCMP_SYS(set_robust_list),
    SCMP_SYS(rseq),
    SCMP_SYS(exit),
    SCMP_SYS(exit_group),
};

// Calls only a taken-over reader makes: the process ends at once.
constexpr int kFatalCalls[] = {
    SCMP_SYS(execve), SCMP_SYS(execveat), SCMP_SYS(fork),    SCMP_SYS(vfork),
    SCMP_SYS(ptrace), SCMP_SYS(socket),   SCMP_SYS(connect), SCMP_SYS(bind),
    SCMP_SYS(listen), SCMP_SYS(accept),   SCMP_SYS(accept4), SCMP_SYS(tkill),
};

// Any access but reading, and creating, truncating or appending. O_TMPFILE carries O_DIRECTORY,
// which opening a folder to list it needs: only its own bit is refused.
constexpr scmp_datum_t kNotReadOnly =
    O_ACCMODE | O_CREAT | O_TRUNC | O_APPEND | (O_TMPFILE & ~O_DIRECTORY);

} // namespace

bool SeccompAvailable() noexcept {
    // PR_GET_SECCOMP answers 0 in a process that is not filtered yet and fails where the kernel
    // was built without seccomp; filters need the newer mode, which every kernel with the call
    // has had since 3.5.
    return ::prctl(PR_GET_SECCOMP, 0, 0, 0, 0) >= 0 && ::seccomp_api_get() >= 3;
}

std::string InstallAllowList(int channelFd, std::uint32_t otherwise) {
    const Filter filter(otherwise);
    if (filter.Get() == nullptr)
        return "cannot create the seccomp filter";
    const scmp_filter_ctx context = filter.Get();
    const auto channel = static_cast<scmp_datum_t>(channelFd);
    const auto self = static_cast<scmp_datum_t>(::getpid());
    const scmp_datum_t thread = CLONE_THREAD;
    int failures = 0;
    const auto add = [&](std::uint32_t action, int call, std::initializer_list<scmp_arg_cmp> on) {
        if (::seccomp_rule_add_array(context, action, call, static_cast<unsigned>(on.size()),
                                     on.begin()) != 0)
            ++failures;
    };
    for (const int call : kPlainCalls)
        add(SCMP_ACT_ALLOW, call, {});
    for (const int call : kFatalCalls)
        add(SCMP_ACT_KILL_PROCESS, call, {});

    add(SCMP_ACT_ALLOW, SCMP_SYS(openat), {SCMP_A2(SCMP_CMP_MASKED_EQ, kNotReadOnly, 0)});
    // glibc opens through openat; the sanitizers' runtime calls open itself.
    add(SCMP_ACT_ALLOW, SCMP_SYS(open), {SCMP_A1(SCMP_CMP_MASKED_EQ, kNotReadOnly, 0)});
    add(SCMP_ACT_ALLOW, SCMP_SYS(mmap), {SCMP_A2(SCMP_CMP_MASKED_EQ, PROT_EXEC, 0)});
    add(SCMP_ACT_ALLOW, SCMP_SYS(mprotect), {SCMP_A2(SCMP_CMP_MASKED_EQ, PROT_EXEC, 0)});
    for (const int call : {SCMP_SYS(write), SCMP_SYS(writev), SCMP_SYS(sendmsg), SCMP_SYS(sendto),
                           SCMP_SYS(recvmsg), SCMP_SYS(recvfrom)})
        add(SCMP_ACT_ALLOW, call, {SCMP_A0(SCMP_CMP_EQ, channel)});
#ifdef ZARVO_ADDRESS_SANITIZER
    // The sanitizers' reports, in the build that has them, go to standard error, and their
    // runtime tells readable memory by writing it into a pipe of its own (as the check of an
    // object's dynamic type does).
    add(SCMP_ACT_ALLOW, SCMP_SYS(write), {SCMP_A0(SCMP_CMP_EQ, STDERR_FILENO)});
    add(SCMP_ACT_ALLOW, SCMP_SYS(write), {SCMP_A0(SCMP_CMP_GT, channel)});
    add(SCMP_ACT_ALLOW, SCMP_SYS(pipe), {});
    add(SCMP_ACT_ALLOW, SCMP_SYS(pipe2), {});
#endif
    for (const int option : {PR_SET_NAME, PR_GET_NAME})
        add(SCMP_ACT_ALLOW, SCMP_SYS(prctl),
            {SCMP_A0(SCMP_CMP_EQ, static_cast<scmp_datum_t>(option))});
    for (const int command : {F_GETFD, F_SETFD, F_GETFL}) // fdopendir sets FD_CLOEXEC
        add(SCMP_ACT_ALLOW, SCMP_SYS(fcntl),
            {SCMP_A1(SCMP_CMP_EQ, static_cast<scmp_datum_t>(command))});

    // A thread of this process, and nothing else; glibc goes back to clone when clone3, whose
    // flags a filter cannot see, is not there.
    add(SCMP_ACT_ALLOW, SCMP_SYS(clone), {SCMP_A0(SCMP_CMP_MASKED_EQ, thread, thread)});
    add(SCMP_ACT_KILL_PROCESS, SCMP_SYS(clone), {SCMP_A0(SCMP_CMP_MASKED_EQ, thread, 0)});
    add(SCMP_ACT_ERRNO(ENOSYS), SCMP_SYS(clone3), {});
    // abort() and raise() signal this process; any other process is out of bounds.
    for (const int call : {SCMP_SYS(kill), SCMP_SYS(tgkill)}) {
        add(SCMP_ACT_ALLOW, call, {SCMP_A0(SCMP_CMP_EQ, self)});
        add(SCMP_ACT_KILL_PROCESS, call, {SCMP_A0(SCMP_CMP_NE, self)});
    }
    if (failures != 0)
        return "cannot build the seccomp filter";
    if (::seccomp_attr_set(context, SCMP_FLTATR_CTL_TSYNC, 1) != 0)
        return "cannot ask for the seccomp filter on every thread";
    if (const int error = ::seccomp_load(context); error != 0)
        return std::string("cannot load the seccomp filter (") + std::strerror(-error) + ")";
    return {};
}

} // namespace zarvo::reader
