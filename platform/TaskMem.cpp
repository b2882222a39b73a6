// The shared allocator, on the C heap.
#include "platform/TaskMem.h"

#include <cstdlib>

namespace zarvo {

void* CoTaskMemAlloc(std::size_t size) noexcept {
    return std::malloc(size == 0 ? 1 : size);
}

void CoTaskMemFree(void* block) noexcept {
    std::free(block);
}

} // namespace zarvo
