// Reads just enough of an H.264 sequence parameter set to know its chroma format and bit depth.
#include "platform/H264Header.h"

#include <vector>

namespace {

// Reads an RBSP bit by bit; reading past the end fails the reader rather than the program.
class BitReader {
public:
    explicit BitReader(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}

    bool Ok() const { return ok_; }

    std::uint32_t Bits(int count) {
        std::uint32_t value = 0;
        for (int i = 0; i < count; ++i) {
            if (position_ >= bytes_.size() * 8) {
                ok_ = false;
                return 0;
            }
            const std::uint8_t byte = bytes_[position_ / 8];
            value = value << 1 | ((byte >> (7 - position_ % 8)) & 1u);
            ++position_;
        }
        return value;
    }

    // Unsigned Exp-Golomb code: leading zeros, a one, then as many bits again.
    std::uint32_t Golomb() {
        int zeros = 0;
        while (ok_ && Bits(1) == 0)
            if (++zeros > 31) {
                ok_ = false;
                return 0;
            }
        return ok_ ? (std::uint32_t{1} << zeros) - 1 + Bits(zeros) : 0;
    }

private:
    const std::vector<std::uint8_t>& bytes_;
    std::size_t position_ = 0;
    bool ok_ = true;
};

constexpr int kSequenceParameterSet = 7;

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

// Profiles whose sequence parameter set states chroma format and bit depth.
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
    case 139:
    case 134:
    case 135:
        return true;
    default:
        return false;
    }
}

} // namespace

std::optional<AVPixelFormat> H264PixelFormat(const std::uint8_t* header, int size) {
    if (header == nullptr || size < 4)
        return std::nullopt;
    const std::vector<std::uint8_t> rbsp =
        header[0] == 1 ? FromConfigurationRecord(header, size) : FromStartCodes(header, size);
    if (rbsp.empty())
        return std::nullopt;

    BitReader bits(rbsp);
    const std::uint32_t profile = bits.Bits(8);
    bits.Bits(16); // constraint flags and level
    bits.Golomb(); // parameter set id
    std::uint32_t chroma = 1, lumaDepth = 8, chromaDepth = 8;
    if (StatesChromaFormat(profile)) {
        chroma = bits.Golomb();
        if (chroma == 3)
            bits.Bits(1); // separate colour planes
        lumaDepth = bits.Golomb() + 8;
        chromaDepth = bits.Golomb() + 8;
    }
    // The decoder refuses unequal depths and depths it has no format for.
    if (!bits.Ok() || chroma > 3 || lumaDepth != chromaDepth)
        return std::nullopt;

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
        if (row.depth != lumaDepth)
            continue;
        // Monochrome pictures decode with neutral chroma planes, as 4:2:0.
        return chroma == 3 ? row.yuv444 : chroma == 2 ? row.yuv422 : row.yuv420;
    }
    return std::nullopt;
}
