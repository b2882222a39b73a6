// A media detector that answers from a script, registered in place of the real one.
#pragma once

#include "platform/ClassRegistry.h"
#include "platform/MediaDet.h"
#include "platform/TaskMem.h"

#include <cerrno>
#include <cstring>
#include <functional>
#include <optional>
#include <system_error>
#include <vector>

namespace zarvo::test {

inline constexpr char kStreamCountError[] = "Cannot read the stream count";
inline constexpr char kMediaTypeError[] = "Cannot read the media type";

struct ScriptedStream {
    GUID majortype = GUID_NULL;
    GUID formattype = GUID_NULL;
    std::vector<std::uint8_t> format;
    std::optional<double> length;    // none: get_StreamLength fails
    std::optional<double> frameRate; // none: get_FrameRate fails without writing
    IUnknown* unknown = nullptr;     // handed out (with a new reference) as pUnk
    bool mediaTypeThrows = false;    // get_StreamMediaType raises an error
    // A status other than S_OK: the call answers it without writing anything.
    HRESULT selectStatus = S_OK;
    HRESULT lengthStatus = S_OK;
    HRESULT mediaTypeStatus = S_OK;
    HRESULT frameRateStatus = S_OK;
};

struct Script {
    HRESULT openStatus = S_OK;
    bool countThrows = false;                  // get_OutputStreams raises kStreamCountError
    HRESULT countStatus = S_OK;                // answered without writing the count when not S_OK
    std::optional<std::int32_t> countOverride; // a count other than the number of streams
    std::vector<ScriptedStream> streams;
    std::vector<std::int32_t> selected; // every put_CurrentStream, in order
    // Called as the file is opened, on the thread of the report: a test may hold the read here.
    std::function<void(std::string_view path)> beforeOpen;
    int liveDetectors = 0;
};

class ScriptedMediaDet final : public RefCounted<IMediaDet> {
public:
    explicit ScriptedMediaDet(Script& script) : script_(script) { ++script_.liveDetectors; }
    ~ScriptedMediaDet() override { --script_.liveDetectors; }

    HRESULT put_Filename(std::string_view path) override {
        if (script_.beforeOpen)
            script_.beforeOpen(path);
        return script_.openStatus;
    }
    HRESULT get_OutputStreams(std::int32_t* count) override {
        if (script_.countThrows)
            throw std::system_error(EIO, std::generic_category(), kStreamCountError);
        if (script_.countStatus != S_OK)
            return script_.countStatus;
        *count = script_.countOverride.value_or(static_cast<std::int32_t>(script_.streams.size()));
        return S_OK;
    }
    HRESULT put_CurrentStream(std::int32_t index) override {
        script_.selected.push_back(index);
        if (script_.streams.at(static_cast<std::size_t>(index)).selectStatus != S_OK)
            return script_.streams.at(static_cast<std::size_t>(index)).selectStatus;
        current_ = index;
        return S_OK;
    }
    HRESULT get_StreamLength(double* seconds) override {
        if (Stream().lengthStatus != S_OK)
            return Stream().lengthStatus;
        const auto& length = Stream().length;
        if (!length)
            return E_FAIL;
        *seconds = *length;
        return S_OK;
    }
    HRESULT get_StreamMediaType(AM_MEDIA_TYPE* type) override {
        const ScriptedStream& stream = Stream();
        if (stream.mediaTypeThrows)
            throw std::system_error(EIO, std::generic_category(), kMediaTypeError);
        if (stream.mediaTypeStatus != S_OK)
            return stream.mediaTypeStatus;
        *type = AM_MEDIA_TYPE{};
        type->majortype = stream.majortype;
        type->formattype = stream.formattype;
        if (!stream.format.empty()) {
            type->pbFormat = static_cast<std::uint8_t*>(CoTaskMemAlloc(stream.format.size()));
            std::memcpy(type->pbFormat, stream.format.data(), stream.format.size());
            type->cbFormat = static_cast<std::uint32_t>(stream.format.size());
        }
        if (stream.unknown != nullptr) {
            stream.unknown->AddRef();
            type->pUnk = stream.unknown;
        }
        return S_OK;
    }
    HRESULT get_FrameRate(double* framesPerSecond) override {
        if (Stream().frameRateStatus != S_OK)
            return Stream().frameRateStatus;
        if (!Stream().frameRate)
            return E_FAIL;
        *framesPerSecond = *Stream().frameRate;
        return S_OK;
    }
    // Scripts tell no count, so a video stream's frames are its rate times its length.
    HRESULT get_FrameCount(std::int64_t*) override { return E_FAIL; }

private:
    const ScriptedStream& Stream() const {
        return script_.streams.at(static_cast<std::size_t>(current_));
    }

    Script& script_;
    std::int32_t current_ = 0;
};

// Registers a factory that makes scripted detectors for as long as the result lives.
inline ClassRegistration RegisterScriptedMediaDet(Script& script) {
    return RegisterClassFactory(CLSID_MediaDet, [&script](const GUID& iid, void** object) {
        auto* detector = new ScriptedMediaDet(script);
        const HRESULT status = detector->QueryInterface(iid, object);
        detector->Release();
        return status;
    });
}

// An interface whose references are counted, to check that every one taken is given back.
class CountedUnknown final : public RefCounted<IUnknown> {
public:
    ~CountedUnknown() override = default;
};

} // namespace zarvo::test
