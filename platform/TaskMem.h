// The allocator for memory that one component allocates and another frees.
#pragma once

#include <cstddef>

namespace zarvo {

// Returns null when memory is short; the block is freed with CoTaskMemFree.
void* CoTaskMemAlloc(std::size_t size) noexcept;

// Frees a block from CoTaskMemAlloc; null is ignored.
void CoTaskMemFree(void* block) noexcept;

} // namespace zarvo
