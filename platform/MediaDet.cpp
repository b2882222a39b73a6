// The media detector: serves the stream descriptions that one probe of the file produced.
#include "platform/MediaDet.h"

#include "platform/StreamProbe.h"
#include "platform/TaskMem.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

namespace zarvo {
namespace {

class MediaDet final : public RefCounted<IMediaDet> {
public:
    explicit MediaDet(ProbeDepth depth) : depth_(depth) {}

    HRESULT put_Filename(std::string_view path) override {
        streams_.clear();
        current_ = 0;
        return ProbeMediaFile(path, streams_, depth_);
    }

    HRESULT get_OutputStreams(std::int32_t* count) override {
        if (count == nullptr)
            return E_POINTER;
        *count = static_cast<std::int32_t>(
            std::min<std::size_t>(streams_.size(), std::numeric_limits<std::int32_t>::max()));
        return S_OK;
    }

    HRESULT put_CurrentStream(std::int32_t index) override {
        if (index < 0 || static_cast<std::size_t>(index) >= streams_.size())
            return E_INVALIDARG;
        current_ = index;
        return S_OK;
    }

    HRESULT get_StreamLength(double* seconds) override {
        if (seconds == nullptr)
            return E_POINTER;
        const ProbedStream* stream = Current();
        if (stream == nullptr || !stream->length)
            return E_FAIL;
        *seconds = *stream->length;
        return S_OK;
    }

    HRESULT get_StreamMediaType(AM_MEDIA_TYPE* type) override {
        if (type == nullptr)
            return E_POINTER;
        const ProbedStream* stream = Current();
        if (stream == nullptr)
            return E_FAIL;
        std::uint8_t* block = nullptr;
        if (!stream->format.empty()) {
            block = static_cast<std::uint8_t*>(CoTaskMemAlloc(stream->format.size()));
            if (block == nullptr)
                return E_OUTOFMEMORY;
            std::memcpy(block, stream->format.data(), stream->format.size());
        }
        *type = AM_MEDIA_TYPE{};
        type->majortype = stream->majortype;
        type->formattype = stream->formattype;
        type->cbFormat = static_cast<std::uint32_t>(stream->format.size());
        type->pbFormat = block;
        return S_OK;
    }

    HRESULT get_FrameRate(double* framesPerSecond) override {
        if (framesPerSecond == nullptr)
            return E_POINTER;
        const ProbedStream* stream = Current();
        if (stream == nullptr)
            return E_FAIL;
        *framesPerSecond = stream->frameRate;
        return S_OK;
    }

    HRESULT get_FrameCount(std::int64_t* frames) override {
        if (frames == nullptr)
            return E_POINTER;
        const ProbedStream* stream = Current();
        if (stream == nullptr || !stream->frames)
            return E_FAIL;
        *frames = *stream->frames;
        return S_OK;
    }

private:
    const ProbedStream* Current() const {
        // A negative stream number turns into a huge index, which is out of range as it should be.
        const auto index = static_cast<std::size_t>(current_);
        return index < streams_.size() ? &streams_[index] : nullptr;
    }

    ProbeDepth depth_;
    std::vector<ProbedStream> streams_;
    std::int32_t current_ = 0;
};

HRESULT CreateMediaDet(ProbeDepth depth, const GUID& iid, void** object) {
    auto* detector = new (std::nothrow) MediaDet(depth);
    if (detector == nullptr)
        return E_OUTOFMEMORY;
    const HRESULT status = detector->QueryInterface(iid, object);
    detector->Release();
    return status;
}

} // namespace

ClassRegistration RegisterMediaDet(ProbeDepth depth) {
    return RegisterClassFactory(CLSID_MediaDet, [depth](const GUID& iid, void** object) {
        return CreateMediaDet(depth, iid, object);
    });
}

} // namespace zarvo
