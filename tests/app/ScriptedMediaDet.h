// A media detector whose stream count and errors a test chooses, in place of the real one.
#pragma once

#include "platform/ClassRegistry.h"
#include "platform/MediaDet.h"

#include <cerrno>
#include <cstdint>
#include <system_error>

namespace zarvo::test {

enum class DetectorFault {
    None,
    ThrowOnStreamCount, // before the report has written anything
    ThrowOnMediaType,   // after the title and the file lines are written
};

inline constexpr char kStreamCountError[] = "Cannot read the stream count";
inline constexpr char kMediaTypeError[] = "Cannot read the media type";

class ScriptedMediaDet final : public RefCounted<IMediaDet> {
public:
    ScriptedMediaDet(std::int32_t streams, DetectorFault fault)
        : streams_(streams), fault_(fault) {}

    HRESULT put_Filename(std::string_view) override { return S_OK; }
    HRESULT get_OutputStreams(std::int32_t* count) override {
        if (fault_ == DetectorFault::ThrowOnStreamCount)
            throw std::system_error(EIO, std::generic_category(), kStreamCountError);
        *count = streams_;
        return S_OK;
    }
    HRESULT put_CurrentStream(std::int32_t) override { return S_OK; }
    HRESULT get_StreamLength(double* seconds) override {
        *seconds = 2;
        return S_OK;
    }
    HRESULT get_StreamMediaType(AM_MEDIA_TYPE* type) override {
        if (fault_ == DetectorFault::ThrowOnMediaType)
            throw std::system_error(EIO, std::generic_category(), kMediaTypeError);
        *type = AM_MEDIA_TYPE{};
        return S_OK;
    }
    HRESULT get_FrameRate(double* framesPerSecond) override {
        *framesPerSecond = 25;
        return S_OK;
    }

private:
    std::int32_t streams_;
    DetectorFault fault_;
};

// Makes the scripted detector the one that reports create, for as long as the result lives.
[[nodiscard]] inline ClassRegistration RegisterScriptedMediaDet(std::int32_t streams,
                                                                DetectorFault fault) {
    return RegisterClassFactory(CLSID_MediaDet, [streams, fault](const GUID& iid, void** object) {
        auto* detector = new ScriptedMediaDet(streams, fault);
        const HRESULT status = detector->QueryInterface(iid, object);
        detector->Release();
        return status;
    });
}

} // namespace zarvo::test
