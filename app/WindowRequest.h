// One report that the window has asked the reader pool for, delivered to the window's thread.
#pragma once

#include "reader/ReaderPool.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

class QObject;

namespace zarvo {

class WindowRequest {
public:
    using Finished = std::function<void(ReaderRecording result)>;

    // Asks `readers` for the report of `path`. When it is in, `finished` runs on the thread of
    // `receiver`, from its event loop, unless the request has been dropped by then.
    WindowRequest(ReaderPool& readers, std::string path, QObject& receiver, Finished finished);
    WindowRequest(const WindowRequest&) = delete;
    WindowRequest& operator=(const WindowRequest&) = delete;
    // Drops the request: the pool stops the reader working on it, and a result already on its way
    // to the event loop is thrown away there. Never waits on storage.
    ~WindowRequest();

    // Waits at most `limit` for the result, then hands it to `finished` at once when it came.
    // True when it did.
    bool FinishWithin(std::chrono::milliseconds limit);

    struct Shared;

private:
    ReaderPool& readers_;
    std::shared_ptr<Shared> shared_;
    ReaderPool::Ticket ticket_ = 0;
};

} // namespace zarvo
