// TEMPORARY stand-in, to be deleted when the real allocation watch is merged: it watches nothing.
#pragma once

namespace zarvo::reader {

// True once any allocation in this process has failed.
bool AllocationFailed() noexcept;

} // namespace zarvo::reader
