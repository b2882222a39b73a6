// The line on a terminal that shows how far a long run has come.
#pragma once

#include <chrono>
#include <cstddef>

namespace zarvo {

// "1,234 / 9,876 files" on standard error, redrawn in place. Nothing is ever drawn when it is
// not enabled (standard error is not a terminal), nor in the first second of a run.
class ProgressLine {
public:
    explicit ProgressLine(bool enabled);
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;
    ~ProgressLine() { Clear(); }

    void Show(std::size_t done, std::size_t total);
    // Removes the line, before other output or at the end.
    void Clear();

private:
    using Clock = std::chrono::steady_clock;

    const bool enabled_;
    const Clock::time_point start_;
    Clock::time_point drawn_;
    bool shown_ = false;
};

} // namespace zarvo
