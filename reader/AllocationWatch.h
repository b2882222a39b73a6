// Whether an allocation has failed anywhere in this process: in the media libraries, in ours or
// in any other, through malloc and its kin or through operator new. A report made while memory
// ran out may describe only part of a file, so a reader that sees this refuses the report.
//
// Only the reader executable may link the watch (the object library zarvo_allocation_watch): it
// defines the C allocation functions for the whole process. The sanitizer build goes without it,
// since AddressSanitizer owns those functions there and ends the process itself when an
// allocation fails.
#pragma once

#include <atomic>
#include <cstdint>

namespace zarvo::reader {

// True once any allocation in this process has failed, until ResetAllocationWatch().
bool AllocationFailed() noexcept;

void ResetAllocationWatch() noexcept;

// Raises `flag` (sets it to 1) at every failure from now on as well, for another process to see.
void ShareAllocationFailure(std::atomic<std::uint32_t>* flag) noexcept;

} // namespace zarvo::reader
