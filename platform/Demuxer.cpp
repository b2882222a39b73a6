// Opening a local file with libavformat, reading it under the probe's limits.
#include "platform/Demuxer.h"

#include "platform/OggPages.h"
#include "platform/ProbeLimits.h"
#include "platform/ProbeStatus.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/time.h>
}

#include <cerrno>
#include <ctime>
#include <limits>
#include <string>
#include <unistd.h>

namespace zarvo {
namespace {

constexpr int kIoBufferSize = 64 * 1024;
std::int64_t ThreadProcessorMicroseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::int64_t{now.tv_sec} * 1'000'000 + now.tv_nsec / 1000;
}

// Playlists and reference files would open further files or URLs; nothing but the named file is
// ever opened.
int RefuseNestedOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) {
    return AVERROR(EPERM);
}

} // namespace

HRESULT Demuxer::OpenFile(std::string_view path) {
    if (path.empty())
        return E_FILE_NOT_FOUND;
    if (path.find('\0') != std::string_view::npos)
        return E_INVALIDARG;
    OpenedFile opened = File::OpenRegular(std::string(path));
    if (!opened.regular)
        return ZARVO_E_NOT_REGULAR_FILE;
    if (!opened.file.IsOpen())
        return StatusFromErrno(opened.error);
    file_ = std::move(opened.file);
    const std::optional<FileStamp> stamp = file_.Stamp();
    if (!stamp)
        return StatusFromErrno(errno);
    openedStamp_ = *stamp;

    lastData_ = av_gettime_relative();
    workStart_ = ThreadProcessorMicroseconds();
    return S_OK;
}

int Demuxer::ReadPacket(AVPacket& packet) {
    return av_read_frame(context_, &packet);
}

int Demuxer::FindStreamInfo() {
    scanned_ = 0;
    scanLimited_ = true;
    const int result = avformat_find_stream_info(context_, nullptr);
    scanLimited_ = false;
    return result;
}

HRESULT Demuxer::ReadingStatus(HRESULT demuxerStatus) const {
    // What cut the reading short explains whatever the demuxer made of it.
    if (cutShort_ != S_OK)
        return cutShort_;
    // A file written to, cut or replaced in place while it was read may have given bytes of two
    // versions, which describe neither.
    const std::optional<FileStamp> now = file_.Stamp();
    if (!now || *now != openedStamp_)
        return ZARVO_E_FILE_CHANGED;
    return demuxerStatus;
}

int Demuxer::OpenInput(const AVInputFormat* format) {
    Close();
    if (::lseek(file_.Descriptor(), 0, SEEK_SET) != 0)
        return AVERROR(errno);
    scanned_ = 0;
    auto* buffer = static_cast<std::uint8_t*>(av_malloc(kIoBufferSize));
    if (buffer == nullptr)
        return AVERROR(ENOMEM);
    io_ = avio_alloc_context(buffer, kIoBufferSize, 0, this, &Read, nullptr, &Seek);
    if (io_ == nullptr) {
        av_free(buffer);
        return AVERROR(ENOMEM);
    }
    AVFormatContext* context = avformat_alloc_context();
    if (context == nullptr)
        return AVERROR(ENOMEM);
    context->pb = io_;
    context->interrupt_callback = {&Interrupt, this};
    context->io_open = &RefuseNestedOpen;
    // Readers that open further files through a context of their own (a concatenation list)
    // pass this list on to it, and it names no protocol to open them with.
    context->protocol_whitelist = av_strdup("none");
    if (context->protocol_whitelist == nullptr) {
        avformat_free_context(context);
        return AVERROR(ENOMEM);
    }
    // After the data chunk the wave reader walks every further chunk to the file's end, for
    // tags the report never shows; past a clip padded with zeros that is a walk over the whole
    // file in eight-byte steps. Read as a stream, the header ends at the data chunk.
    const bool wave = format != nullptr && std::string_view(format->name) == "wav";
    if (wave)
        io_->seekable = 0;
    // A failed open frees the context itself.
    const int result = avformat_open_input(&context, nullptr, format, nullptr);
    io_->seekable = AVIO_SEEKABLE_NORMAL;
    if (result < 0)
        return result;
    context_ = context;
    dataStart_ = avio_tell(io_);
    // The Ogg reader ends its headers only inside the first page of samples, which may hold a
    // second of them; the pages' own headers tell where that page starts.
    if (std::string_view(context->iformat->name) == "ogg") {
        const std::optional<std::int64_t> firstData = FirstOggDataPage(file_, dataStart_);
        if (!firstData) {
            cutShort_ = ReadErrorStatus(errno);
            return AVERROR_EXIT;
        }
        dataStart_ = *firstData;
    }
    return result;
}

std::int64_t Demuxer::MediaDataBytes() const {
    const std::optional<std::uint64_t> size = file_.Size();
    if (!size || dataStart_ < 0 ||
        *size > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
        return 0;
    const auto bytes = static_cast<std::int64_t>(*size) - dataStart_;
    return bytes > 0 ? bytes : 0;
}

void Demuxer::Close() {
    if (context_ != nullptr)
        avformat_close_input(&context_);
    if (io_ != nullptr) {
        av_freep(&io_->buffer);
        avio_context_free(&io_);
    }
}

HRESULT Demuxer::LimitReached() {
    if (cutShort_ != S_OK)
        return cutShort_;
    if (av_gettime_relative() - lastData_ > std::chrono::microseconds(StallLimit()).count())
        cutShort_ = ZARVO_E_READ_STALLED;
    else if (ThreadProcessorMicroseconds() - workStart_ > std::int64_t{kWorkSeconds} * 1'000'000)
        cutShort_ = ZARVO_E_WORK_LIMIT;
    return cutShort_;
}

int Demuxer::Read(void* opaque, std::uint8_t* buffer, int size) {
    // Some demuxers loop over their input without asking the interrupt callback; the limits then
    // end the reading here.
    auto& demuxer = *static_cast<Demuxer*>(opaque);
    if (demuxer.LimitReached() != S_OK)
        return AVERROR_EXIT;
    if (demuxer.scanLimited_ && demuxer.scanned_ >= kScanLimitBytes) {
        // A hole to the end of a sparse file holds nothing but zeros, which begin no packet:
        // there the file truly ends for the analysis. Anywhere else the rest is unknown.
        if (demuxer.file_.OnlyHoleFollows())
            return AVERROR_EOF;
        demuxer.cutShort_ = ZARVO_E_SCAN_LIMIT;
        return AVERROR_EXIT;
    }
    const ssize_t count = demuxer.file_.Read(buffer, static_cast<std::size_t>(size));
    if (count < 0) {
        // Once a read has failed, nothing read after it describes the file.
        demuxer.cutShort_ = ReadErrorStatus(errno);
        return AVERROR_EXIT;
    }
    if (count == 0)
        return AVERROR_EOF;
    // A read that itself waited past the limit counts like a pause between reads.
    if (demuxer.LimitReached() != S_OK)
        return AVERROR_EXIT;
    demuxer.lastData_ = av_gettime_relative();
    demuxer.scanned_ += count;
    return static_cast<int>(count);
}

std::int64_t Demuxer::Seek(void* opaque, std::int64_t offset, int whence) {
    auto& demuxer = *static_cast<Demuxer*>(opaque);
    if (whence == AVSEEK_SIZE) {
        const std::optional<std::uint64_t> size = demuxer.file_.Size();
        return size ? static_cast<std::int64_t>(*size) : AVERROR(errno);
    }
    const off_t position = ::lseek(demuxer.file_.Descriptor(), offset, whence & ~AVSEEK_FORCE);
    if (position < 0)
        return AVERROR(errno);
    demuxer.scanned_ = 0;
    return position;
}

int Demuxer::Interrupt(void* opaque) {
    return static_cast<Demuxer*>(opaque)->LimitReached() != S_OK ? 1 : 0;
}

} // namespace zarvo
