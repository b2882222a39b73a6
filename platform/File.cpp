// Opening, looking at, reading and closing read-only file descriptors.
#include "platform/File.h"

#include "platform/ReadActivity.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zarvo {
namespace {

// The innermost OpenAsScope of this thread.
thread_local const OpenAsScope* currentRedirect = nullptr;

// Runs a system call on the file again for as long as a signal interrupts it, and tells the
// report's watcher that the storage answered.
template <typename Call> auto Answered(Call call) {
    decltype(call()) result;
    do {
        result = call();
    } while (result < 0 && errno == EINTR);
    const int error = errno;
    TouchReadActivity();
    errno = error;
    return result;
}

} // namespace

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

OpenAsScope::OpenAsScope(const std::string& name, const std::string& openAs) noexcept
    : previous_(currentRedirect), name_(name), openAs_(openAs) {
    if (!openAs.empty())
        currentRedirect = this;
}

OpenAsScope::~OpenAsScope() {
    if (currentRedirect == this)
        currentRedirect = previous_;
}

const std::string& OpenAsScope::NameToOpen(const std::string& name) noexcept {
    for (const OpenAsScope* scope = currentRedirect; scope != nullptr; scope = scope->previous_)
        if (scope->name_ == name)
            return scope->openAs_;
    return name;
}

OpenedFile File::OpenRegular(const std::string& name) noexcept {
    const std::string& path = OpenAsScope::NameToOpen(name);
    struct stat status;
    if (Answered([&] { return ::stat(path.c_str(), &status); }) != 0)
        return {File(), errno};
    if (!S_ISREG(status.st_mode))
        return {File(), 0, false};
    const int fd = Answered(
        [&] { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY); });
    if (fd < 0)
        return {File(), errno};
    File file(fd);
    if (Answered([&] { return ::fstat(fd, &status); }) != 0)
        return {File(), errno};
    if (!S_ISREG(status.st_mode))
        return {File(), 0, false};
    return {std::move(file)};
}

std::optional<FileStamp> File::Stamp() const noexcept {
    struct stat status;
    if (Answered([&] { return ::fstat(fd_, &status); }) != 0)
        return std::nullopt;
    return FileStamp{status.st_size,
                     std::int64_t{status.st_mtim.tv_sec} * 1'000'000'000 + status.st_mtim.tv_nsec};
}

std::optional<std::uint64_t> File::Size() const noexcept {
    const std::optional<FileStamp> stamp = Stamp();
    if (!stamp)
        return std::nullopt;
    return static_cast<std::uint64_t>(stamp->size);
}

ssize_t File::Read(void* buffer, std::size_t size) const noexcept {
    return Answered([&] { return ::read(fd_, buffer, size); });
}

ssize_t File::ReadAt(void* buffer, std::size_t size, std::int64_t offset) const noexcept {
    return Answered([&] { return ::pread(fd_, buffer, size, static_cast<off_t>(offset)); });
}

bool File::OnlyHoleFollows() const noexcept {
    const off_t position = ::lseek(fd_, 0, SEEK_CUR);
    if (position < 0)
        return false;
    const off_t data = ::lseek(fd_, position, SEEK_DATA);
    const bool hole = data < 0 && errno == ENXIO;
    ::lseek(fd_, position, SEEK_SET);
    return hole;
}

} // namespace zarvo
