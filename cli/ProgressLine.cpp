// Drawing and clearing the progress line with a carriage return and an erase-line sequence.
#include "cli/ProgressLine.h"

#include "cli/RunSummary.h"

#include <string>
#include <unistd.h>

namespace zarvo {
namespace {

constexpr auto kQuietStart = std::chrono::seconds(1);
// Often enough to look alive, rarely enough to cost nothing against the reports.
constexpr auto kRedraw = std::chrono::milliseconds(100);

void WriteToTerminal(const std::string& text) {
    // Progress is a courtesy: a failed write to the terminal is not worth stopping for.
    const ssize_t ignored = ::write(2, text.data(), text.size());
    static_cast<void>(ignored);
}

} // namespace

ProgressLine::ProgressLine(bool enabled) : enabled_(enabled), start_(Clock::now()) {}

void ProgressLine::Show(std::size_t done, std::size_t total) {
    if (!enabled_)
        return;
    const Clock::time_point now = Clock::now();
    if (now - start_ < kQuietStart || (shown_ && now - drawn_ < kRedraw))
        return;
    WriteToTerminal("\r\033[K" + Grouped(done) + " / " + Grouped(total) + " files");
    drawn_ = now;
    shown_ = true;
}

void ProgressLine::Clear() {
    if (!shown_)
        return;
    WriteToTerminal("\r\033[K");
    shown_ = false;
}

} // namespace zarvo
