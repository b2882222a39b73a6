// How many bytes this process has read, as the kernel counts them, for tests and benchmarks that
// show how little of a file a report reads.
#pragma once

#include <fstream>
#include <string>

namespace zarvo::measure {

// Bytes this process has asked the kernel to read so far; -1 when the kernel does not say.
inline long long BytesRead() {
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value)
        if (key == "rchar:")
            return value;
    return -1;
}

} // namespace zarvo::measure
