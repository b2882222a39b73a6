// A pool of media detectors, each opening files in parallel and describing them one at a time.
#include "cli/SharedDetectors.h"

#include "platform/MediaDet.h"

#include <cassert>
#include <memory>
#include <mutex>
#include <vector>

namespace zarvo {
namespace {

struct Pool {
    std::mutex mutex;
    std::vector<ComPtr<IMediaDet>> idle;
    HRESULT creationStatus = S_OK;
    // Held by the one detector whose report is past opening its file.
    std::mutex describing;
};

// A detector of the pool, lent for one report and given back when released.
class LentDetector final : public RefCounted<IMediaDet> {
public:
    LentDetector(std::shared_ptr<Pool> pool, ComPtr<IMediaDet> detector)
        : pool_(std::move(pool)), detector_(std::move(detector)) {}

    HRESULT put_Filename(std::string_view path) override {
        if (describing_.owns_lock())
            describing_.unlock();
        const HRESULT status = detector_->put_Filename(path);
        if (status == S_OK)
            describing_ = std::unique_lock(pool_->describing);
        return status;
    }
    HRESULT get_OutputStreams(std::int32_t* count) override {
        return detector_->get_OutputStreams(count);
    }
    HRESULT put_CurrentStream(std::int32_t index) override {
        return detector_->put_CurrentStream(index);
    }
    HRESULT get_StreamLength(double* seconds) override {
        return detector_->get_StreamLength(seconds);
    }
    HRESULT get_StreamMediaType(AM_MEDIA_TYPE* type) override {
        return detector_->get_StreamMediaType(type);
    }
    HRESULT get_FrameRate(double* framesPerSecond) override {
        return detector_->get_FrameRate(framesPerSecond);
    }

private:
    ~LentDetector() override {
        if (describing_.owns_lock())
            describing_.unlock();
        const std::lock_guard lock(pool_->mutex);
        pool_->idle.push_back(std::move(detector_));
    }

    std::shared_ptr<Pool> pool_;
    ComPtr<IMediaDet> detector_;
    std::unique_lock<std::mutex> describing_;
};

} // namespace

ClassRegistration RegisterSharedDetectors(unsigned count) {
    auto pool = std::make_shared<Pool>();
    for (unsigned i = 0; i < count; ++i) {
        ComPtr<IMediaDet> detector;
        const HRESULT status = CoCreateInstance(CLSID_MediaDet, nullptr, CLSCTX_INPROC,
                                                IID_IMediaDet, detector.PutVoid());
        if (status != S_OK || !detector) {
            pool->creationStatus = status != S_OK ? status : E_POINTER;
            break;
        }
        pool->idle.push_back(std::move(detector));
    }
    return RegisterClassFactory(CLSID_MediaDet, [pool](const GUID& iid, void** object) {
        ComPtr<IMediaDet> detector;
        {
            const std::lock_guard lock(pool->mutex);
            if (pool->creationStatus != S_OK)
                return pool->creationStatus;
            assert(!pool->idle.empty() && "no more reports at once than detectors");
            if (pool->idle.empty())
                return E_OUTOFMEMORY;
            detector = std::move(pool->idle.back());
            pool->idle.pop_back();
        }
        auto* lent = new LentDetector(pool, std::move(detector));
        const HRESULT status = lent->QueryInterface(iid, object);
        lent->Release();
        return status;
    });
}

} // namespace zarvo
