// RLIMIT_DATA rather than RLIMIT_AS: the address space also holds the media libraries' code and
// the reservations malloc makes for each thread's arena without using them, which have nothing to
// do with what a file makes the reader allocate.
#include "reader/Limits.h"

#include <cerrno>
#include <cstring>
#include <sys/resource.h>

namespace zarvo::reader {

namespace {

std::string Lower(int resource, rlim_t value, const char* what) {
    rlimit limit{};
    if (::getrlimit(resource, &limit) != 0)
        return std::string("cannot read the limit of ") + what + " (" + std::strerror(errno) + ")";
    // A limit already lower than ours stays: lowering is all an unprivileged process may do.
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < value)
        value = limit.rlim_max;
    limit = {value, value};
    if (::setrlimit(resource, &limit) != 0)
        return std::string("cannot limit ") + what + " (" + std::strerror(errno) + ")";
    return {};
}

} // namespace

std::string LimitResources(std::uint64_t memoryCap) {
    std::string error = Lower(RLIMIT_CORE, 0, "core files");
    if (error.empty())
        error = Lower(RLIMIT_FSIZE, 0, "the file size");
    if (error.empty() && memoryCap != 0)
        error = Lower(RLIMIT_DATA, static_cast<rlim_t>(memoryCap), "memory");
    return error;
}

} // namespace zarvo::reader
