// Reads an H.264 sequence parameter set as far as the picture's format, size and pixel shape.
#include "platform/H264Header.h"

#include "platform/BitReader.h"

#include <array>
#include <vector>

namespace zarvo {
namespace {

constexpr int kSequenceParameterSet = 7;
// The decoder keeps this many sequence parameter sets and refuses a set with a higher id.
constexpr std::uint32_t kSequenceSetIds = 32;

// The NAL unit's payload without its header byte and without emulation prevention bytes.
std::vector<std::uint8_t> Payload(const std::uint8_t* nal, std::size_t size) {
    std::vector<std::uint8_t> rbsp;
    rbsp.reserve(size);
    int zeros = 0;
    for (std::size_t i = 1; i < size; ++i) {
        if (zeros >= 2 && nal[i] == 3) {
            zeros = 0;
            continue;
        }
        zeros = nal[i] == 0 ? zeros + 1 : 0;
        rbsp.push_back(nal[i]);
    }
    return rbsp;
}

// The first sequence parameter set of an AVC decoder configuration record.
std::vector<std::uint8_t> FromConfigurationRecord(const std::uint8_t* header, int size) {
    if (size < 8 || (header[5] & 0x1F) == 0)
        return {};
    const int length = header[6] << 8 | header[7];
    if (length < 1 || 8 + length > size || (header[8] & 0x1F) != kSequenceParameterSet)
        return {};
    return Payload(header + 8, static_cast<std::size_t>(length));
}

// The first sequence parameter set among NAL units that start codes separate.
std::vector<std::uint8_t> FromStartCodes(const std::uint8_t* header, int size) {
    const auto n = static_cast<std::size_t>(size);
    std::size_t i = 0;
    while (i + 3 < n) {
        if (header[i] != 0 || header[i + 1] != 0 || header[i + 2] != 1) {
            ++i;
            continue;
        }
        const std::size_t start = i + 3;
        std::size_t end = start;
        while (end + 2 < n && !(header[end] == 0 && header[end + 1] == 0 &&
                                (header[end + 2] == 1 || header[end + 2] == 0)))
            ++end;
        if (end + 2 >= n)
            end = n;
        if (start < end && (header[start] & 0x1F) == kSequenceParameterSet)
            return Payload(header + start, end - start);
        i = end;
    }
    return {};
}

// Profiles whose sequence parameter set states chroma format and bit depth, as both the
// standard and libavcodec's decoder read them.
bool StatesChromaFormat(std::uint32_t profile) {
    switch (profile) {
    case 100:
    case 110:
    case 122:
    case 244:
    case 44:
    case 83:
    case 86:
    case 118:
    case 128:
    case 138:
        return true;
    default:
        return false;
    }
}

// Profiles whose sets the decoder reads otherwise than the standard's latest edition: it reads
// no chroma format for the multiview and frame-compatible profiles added last, and reads one for
// a withdrawn 4:4:4 profile. Which fields their sets hold depends on the decoder's version.
bool ReadDifferentlyByDecoders(std::uint32_t profile) {
    return profile == 134 || profile == 135 || profile == 139 || profile == 144;
}

// The range of a scaling list's deltas; the decoder refuses a set with any other.
constexpr std::int32_t kMinScalingDelta = -128;
constexpr std::int32_t kMaxScalingDelta = 127;
// The most that bit depths may exceed 8 by before the decoder refuses the set.
constexpr std::uint32_t kMaxExtraDepth = 6;
// The decoder's bounds on the frame number's and order count's ranges (in bits, less 4) and on
// the count of reference frames.
constexpr std::uint32_t kMaxExtraCountBits = 12;
constexpr std::uint32_t kMaxReferenceFrames = 16;
constexpr std::uint32_t kMaxPictureArea = 0x7FFF'FFFF / 8;

// Skips a scaling list: its deltas are read only to find where the next field starts. False
// when a delta lies outside the range the decoder accepts.
bool SkipScalingList(BitReader& bits, int size) {
    int last = 8, next = 8;
    for (int i = 0; i < size && bits.Ok(); ++i) {
        if (next != 0) {
            const std::int32_t delta = bits.SignedGolomb();
            if (delta < kMinScalingDelta || delta > kMaxScalingDelta)
                return false;
            next = (last + delta + 256) % 256;
        }
        last = next == 0 ? last : next;
    }
    return true;
}

std::optional<AVPixelFormat> PixelFormat(std::uint32_t chroma, std::uint32_t depth) {
    struct Formats {
        std::uint32_t depth;
        AVPixelFormat yuv420, yuv422, yuv444;
    };
    static constexpr Formats kByDepth[] = {
        {8, AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV422P, AV_PIX_FMT_YUV444P},
        {9, AV_PIX_FMT_YUV420P9, AV_PIX_FMT_YUV422P9, AV_PIX_FMT_YUV444P9},
        {10, AV_PIX_FMT_YUV420P10, AV_PIX_FMT_YUV422P10, AV_PIX_FMT_YUV444P10},
        {12, AV_PIX_FMT_YUV420P12, AV_PIX_FMT_YUV422P12, AV_PIX_FMT_YUV444P12},
        {14, AV_PIX_FMT_YUV420P14, AV_PIX_FMT_YUV422P14, AV_PIX_FMT_YUV444P14},
    };
    for (const Formats& row : kByDepth) {
        if (row.depth != depth)
            continue;
        // Monochrome pictures decode with neutral chroma planes, as 4:2:0.
        return chroma == 3 ? row.yuv444 : chroma == 2 ? row.yuv422 : row.yuv420;
    }
    return std::nullopt;
}

// The pixel shapes that aspect_ratio_idc 1 to 16 stand for.
constexpr std::array<AVRational, 17> kSampleAspects{{{0, 1},
                                                     {1, 1},
                                                     {12, 11},
                                                     {10, 11},
                                                     {16, 11},
                                                     {40, 33},
                                                     {24, 11},
                                                     {20, 11},
                                                     {32, 11},
                                                     {80, 33},
                                                     {18, 11},
                                                     {15, 11},
                                                     {64, 33},
                                                     {160, 99},
                                                     {4, 3},
                                                     {3, 2},
                                                     {2, 1}}};
constexpr std::uint32_t kExtendedSampleAspect = 255;

// The decoder keeps a pixel shape only where it leaves the picture at least a pixel wide and
// high once shown with square pixels, and states none otherwise.
bool ShapeFits(AVRational shape, int width, int height) {
    if (shape.num <= 0 || shape.den <= 0)
        return false;
    if (shape.num == shape.den)
        return true;
    const std::int64_t shown = shape.num < shape.den ? std::int64_t{width} * shape.num / shape.den
                                                     : std::int64_t{height} * shape.den / shape.num;
    return shown > 0;
}

} // namespace

std::optional<H264Picture> ReadH264Picture(const std::uint8_t* header, int size) {
    if (header == nullptr || size < 4)
        return std::nullopt;
    const std::vector<std::uint8_t> rbsp =
        header[0] == 1 ? FromConfigurationRecord(header, size) : FromStartCodes(header, size);
    if (rbsp.empty())
        return std::nullopt;

    BitReader bits(rbsp);
    const std::uint32_t profile = bits.Bits(8);
    if (ReadDifferentlyByDecoders(profile))
        return std::nullopt;
    bits.Bits(16); // constraint flags and level
    if (bits.Golomb() >= kSequenceSetIds)
        return std::nullopt;
    std::uint32_t chroma = 1, lumaDepth = 8, chromaDepth = 8;
    if (StatesChromaFormat(profile)) {
        chroma = bits.Golomb();
        if (chroma == 3 && bits.Bits(1) == 1)
            return std::nullopt; // separate colour planes, which the decoder does not take
        // Bounded before the sum, which a code near 2^32 would wrap round to a small depth.
        const std::uint32_t extraLuma = bits.Golomb(), extraChroma = bits.Golomb();
        if (extraLuma > kMaxExtraDepth || extraChroma > kMaxExtraDepth)
            return std::nullopt;
        lumaDepth = extraLuma + 8;
        chromaDepth = extraChroma + 8;
        bits.Bits(1);            // lossless transform bypass
        if (bits.Bits(1) == 1) { // scaling matrices
            for (int i = 0; i < (chroma == 3 ? 12 : 8); ++i)
                if (bits.Bits(1) == 1 && !SkipScalingList(bits, i < 6 ? 16 : 64))
                    return std::nullopt;
        }
    }
    // The decoder refuses unequal depths and depths it has no format for.
    if (!bits.Ok() || chroma > 3 || lumaDepth != chromaDepth)
        return std::nullopt;
    const std::optional<AVPixelFormat> format = PixelFormat(chroma, lumaDepth);
    if (!format)
        return std::nullopt;

    if (bits.Golomb() > kMaxExtraCountBits) // the frame number's range
        return std::nullopt;
    const std::uint32_t pictureOrder = bits.Golomb();
    if (pictureOrder == 0) {
        if (bits.Golomb() > kMaxExtraCountBits) // the order count's range
            return std::nullopt;
    } else if (pictureOrder == 1) {
        bits.Bits(1);
        bits.SignedGolomb();
        bits.SignedGolomb();
        const std::uint32_t cycle = bits.Golomb();
        if (cycle > 255)
            return std::nullopt;
        for (std::uint32_t i = 0; i < cycle; ++i)
            bits.SignedGolomb();
    } else if (pictureOrder != 2) {
        return std::nullopt;
    }
    if (bits.Golomb() > kMaxReferenceFrames)
        return std::nullopt;
    bits.Bits(1); // gaps in frame numbers
    const std::uint32_t widthInBlocks = bits.Golomb() + 1;
    const std::uint32_t heightInUnits = bits.Golomb() + 1;
    const std::uint32_t framesOnly = bits.Bits(1);
    if (framesOnly == 0)
        bits.Bits(1); // adaptive frame and field blocks
    bits.Bits(1);     // direct 8x8 inference
    std::uint32_t left = 0, right = 0, top = 0, bottom = 0;
    if (bits.Bits(1) == 1) {
        left = bits.Golomb();
        right = bits.Golomb();
        top = bits.Golomb();
        bottom = bits.Golomb();
    }
    AVRational sampleAspect{0, 1};
    if (bits.Bits(1) == 1 && bits.Bits(1) == 1) { // shape stated in the usability information
        const std::uint32_t index = bits.Bits(8);
        if (index == kExtendedSampleAspect) {
            sampleAspect.num = static_cast<int>(bits.Bits(16));
            sampleAspect.den = static_cast<int>(bits.Bits(16));
            // Where a part is 0 the decoder's shape depends on its version: leave it to it.
            if (sampleAspect.num == 0 || sampleAspect.den == 0)
                return std::nullopt;
        } else if (index < kSampleAspects.size()) {
            sampleAspect = kSampleAspects[index];
        } else {
            return std::nullopt; // the decoder would only guess
        }
    }
    if (!bits.Ok() || widthInBlocks > 1024 || heightInUnits > 1024)
        return std::nullopt;

    // Cropping counts in chroma samples, and in field rows for pictures coded as fields.
    const std::uint32_t stepX = chroma == 1 || chroma == 2 ? 2 : 1;
    const std::uint32_t stepY = (2 - framesOnly) * (chroma == 1 ? 2 : 1);
    const std::uint32_t codedWidth = widthInBlocks * 16;
    const std::uint32_t codedHeight = heightInUnits * 16 * (2 - framesOnly);
    // The decoder allocates no picture whose padded area would pass an eighth of INT_MAX.
    if ((std::uint64_t{codedWidth} + 128) * (std::uint64_t{codedHeight} + 128) >=
        std::uint64_t{kMaxPictureArea})
        return std::nullopt;
    if (left > 1024 || right > 1024 || top > 1024 || bottom > 1024 ||
        (left + right) * stepX >= codedWidth || (top + bottom) * stepY >= codedHeight)
        return std::nullopt; // the decoder would warn and drop the cropping
    const auto width = static_cast<int>(codedWidth - (left + right) * stepX);
    const auto height = static_cast<int>(codedHeight - (top + bottom) * stepY);
    if (!ShapeFits(sampleAspect, width, height))
        sampleAspect = {0, 1};
    return H264Picture{*format, width, height, left != 0 || top != 0, sampleAspect};
}

} // namespace zarvo
