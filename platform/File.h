// A move-only owner of a file descriptor opened for reading.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

class File {
public:
    File() = default;
    File(File&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File();

    // Opens `path` read-only and close-on-exec, without blocking on FIFOs or taking a terminal.
    // On failure the result is not open and `error` holds the errno value.
    static File OpenForReading(const std::string& path, int& error) noexcept;

    bool IsOpen() const noexcept { return fd_ >= 0; }
    int Descriptor() const noexcept { return fd_; }

private:
    explicit File(int fd) noexcept : fd_(fd) {}

    int fd_ = -1;
};
