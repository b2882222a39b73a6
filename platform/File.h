// A move-only owner of a file descriptor opened for reading, and the system calls made on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <sys/types.h>
#include <utility>

namespace zarvo {

// What a change to a file's contents changes: its size or its modification time.
struct FileStamp {
    std::int64_t size = 0;
    std::int64_t modifiedNanoseconds = 0;

    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// A regular file opened for reading, or why it is not.
struct OpenedFile;

class File {
public:
    File() = default;
    File(File&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File();

    // Opens `path` read-only and close-on-exec when it names a regular file. The name is looked
    // up before it is opened, so a device or FIFO is never opened (nor blocks, nor takes a
    // terminal), and the open descriptor is checked again in case the name changed in between.
    static OpenedFile OpenRegular(const std::string& path) noexcept;

    bool IsOpen() const noexcept { return fd_ >= 0; }
    int Descriptor() const noexcept { return fd_; }

    // Nothing when the file cannot be looked at; errno tells why.
    std::optional<FileStamp> Stamp() const noexcept;
    std::optional<std::uint64_t> Size() const noexcept;
    // True when nothing but a hole lies between the read position and the end of the file, so
    // the rest reads as zeros without a byte stored.
    bool OnlyHoleFollows() const noexcept;
    // read(2), resumed when a signal interrupts it before any byte arrived.
    ssize_t Read(void* buffer, std::size_t size) const noexcept;
    // pread(2): as Read, at `offset`, leaving the read position where it is.
    ssize_t ReadAt(void* buffer, std::size_t size, std::int64_t offset) const noexcept;

private:
    explicit File(int fd) noexcept : fd_(fd) {}

    int fd_ = -1;
};

// While it lives, File::OpenRegular(name) on this thread opens `openAs` instead: a name of a
// descriptor that the caller holds on the file it checked, so that the file read is that one
// and no other that `name` may lead to by then. Everything else still goes by `name`, its
// extension included. An empty `openAs` changes nothing.
class OpenAsScope {
public:
    OpenAsScope(const std::string& name, const std::string& openAs) noexcept;
    OpenAsScope(const OpenAsScope&) = delete;
    OpenAsScope& operator=(const OpenAsScope&) = delete;
    ~OpenAsScope();

    // The name to open for `name` on this thread.
    static const std::string& NameToOpen(const std::string& name) noexcept;

private:
    const OpenAsScope* previous_;
    const std::string& name_;
    const std::string& openAs_;
};

struct OpenedFile {
    File file;           // open when error is 0 and the name named a regular file
    int error = 0;       // the errno value when the name could not be looked up or opened
    bool regular = true; // false when the name names a directory, device, FIFO or socket
};

} // namespace zarvo
