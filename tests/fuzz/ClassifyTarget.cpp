// Fuzz target: arbitrary bytes as the media type records (any major and format type, any
// cbFormat, any block bytes), lengths and frame rates of a scripted detector, classified and
// printed by the real report builder.
#include "fuzz/ClassifyInput.h"
#include "fuzz/FuzzTarget.h"
#include "hostile/ReportShape.h"
#include "platform/ClassRegistry.h"
#include "platform/MediaDet.h"
#include "platform/StreamProbe.h"
#include "platform/TaskMem.h"
#include "report/ReportBuilder.h"
#include "support/RecordingView.h"

#include <filesystem>

namespace zarvo::fuzz {
namespace {

int liveDetectors = 0;

// Serves one decoded input. Each format block is allocated at exactly its cbFormat, so that a
// read past it is caught by the address sanitizer.
class FuzzedMediaDet final : public RefCounted<IMediaDet> {
public:
    FuzzedMediaDet(const FuzzedReport& report, IUnknown& unknown)
        : report_(report), unknown_(unknown) {
        ++liveDetectors;
    }
    ~FuzzedMediaDet() override { --liveDetectors; }

    HRESULT put_Filename(std::string_view) override {
        return report_.openFails ? VFW_E_UNKNOWN_FILE_TYPE : S_OK;
    }
    HRESULT get_OutputStreams(std::int32_t* count) override {
        *count = report_.negativeCount ? -1 : static_cast<std::int32_t>(report_.streams.size());
        return S_OK;
    }
    HRESULT put_CurrentStream(std::int32_t index) override {
        if (index < 0 || static_cast<std::size_t>(index) >= report_.streams.size())
            return E_INVALIDARG;
        current_ = static_cast<std::size_t>(index);
        return S_OK;
    }
    HRESULT get_StreamLength(double* seconds) override {
        if (!Stream().length)
            return E_FAIL;
        *seconds = *Stream().length;
        return S_OK;
    }
    HRESULT get_StreamMediaType(AM_MEDIA_TYPE* type) override {
        const FuzzedStream& stream = Stream();
        *type = AM_MEDIA_TYPE{};
        type->majortype = stream.majortype;
        type->formattype = stream.formattype;
        type->cbFormat = static_cast<std::uint32_t>(stream.block.size());
        if (!stream.block.empty() && !stream.nullBlock) {
            type->pbFormat = static_cast<std::uint8_t*>(CoTaskMemAlloc(stream.block.size()));
            std::copy(stream.block.begin(), stream.block.end(), type->pbFormat);
        }
        if (stream.withUnknown) {
            unknown_.AddRef();
            type->pUnk = &unknown_;
        }
        return S_OK;
    }
    HRESULT get_FrameRate(double* rate) override {
        if (!Stream().frameRate)
            return E_FAIL;
        *rate = *Stream().frameRate;
        return S_OK;
    }
    // It tells no count, so the fuzzed rate and length make the frames.
    HRESULT get_FrameCount(std::int64_t*) override { return E_FAIL; }

private:
    const FuzzedStream& Stream() const { return report_.streams.at(current_); }

    const FuzzedReport& report_;
    IUnknown& unknown_;
    std::size_t current_ = 0;
};

class Unknown final : public RefCounted<IUnknown> {};

} // namespace

std::vector<std::string> SeedsFromClip(const std::filesystem::path& clip) {
    std::vector<ProbedStream> probed;
    if (ProbeMediaFile(clip.string(), probed) != S_OK)
        return {};
    FuzzedReport report;
    for (const ProbedStream& stream : probed) {
        FuzzedStream fuzzed;
        fuzzed.majortype = stream.majortype;
        fuzzed.formattype = stream.formattype;
        fuzzed.block = stream.format;
        fuzzed.length = stream.length;
        fuzzed.frameRate = stream.frameRate;
        report.streams.push_back(std::move(fuzzed));
    }
    return {EncodeReport(report)};
}

} // namespace zarvo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zarvo;
    using namespace zarvo::fuzz;
    static IUnknown& unknown = *new Unknown; // one reference, held for good
    static const FuzzedReport* input = nullptr;
    static const ClassRegistration registration =
        RegisterClassFactory(CLSID_MediaDet, [](const GUID& iid, void** object) {
            auto* detector = new FuzzedMediaDet(*input, unknown);
            const HRESULT status = detector->QueryInterface(iid, object);
            detector->Release();
            return status;
        });

    const FuzzedReport report = DecodeReport({data, size});
    input = &report;
    zarvo::FormatSettings settings;
    settings.decimalSeparator = report.decimalComma ? ',' : '.';
    zarvo::test::RecordingView view;
    // The scripted detector answers for any path, but the size is read from the file itself:
    // this program's own file is one that is always there.
    static const std::string path = std::filesystem::read_symlink("/proc/self/exe").string();
    const zarvo::ReportOutcome outcome = zarvo::GetFileData(path, view, settings);

    Require(liveDetectors == 0, "the detector is released");
    unknown.AddRef();
    Require(unknown.Release() == 1, "every reference on pUnk is given back");
    Require(view.messages.empty(), "no message when the detector exists");
    const bool opens = !report.openFails && !report.negativeCount && !report.streams.empty();
    Require((outcome.result == zarvo::ReportResult::Reported) == opens,
            "a report exactly when the file opens with streams");
    if (!opens) {
        Require(view.title == "previous title" && view.caption == "previous caption" &&
                    view.lines == std::vector<std::string>{"previous report"},
                "the view keeps its text when there is no report");
        return 0;
    }
    zarvo::hostile::ShapeRules rules;
    rules.decimalSeparator = settings.decimalSeparator;
    rules.anyNumber = true;
    const zarvo::hostile::ShapeCheck shape = zarvo::hostile::CheckReportShape(view.lines, rules);
    if (!shape.error.empty())
        std::fprintf(stderr, "%s\n", shape.error.c_str());
    Require(shape.error.empty(), "the report has its promised shape");
    Require(static_cast<std::size_t>(shape.streams) == report.streams.size(),
            "one block per stream");
    return 0;
}
