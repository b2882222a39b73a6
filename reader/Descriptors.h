// Move-only owners of a file descriptor and of a folder stream, closed when they go.
#pragma once

#include <dirent.h>
#include <unistd.h>
#include <utility>

namespace zarvo {

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) noexcept : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            Close();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { Close(); }

    bool IsOpen() const noexcept { return fd_ >= 0; }
    int Get() const noexcept { return fd_; }
    int Release() noexcept { return std::exchange(fd_, -1); }

private:
    void Close() noexcept {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

    int fd_ = -1;
};

// A folder being listed; its descriptor stays usable for opening what the folder holds.
class FolderStream {
public:
    FolderStream() = default;
    // Takes `fd` over; on failure (errno tells why) the descriptor is closed and nothing is open.
    static FolderStream Adopt(UniqueFd fd) noexcept {
        FolderStream stream;
        stream.dir_ = ::fdopendir(fd.Get());
        if (stream.dir_ != nullptr)
            fd.Release();
        return stream;
    }
    FolderStream(FolderStream&& other) noexcept : dir_(std::exchange(other.dir_, nullptr)) {}
    FolderStream& operator=(FolderStream&& other) noexcept {
        if (this != &other) {
            Close();
            dir_ = std::exchange(other.dir_, nullptr);
        }
        return *this;
    }
    FolderStream(const FolderStream&) = delete;
    FolderStream& operator=(const FolderStream&) = delete;
    ~FolderStream() { Close(); }

    bool IsOpen() const noexcept { return dir_ != nullptr; }
    DIR* Get() const noexcept { return dir_; }
    int Descriptor() const noexcept { return ::dirfd(dir_); }

private:
    void Close() noexcept {
        if (dir_ != nullptr)
            ::closedir(dir_);
        dir_ = nullptr;
    }

    DIR* dir_ = nullptr;
};

} // namespace zarvo
