// Tests of the VideoCodecTable lookup.
#include "codecs/FourCC.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace zarvo {
namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;

// Keys that are not four printable characters: three letters and a zero byte, and "Y8", a
// zero byte and a space.
constexpr std::uint32_t kValueKeys[] = {0x00424752, 0x00424944, 0x00434D53, 0x00435644, 0x00454C52,
                                        0x004E4149, 0x00574152, 0x00585652, 0x20003859};

// Every four-character key that must have a row.
constexpr std::string_view kCharacterKeys[] = {
    "3IV0", "3IV1", "3IV2", "3IVX", "AASC", "ABYR", "AEMI", "AFLC", "AFLI", "AMPG", "ANIM", "AP41",
    "ASV1", "ASV2", "ASVX", "AUR2", "AURA", "AVDJ", "AVRN", "AZPR", "BINK", "BT20", "BTCV", "BTVC",
    "BW10", "CC12", "CDVC", "CFCC", "CGDI", "CHAM", "CJPG", "CLJR", "CMYK", "CPLA", "CRAM", "CVID",
    "CWLT", "CYUV", "CYUY", "D261", "D263", "DIV1", "DIV2", "DIV3", "DIV4", "DIV5", "DIV6", "DIVX",
    "DMB1", "DMB2", "DPS0", "DPSC", "DSVD", "DUCK", "DV25", "DV50", "DVCP", "DVE2", "DVHD", "DVMA",
    "DVS1", "DVSD", "DVX1", "DVX2", "DVX3", "DX50", "DXT1", "DXT2", "DXT3", "DXT4", "DXT5", "DXTC",
    "EKQ0", "ELK0", "EM2V", "ESCP", "ETV1", "ETV2", "ETVC", "FLJP", "FRWA", "FRWD", "FRWT", "FRWU",
    "FVF1", "FVFW", "GLZW", "GPEG", "GWLT", "H260", "H261", "H262", "H263", "H264", "H265", "H266",
    "H267", "H268", "H269", "HFYU", "HMCR", "HMRR", "I263", "I420", "IAVS", "ICLB", "IGOR", "IJPG",
    "ILVC", "ILVR", "IPDV", "IR21", "IRAW", "IUYV", "IV30", "IV31", "IV32", "IV33", "IV34", "IV35",
    "IV36", "IV37", "IV38", "IV39", "IV40", "IV41", "IV42", "IV43", "IV44", "IV45", "IV46", "IV47",
    "IV48", "IV49", "IV50", "IY41", "IYU1", "IYU2", "IYUV", "JPEG", "JPGL", "KMVC", "LEAD", "LJPG",
    "LSVM", "M261", "M263", "M4S2", "MC12", "MCAM", "MDVD", "MJ2C", "MJPA", "MJPB", "MJPG", "MMES",
    "MP42", "MP43", "MP4S", "MP4V", "MPEG", "MPG1", "MPG2", "MPG3", "MPG4", "MPGI", "MPNG", "MRCA",
    "MRLE", "MSS1", "MSVC", "MSZH", "MTX1", "MTX2", "MTX3", "MTX4", "MTX5", "MTX6", "MTX7", "MTX8",
    "MTX9", "MWV1", "NAVI", "NT00", "NTN1", "NUV1", "NVS0", "NVS1", "NVS2", "NVS3", "NVS4", "NVS5",
    "NVT0", "NVT1", "NVT2", "NVT3", "NVT4", "NVT5", "PDVC", "PGVV", "PHMO", "PIM1", "PIM2", "PIMJ",
    "PVEZ", "PVMM", "PVW2", "Q1.0", "QPEG", "QPEQ", "RGBA", "RGBT", "RLE4", "RLE8", "RMP4", "RPZA",
    "RT21", "RUD0", "RV10", "RV13", "RV20", "RV30", "S422", "SDCC", "SFMC", "SJPG", "SMSC", "SMSD",
    "SMSV", "SPIG", "SPLC", "SQZ2", "STVA", "STVB", "STVC", "STVX", "STVY", "SV10", "SVQ1", "SVQ3",
    "T420", "TLMS", "TLST", "TM20", "TM2A", "TM2X", "TMIC", "TMOT", "TR20", "TSCC", "TV10", "TVMJ",
    "TY0N", "TY2C", "TY2N", "U263", "UCOD", "ULTI", "UYNV", "UYVP", "UYVY", "V261", "V422", "V655",
    "VCR1", "VCR2", "VCR3", "VCR4", "VCR5", "VCR6", "VCR7", "VCR8", "VCR9", "VDCT", "VDOM", "VDOW",
    "VDTZ", "VGPX", "VIDS", "VIFP", "VIV1", "VIV2", "VIVO", "VIXL", "VLV1", "VP30", "VP31", "VX1K",
    "VX2K", "VXSP", "WBVC", "WHAM", "WINX", "WJPG", "WMV1", "WMV2", "WMV3", "WNV1", "X263", "XLV0",
    "XMPG", "XVID", "Y211", "Y411", "Y41B", "Y41P", "Y41T", "Y422", "Y42B", "Y42T", "Y800", "YC12",
    "YUNV", "YUV8", "YUV9", "YUVP", "YUY2", "YUYV", "YV12", "YVU9", "YVYU", "ZLIB", "ZPEG",
};

std::set<std::uint32_t> AllKeys() {
    std::set<std::uint32_t> keys(std::begin(kValueKeys), std::end(kValueKeys));
    for (const std::string_view code : kCharacterKeys)
        keys.insert(FourCC(code));
    return keys;
}

// The key as its four characters when they are all printable, otherwise in hex.
std::string KeyName(std::uint32_t key) {
    std::string name;
    for (int shift = 0; shift < 32; shift += 8) {
        const auto c = static_cast<unsigned char>(key >> shift);
        if (c < 0x21 || c > 0x7E) {
            char hex[11];
            std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(key));
            return hex;
        }
        name += static_cast<char>(c);
    }
    return name;
}

struct SharedText {
    std::string_view text;
    std::vector<std::uint32_t> keys;
};

// Names that several keys share word for word.
// clang-format off
const std::vector<SharedText> kSharedTexts = {
    {"Nvidia texture compression format",
     {FourCC("NVS0"), FourCC("NVS1"), FourCC("NVS2"), FourCC("NVS3"), FourCC("NVS4"),
      FourCC("NVS5"), FourCC("NVT0"), FourCC("NVT1"), FourCC("NVT2"), FourCC("NVT3"),
      FourCC("NVT4"), FourCC("NVT5")}},
    {"Matrox codec",
     {FourCC("MTX1"), FourCC("MTX2"), FourCC("MTX3"), FourCC("MTX4"), FourCC("MTX5"),
      FourCC("MTX6"), FourCC("MTX7"), FourCC("MTX8"), FourCC("MTX9")}},
    {"DirectX Compressed Texture",
     {FourCC("DXT1"), FourCC("DXT2"), FourCC("DXT3"), FourCC("DXT4"), FourCC("DXT5")}},
    {"MPEG4-based codec 3ivx",
     {FourCC("3IV0"), FourCC("3IV1"), FourCC("3IV2"), FourCC("3IVX")}},
    {"Microsoft Video 1",
     {FourCC("CRAM"), FourCC("MSVC"), FourCC("WHAM")}},
    {"eTreppid Video Codec",
     {FourCC("ETV1"), FourCC("ETV2"), FourCC("ETVC")}},
    {"Microsoft MPEG-4 (hacked MS MPEG-4)",
     {FourCC("M4S2"), FourCC("MP4S"), FourCC("MP4V")}},
    {"Trident Decompression Driver",
     {FourCC("TY0N"), FourCC("TY2C"), FourCC("TY2N")}},
    {"Vivo H.263",
     {FourCC("VIV1"), FourCC("VIV2"), FourCC("VIVO")}},
    {"Full Frames (Uncompressed)",
     {0x00424752, 0x00424944, 0x00574152}},
    {"Avid Motion JPEG",
     {FourCC("AVDJ"), FourCC("AVRN")}},
    {"Conexant Composite Video",
     {FourCC("BTCV"), FourCC("BTVC")}},
    {"Intel YUV12 Codec",
     {FourCC("CC12"), FourCC("YC12")}},
    {"H.261",
     {FourCC("D261"), FourCC("H261")}},
    {"DivX MPEG-4",
     {FourCC("DIV5"), FourCC("DIV6")}},
    {"Else graphics card codec",
     {FourCC("EKQ0"), FourCC("ELK0")}},
    {"Field Encoded Motion JPEG (Targa emulation)",
     {FourCC("FLJP"), FourCC("TVMJ")}},
    {"Darim Vision Forward Motion JPEG",
     {FourCC("FRWD"), FourCC("FRWT")}},
    {"Intel ITU H.263",
     {FourCC("H263"), FourCC("I263")}},
    {"Rendition Motion Compensation Format",
     {FourCC("HMCR"), FourCC("HMRR")}},
    {"ATI Motion Compensation Format",
     {FourCC("MC12"), FourCC("MCAM")}},
    {"FFmpeg-1",
     {FourCC("MPG1"), FourCC("MPG2")}},
    {"Lossless codec (ZIP compression)",
     {FourCC("MSZH"), FourCC("ZLIB")}},
    {"Pegasus Imaging codec",
     {FourCC("PIM1"), FourCC("PIM2")}},
    {"Q-Team QPEG 1.1",
     {FourCC("QPEG"), FourCC("QPEQ")}},
    {"RealVideo codec",
     {FourCC("RV10"), FourCC("RV13")}},
    {"Radius proprietary codec",
     {FourCC("SMSC"), FourCC("SMSD")}},
    {"On2 (ex Duck TrueMotion) VP3",
     {FourCC("VP30"), FourCC("VP31")}},
    {"YUV 4:2:2 as for UYVY but with different component ordering within the u_int32 macropixel",
     {FourCC("YUY2"), FourCC("YVYU")}},
    {"Intel RDX",
     {0x00585652, FourCC("ANIM")}},
    {"Simple grayscale video",
     {0x20003859, FourCC("Y800")}},
};
// clang-format on

struct KeyText {
    std::uint32_t key;
    std::string text;
};

// Every name that is fixed word for word: single rows, shared rows and numbered families.
std::vector<KeyText> FixedTexts() {
    // clang-format off
    std::vector<KeyText> rows = {
        {FourCC("DIVX"), "OpenDivX (DivX 4.0 and later)"},
        {FourCC("DX50"), "DivX 5.0 codec"},
        {FourCC("XVID"), "XviD MPEG-4 codec"},
        {FourCC("DIV3"), "DivX ;-) MPEG-4 Low-Motion"},
        {FourCC("DIV4"), "DivX ;-) MPEG-4 Fast-Motion"},
        {FourCC("DIV1"), "FFmpeg-4 V1 (hacked MS MPEG-4 V1)"},
        {FourCC("MP42"), "Microsoft MPEG-4 V2"},
        {FourCC("MP43"), "Microsoft MPEG-4 V3"},
        {FourCC("MPG4"), "Microsoft MPEG-4 V1"},
        {FourCC("MPG3"), "Same as Low motion DivX MPEG-4"},
        {FourCC("WMV1"), "Windows Media Video 7"},
        {FourCC("WMV2"), "Windows Media Video 8"},
        {FourCC("WMV3"), "Windows Media Video 9"},
        {FourCC("MJPG"), "IBM Motion JPEG including Huffman Tables"},
        {FourCC("UYVY"), "YUV 4:2:2 (Y sample at every pixel, U and V sampled at every second "
                         "pixel horizontally on each line)"},
        {FourCC("YV12"), "ATI YVU12 4:2:0 Planar"},
        {FourCC("I420"), "Intel Indeo 4 H.263"},
        {FourCC("IYUV"), "Intel Indeo iYUV 4:2:0"},
        {FourCC("CVID"), "Cinepak by Radius YUV 4:2:2"},
        {FourCC("HFYU"), "Huffman Lossless Codec YUV and RGB formats (with Alpha-channel)"},
        {FourCC("TSCC"), "TechSmith Screen Capture Codec"},
        {FourCC("SVQ3"), "Sorenson Video 3 (Apple Quicktime 5)"},
        {FourCC("DVSD"), "Sony Digital Video (DV) 525 lines at 29.97 Hz or 625 lines at 25.00 Hz"},
        {FourCC("MRLE"), "Microsoft Run Length Encoding"},
        {FourCC("RLE4"), "Run length encoded 4bpp RGB image"},
        {FourCC("RLE8"), "Run length encoded 8bpp RGB image"},
        {0x00434D53,     "Apple Graphics (SMC) codec (256 color)"},
        {0x00435644,     "MainConcept DV Codec"},
        {0x00454C52,     "Raw RGB with arbitrary sample packing within a pixel"},
        {0x004E4149,     "Indeo 4 (RDX) Codec"},
        {FourCC("Q1.0"), "Q-Team QPEG 1.0"},
        {FourCC("SPLC"), "Splash Studios ACM Audio Codec"},
        {FourCC("IAVS"), "interleaved audio and video stream"},
        {FourCC("MPEG"), "Chromatic MPEG 1 Video I Frame"},
        {FourCC("YUNV"),
         "A direct copy of YUY2 registered by NVidia to work around problems in some old codecs "
         "which did not like hardware which offered more than 2 YUY2 surfaces"},
        {FourCC("IV30"), "Intel Indeo Video 3"},
        {FourCC("IV50"), "Intel Indeo Video 5.0 Wavelet"},
        {FourCC("VCR2"), "ATI VCR 2.0 (MPEG YV12)"},
        {FourCC("H269"), "H.263 for POTS-based videoconferencing"},
        {FourCC("DVX1"), "DVX1000SP Video Decoder"},
        {FourCC("DVX2"), "DVX2000S Video Decoder"},
        {FourCC("DVX3"), "DVX3000S Video Decoder"},
    };
    // clang-format on
    for (const SharedText& shared : kSharedTexts)
        for (const std::uint32_t key : shared.keys)
            rows.push_back({key, std::string(shared.text)});
    const auto code = [](std::string_view stem, char last) {
        return FourCC(stem[0], stem[1], stem[2], last);
    };
    for (const char d : "123456789"sv)
        rows.push_back({code("IV3", d), "Intel Indeo Video 3."s + d});
    for (const char d : "0123456789"sv)
        rows.push_back({code("IV4", d), "Intel Indeo Video 4."s + d});
    for (const char d : "13456789"sv)
        rows.push_back({code("VCR", d), "ATI VCR "s + d + ".0"});
    for (const char d : "0245678"sv)
        rows.push_back({code("H26", d), "H.26"s + d});
    return rows;
}

TEST(VideoCodecTable, EdgeCases) {
    const std::string yunv = "A direct copy of YUY2 registered by NVidia to work around problems "
                             "in some old codecs which did not like hardware which offered more "
                             "than 2 YUY2 surfaces";
    ASSERT_EQ(yunv.size(), 153u);
    // clang-format off
    const struct {
        std::uint32_t code;
        std::optional<std::string_view> text;
    } cases[] = {
        // The first character is the lowest byte; the reversed bytes are another code.
        {0x58564944,     "OpenDivX (DivX 4.0 and later)"},
        {0x44495658,     "XviD MPEG-4 codec"},
        // No case folding.
        {0x78766964,     std::nullopt},
        {FourCC("xvid"), std::nullopt},
        {FourCC("dvsd"), std::nullopt},
        {FourCC("Divx"), std::nullopt},
        // The bitmap header's own compression values.
        {0,              std::nullopt},
        {1,              std::nullopt},
        {2,              std::nullopt},
        {3,              std::nullopt},
        // A trailing zero byte is not a space.
        {0x00424752,     "Full Frames (Uncompressed)"},
        {0x20424752,     std::nullopt},
        {0x20003859,     "Simple grayscale video"},
        {FourCC("Y800"), "Simple grayscale video"},
        {0x20203859,     std::nullopt},
        {0x00003859,     std::nullopt},
        {FourCC("Q1.0"), "Q-Team QPEG 1.0"},
        {FourCC("QPEG"), "Q-Team QPEG 1.1"},
        {FourCC("QPEQ"), "Q-Team QPEG 1.1"},
        {FourCC("MPG1"), "FFmpeg-1"},
        {FourCC("MPG2"), "FFmpeg-1"},
        {FourCC("H269"), "H.263 for POTS-based videoconferencing"},
        {FourCC("YUNV"), yunv},
        // Nothing above the largest key or with the top bit set.
        {0x5A544457,     std::nullopt},
        {0x80000000,     std::nullopt},
        {0xD8564944,     std::nullopt},
        {0xFFFFFFFF,     std::nullopt},
    };
    // clang-format on
    for (const auto& c : cases)
        EXPECT_EQ(FindVideoCodecName(c.code), c.text) << KeyName(c.code);
}

TEST(VideoCodecTable, CodesThatDifferOnlyInCaseOrPaddingHaveNoRow) {
    const std::set<std::uint32_t> keys = AllKeys();
    for (const std::uint32_t key : keys) {
        std::uint32_t lower = 0;
        std::uint32_t spaced = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            const auto c = static_cast<unsigned char>(key >> shift);
            lower |= std::uint32_t{static_cast<unsigned char>(std::tolower(c))} << shift;
            spaced |= std::uint32_t{c == 0 ? static_cast<unsigned char>(' ') : c} << shift;
        }
        for (const std::uint32_t code : {lower, spaced}) {
            if (!keys.contains(code)) {
                EXPECT_EQ(FindVideoCodecName(code), std::nullopt) << KeyName(key);
            }
        }
    }
}

TEST(VideoCodecTable, HoldsExactlyTheListedKeys) {
    const std::set<std::uint32_t> keys = AllKeys();
    ASSERT_EQ(keys.size(), 332u);
    for (const std::uint32_t key : keys)
        EXPECT_TRUE(FindVideoCodecName(key).has_value()) << KeyName(key);

    // Every code built from the characters that keys use, the zero byte included: exactly the
    // listed keys are found.
    const std::string_view alphabet = "\0 .0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"sv;
    std::size_t found = 0;
    for (const char a : alphabet)
        for (const char b : alphabet)
            for (const char c : alphabet)
                for (const char d : alphabet) {
                    const std::uint32_t code = FourCC(a, b, c, d);
                    if (!FindVideoCodecName(code))
                        continue;
                    ++found;
                    EXPECT_TRUE(keys.contains(code)) << "unlisted key " << KeyName(code);
                }
    EXPECT_EQ(found, 332u);

    // Near misses of each key: top bit set, bytes reversed, first or last character moved.
    for (const std::uint32_t key : keys) {
        const std::uint32_t reversed =
            (key & 0xFF) << 24 | (key & 0xFF00) << 8 | (key >> 8 & 0xFF00) | key >> 24;
        for (const std::uint32_t code :
             {key | 0x80000000, reversed, key + 1, key - 1, key + (1u << 24), key - (1u << 24)}) {
            if (!keys.contains(code)) {
                EXPECT_EQ(FindVideoCodecName(code), std::nullopt) << KeyName(code);
            }
        }
    }
}

TEST(VideoCodecTable, GivesEveryFixedName) {
    const std::vector<KeyText> rows = FixedTexts();
    std::map<std::string, std::size_t, std::less<>> keysPerText;
    std::set<std::uint32_t> seen;
    for (const KeyText& row : rows) {
        EXPECT_TRUE(seen.insert(row.key).second) << "fixed twice: " << KeyName(row.key);
        EXPECT_EQ(FindVideoCodecName(row.key), row.text) << KeyName(row.key);
        ++keysPerText[row.text];
    }
    EXPECT_EQ(rows.size(), 166u);

    // No other key may reuse a fixed name.
    std::map<std::string, std::size_t, std::less<>> found;
    for (const std::uint32_t key : AllKeys())
        if (const auto text = FindVideoCodecName(key); text && keysPerText.contains(*text))
            ++found[std::string(*text)];
    EXPECT_EQ(found, keysPerText);
}

TEST(VideoCodecTable, NameCountsAndForm) {
    std::map<std::string_view, std::size_t> keysPerText;
    for (const std::uint32_t key : AllKeys()) {
        const auto text = FindVideoCodecName(key);
        ASSERT_TRUE(text) << KeyName(key);
        EXPECT_GE(text->size(), 5u) << KeyName(key);
        EXPECT_LE(text->size(), 153u) << KeyName(key);
        for (const char c : *text)
            EXPECT_TRUE(c >= 0x20 && c <= 0x7E) << KeyName(key) << ": " << *text;
        ++keysPerText[*text];
    }
    EXPECT_EQ(keysPerText.size(), 273u);

    std::size_t shared = 0;
    for (const auto& [text, count] : keysPerText) {
        if (count < 2)
            continue;
        ++shared;
        EXPECT_LE(count, 12u) << text;
    }
    EXPECT_EQ(shared, 31u);
}

} // namespace
} // namespace zarvo
