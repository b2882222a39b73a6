// The seccomp allow-list of a reader: the system calls that reading a media file and talking to
// the front end need, and nothing else.
#pragma once

#include <cstdint>
#include <string>

namespace zarvo::reader {

// Whether the kernel filters system calls with seccomp.
bool SeccompAvailable() noexcept;

// Puts every thread of this process under the allow-list for the rest of its life. Calls outside
// it fail with EPERM, or end the process when they are what only a taken-over reader would
// attempt (running a program, creating a process, tracing, signalling another process, opening
// a network socket). `channelFd` is the only descriptor the process may write to.
// `otherwise` is the action for calls outside the list (SCMP_ACT_ERRNO(EPERM) in a reader; a
// trap when the list is being worked out). Returns why it failed, or "" when it is in force.
std::string InstallAllowList(int channelFd, std::uint32_t otherwise);

} // namespace zarvo::reader
