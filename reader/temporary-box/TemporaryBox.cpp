// TEMPORARY stand-in for the reader's box and allocation watch, built only while the real ones
// are not in this tree (the build uses the real zarvo_sandbox target as soon as it exists). It
// enters no box and watches no allocation: a reader built with it is NOT protected.
#include "reader/AllocationWatch.h"
#include "reader/Sandbox.h"

namespace zarvo::reader {

SandboxSupport KernelSandboxSupport() noexcept {
    return {};
}

std::uint64_t DefaultMemoryCap() noexcept {
    return 0;
}

SandboxEntry EnterSandbox(const SandboxPolicy&) {
    return {};
}

SandboxInForce ExpectedSandbox(const SandboxSupport&, std::uint64_t) noexcept {
    return {};
}

std::vector<std::string> ProtectionLines(const SandboxInForce&) {
    return {"Sandbox: none (this build has no reader box)"};
}

bool AllocationFailed() noexcept {
    return false;
}

} // namespace zarvo::reader
