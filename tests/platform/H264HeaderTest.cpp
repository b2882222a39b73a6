// Reading picture format, size and pixel shape from H.264 sequence parameter sets written bit by
// bit.
#include "platform/H264Header.h"

#include "support/CaseName.h"
#include "support/NalWriter.h"

#include <algorithm>
#include <array>
#include <gtest/gtest.h>
#include <string_view>
#include <vector>

namespace zarvo {
namespace {

using test::NalWriter;
using test::PrintTo;

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

// The fields after the chroma format: picture size, cropping and pixel shape.
struct Geometry {
    std::uint32_t widthInBlocks = 20, heightInUnits = 15; // 320x240
    std::uint32_t framesOnly = 1;
    std::uint32_t left = 0, right = 0, top = 0, bottom = 0;
    int aspectIndex = -1; // -1: no usability information
    std::uint32_t aspectX = 0, aspectY = 0;
    bool scalingList = false;
    std::int32_t scalingDelta = 0; // the first delta of the list; never -8, which ends it
    std::uint32_t pictureOrder = 0;
    std::int32_t orderOffset = 1; // the first offset of order counts of type 1
};

void WriteGeometry(NalWriter& writer, std::uint32_t profile, const Geometry& geometry) {
    if (StatesChroma(profile)) {
        writer.Bits(0, 1); // lossless transform bypass
        writer.Bits(geometry.scalingList ? 1 : 0, 1);
        if (geometry.scalingList) {
            writer.Bits(1, 1); // the first 4x4 list: the delta, then fifteen deltas of 0
            writer.SignedGolomb(geometry.scalingDelta);
            for (int i = 1; i < 16; ++i)
                writer.Golomb(0);
            writer.Bits(0, 7); // the other seven lists are absent
        }
    }
    writer.Golomb(0); // log2 of the frame number's range
    writer.Golomb(geometry.pictureOrder);
    if (geometry.pictureOrder == 0) {
        writer.Golomb(2);
    } else if (geometry.pictureOrder == 1) {
        writer.Bits(0, 1);
        writer.SignedGolomb(geometry.orderOffset);
        writer.SignedGolomb(-1);
        writer.Golomb(2); // a cycle of two
        writer.Golomb(3);
        writer.Golomb(4);
    }
    writer.Golomb(1); // reference frames
    writer.Bits(0, 1);
    writer.Golomb(geometry.widthInBlocks - 1);
    writer.Golomb(geometry.heightInUnits - 1);
    writer.Bits(geometry.framesOnly, 1);
    if (geometry.framesOnly == 0)
        writer.Bits(0, 1);
    writer.Bits(1, 1); // direct 8x8 inference
    const bool crops = geometry.left + geometry.right + geometry.top + geometry.bottom > 0;
    writer.Bits(crops ? 1 : 0, 1);
    if (crops) {
        writer.Golomb(geometry.left);
        writer.Golomb(geometry.right);
        writer.Golomb(geometry.top);
        writer.Golomb(geometry.bottom);
    }
    writer.Bits(geometry.aspectIndex >= 0 ? 1 : 0, 1);
    if (geometry.aspectIndex >= 0) {
        writer.Bits(1, 1);
        writer.Bits(static_cast<std::uint32_t>(geometry.aspectIndex), 8);
        if (geometry.aspectIndex == 255) {
            writer.Bits(geometry.aspectX, 16);
            writer.Bits(geometry.aspectY, 16);
        }
        writer.Bits(0, 8); // the rest of the usability information is not read
    }
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
    WriteGeometry(writer, sps.profile, Geometry{});
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
    {"Depth9", 100, 0, 31, 1, 9, 9, AV_PIX_FMT_YUV420P9},
    {"DepthWithoutFormat", 110, 51, 0, 1, 11, 11, std::nullopt},
    {"UnequalDepths", 110, 51, 0, 1, 8, 10, std::nullopt},
    {"ChromaOutOfRange", 100, 40, 0, 4, 8, 8, std::nullopt},
    {"IdPastTheDecodersSets", 100, 40, 32, 1, 8, 8, std::nullopt},
};

class H264HeaderTest : public ::testing::TestWithParam<Sps> {};

std::optional<AVPixelFormat> FormatOf(const std::vector<std::uint8_t>& header) {
    const std::optional<H264Picture> picture =
        ReadH264Picture(header.data(), static_cast<int>(header.size()));
    return picture ? std::optional(picture->format) : std::nullopt;
}

TEST_P(H264HeaderTest, ReadsTheFormatFromAConfigurationRecord) {
    EXPECT_EQ(FormatOf(ConfigurationRecord(SpsNal(GetParam()))), GetParam().expected);
}

TEST_P(H264HeaderTest, ReadsTheFormatFromStartCodedUnits) {
    EXPECT_EQ(FormatOf(StartCodes(SpsNal(GetParam()))), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Sets, H264HeaderTest, ::testing::ValuesIn(kSets), test::CaseName{});

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
        EXPECT_EQ(FormatOf(*bytes), std::nullopt);
    }
    EXPECT_EQ(ReadH264Picture(nullptr, 0), std::nullopt);
    EXPECT_EQ(ReadH264Picture(record.data(), 3), std::nullopt);
}

struct Shape {
    const char* name;
    std::uint32_t profile, chroma;
    Geometry geometry;
    std::optional<std::array<int, 5>> expected; // width, height, crops top or left, pixel shape
};

// Cropping counts in chroma samples (two pixels across and down in 4:2:0, one in 4:4:4 and
// monochrome) and doubles for pictures coded as fields.
const Shape kShapes[] = {
    {"Uncropped", 100, 1, {}, {{320, 240, 0, 0, 1}}},
    {"HdCodedAs1088",
     100,
     1,
     {.widthInBlocks = 120, .heightInUnits = 68, .bottom = 4},
     {{1920, 1080, 0, 0, 1}}},
    {"CroppedTopAndLeft", 100, 1, {.left = 8, .top = 1}, {{304, 238, 1, 0, 1}}},
    {"Crops444ByPixels", 244, 3, {.right = 3, .bottom = 3}, {{317, 237, 0, 0, 1}}},
    {"CropsMonochromeByPixels", 100, 0, {.right = 3, .bottom = 3}, {{317, 237, 0, 0, 1}}},
    {"Crops422ByColumnPairs", 122, 2, {.right = 3, .bottom = 3}, {{314, 237, 0, 0, 1}}},
    {"Fields", 77, 1, {.heightInUnits = 9, .framesOnly = 0, .bottom = 2}, {{320, 280, 0, 0, 1}}},
    {"ScalingListAndOrderCycle",
     100,
     1,
     {.scalingList = true, .pictureOrder = 1},
     {{320, 240, 0, 0, 1}}},
    // The decoder takes scaling deltas from -128 to 127 only; a larger one once overflowed the
    // arithmetic that finds the next value.
    {"ScalingDeltaAtTheTop",
     100,
     1,
     {.scalingList = true, .scalingDelta = 127},
     {{320, 240, 0, 0, 1}}},
    {"ScalingDeltaAtTheBottom",
     100,
     1,
     {.scalingList = true, .scalingDelta = -128},
     {{320, 240, 0, 0, 1}}},
    {"ScalingDeltaPastTheTop", 100, 1, {.scalingList = true, .scalingDelta = 128}, std::nullopt},
    {"ScalingDeltaPastTheBottom",
     100,
     1,
     {.scalingList = true, .scalingDelta = -129},
     std::nullopt},
    {"ScalingDeltaOfTheLargestCode",
     100,
     1,
     {.scalingList = true, .scalingDelta = 2147483647},
     std::nullopt},
    // An offset of 2^30 writes 30 zero bits in a row, which the muxer must escape.
    {"EscapedPayload", 100, 1, {.pictureOrder = 1, .orderOffset = 1 << 30}, {{320, 240, 0, 0, 1}}},
    {"PixelShapeByIndex", 100, 1, {.aspectIndex = 2}, {{320, 240, 0, 12, 11}}},
    {"PixelShapeInFull",
     66,
     1,
     {.aspectIndex = 255, .aspectX = 64, .aspectY = 45},
     {{320, 240, 0, 64, 45}}},
    {"PixelShapeUnspecified", 100, 1, {.aspectIndex = 0}, {{320, 240, 0, 0, 1}}},
    {"PixelShapeReserved", 100, 1, {.aspectIndex = 17}, std::nullopt},
    {"CroppedAway", 100, 1, {.right = 160}, std::nullopt},
};

class H264ShapeTest : public ::testing::TestWithParam<Shape> {};

std::vector<std::uint8_t> ShapeNal(const Shape& shape) {
    NalWriter writer;
    writer.Bits(shape.profile, 8);
    writer.Bits(0, 8);
    writer.Bits(40, 8);
    writer.Golomb(0);
    if (StatesChroma(shape.profile)) {
        writer.Golomb(shape.chroma);
        if (shape.chroma == 3)
            writer.Bits(0, 1);
        writer.Golomb(0);
        writer.Golomb(0);
    }
    WriteGeometry(writer, shape.profile, shape.geometry);
    return writer.Nal(0x67);
}

TEST_P(H264ShapeTest, ReadsSizeAndPixelShape) {
    const Shape& shape = GetParam();
    const std::vector<std::uint8_t> record = ConfigurationRecord(ShapeNal(shape));
    const std::optional<H264Picture> picture =
        ReadH264Picture(record.data(), static_cast<int>(record.size()));
    ASSERT_EQ(picture.has_value(), shape.expected.has_value());
    if (!picture)
        return;
    const std::array<int, 5> got{picture->width, picture->height, picture->cropsTopOrLeft ? 1 : 0,
                                 picture->sampleAspect.num, picture->sampleAspect.den};
    EXPECT_EQ(got, *shape.expected);
}

INSTANTIATE_TEST_SUITE_P(Sets, H264ShapeTest, ::testing::ValuesIn(kShapes), test::CaseName{});

TEST(H264HeaderTest, EscapedPayloadReallyHoldsAnEscape) {
    const auto shape = std::find_if(std::begin(kShapes), std::end(kShapes), [](const Shape& s) {
        return std::string_view(s.name) == "EscapedPayload";
    });
    ASSERT_NE(shape, std::end(kShapes));
    const std::vector<std::uint8_t> nal = ShapeNal(*shape);
    bool escaped = false;
    for (std::size_t i = 2; i + 1 < nal.size(); ++i)
        escaped = escaped || (nal[i - 2] == 0 && nal[i - 1] == 0 && nal[i] == 3);
    EXPECT_TRUE(escaped);
}

} // namespace
} // namespace zarvo
