// Entering the box, in the order the kernel needs: limits while they may still be set, no new
// privileges (which Landlock and an unprivileged seccomp filter require), Landlock, then the
// filter last, since building the others takes calls the filter does not allow.
#include "reader/Sandbox.h"

#include "reader/Landlock.h"
#include "reader/Limits.h"
#include "reader/Sanitizer.h"
#include "reader/Seccomp.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <seccomp.h>
#include <sys/prctl.h>

namespace zarvo::reader {

namespace {

// Whether this process is in the box: the leak check below cannot run there.
bool boxed = false;

std::string CapText(std::uint64_t bytes) {
    constexpr std::uint64_t kMebibyte = 1ULL << 20;
    if (bytes % (kMebibyte << 10) == 0)
        return std::to_string(bytes / (kMebibyte << 10)) + " GiB";
    return std::to_string(bytes / kMebibyte) + " MiB";
}

} // namespace

SandboxSupport KernelSandboxSupport() noexcept {
    return {LandlockAbi(), SeccompAvailable()};
}

std::uint64_t DefaultMemoryCap() noexcept {
#ifdef ZARVO_ADDRESS_SANITIZER
    return 0;
#endif
    // Over both corpora and the test clips (548 files), the reader's data, the libraries' own
    // included, stays under 48 MiB (under a cap of 32 MiB, 20 of them lose their report) and its
    // resident peak under 43 MiB. A gibibyte leaves room for streams far larger than those clips,
    // such as 4K or 8K video whose decoder holds a dozen full frames while the stream is probed,
    // and still stops a memory bomb long before the desktop swaps.
    return 1ULL << 30;
}

SandboxEntry EnterSandbox(const SandboxPolicy& policy) {
    SandboxEntry entry;
    if (entry.error = LimitResources(policy.memoryCap); !entry.error.empty())
        return entry;
    entry.inForce.memoryCap = policy.memoryCap;
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) {
        entry.error = std::string("cannot give up new privileges (") + std::strerror(errno) + ")";
        return entry;
    }
    entry.inForce.noNewPrivileges = true;
    // The local time zone, which the C library reads from /etc/localtime on first use, is read
    // while the file system is still open, so that a media library's dates come out as they would
    // outside the box.
    ::tzset();
    if (const int abi = LandlockAbi(); abi > 0) {
        if (entry.error = RestrictToReadingBeneath(policy.roots, policy.listable, abi);
            !entry.error.empty())
            return entry;
        entry.inForce.landlockAbi = abi;
    }
    if (entry.error = InstallAllowList(policy.channelFd, SCMP_ACT_ERRNO(EPERM));
        !entry.error.empty())
        return entry;
    entry.inForce.seccomp = true;
    boxed = true;
    return entry;
}

SandboxInForce ExpectedSandbox(const SandboxSupport& support, std::uint64_t memoryCap) noexcept {
    return {.noNewPrivileges = true,
            .seccomp = support.seccomp,
            .landlockAbi = support.landlockAbi,
            .memoryCap = memoryCap};
}

std::vector<std::string> ProtectionLines(const SandboxInForce& inForce) {
    std::vector<std::string> lines;
    lines.push_back(inForce.seccomp ? "Sandbox: seccomp allow-list of system calls"
                                    : "Sandbox: seccomp not available, so no file can be read");
    lines.push_back(inForce.landlockAbi > 0
                        ? "Sandbox: Landlock ABI " + std::to_string(inForce.landlockAbi) +
                              " (read-only beneath the named paths)"
                        : std::string("Sandbox: Landlock not available"));
    lines.push_back(inForce.memoryCap > 0 ? "Sandbox: memory cap " + CapText(inForce.memoryCap)
                                          : std::string("Sandbox: no memory cap"));
    if (inForce.noNewPrivileges)
        lines.push_back("Sandbox: no new privileges, no core files, no files written");
    return lines;
}

} // namespace zarvo::reader

// LeakSanitizer stops the process's threads with ptrace from a child task at exit, which the box
// forbids: in the sanitizer build a boxed process goes without the leak check rather than being
// killed at its end. Processes that never enter the box keep it.
extern "C" int __lsan_is_turned_off() {
    return zarvo::reader::boxed ? 1 : 0;
}
