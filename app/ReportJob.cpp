// Report threads: started per report, never joined, and their results posted to the window.
#include "app/ReportJob.h"

#include "platform/ReadActivity.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace zarvo {
namespace {

std::atomic<int> runningThreads{0};

} // namespace

// What the caller and the report thread share. The thread keeps it alive for as long as it
// runs, so a dropped job's thread never touches freed memory.
struct ReportJob::Shared {
    ReadActivity activity;
    std::mutex mutex;
    std::condition_variable done;
    // Set to null, under the mutex, when the job is dropped; the thread posts to it only while
    // it holds the mutex, so it never posts to a receiver that is gone.
    QObject* receiver = nullptr;
    std::optional<RecordedReport> report;
    // Read and run on the receiver's thread only.
    Finished finished;
};

ReportJob::ReportJob(std::string path, FormatSettings settings, QObject& receiver,
                     Finished finished)
    : shared_(std::make_shared<Shared>()) {
    shared_->receiver = &receiver;
    shared_->finished = std::move(finished);
    ++runningThreads;
    try {
        std::thread([shared = shared_, file = std::move(path), format = settings]() mutable {
            RecordedReport report;
            {
                const ReadActivityScope watched(shared->activity);
                report = RecordReport(file, format);
            }
            {
                const std::lock_guard lock(shared->mutex);
                shared->report = std::move(report);
                if (shared->receiver != nullptr) {
                    QMetaObject::invokeMethod(
                        shared->receiver,
                        [delivered = shared] {
                            // Dropped after posting, or already handed over by FinishWithin.
                            if (delivered->receiver == nullptr || !delivered->report)
                                return;
                            RecordedReport result = std::move(*delivered->report);
                            delivered->report.reset();
                            delivered->finished(std::move(result));
                        },
                        Qt::QueuedConnection);
                }
                shared->done.notify_all();
            }
            // The count falls only once this thread holds nothing of anyone else's.
            shared.reset();
            --runningThreads;
        }).detach();
    } catch (...) {
        --runningThreads;
        throw;
    }
}

ReportJob::~ReportJob() {
    const std::lock_guard lock(shared_->mutex);
    shared_->receiver = nullptr;
}

bool ReportJob::Stalled() const noexcept {
    return shared_->activity.Stalled();
}

bool ReportJob::FinishWithin(std::chrono::milliseconds limit) {
    std::optional<RecordedReport> result;
    {
        std::unique_lock lock(shared_->mutex);
        if (!shared_->done.wait_for(lock, limit, [this] { return shared_->report.has_value(); }))
            return false;
        result = std::move(shared_->report);
        shared_->report.reset();
    }
    // The report's posted delivery finds nothing left and does nothing. `finished` may drop
    // this job, so nothing of it is used after the call.
    const Finished finished = shared_->finished;
    finished(std::move(*result));
    return true;
}

bool ReportJob::AnyRunning() noexcept {
    return runningThreads.load() > 0;
}

} // namespace zarvo
