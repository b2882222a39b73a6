// A request to the reader pool, its result handed from the pool's thread to the window's.
#include "app/WindowRequest.h"

#include <QMetaObject>
#include <QObject>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <utility>

namespace zarvo {

// What the request and the pool's callback share. A posted delivery keeps it alive, so that it
// can find out that the request was dropped or already handed over.
struct WindowRequest::Shared {
    std::mutex mutex;
    std::condition_variable done;
    std::optional<ReaderRecording> result;
    // Read and written on the receiver's thread only.
    bool dropped = false;
    Finished finished;

    std::optional<ReaderRecording> Take() {
        const std::lock_guard lock(mutex);
        std::optional<ReaderRecording> taken;
        taken.swap(result);
        return taken;
    }
};

namespace {

// On the receiver's thread, from its event loop.
void Deliver(std::shared_ptr<WindowRequest::Shared> shared) {
    std::optional<ReaderRecording> result = shared->Take();
    // Dropped after posting, or already handed over by FinishWithin.
    if (shared->dropped || !result)
        return;
    // `finished` may drop the request, and with it what `shared` holds for it.
    const WindowRequest::Finished handOver = shared->finished;
    handOver(std::move(*result));
}

} // namespace

WindowRequest::WindowRequest(ReaderPool& readers, std::string path, QObject& receiver,
                             Finished finished)
    : readers_(readers), shared_(std::make_shared<Shared>()) {
    shared_->finished = std::move(finished);
    // The callback runs on the pool's thread and must not block: it leaves the result for
    // FinishWithin and posts its delivery. The pool runs no callback once the request is
    // cancelled, and the event loop drops what was posted to a receiver that is gone.
    auto callback = [shared = shared_, target = &receiver](ReaderRecording result) {
        {
            const std::lock_guard lock(shared->mutex);
            shared->result = std::move(result);
            shared->done.notify_all();
        }
        QMetaObject::invokeMethod(
            target, [shared] { Deliver(shared); }, Qt::QueuedConnection);
    };
    ticket_ = readers_.Record(std::move(path), std::move(callback));
}

WindowRequest::~WindowRequest() {
    shared_->dropped = true;
    readers_.Cancel(ticket_);
}

bool WindowRequest::FinishWithin(std::chrono::milliseconds limit) {
    {
        std::unique_lock lock(shared_->mutex);
        if (!shared_->done.wait_for(lock, limit, [this] { return shared_->result.has_value(); }))
            return false;
    }
    // The posted delivery finds nothing left and does nothing.
    Deliver(shared_);
    return true;
}

} // namespace zarvo
