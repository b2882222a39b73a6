// The resource limits of a reader: what it may allocate, no core files, no file size.
#pragma once

#include <cstdint>
#include <string>

namespace zarvo::reader {

// Caps the process's data (the heap and every private writable mapping, which is where every
// allocation of malloc, new and the media libraries lands) at `memoryCap` bytes when it is not
// 0, so that an allocation past it fails at the call; no core file is written, and a file can
// grow by no byte. Returns why a limit could not be set, or "" when all are in force.
std::string LimitResources(std::uint64_t memoryCap);

} // namespace zarvo::reader
