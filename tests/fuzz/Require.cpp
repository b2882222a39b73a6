// The fuzz targets' way to fail: a message and an abort, which libFuzzer takes as a crash.
#include "fuzz/FuzzTarget.h"

#include <cstdio>
#include <cstdlib>

namespace zarvo::fuzz {

void Require(bool holds, const char* promise) {
    if (holds)
        return;
    std::fprintf(stderr, "broken promise: %s\n", promise);
    std::abort();
}

} // namespace zarvo::fuzz
