// Fuzz target for the H.264 sequence header reader. An input whose first byte is even is a codec
// header as a container stores it, read as it is. An odd one gives the fields of a sequence
// parameter set, which the target writes as a set and then holds our reading of it to what
// libavformat's full analysis makes of an Annex-B stream of that set, a picture parameter set
// and one IDR slice, for every picture the standard's levels allow.
#include "fuzz/CodecHeaders.h"
#include "fuzz/FuzzTarget.h"
#include "platform/H264Header.h"
#include "support/NalWriter.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <span>

namespace zarvo::fuzz {
namespace {

using test::NalWriter;

// Hands out the input's bytes one at a time, and zeros once it runs out.
class ByteSource {
public:
    explicit ByteSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint32_t Next() { return position_ < bytes_.size() ? bytes_[position_++] : 0; }
    bool Flag() { return (Next() & 1) != 0; }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

// The fields the slice header depends on, beside the set's own bytes.
struct WrittenSet {
    std::vector<std::uint8_t> nal;
    std::uint32_t id = 0;
    bool separatePlanes = false;
    std::uint32_t frameNumBits = 4;
    std::uint32_t pictureOrder = 0;
    std::uint32_t orderBits = 4;
    bool orderDeltasZero = true;
    bool framesOnly = true;
    std::int64_t codedPixels = 0; // before cropping, as the decoder allocates the picture
};

// The largest picture any level of the standard allows: 139,264 blocks of 16 by 16. A larger
// one, which only a fuzzer writes, is read and checked but not decoded for the comparison: the
// decoder's analysis of hundreds of millions of pixels takes seconds and most of a gigabyte, so
// a time limit would no longer tell a hang of ours from the reference's own work.
constexpr std::int64_t kComparedPixels = std::int64_t{139'264} * 16 * 16;

// Every profile with a set of its own layout; 144 is a withdrawn one.
constexpr std::array<std::uint32_t, 17> kProfiles{66, 77,  88,  100, 110, 122, 244, 44, 83,
                                                  86, 118, 128, 138, 139, 134, 135, 144};

// The profiles whose sets state chroma format and bit depth, as the standard's last edition says.
bool StatesChroma(std::uint32_t profile) {
    return profile >= 100 || profile == 44 || profile == 83 || profile == 86;
}

// A scaling list's deltas, stopping where a delta makes the next value 0 as the standard says.
void WriteScalingList(NalWriter& writer, ByteSource& source, int size) {
    std::int64_t last = 8, next = 8;
    for (int i = 0; i < size; ++i) {
        if (next != 0) {
            const std::uint32_t byte = source.Next();
            // Mostly small deltas; a high bit stretches them past the range the decoder takes.
            const auto delta = static_cast<std::int32_t>(static_cast<std::int8_t>(byte)) *
                               ((byte & 0x80) != 0 && (byte & 1) != 0 ? 3 : 1);
            writer.SignedGolomb(delta);
            next = ((last + delta) % 256 + 256) % 256;
        }
        last = next == 0 ? last : next;
    }
}

WrittenSet WriteSequenceSet(ByteSource& source) {
    WrittenSet set;
    NalWriter writer;
    const std::uint32_t profile = kProfiles[source.Next() % kProfiles.size()];
    writer.Bits(profile, 8);
    writer.Bits(0, 8);
    writer.Bits(source.Next(), 8); // level
    set.id = source.Next() % 40;   // the decoder keeps 32
    writer.Golomb(set.id);
    if (StatesChroma(profile)) {
        const std::uint32_t chroma = source.Next() % 5;
        writer.Golomb(chroma);
        if (chroma == 3) {
            set.separatePlanes = source.Next() % 8 == 0;
            writer.Bits(set.separatePlanes ? 1 : 0, 1);
        }
        const std::uint32_t depths = source.Next();
        writer.Golomb(depths % 8);     // luma depth less 8
        writer.Golomb(depths / 8 % 8); // chroma depth less 8
        writer.Bits(0, 1);             // lossless transform bypass
        const std::uint32_t lists = source.Next();
        const bool matrices = (lists & 1) != 0;
        writer.Bits(matrices ? 1 : 0, 1);
        if (matrices) {
            for (int i = 0; i < (chroma == 3 ? 12 : 8); ++i) {
                const bool present = (lists >> (1 + i % 7) & 1) != 0;
                writer.Bits(present ? 1 : 0, 1);
                if (present)
                    WriteScalingList(writer, source, i < 6 ? 16 : 64);
            }
        }
    }
    set.frameNumBits = source.Next() % 16 + 4;
    writer.Golomb(set.frameNumBits - 4);
    set.pictureOrder = source.Next() % 4;
    writer.Golomb(set.pictureOrder);
    if (set.pictureOrder == 0) {
        set.orderBits = source.Next() % 16 + 4;
        writer.Golomb(set.orderBits - 4);
    } else if (set.pictureOrder == 1) {
        set.orderDeltasZero = source.Flag();
        writer.Bits(set.orderDeltasZero ? 1 : 0, 1);
        writer.SignedGolomb(static_cast<std::int8_t>(source.Next()));
        writer.SignedGolomb(static_cast<std::int8_t>(source.Next()));
        const std::uint32_t cycle = source.Next() % 8;
        writer.Golomb(cycle);
        for (std::uint32_t i = 0; i < cycle; ++i)
            writer.SignedGolomb(static_cast<std::int8_t>(source.Next()));
    }
    writer.Golomb(source.Next() % 20); // reference frames
    writer.Bits(0, 1);                 // gaps in frame numbers
    const std::uint32_t size = source.Next();
    const std::uint32_t widthInBlocks = source.Next() % 64 + (size & 3) * 256 + 1;
    const std::uint32_t heightInUnits = source.Next() % 64 + (size >> 2 & 3) * 256 + 1;
    writer.Golomb(widthInBlocks - 1);
    writer.Golomb(heightInUnits - 1);
    set.framesOnly = (size & 0x10) == 0;
    set.codedPixels =
        std::int64_t{widthInBlocks} * 16 * heightInUnits * 16 * (set.framesOnly ? 1 : 2);
    writer.Bits(set.framesOnly ? 1 : 0, 1);
    if (!set.framesOnly)
        writer.Bits((size & 0x20) != 0 ? 1 : 0, 1);               // adaptive frame and field blocks
    writer.Bits((size & 0x40) != 0 || set.framesOnly ? 1 : 0, 1); // direct 8x8 inference
    const bool crops = (size & 0x80) != 0;
    writer.Bits(crops ? 1 : 0, 1);
    if (crops) {
        const std::uint32_t scale = source.Next() % 4 == 0 ? 8 : 1;
        for (int i = 0; i < 4; ++i)
            writer.Golomb(source.Next() % 16 * scale);
    }
    const std::uint32_t usability = source.Next();
    writer.Bits(usability & 1, 1);
    if ((usability & 1) != 0) {
        writer.Bits(usability >> 1 & 1, 1); // the pixel shape is stated
        if ((usability & 2) != 0) {
            const std::uint32_t index = (usability & 4) != 0 ? 255 : source.Next() % 18;
            writer.Bits(index, 8);
            if (index == 255) {
                writer.Bits(source.Next() << 8 | source.Next(), 16);
                writer.Bits(source.Next() << 8 | source.Next(), 16);
            }
        }
        // No overscan, signal type, chroma location, timing, HRD, picture structure or
        // bitstream restriction.
        writer.Bits(0, 9);
    }
    set.nal = writer.Nal(0x67);
    return set;
}

std::vector<std::uint8_t> PictureSet(std::uint32_t sequenceSet) {
    NalWriter writer;
    writer.Golomb(0); // picture set id
    writer.Golomb(sequenceSet);
    writer.Bits(0, 2); // CAVLC; no bottom field order
    writer.Golomb(0);  // one slice group
    writer.Golomb(0);  // reference indices
    writer.Golomb(0);
    writer.Bits(0, 3); // no weighted prediction
    writer.SignedGolomb(0);
    writer.SignedGolomb(0);
    writer.SignedGolomb(0);
    writer.Bits(0, 3); // no deblocking control, constrained intra or redundant pictures
    return writer.Nal(0x68);
}

std::vector<std::uint8_t> IdrSlice(const WrittenSet& set) {
    NalWriter writer;
    writer.Golomb(0); // first block
    writer.Golomb(7); // I slice
    writer.Golomb(0); // picture set
    if (set.separatePlanes)
        writer.Bits(0, 2);
    writer.Bits(0, static_cast<int>(set.frameNumBits));
    if (!set.framesOnly)
        writer.Bits(0, 1); // a frame, not a field
    writer.Golomb(0);      // IDR picture id
    if (set.pictureOrder == 0)
        writer.Bits(0, static_cast<int>(set.orderBits));
    else if (set.pictureOrder == 1 && !set.orderDeltasZero)
        writer.SignedGolomb(0);
    writer.Bits(0, 2); // reference marking
    writer.SignedGolomb(0);
    for (int i = 0; i < 8; ++i)
        writer.Bits(0xA5, 8); // what little of the picture there is need not decode
    return writer.Nal(0x65);
}

void AppendUnit(std::vector<std::uint8_t>& stream, const std::vector<std::uint8_t>& nal) {
    stream.insert(stream.end(), {0, 0, 0, 1});
    stream.insert(stream.end(), nal.begin(), nal.end());
}

struct MemoryInput {
    std::span<const std::uint8_t> bytes;
    std::size_t position = 0;
};

int ReadMemory(void* opaque, std::uint8_t* buffer, int size) {
    auto& input = *static_cast<MemoryInput*>(opaque);
    const std::size_t count =
        std::min(input.bytes.size() - input.position, static_cast<std::size_t>(size));
    if (count == 0)
        return AVERROR_EOF;
    std::memcpy(buffer, input.bytes.data() + input.position, count);
    input.position += count;
    return static_cast<int>(count);
}

// What libavformat's full analysis finds for the one video stream of `stream`, or nothing. The
// decoder takes no picture of more than twice kComparedPixels, a bound only a picture sized
// otherwise than we size it reaches.
std::optional<H264Picture> FullAnalysis(const std::vector<std::uint8_t>& stream) {
    MemoryInput input{stream};
    constexpr int kBufferSize = 4096;
    auto* buffer = static_cast<std::uint8_t*>(av_malloc(kBufferSize));
    AVIOContext* io =
        avio_alloc_context(buffer, kBufferSize, 0, &input, &ReadMemory, nullptr, nullptr);
    AVFormatContext* context = avformat_alloc_context();
    Require(buffer != nullptr && io != nullptr && context != nullptr, "memory for the analysis");
    context->pb = io;
    std::optional<H264Picture> found;
    if (avformat_open_input(&context, nullptr, av_find_input_format("h264"), nullptr) >= 0) {
        AVDictionary* codecOptions = nullptr;
        av_dict_set_int(&codecOptions, "max_pixels", 2 * kComparedPixels, 0);
        AVDictionary** perStream = context->nb_streams == 1 ? &codecOptions : nullptr;
        if (avformat_find_stream_info(context, perStream) >= 0 && context->nb_streams == 1) {
            const AVCodecParameters& codec = *context->streams[0]->codecpar;
            if (codec.width > 0 && codec.height > 0)
                found = H264Picture{AVPixelFormat(codec.format), codec.width, codec.height, false,
                                    codec.sample_aspect_ratio};
        }
        av_dict_free(&codecOptions);
        avformat_close_input(&context);
    }
    av_freep(&io->buffer);
    avio_context_free(&io);
    return found;
}

std::optional<H264Picture> Read(const std::vector<std::uint8_t>& header) {
    return ReadH264Picture(header.data(), static_cast<int>(header.size()));
}

// A pixel shape with a part of 0 or less states none, and equal ratios are one shape, wherever
// it is used.
AVRational Shape(AVRational aspect) {
    return aspect.num > 0 && aspect.den > 0 ? aspect : AVRational{0, 1};
}

bool SamePicture(const H264Picture& a, const H264Picture& b) {
    return a.format == b.format && a.width == b.width && a.height == b.height &&
           av_cmp_q(Shape(a.sampleAspect), Shape(b.sampleAspect)) == 0;
}

void CheckDescribedSet(ByteSource& source) {
    const WrittenSet set = WriteSequenceSet(source);
    std::vector<std::uint8_t> record{1,
                                     set.nal[1],
                                     set.nal[2],
                                     set.nal[3],
                                     0xFF,
                                     0xE1,
                                     static_cast<std::uint8_t>(set.nal.size() >> 8),
                                     static_cast<std::uint8_t>(set.nal.size())};
    record.insert(record.end(), set.nal.begin(), set.nal.end());
    std::vector<std::uint8_t> annexB;
    AppendUnit(annexB, set.nal);
    const std::optional<H264Picture> fromRecord = Read(record);
    const std::optional<H264Picture> fromUnits = Read(annexB);
    Require(fromRecord.has_value() == fromUnits.has_value() &&
                (!fromRecord || SamePicture(*fromRecord, *fromUnits)),
            "a set reads the same from a configuration record and from start codes");
    // A set we refuse leaves the stream to the full analysis, whatever the decoder makes of it.
    if (!fromRecord || set.codedPixels > kComparedPixels)
        return;
    AppendUnit(annexB, PictureSet(set.id));
    AppendUnit(annexB, IdrSlice(set));
    const std::optional<H264Picture> decoded = FullAnalysis(annexB);
    if (!decoded || !SamePicture(*fromRecord, *decoded)) {
        std::fprintf(stderr, "ours: %d %dx%d %d/%d\n", fromRecord->format, fromRecord->width,
                     fromRecord->height, fromRecord->sampleAspect.num,
                     fromRecord->sampleAspect.den);
        if (decoded)
            std::fprintf(stderr, "libavformat: %d %dx%d %d/%d\n", decoded->format, decoded->width,
                         decoded->height, decoded->sampleAspect.num, decoded->sampleAspect.den);
        else
            std::fprintf(stderr, "libavformat: no picture\n");
    }
    Require(decoded.has_value(), "a set we read is one the decoder takes");
    Require(SamePicture(*fromRecord, *decoded), "format, size and pixel shape as decoded");
}

} // namespace

std::vector<std::string> SeedsFromClip(const std::filesystem::path& clip) {
    std::vector<std::string> seeds;
    for (const std::string& header : CodecHeadersOf(clip, AV_CODEC_ID_H264))
        seeds.push_back('\0' + header);
    // One described set of every profile, with the other fields at their first choice.
    if (!seeds.empty())
        for (std::size_t profile = 0; profile < kProfiles.size(); ++profile)
            seeds.push_back(std::string{'\x01', static_cast<char>(profile)});
    return seeds;
}

} // namespace zarvo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zarvo;
    using namespace zarvo::fuzz;
    if (size == 0)
        return 0;
    if (data[0] % 2 == 1) {
        ByteSource source({data + 1, size - 1});
        CheckDescribedSet(source);
        return 0;
    }
    // The header is held at its exact size, so that a read past it is caught.
    const std::vector<std::uint8_t> header(data + 1, data + size);
    const std::optional<H264Picture> picture = Read(header);
    if (picture)
        Require(picture->width > 0 && picture->height > 0 && picture->width <= 16 * 1024 &&
                    picture->height <= 32 * 1024 && picture->sampleAspect.den > 0 &&
                    picture->sampleAspect.num >= 0,
                "a picture read is one that can be drawn");
    return 0;
}
