// A scripted detector whose opening of one file waits until the test lets it go, as a read of
// slow or hung storage does.
#pragma once

#include "support/ScriptedMediaDet.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <string_view>

namespace zarvo::test {

class ReadGate {
public:
    explicit ReadGate(std::string heldPath) : heldPath_(std::move(heldPath)) {}

    // On the report's thread. A window that waited for the report itself would never get here
    // to let it go, so a hold also ends by itself after a while: such a test fails, not hangs.
    void WaitIfHeld(std::string_view path) {
        if (path != heldPath_)
            return;
        std::unique_lock lock(mutex_);
        ++waiting_;
        changed_.wait_for(lock, std::chrono::seconds(20), [this] { return released_; });
        --waiting_;
    }
    void Release() {
        const std::lock_guard lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }
    bool Holding() {
        const std::lock_guard lock(mutex_);
        return waiting_ > 0;
    }

private:
    const std::string heldPath_;
    std::mutex mutex_;
    std::condition_variable changed_;
    int waiting_ = 0;
    bool released_ = false;
};

class GatedMediaDet final : public RefCounted<IMediaDet> {
public:
    GatedMediaDet(Script& script, ReadGate& gate)
        : inner_(new ScriptedMediaDet(script)), gate_(gate) {}
    ~GatedMediaDet() override { inner_->Release(); }

    HRESULT put_Filename(std::string_view path) override {
        gate_.WaitIfHeld(path);
        return inner_->put_Filename(path);
    }
    HRESULT get_OutputStreams(std::int32_t* count) override {
        return inner_->get_OutputStreams(count);
    }
    HRESULT put_CurrentStream(std::int32_t index) override {
        return inner_->put_CurrentStream(index);
    }
    HRESULT get_StreamLength(double* seconds) override { return inner_->get_StreamLength(seconds); }
    HRESULT get_StreamMediaType(AM_MEDIA_TYPE* type) override {
        return inner_->get_StreamMediaType(type);
    }
    HRESULT get_FrameRate(double* framesPerSecond) override {
        return inner_->get_FrameRate(framesPerSecond);
    }

private:
    ScriptedMediaDet* inner_;
    ReadGate& gate_;
};

// Registers scripted detectors that wait at the gate, for as long as the result lives.
inline ClassRegistration RegisterGatedMediaDet(Script& script, ReadGate& gate) {
    return RegisterClassFactory(CLSID_MediaDet, [&script, &gate](const GUID& iid, void** object) {
        auto* detector = new GatedMediaDet(script, gate);
        const HRESULT status = detector->QueryInterface(iid, object);
        detector->Release();
        return status;
    });
}

} // namespace zarvo::test
