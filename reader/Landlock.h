// Landlock, the kernel's unprivileged access control: what the kernel offers and the read-only
// rule set a reader puts itself under.
#pragma once

#include <string>
#include <vector>

namespace zarvo::reader {

// The Landlock ABI version the kernel offers; 0 when it has none or it is turned off.
int LandlockAbi() noexcept;

// Restricts this process, at `abi` (> 0), to reading files and listing folders beneath `roots`:
// every other file system access the ABI knows is denied, and from ABI 4 TCP binds and
// connections, from ABI 6 signals and abstract Unix sockets leaving the process. Needs no new
// privileges set first. Returns why it failed, or "" when the rules are in force.
std::string RestrictToReadingBeneath(const std::vector<std::string>& roots,
                                     const std::vector<std::string>& listable, int abi);

} // namespace zarvo::reader
