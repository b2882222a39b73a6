// Opening and closing read-only file descriptors.
#include "platform/File.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

File::~File() {
    if (fd_ >= 0)
        ::close(fd_);
}

File File::OpenForReading(const std::string& path, int& error) noexcept {
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    error = fd < 0 ? errno : 0;
    return File(fd);
}
