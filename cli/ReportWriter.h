// Standard output for reports: buffered, separated, and stopped at the first failed write.
#pragma once

#include <string>

namespace zarvo {

class ReportWriter {
public:
    // With `eachReport` (a terminal), every report is written as soon as it is given. Without
    // `separated`, reports follow one another with nothing between them, as JSON lines do.
    ReportWriter(int fd, bool eachReport, bool separated = true)
        : fd_(fd), eachReport_(eachReport), separated_(separated) {}

    // Adds `text`, after one empty line when separated. False once a write has failed.
    bool Add(const std::string& text);
    // Writes what is buffered. False once a write has failed.
    bool Flush();
    // The errno value of the write that failed; 0 while none has.
    int Error() const { return error_; }

private:
    const int fd_;
    const bool eachReport_;
    const bool separated_;
    bool any_ = false;
    int error_ = 0;
    std::string buffer_;
};

} // namespace zarvo
