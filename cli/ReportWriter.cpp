// Writing the reports with write(2), so that a failure is seen at the write that failed.
#include "cli/ReportWriter.h"

#include <cerrno>
#include <unistd.h>

namespace zarvo {
namespace {

// Large enough that writes cost little, small enough to hold nothing back for long.
constexpr std::size_t kBufferLimit = 64 * 1024;

} // namespace

bool ReportWriter::Add(const std::string& text) {
    if (error_ != 0)
        return false;
    if (text.empty())
        return true;
    if (any_ && separated_)
        buffer_ += '\n';
    buffer_ += text;
    any_ = true;
    return eachReport_ || buffer_.size() >= kBufferLimit ? Flush() : true;
}

bool ReportWriter::Flush() {
    std::size_t done = 0;
    while (error_ == 0 && done < buffer_.size()) {
        const ssize_t written = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            error_ = written < 0 ? errno : EIO;
        else
            done += static_cast<std::size_t>(written);
    }
    buffer_.erase(0, done);
    return error_ == 0;
}

} // namespace zarvo
