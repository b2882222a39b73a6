// Everything this program asks of libavformat: open a local file and describe its streams.
#include "platform/StreamProbe.h"

#include "codecs/FourCC.h"
#include "platform/DirectShow.h"
#include "platform/File.h"
#include "platform/ProbePolicy.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
#include <libavutil/time.h>
}

#include <algorithm>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <limits>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

// Format blocks are built by copying the record, which gives their stored byte order only here.
static_assert(std::endian::native == std::endian::little);

namespace {

using zarvo::FourCC;

// No file may hold the caller for longer than this, whatever it contains.
constexpr std::int64_t kOpenTimeLimitMicroseconds = 3'000'000;
constexpr int kIoBufferSize = 64 * 1024;
// The analysis stops by itself after some megabytes of packets, and when it looks for the last
// timestamps it seeks close to the end first; where it reads this far without seeking, it is
// wading through bytes that hold no packets (a file padded with zeros), which may go on to the
// end of a file of any size.
constexpr std::int64_t kAnalysisScanLimit = 16 << 20;

HRESULT StatusFromErrno(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return E_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
        return E_ACCESSDENIED;
    case ENXIO:
    case ENODEV:
        return ZARVO_E_NOT_REGULAR_FILE;
    case ENAMETOOLONG:
    case ELOOP:
        return E_INVALIDARG;
    case ENOMEM:
        return E_OUTOFMEMORY;
    default:
        return E_FAIL;
    }
}

HRESULT StatusFromAvError(int error, HRESULT otherwise) {
    if (error == AVERROR_EXIT)
        return VFW_E_TIMEOUT;
    // libavformat also answers "no memory" when a header asks for more than the file holds or
    // than it will allocate (a chunk reaching past the end, more streams than it takes): that
    // is a damaged file, not a full machine.
    if (error == AVERROR(ENOMEM))
        return VFW_E_INVALID_FILE_FORMAT;
    return otherwise;
}

template <typename To, typename From> To Clamp(From value) {
    return static_cast<To>(std::clamp<std::int64_t>(value, std::numeric_limits<To>::min(),
                                                    std::numeric_limits<To>::max()));
}

// Owns the file, libavformat's reader over it and the demuxer, and closes them in that order's
// reverse. The file is read only through our own callbacks, so a name such as "http://x" or
// "a:b.avi" is always just a local file.
class Demuxer {
public:
    Demuxer() = default;
    Demuxer(const Demuxer&) = delete;
    Demuxer& operator=(const Demuxer&) = delete;
    ~Demuxer() { Close(); }

    HRESULT Open(std::string_view path, ProbeDepth depth);
    const AVFormatContext& Context() const { return *context_; }
    AVFormatContext& Context() { return *context_; }

private:
    // Opens the demuxer from the file's first byte: with `format`, or with the format its bytes
    // show when that is null. Returns libavformat's status.
    int OpenInput(const AVInputFormat* format);
    void Close();
    static int Read(void* opaque, std::uint8_t* buffer, int size);
    static std::int64_t Seek(void* opaque, std::int64_t offset, int whence);
    static int PastDeadline(void* opaque);
    // Playlists and reference files would open further files or URLs; nothing but the named
    // file is ever opened.
    static int RefuseNestedOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) {
        return AVERROR(EPERM);
    }

    File file_;
    AVIOContext* io_ = nullptr;
    AVFormatContext* context_ = nullptr;
    std::int64_t deadline_ = 0;
    std::int64_t scanned_ = 0;   // bytes read since the last seek
    std::int64_t scanLimit_ = 0; // when not 0, reading ends after this many bytes without a seek
};

HRESULT Demuxer::Open(std::string_view path, ProbeDepth depth) {
    if (path.empty())
        return E_FILE_NOT_FOUND;
    if (path.find('\0') != std::string_view::npos)
        return E_INVALIDARG;
    const std::string name(path);

    // Looking before opening keeps devices and FIFOs from ever being opened.
    struct stat status;
    if (::stat(name.c_str(), &status) != 0)
        return StatusFromErrno(errno);
    if (!S_ISREG(status.st_mode))
        return ZARVO_E_NOT_REGULAR_FILE;
    int error = 0;
    file_ = File::OpenForReading(name, error);
    if (!file_.IsOpen())
        return StatusFromErrno(error);
    if (::fstat(file_.Descriptor(), &status) != 0 || !S_ISREG(status.st_mode))
        return ZARVO_E_NOT_REGULAR_FILE;

    deadline_ = av_gettime_relative() + kOpenTimeLimitMicroseconds;
    // The name's format is tried first, which spares probing the bytes against every demuxer; a
    // file whose name tells the wrong format fails that demuxer's signature check and is probed.
    const AVInputFormat* named =
        depth == ProbeDepth::Report ? FormatNamedByExtension(path) : nullptr;
    int result = named != nullptr ? OpenInput(named) : AVERROR_INVALIDDATA;
    if (result < 0 && result != AVERROR_EXIT)
        result = OpenInput(nullptr);
    if (result < 0)
        return StatusFromAvError(result, VFW_E_UNKNOWN_FILE_TYPE);
    // The full analysis decodes the first frames of every stream, and for some containers reads
    // the file's end; it is skipped where the headers already state every field it would give.
    if (depth == ProbeDepth::Report && HeadersDescribeEveryField(*context_)) {
        FillFromCodecHeaders(*context_);
        return S_OK;
    }
    scanLimit_ = kAnalysisScanLimit;
    result = avformat_find_stream_info(context_, nullptr);
    scanLimit_ = 0;
    if (result < 0)
        return StatusFromAvError(result, VFW_E_INVALID_FILE_FORMAT);
    return S_OK;
}

int Demuxer::OpenInput(const AVInputFormat* format) {
    Close();
    if (::lseek(file_.Descriptor(), 0, SEEK_SET) != 0)
        return AVERROR(errno);
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
    context->interrupt_callback = {&PastDeadline, this};
    context->io_open = &RefuseNestedOpen;
    // After the data chunk the wave reader walks every further chunk to the file's end, for
    // tags the report never shows; past a clip padded with zeros that is a walk over the whole
    // file in eight-byte steps. Read as a stream, the header ends at the data chunk.
    const bool wave = format != nullptr && std::string_view(format->name) == "wav";
    if (wave)
        io_->seekable = 0;
    // A failed open frees the context itself.
    const int result = avformat_open_input(&context, nullptr, format, nullptr);
    io_->seekable = AVIO_SEEKABLE_NORMAL;
    if (result >= 0)
        context_ = context;
    return result;
}

void Demuxer::Close() {
    if (context_ != nullptr)
        avformat_close_input(&context_);
    if (io_ != nullptr) {
        av_freep(&io_->buffer);
        avio_context_free(&io_);
    }
}

int Demuxer::Read(void* opaque, std::uint8_t* buffer, int size) {
    // Some demuxers loop over their input without asking the interrupt callback; the deadline
    // then ends the reading itself.
    if (PastDeadline(opaque))
        return AVERROR_EXIT;
    auto& demuxer = *static_cast<Demuxer*>(opaque);
    if (demuxer.scanLimit_ > 0 && demuxer.scanned_ >= demuxer.scanLimit_)
        return AVERROR_EOF;
    ssize_t count;
    do {
        count = ::read(demuxer.file_.Descriptor(), buffer, static_cast<std::size_t>(size));
    } while (count < 0 && errno == EINTR);
    if (count < 0)
        return AVERROR(errno);
    demuxer.scanned_ += count;
    return count == 0 ? AVERROR_EOF : static_cast<int>(count);
}

std::int64_t Demuxer::Seek(void* opaque, std::int64_t offset, int whence) {
    auto& demuxer = *static_cast<Demuxer*>(opaque);
    const int fd = demuxer.file_.Descriptor();
    if (whence == AVSEEK_SIZE) {
        struct stat status;
        return ::fstat(fd, &status) == 0 ? status.st_size : AVERROR(errno);
    }
    const off_t position = ::lseek(fd, offset, whence & ~AVSEEK_FORCE);
    if (position < 0)
        return AVERROR(errno);
    demuxer.scanned_ = 0;
    return position;
}

int Demuxer::PastDeadline(void* opaque) {
    return av_gettime_relative() > static_cast<Demuxer*>(opaque)->deadline_;
}

// Containers whose streams carry the bitmap-header code or wave format tag as the file stores it.
bool StoresRiffCodes(const AVInputFormat& format) {
    const std::string_view name = format.name;
    return name == "avi" || name == "asf" || name == "matroska,webm" || name == "ogg" ||
           name == "wav" || name == "w64";
}

struct NamedCode {
    AVCodecID codec;
    std::uint32_t code;
};

// The upper-case code under which the video codec table names a codec, by codec.
// clang-format off
constexpr NamedCode kNamedVideoCodes[] = {
    {AV_CODEC_ID_H264,        FourCC("H264")},
    {AV_CODEC_ID_HEVC,        FourCC("H265")},
    {AV_CODEC_ID_H261,        FourCC("H261")},
    {AV_CODEC_ID_H263,        FourCC("H263")},
    {AV_CODEC_ID_MPEG4,       FourCC("MP4V")},
    {AV_CODEC_ID_MPEG1VIDEO,  FourCC("MPG1")},
    {AV_CODEC_ID_MPEG2VIDEO,  FourCC("MPG2")},
    {AV_CODEC_ID_MJPEG,       FourCC("MJPG")},
    {AV_CODEC_ID_MJPEGB,      FourCC("MJPB")},
    {AV_CODEC_ID_DVVIDEO,     FourCC("DVSD")},
    {AV_CODEC_ID_WMV1,        FourCC("WMV1")},
    {AV_CODEC_ID_WMV2,        FourCC("WMV2")},
    {AV_CODEC_ID_WMV3,        FourCC("WMV3")},
    {AV_CODEC_ID_MSMPEG4V2,   FourCC("MP42")},
    {AV_CODEC_ID_MSMPEG4V3,   FourCC("MP43")},
    {AV_CODEC_ID_CINEPAK,     FourCC("CVID")},
    {AV_CODEC_ID_HUFFYUV,     FourCC("HFYU")},
    {AV_CODEC_ID_MSVIDEO1,    FourCC("MSVC")},
    {AV_CODEC_ID_MSRLE,       FourCC("MRLE")},
    {AV_CODEC_ID_INDEO3,      FourCC("IV32")},
    {AV_CODEC_ID_INDEO4,      FourCC("IV41")},
    {AV_CODEC_ID_INDEO5,      FourCC("IV50")},
    {AV_CODEC_ID_SVQ1,        FourCC("SVQ1")},
    {AV_CODEC_ID_SVQ3,        FourCC("SVQ3")},
    {AV_CODEC_ID_VP3,         FourCC("VP31")},
    {AV_CODEC_ID_RV10,        FourCC("RV10")},
    {AV_CODEC_ID_RV20,        FourCC("RV20")},
    {AV_CODEC_ID_RV30,        FourCC("RV30")},
    {AV_CODEC_ID_TSCC,        FourCC("TSCC")},
    {AV_CODEC_ID_ZLIB,        FourCC("ZLIB")},
    {AV_CODEC_ID_MSZH,        FourCC("MSZH")},
    {AV_CODEC_ID_QPEG,        FourCC("QPEG")},
    {AV_CODEC_ID_ASV1,        FourCC("ASV1")},
    {AV_CODEC_ID_ASV2,        FourCC("ASV2")},
    {AV_CODEC_ID_CLJR,        FourCC("CLJR")},
    {AV_CODEC_ID_VCR1,        FourCC("VCR1")},
    {AV_CODEC_ID_ULTI,        FourCC("ULTI")},
    {AV_CODEC_ID_WNV1,        FourCC("WNV1")},
    {AV_CODEC_ID_AASC,        FourCC("AASC")},
    {AV_CODEC_ID_KMVC,        FourCC("KMVC")},
    {AV_CODEC_ID_MSS1,        FourCC("MSS1")},
    {AV_CODEC_ID_RPZA,        FourCC("RPZA")},
    {AV_CODEC_ID_SMC,         FourCC("SMC")},
    {AV_CODEC_ID_CYUV,        FourCC("CYUV")},
    {AV_CODEC_ID_AVRN,        FourCC("AVRN")},
    {AV_CODEC_ID_FRWU,        FourCC("FRWU")},
};
// clang-format on

std::uint32_t NamedVideoCode(AVCodecID codec) {
    for (const NamedCode& row : kNamedVideoCodes)
        if (row.codec == codec)
            return row.code;
    return 0;
}

std::uint32_t VideoCompressionCode(const AVCodecParameters& codec, bool storesRiffCodes) {
    if (storesRiffCodes && codec.codec_tag != 0)
        return codec.codec_tag;
    if (const std::uint32_t named = NamedVideoCode(codec.codec_id))
        return named;
    const AVCodecTag* const tags[] = {avformat_get_riff_video_tags(), nullptr};
    return av_codec_get_tag(tags, codec.codec_id);
}

std::uint16_t WaveFormatTag(const AVCodecParameters& codec, bool storesRiffCodes) {
    if (storesRiffCodes && codec.codec_tag >= 1 && codec.codec_tag <= 0xFFFF)
        return static_cast<std::uint16_t>(codec.codec_tag);
    const AVCodecTag* const tags[] = {avformat_get_riff_audio_tags(), nullptr};
    return static_cast<std::uint16_t>(av_codec_get_tag(tags, codec.codec_id));
}

std::uint16_t BitCount(const AVCodecParameters& codec) {
    if (codec.bits_per_coded_sample > 0)
        return Clamp<std::uint16_t>(codec.bits_per_coded_sample);
    if (const AVPixFmtDescriptor* pixels = av_pix_fmt_desc_get(AVPixelFormat(codec.format)))
        return Clamp<std::uint16_t>(av_get_bits_per_pixel(pixels));
    return 0;
}

// The average frame rate, or the real base rate when the container does not know the average.
AVRational FrameRate(const AVStream& stream) {
    if (stream.avg_frame_rate.num > 0 && stream.avg_frame_rate.den > 0)
        return stream.avg_frame_rate;
    if (stream.r_frame_rate.num > 0 && stream.r_frame_rate.den > 0)
        return stream.r_frame_rate;
    return {0, 1};
}

template <typename Block> std::vector<std::uint8_t> BlockBytes(const Block& block) {
    std::vector<std::uint8_t> bytes(sizeof block);
    std::memcpy(bytes.data(), &block, sizeof block);
    return bytes;
}

// Fills the fields that VIDEOINFOHEADER and VIDEOINFOHEADER2 share.
template <typename Header>
void FillVideoHeader(Header& header, const AVStream& stream, bool storesRiffCodes) {
    const AVCodecParameters& codec = *stream.codecpar;
    const AVRational rate = FrameRate(stream);
    header.dwBitRate = Clamp<std::uint32_t>(codec.bit_rate);
    header.AvgTimePerFrame = rate.num > 0 ? av_rescale(10'000'000, rate.den, rate.num) : 0;
    BITMAPINFOHEADER& bitmap = header.bmiHeader;
    bitmap.biSize = sizeof(BITMAPINFOHEADER);
    bitmap.biWidth = codec.width;
    bitmap.biHeight = codec.height;
    bitmap.biPlanes = 1;
    bitmap.biBitCount = BitCount(codec);
    bitmap.biCompression = VideoCompressionCode(codec, storesRiffCodes);
}

void DescribeVideo(AVFormatContext& context, AVStream& stream, ProbedStream& out) {
    const bool storesRiffCodes = StoresRiffCodes(*context.iformat);
    const AVRational rate = FrameRate(stream);
    out.majortype = MEDIATYPE_Video;
    out.frameRate = rate.num > 0 ? av_q2d(rate) : 0.0;

    const AVCodecID codec = stream.codecpar->codec_id;
    if (codec == AV_CODEC_ID_MPEG1VIDEO) {
        MPEG1VIDEOINFO info{};
        FillVideoHeader(info.hdr, stream, storesRiffCodes);
        out.formattype = FORMAT_MPEGVideo;
        out.format = BlockBytes(info);
        return;
    }
    const AVRational pixel = av_guess_sample_aspect_ratio(&context, &stream, nullptr);
    const bool squarePixels = pixel.num <= 0 || pixel.den <= 0 || pixel.num == pixel.den;
    if (codec != AV_CODEC_ID_MPEG2VIDEO && squarePixels) {
        VIDEOINFOHEADER info{};
        FillVideoHeader(info, stream, storesRiffCodes);
        out.formattype = FORMAT_VideoInfo;
        out.format = BlockBytes(info);
        return;
    }
    VIDEOINFOHEADER2 header{};
    FillVideoHeader(header, stream, storesRiffCodes);
    int aspectX = 0, aspectY = 0;
    const AVRational square{1, 1};
    const AVRational shape = squarePixels ? square : pixel;
    av_reduce(&aspectX, &aspectY, std::int64_t{stream.codecpar->width} * shape.num,
              std::int64_t{stream.codecpar->height} * shape.den, std::numeric_limits<int>::max());
    header.dwPictAspectRatioX = Clamp<std::uint32_t>(aspectX);
    header.dwPictAspectRatioY = Clamp<std::uint32_t>(aspectY);
    if (codec == AV_CODEC_ID_MPEG2VIDEO) {
        MPEG2VIDEOINFO info{};
        info.hdr = header;
        out.formattype = FORMAT_MPEG2Video;
        out.format = BlockBytes(info);
    } else {
        out.formattype = FORMAT_VideoInfo2;
        out.format = BlockBytes(header);
    }
}

// Bits per second: the stream's own figure, else the statistics some muxers write as tags.
std::int64_t BitRate(const AVStream& stream) {
    if (stream.codecpar->bit_rate > 0)
        return stream.codecpar->bit_rate;
    const AVDictionaryEntry* tag =
        av_dict_get(stream.metadata, "BPS", nullptr, AV_DICT_IGNORE_SUFFIX);
    if (tag == nullptr)
        return 0;
    std::int64_t bits = 0;
    const char* end = tag->value + std::strlen(tag->value);
    const auto [rest, error] = std::from_chars(tag->value, end, bits);
    return error == std::errc{} && rest == end && bits > 0 ? bits : 0;
}

void DescribeAudio(const AVFormatContext& context, const AVStream& stream, ProbedStream& out) {
    const AVCodecParameters& codec = *stream.codecpar;
    WAVEFORMATEX wave{};
    wave.wFormatTag = WaveFormatTag(codec, StoresRiffCodes(*context.iformat));
    wave.nChannels = Clamp<std::uint16_t>(codec.ch_layout.nb_channels);
    wave.nSamplesPerSec = Clamp<std::uint32_t>(codec.sample_rate);
    wave.nAvgBytesPerSec = Clamp<std::uint32_t>(BitRate(stream) / 8);
    wave.nBlockAlign = Clamp<std::uint16_t>(codec.block_align);
    wave.wBitsPerSample = Clamp<std::uint16_t>(codec.bits_per_coded_sample);
    out.majortype = MEDIATYPE_Audio;
    out.formattype =
        std::string_view(context.iformat->name) == "ogg" ? FORMAT_OggAudio : FORMAT_WaveFormatEx;
    out.format = BlockBytes(wave);
}

std::optional<double> Length(const AVFormatContext& context, const AVStream& stream) {
    if (stream.duration != AV_NOPTS_VALUE && stream.duration > 0 && stream.time_base.den > 0)
        return static_cast<double>(stream.duration) * av_q2d(stream.time_base);
    if (context.duration != AV_NOPTS_VALUE && context.duration >= 0)
        return static_cast<double>(context.duration) / AV_TIME_BASE;
    return std::nullopt;
}

} // namespace

HRESULT ProbeMediaFile(std::string_view path, std::vector<ProbedStream>& streams,
                       ProbeDepth depth) {
    // The library's warnings about damaged files are no concern of the user; the outcome is.
    static const bool silenced = (av_log_set_level(AV_LOG_QUIET), true);
    (void)silenced;

    streams.clear();
    Demuxer demuxer;
    if (const HRESULT status = demuxer.Open(path, depth); status != S_OK)
        return status;

    AVFormatContext& context = demuxer.Context();
    streams.reserve(context.nb_streams);
    for (unsigned i = 0; i < context.nb_streams; ++i) {
        AVStream& stream = *context.streams[i];
        ProbedStream probed;
        switch (stream.codecpar->codec_type) {
        case AVMEDIA_TYPE_ATTACHMENT:
            continue; // fonts and the like travel with the file but are not streams to report
        case AVMEDIA_TYPE_VIDEO:
            DescribeVideo(context, stream, probed);
            break;
        case AVMEDIA_TYPE_AUDIO:
            DescribeAudio(context, stream, probed);
            break;
        case AVMEDIA_TYPE_SUBTITLE:
            probed.majortype = MEDIATYPE_Text;
            break;
        case AVMEDIA_TYPE_DATA:
            probed.majortype = MEDIATYPE_Stream;
            break;
        default:
            break;
        }
        probed.length = Length(context, stream);
        streams.push_back(std::move(probed));
    }
    return S_OK;
}
