// Reading chroma format and bit depth from H.264 sequence parameter sets written bit by bit.
#include "platform/H264Header.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

// Writes a NAL unit's payload and adds the emulation prevention bytes a muxer would.
class NalWriter {
public:
    void Bits(std::uint32_t value, int count) {
        for (int i = count - 1; i >= 0; --i) {
            current_ = static_cast<std::uint8_t>(current_ << 1 | ((value >> i) & 1u));
            if (++used_ == 8) {
                bits_.push_back(current_);
                current_ = 0;
                used_ = 0;
            }
        }
    }
    void Golomb(std::uint32_t value) {
        int length = 0;
        while ((value + 1) >> (length + 1))
            ++length;
        Bits(0, length);
        Bits(value + 1, length + 1);
    }
    // The NAL header byte, then the payload closed by the stop bit, escaped.
    std::vector<std::uint8_t> Nal(std::uint8_t header) {
        Bits(1, 1);
        while (used_ != 0)
            Bits(0, 1);
        std::vector<std::uint8_t> nal{header};
        int zeros = 0;
        for (const std::uint8_t byte : bits_) {
            if (zeros == 2 && byte <= 3) {
                nal.push_back(3);
                zeros = 0;
            }
            nal.push_back(byte);
            zeros = byte == 0 ? zeros + 1 : 0;
        }
        return nal;
    }

private:
    std::vector<std::uint8_t> bits_;
    std::uint8_t current_ = 0;
    int used_ = 0;
};

struct Sps {
    const char* name;
    std::uint32_t profile;
    std::uint32_t level;
    std::uint32_t id;
    std::uint32_t chroma, lumaDepth, chromaDepth; // written only for profiles that state them
    std::optional<AVPixelFormat> expected;
};

bool StatesChroma(std::uint32_t profile) {
    return profile == 100 || profile == 110 || profile == 122 || profile == 244;
}

std::vector<std::uint8_t> SpsNal(const Sps& sps) {
    NalWriter writer;
    writer.Bits(sps.profile, 8);
    writer.Bits(0, 8);
    writer.Bits(sps.level, 8);
    writer.Golomb(sps.id);
    if (StatesChroma(sps.profile)) {
        writer.Golomb(sps.chroma);
        if (sps.chroma == 3)
            writer.Bits(0, 1);
        writer.Golomb(sps.lumaDepth - 8);
        writer.Golomb(sps.chromaDepth - 8);
    }
    writer.Golomb(0); // log2_max_frame_num_minus4: the rest is not read
    return writer.Nal(0x67);
}

std::vector<std::uint8_t> ConfigurationRecord(const std::vector<std::uint8_t>& sps) {
    std::vector<std::uint8_t> record{1,
                                     sps[1],
                                     0,
                                     sps[3],
                                     0xFF,
                                     0xE1,
                                     static_cast<std::uint8_t>(sps.size() >> 8),
                                     static_cast<std::uint8_t>(sps.size())};
    record.insert(record.end(), sps.begin(), sps.end());
    record.insert(record.end(), {1, 0, 2, 0x68, 0xCE}); // one picture parameter set
    return record;
}

std::vector<std::uint8_t> StartCodes(const std::vector<std::uint8_t>& sps) {
    std::vector<std::uint8_t> units{0, 0, 0, 1, 0x09, 0xF0, 0, 0, 0, 1}; // access unit delimiter
    units.insert(units.end(), sps.begin(), sps.end());
    units.insert(units.end(), {0, 0, 1, 0x68, 0xCE, 0x38, 0x80});
    return units;
}

const Sps kSets[] = {
    {"Baseline", 66, 30, 0, 0, 0, 0, AV_PIX_FMT_YUV420P},
    {"Main", 77, 40, 0, 0, 0, 0, AV_PIX_FMT_YUV420P},
    {"High", 100, 40, 0, 1, 8, 8, AV_PIX_FMT_YUV420P},
    {"HighMonochrome", 100, 40, 0, 0, 8, 8, AV_PIX_FMT_YUV420P},
    {"High10", 110, 51, 0, 1, 10, 10, AV_PIX_FMT_YUV420P10},
    {"High422", 122, 41, 0, 2, 10, 10, AV_PIX_FMT_YUV422P10},
    {"High444", 244, 41, 0, 3, 8, 8, AV_PIX_FMT_YUV444P},
    {"High444Depth12", 244, 41, 0, 3, 12, 12, AV_PIX_FMT_YUV444P12},
    {"High444Depth14", 244, 41, 0, 3, 14, 14, AV_PIX_FMT_YUV444P14},
    // Level 0 and a large id put "00 00 02" in the payload, which the muxer must escape.
    {"EscapedPayload", 100, 0, 63, 1, 9, 9, AV_PIX_FMT_YUV420P9},
    {"DepthWithoutFormat", 110, 51, 0, 1, 11, 11, std::nullopt},
    {"UnequalDepths", 110, 51, 0, 1, 8, 10, std::nullopt},
    {"ChromaOutOfRange", 100, 40, 0, 4, 8, 8, std::nullopt},
};

class H264HeaderTest : public ::testing::TestWithParam<Sps> {};

TEST_P(H264HeaderTest, ReadsTheFormatFromAConfigurationRecord) {
    const std::vector<std::uint8_t> record = ConfigurationRecord(SpsNal(GetParam()));
    EXPECT_EQ(H264PixelFormat(record.data(), static_cast<int>(record.size())), GetParam().expected);
}

TEST_P(H264HeaderTest, ReadsTheFormatFromStartCodedUnits) {
    const std::vector<std::uint8_t> units = StartCodes(SpsNal(GetParam()));
    EXPECT_EQ(H264PixelFormat(units.data(), static_cast<int>(units.size())), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Sets, H264HeaderTest, ::testing::ValuesIn(kSets),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(H264HeaderTest, EscapedPayloadReallyHoldsAnEscape) {
    const std::vector<std::uint8_t> nal = SpsNal(kSets[9]);
    bool escaped = false;
    for (std::size_t i = 2; i + 1 < nal.size(); ++i)
        escaped = escaped || (nal[i - 2] == 0 && nal[i - 1] == 0 && nal[i] == 3);
    EXPECT_TRUE(escaped);
}

TEST(H264HeaderTest, AHeaderWithoutAReadableSetGivesNothing) {
    const std::vector<std::uint8_t> high = SpsNal(kSets[2]);
    std::vector<std::uint8_t> record = ConfigurationRecord(high);
    std::vector<std::uint8_t> noSets = record;
    noSets[5] = 0xE0; // zero sequence parameter sets
    std::vector<std::uint8_t> wrongType = record;
    wrongType[8] = 0x68; // a picture parameter set where the sequence set belongs
    std::vector<std::uint8_t> overlong = record;
    overlong[7] = 0xFF; // a length past the end
    const std::vector<std::uint8_t> truncated(record.begin(), record.begin() + 10);
    const std::vector<std::uint8_t> noStartCode(high.begin(), high.end());

    using Bytes = const std::vector<std::uint8_t>*;
    for (const Bytes bytes : {Bytes{&noSets}, Bytes{&wrongType}, Bytes{&overlong},
                              Bytes{&truncated}, Bytes{&noStartCode}}) {
        EXPECT_EQ(H264PixelFormat(bytes->data(), static_cast<int>(bytes->size())), std::nullopt);
    }
    EXPECT_EQ(H264PixelFormat(nullptr, 0), std::nullopt);
    EXPECT_EQ(H264PixelFormat(record.data(), 3), std::nullopt);
}

} // namespace
