// When the storage under a report last answered, for a thread that waits for the report.
#pragma once

#include <atomic>
#include <cstdint>

namespace zarvo {

// The moment the storage last answered a call made for one report. The thread that makes the
// report touches it after each call on the file returns; any other thread may look, and so tell
// a read blocked in the kernel from a slow one long before the read returns, if it ever does.
class ReadActivity {
public:
    ReadActivity() noexcept { Touch(); }
    ReadActivity(const ReadActivity&) = delete;
    ReadActivity& operator=(const ReadActivity&) = delete;

    void Touch() noexcept;
    // True once the storage has not answered for as long as the probe's stall limit: the report
    // is then refused as stalled, as the probe itself would refuse it.
    bool Stalled() const noexcept;

private:
    std::atomic<std::int64_t> lastAnswer_{0}; // steady clock, nanoseconds
};

// While it lives, the file calls this thread makes touch `activity`; the activity touched
// before comes back when it ends.
class ReadActivityScope {
public:
    explicit ReadActivityScope(ReadActivity& activity) noexcept;
    ReadActivityScope(const ReadActivityScope&) = delete;
    ReadActivityScope& operator=(const ReadActivityScope&) = delete;
    ~ReadActivityScope();

private:
    ReadActivity* previous_;
};

// Touches the activity of this thread's report, when it has one, and the process's shared stamp,
// when it has one.
void TouchReadActivity() noexcept;

// In a reader process: from now on every touch also stores the steady clock's time, in
// nanoseconds, at `stamp`, a page shared with the front end that watches the reader for stalls.
void ShareReadActivity(std::atomic<std::int64_t>* stamp) noexcept;

} // namespace zarvo
