// One report made on a thread of its own, so that the window never waits on storage.
#pragma once

#include "report/NumberFormat.h"
#include "report/RecordedReport.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

class QObject;

namespace zarvo {

class ReportJob {
public:
    using Finished = std::function<void(RecordedReport report)>;

    // Starts the report of `path` on a new thread. When it is done, `finished` runs on the
    // thread of `receiver`, from its event loop, unless the job has been dropped by then.
    ReportJob(std::string path, FormatSettings settings, QObject& receiver, Finished finished);
    ReportJob(const ReportJob&) = delete;
    ReportJob& operator=(const ReportJob&) = delete;
    // Drops the job: its result is thrown away. The thread is left to end by itself, since a
    // read blocked in the kernel may never return; it holds nothing of the caller's.
    ~ReportJob();

    // True once the storage has not answered for the stall limit: the report is then refused
    // even though its thread may still be blocked in a read.
    bool Stalled() const noexcept;

    // Waits at most `limit` for the report, then hands it to `finished` at once when it came.
    // True when it did.
    bool FinishWithin(std::chrono::milliseconds limit);

    // True while any report thread has not ended, dropped ones too: the process must then end
    // without running the destructors of what those threads may still use.
    static bool AnyRunning() noexcept;

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
};

} // namespace zarvo
