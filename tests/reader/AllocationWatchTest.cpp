// Every way of allocating that can fail is seen by the watch, and the ways that return null
// without failing are not.
#include "reader/AllocationWatch.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <gtest/gtest.h>
#include <malloc.h>
#include <new>

namespace {

// More than any allocator hands out; volatile, so that the compiler cannot see the size.
volatile std::size_t tooMuch = std::size_t{1} << 62;

// Where each answer goes, so that the compiler cannot leave out an allocation freed at once.
void* volatile answer = nullptr;

void Keep(void* block) {
    answer = block;
    std::free(answer);
}

struct Attempt {
    const char* label;
    void (*allocate)();
    bool failed;
};

const Attempt kAttempts[] = {
    {"malloc", [] { Keep(std::malloc(tooMuch)); }, true},
    {"calloc", [] { Keep(std::calloc(tooMuch, 4)); }, true},
    {"realloc",
     [] {
         void* block = std::malloc(16);
         void* grown = std::realloc(block, tooMuch);
         std::free(grown != nullptr ? grown : block);
     },
     true},
    {"reallocarray", [] { Keep(::reallocarray(nullptr, tooMuch, 8)); }, true},
    {"posix_memalign",
     [] {
         void* block = nullptr;
         if (::posix_memalign(&block, 64, tooMuch) == 0)
             std::free(block);
     },
     true},
    {"aligned_alloc", [] { Keep(std::aligned_alloc(64, tooMuch)); }, true},
    {"memalign", [] { Keep(::memalign(64, tooMuch)); }, true},
    {"operator new",
     [] {
         try {
             char* block = new char[tooMuch];
             answer = block;
             delete[] block;
         } catch (const std::bad_alloc&) {
         }
     },
     true},
    {"an allocation that succeeds", [] { Keep(std::malloc(64)); }, false},
    // Resizing to nothing frees the block and answers null, which is no failure.
    {"realloc to no size", [] { Keep(std::realloc(std::malloc(64), 0)); }, false},
};

TEST(AllocationWatchTest, SeesEveryFailedAllocation) {
    for (const Attempt& attempt : kAttempts) {
        zarvo::reader::ResetAllocationWatch();
        attempt.allocate();
        EXPECT_EQ(zarvo::reader::AllocationFailed(), attempt.failed) << attempt.label;
    }
}

} // namespace
