// The report: three file lines, then one section per stream.
#include "report/ReportBuilder.h"

#include "platform/ClassRegistry.h"
#include "platform/File.h"
#include "platform/FilePath.h"
#include "platform/MediaDet.h"
#include "platform/TaskMem.h"
#include "report/MediaStream.h"
#include "report/ReportLabels.h"
#include "report/StreamClassification.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

namespace zarvo {
namespace {

const std::string kRule(27, '=');

std::runtime_error SizeError(const char* why) {
    return std::runtime_error(std::string("cannot read the file's size (") + why + ")");
}

// The nearest float; a value beyond float range becomes infinity rather than undefined behaviour.
float NarrowToFloat(double value) {
    if (std::fabs(value) > std::numeric_limits<float>::max())
        return std::copysign(std::numeric_limits<float>::infinity(), static_cast<float>(value));
    return static_cast<float>(value);
}

std::string ChannelsText(std::uint8_t channels) {
    switch (channels) {
    case 1:
        return "1 (mono)";
    case 2:
        return "2 (stereo)";
    default:
        return std::to_string(channels);
    }
}

void AppendSection(ReportView& view, std::int64_t number, const TMediaStream& stream,
                   const FormatSettings& settings) {
    const std::string& type = stream.StreamType;
    const bool video = type == "Video";
    const bool audio = type == "Audio" || type == "Ogg audio";
    if (!video && !audio && type != "Unknown")
        return;
    view.AppendLine("Stream " + std::to_string(number) + "  --  " + type);
    if (!video && !audio)
        return;
    view.AppendLine(kRule);
    if (video) {
        view.AppendLine(LabelledLine(ReportLine::Resolution, stream.Resolution));
        view.AppendLine(LabelledLine(ReportLine::Codec, stream.Codec));
        view.AppendLine(LabelledLine(ReportLine::Frames, std::to_string(stream.Frames)));
        view.AppendLine(
            LabelledLine(ReportLine::FrameRate, FormatFixed(stream.FrameRate, 3, settings)));
        view.AppendLine(LabelledLine(ReportLine::StreamDuration, stream.Duration));
        view.AppendLine(
            LabelledLine(ReportLine::ColorDepth, std::to_string(stream.ColorDepth) + " bit"));
        view.AppendLine(LabelledLine(ReportLine::Ratio, FormatFixed(stream.Ratio, 2, settings)));
        return;
    }
    view.AppendLine(LabelledLine(ReportLine::Codec, stream.Codec));
    view.AppendLine(
        LabelledLine(ReportLine::SampleRate, FormatFixed(stream.SampleRate, 1, settings) + " kHz"));
    view.AppendLine(
        LabelledLine(ReportLine::Bitrate, std::to_string(stream.Bitrate) + " kbit/sec"));
    view.AppendLine(LabelledLine(ReportLine::StreamDuration, stream.Duration));
    view.AppendLine(LabelledLine(ReportLine::Channels, ChannelsText(stream.Channels)));
}

// Frees what a media type record owns when the stream's steps end, however they end.
class MediaTypeGuard {
public:
    explicit MediaTypeGuard(AM_MEDIA_TYPE& mediaType) : mediaType_(mediaType) {}
    MediaTypeGuard(const MediaTypeGuard&) = delete;
    MediaTypeGuard& operator=(const MediaTypeGuard&) = delete;
    ~MediaTypeGuard() { FreeMediaType(mediaType_); }

private:
    AM_MEDIA_TYPE& mediaType_;
};

// Points CurrentStream at one stream's record for as long as it lives, then back.
class CurrentStreamScope {
public:
    explicit CurrentStreamScope(TMediaStream& stream) : previous_(CurrentStream) {
        CurrentStream = &stream;
    }
    CurrentStreamScope(const CurrentStreamScope&) = delete;
    CurrentStreamScope& operator=(const CurrentStreamScope&) = delete;
    // What was designated before, so that a report built inside another leaves its record alone.
    ~CurrentStreamScope() { CurrentStream = previous_; }

private:
    TMediaStream* previous_;
};

void RequireSuccess(HRESULT status) {
    if (status != S_OK)
        throw DetectorFailure(status);
}

// A value the detector may simply not have for a stream (a length, a frame rate) is asked for
// with a status that says so: E_FAIL, or a success code other than S_OK. Any other failure
// (out of memory, a bad argument) means the answer was lost, not absent.
void RequireValueOrNone(HRESULT status) {
    if (status < 0 && status != E_FAIL)
        throw DetectorFailure(status);
}

// The current stream's count of frames, where the detector knows it.
std::optional<std::int64_t> FrameCountOf(IMediaDet& detector) {
    std::int64_t frames = 0;
    const HRESULT status = detector.get_FrameCount(&frames);
    RequireValueOrNone(status);
    return status == S_OK ? std::optional(frames) : std::nullopt;
}

// The detector of one report and the length of the stream it measured last.
class StreamLengths {
public:
    StreamLengths(IMediaDet& detector, const FormatSettings& settings)
        : detector_(detector), settings_(settings) {}

    // Selects the stream and reads its length; "Unknown" and a length of 0 when it has none.
    std::string StreamDurationText(std::int32_t stream) {
        RequireSuccess(detector_.put_CurrentStream(stream));
        length_.reset();
        double length = 0;
        const HRESULT status = detector_.get_StreamLength(&length);
        RequireValueOrNone(status);
        // A length that is not a number of seconds a clock can show counts as unknown too.
        if (status != S_OK || !std::isfinite(length) || std::fabs(length) >= 0x1p63)
            return "Unknown";
        length_ = length;
        return DurationText(length, settings_);
    }

    double CurrentLength() const { return length_.value_or(0); }
    // The length measured last, none where its text is "Unknown".
    const std::optional<double>& KnownLength() const { return length_; }

private:
    IMediaDet& detector_;
    const FormatSettings& settings_;
    std::optional<double> length_;
};

} // namespace

ReportOutcome GetFileData(const std::string& path, ReportView& view, const FormatSettings& settings,
                          const std::string& openAs) {
    const OpenAsScope redirect(path, openAs);
    ComPtr<IMediaDet> detector;
    HRESULT status =
        CoCreateInstance(CLSID_MediaDet, nullptr, CLSCTX_INPROC, IID_IMediaDet, detector.PutVoid());
    if (status != S_OK || !detector) {
        view.ShowMessage("Media Detector not available");
        return {ReportResult::NoDetector, status != S_OK ? status : E_POINTER};
    }
    status = detector->put_Filename(path);
    if (status != S_OK)
        return {ReportResult::NotOpened, status};
    std::int32_t count = 0;
    status = detector->get_OutputStreams(&count);
    if (status != S_OK)
        return {ReportResult::NotOpened, status};
    if (count <= 0)
        return {ReportResult::NoStreams, S_OK};

    StreamLengths lengths(*detector, settings);
    const std::string fileDuration = lengths.StreamDurationText(0);
    const std::optional<double> fileLength = lengths.KnownLength();
    const std::string title = "Zarvo  [" + path + "]";
    view.SetApplicationTitle(title);
    view.SetCaption(title);
    view.ClearReport();
    view.AppendFileNameLine(LabelledLine(ReportLine::FileName, ""), SplitPath(path).name);
    const std::uint64_t size = FileSizeByName(path);
    view.AppendLine(LabelledLine(ReportLine::FileSize, std::to_string(size >> 20) + " MB"));
    view.AppendLine(LabelledLine(ReportLine::FileDuration, fileDuration));
    view.FileDescribed(size, fileLength);

    // One value for the whole report: a stream whose rate cannot be read keeps the last one.
    double frameRate = 0;
    AM_MEDIA_TYPE mediaType{};
    for (std::int32_t i = 0; i < count; ++i) {
        TMediaStream stream;
        const CurrentStreamScope current(stream);
        const MediaTypeGuard release(mediaType);
        RequireSuccess(detector->put_CurrentStream(i));
        RequireSuccess(detector->get_StreamMediaType(&mediaType));
        RequireValueOrNone(detector->get_FrameRate(&frameRate));
        const std::optional<std::int64_t> frames = FrameCountOf(*detector);
        stream.FrameRate = NarrowToFloat(frameRate);
        stream.Duration = lengths.StreamDurationText(i);
        GetMediaTypeDescriptionX(mediaType, lengths.CurrentLength(), frames);
        view.AppendLine("");
        AppendSection(view, std::int64_t{i} + 1, stream, settings);
        view.StreamDescribed(std::int64_t{i} + 1, stream, lengths.KnownLength());
    }
    return {ReportResult::Reported, S_OK};
}

std::string FillZero(std::string text, std::size_t width) {
    if (text.size() < width)
        text.insert(0, width - text.size(), '0');
    return text;
}

std::string FillZeroMilliSeconds(std::string text, std::size_t width) {
    if (text.size() < width)
        text.append(width - text.size(), '0');
    return text;
}

DetectorFailure::DetectorFailure(HRESULT status)
    : std::runtime_error(DescribeStatus(status)), status_(status) {}

std::uint64_t FileSizeByName(const std::string& path) {
    // Only a regular file has a size to read; a device or FIFO put in the file's place since the
    // detector opened it is never opened here. A file that is gone by now has no size to show.
    const OpenedFile opened = File::OpenRegular(path);
    if (!opened.file.IsOpen())
        throw SizeError(opened.error != 0 ? std::strerror(opened.error) : "not a regular file");
    const std::optional<std::uint64_t> size = opened.file.Size();
    if (!size)
        throw SizeError(std::strerror(errno));
    return *size;
}

void FreeMediaType(AM_MEDIA_TYPE& mediaType) {
    if (mediaType.cbFormat != 0)
        CoTaskMemFree(mediaType.pbFormat);
    if (mediaType.pUnk != nullptr)
        mediaType.pUnk->Release();
    mediaType = AM_MEDIA_TYPE{};
}

std::string DurationText(double seconds, const FormatSettings& settings) {
    const auto whole = static_cast<std::int64_t>(seconds);
    const std::int64_t hours = whole / 3600;
    const std::int64_t minutes = whole % 3600 / 60;
    const std::int64_t secs = whole % 60;

    // The fraction's digits as the general form writes them; a value in exponent notation (below
    // 0.0001 or from 10^15 up) has no fraction worth showing.
    const std::string general = FormatGeneral(seconds, settings);
    std::string fraction;
    const std::size_t point = general.find_first_of(",.");
    if (point != std::string::npos && general.find('E') == std::string::npos)
        fraction = general.substr(point + 1);
    if (fraction.size() > 3)
        fraction.resize(2);

    return FillZero(std::to_string(hours), 2) + ":" + FillZero(std::to_string(minutes), 2) + ":" +
           FillZero(std::to_string(secs), 2) + ":" + FillZeroMilliSeconds(fraction, 2);
}

} // namespace zarvo
