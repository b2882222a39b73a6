// The media detector: opens one media file and describes each of its streams.
#pragma once

#include "platform/ClassRegistry.h"
#include "platform/DirectShow.h"
#include "platform/StreamProbe.h"
#include "platform/Unknown.h"

#include <cstdint>
#include <string_view>

namespace zarvo {

inline constexpr GUID CLSID_MediaDet{
    0x65BD0711, 0x24D2, 0x4FF7, {0x93, 0x24, 0xED, 0x2E, 0x5D, 0x3A, 0xBA, 0xFA}};
inline constexpr GUID IID_IMediaDet{
    0x65BD0710, 0x24D2, 0x4FF7, {0x93, 0x24, 0xED, 0x2E, 0x5D, 0x3A, 0xBA, 0xFA}};

class IMediaDet : public IUnknown {
public:
    static constexpr const GUID& kIid = IID_IMediaDet;

    // Opens the file at `path` (the platform's native byte string) and reads its streams.
    virtual HRESULT put_Filename(std::string_view path) = 0;
    virtual HRESULT get_OutputStreams(std::int32_t* count) = 0;
    // Selects the stream that the next calls describe.
    virtual HRESULT put_CurrentStream(std::int32_t index) = 0;
    virtual HRESULT get_StreamLength(double* seconds) = 0;
    // Fills *type; the caller owns the record's format block and interface reference afterwards.
    virtual HRESULT get_StreamMediaType(AM_MEDIA_TYPE* type) = 0;
    virtual HRESULT get_FrameRate(double* framesPerSecond) = 0;
    // How many frames the stream holds, where the detector knows: the count its container states,
    // else its exact frame rate times its exact length. E_FAIL where it knows neither.
    virtual HRESULT get_FrameCount(std::int64_t* frames) = 0;

protected:
    ~IMediaDet() = default;
};

// Makes the detector on libavformat creatable as CLSID_MediaDet while the result lives. Its
// probes read as deep as `depth` says; the full analysis is the yardstick the tests hold the
// report's own depth to.
[[nodiscard]] ClassRegistration RegisterMediaDet(ProbeDepth depth = ProbeDepth::Report);

} // namespace zarvo
