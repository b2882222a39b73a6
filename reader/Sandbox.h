// The box a reader process enters before it reads a byte of any file: no new privileges, limits
// on memory, core files and file size, Landlock (read-only beneath the paths the user named) where
// the kernel has it, and a seccomp allow-list of the system calls a reader needs. A parser that a
// hostile file takes over can then write nothing, connect nowhere, run nothing and read nothing
// outside what the user named.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zarvo::reader {

// What the kernel offers, asked without entering the box.
struct SandboxSupport {
    int landlockAbi = 0; // 0: no Landlock
    bool seccomp = false;
};

SandboxSupport KernelSandboxSupport() noexcept;

// The most a reader may allocate, in bytes: the corpora's largest report stays far below it, and
// a memory bomb is refused at the call. 0 in the sanitizer build, whose runtime reserves
// terabytes of address space for its shadow memory.
std::uint64_t DefaultMemoryCap() noexcept;

struct SandboxPolicy {
    // Files and folders the reader may read, with everything beneath them; nothing else.
    std::vector<std::string> roots;
    // Folders the reader may list, not read, with everything beneath them.
    std::vector<std::string> listable;
    std::uint64_t memoryCap = DefaultMemoryCap(); // 0: none
    // The only descriptor the reader may write to: its channel to the front end.
    int channelFd = 3;
};

// The protections in force.
struct SandboxInForce {
    bool noNewPrivileges = false;
    bool seccomp = false;
    int landlockAbi = 0;         // 0: none
    std::uint64_t memoryCap = 0; // 0: none
};

struct SandboxEntry {
    SandboxInForce inForce;
    // Why the box could not be built; when set, the process must read nothing and end.
    std::string error;
};

// Enters the box for the rest of the process's life, for every thread it has or starts later.
// Called once, before any thread is started and before any file is opened. Landlock is used
// where the kernel has it and left out where it does not; seccomp is required.
SandboxEntry EnterSandbox(const SandboxPolicy& policy);

// What a reader started on this kernel will have in force, for the front end to show.
SandboxInForce ExpectedSandbox(const SandboxSupport& support,
                               std::uint64_t memoryCap = DefaultMemoryCap()) noexcept;

// One line for each protection, for `--version`, e.g.
// "Sandbox: seccomp allow-list, Landlock ABI 7 (read-only beneath the named paths), ...".
std::vector<std::string> ProtectionLines(const SandboxInForce& inForce);

} // namespace zarvo::reader
