// Tests of the AudioFormatTable lookup.
#include "codecs/FourCC.h"

#include <cstdint>
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

using namespace std::string_view_literals;

struct TagText {
    std::uint16_t tag;
    std::string_view text;
};

// Every tag that must have a row, and no other.
constexpr std::uint16_t kAllTags[] = {
    0x0000, 0x0001, 0x0002, 0x0003, 0x0004, 0x0005, 0x0006, 0x0007, 0x0008, 0x0010, 0x0011, 0x0012,
    0x0013, 0x0014, 0x0015, 0x0016, 0x0017, 0x0018, 0x0019, 0x0020, 0x0021, 0x0022, 0x0023, 0x0024,
    0x0025, 0x0026, 0x0027, 0x0028, 0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x0040, 0x0041, 0x0042, 0x0043, 0x0050, 0x0052,
    0x0053, 0x0055, 0x0059, 0x0060, 0x0061, 0x0062, 0x0063, 0x0064, 0x0065, 0x0066, 0x0067, 0x0069,
    0x0070, 0x0071, 0x0072, 0x0073, 0x0074, 0x0075, 0x0076, 0x0077, 0x0078, 0x0079, 0x0080, 0x0081,
    0x0082, 0x0083, 0x0084, 0x0085, 0x0086, 0x0088, 0x0089, 0x0091, 0x0092, 0x0093, 0x0094, 0x0097,
    0x0098, 0x0099, 0x00A0, 0x0100, 0x0101, 0x0111, 0x0112, 0x0123, 0x0125, 0x0130, 0x0131, 0x0132,
    0x0133, 0x0134, 0x0135, 0x0140, 0x0150, 0x0151, 0x0155, 0x0160, 0x0161, 0x0200, 0x0202, 0x0203,
    0x0210, 0x0220, 0x0230, 0x0240, 0x0250, 0x0251, 0x0260, 0x0270, 0x0300, 0x0400, 0x0401, 0x0450,
    0x0680, 0x0681, 0x1000, 0x1001, 0x1002, 0x1003, 0x1004, 0x1100, 0x1101, 0x1102, 0x1103, 0x1104,
    0x1400, 0x1401, 0x1500, 0x181C, 0x1FC4, 0x2000, 0x674F, 0x6750, 0x6751, 0x676F, 0x6770, 0x6771,
    0xFFFE, 0xFFFF,
};

// Texts that reports and users rely on verbatim.
// clang-format off
constexpr TagText kFixedTexts[] = {
    {0x0000, "Unknown Wave"                                            },
    {0x0001, "PCM"                                                     },
    {0x0002, "ADPCM"                                                   },
    {0x0003, "IEEE Float"                                              },
    {0x0004, "Compaq Computer VSELP (codec for Windows CE 2.0 devices)"},
    {0x0006, "Microsoft ALAW (CCITT A-Law)"                            },
    {0x0007, "Microsoft MULAW (CCITT u-Law)"                           },
    {0x0008, "Microsoft DTS"                                           },
    {0x0011, "Intel DVI ADPCM (IMA ADPCM)"                             },
    {0x0024, "Audiofile AF36"                                          },
    {0x0026, "AudioFile AF10"                                          },
    {0x0031, "Microsoft GSM 6.10"                                      },
    {0x0050, "MPEG1 Layer 1,2"                                         },
    {0x0055, "MPEG1 Layer-3"                                           },
    {0x0060, "Cirrus Logic"                                            },
    {0x0061, "ESS Technology ESPCM / Duck DK4 ADPCM"                   },
    {0x0062, "Voxware file-mode codec / Duck DK3 ADPCM"                },
    {0x0088, "Iterated Systems ISIAudio"                               },
    {0x0092, "Sonic Foundry Dolby AC3 SPDIF"                           },
    {0x0130, "Sipro Lab Telecom ACELP.net"                             },
    {0x0131, "Sipro Lab Telecom ACELP.4800"                            },
    {0x0132, "Sipro Lab Telecom ACELP.8V3"                             },
    {0x0133, "Sipro Lab Telecom ACELP.G.729"                           },
    {0x0134, "Sipro Lab Telecom ACELP.G.729A"                          },
    {0x0135, "Sipro Lab Telecom ACELP.KELVIN"                          },
    {0x0160, "DivX WMA Audio V1"                                       },
    {0x0161, "DivX WMA Audio V2"                                       },
    {0x0270, "Sony ATRAC3 (SCX)"                                       },
    {0x1000, "Olivetti GSM"                                            },
    {0x1001, "Olivetti ADPCM"                                          },
    {0x1002, "Olivetti CELP"                                           },
    {0x1003, "Olivetti SBC"                                            },
    {0x1004, "Olivetti OPR"                                            },
    {0x1100, "Lernout & Hauspie codec"                                 },
    {0x1101, "Lernout & Hauspie CELP codec"                            },
    {0x1102, "Lernout & Hauspie SBC codec"                             },
    {0x1103, "Lernout & Hauspie SBC codec"                             },
    {0x1104, "Lernout & Hauspie SBC codec"                             },
    {0x1401, "ISIAudio"                                                },
    {0x181C, "VoxWare RT24 speech codec"                               },
    {0x2000, "FAST Multimedia AG DVM (Dolby AC3)"                      },
    {0x674F, "Ogg Vorbis (mode 1)"                                     },
    {0x6750, "Ogg Vorbis (mode 2)"                                     },
    {0x6751, "Ogg Vorbis (mode 3)"                                     },
    {0x676F, "Ogg Vorbis (mode 1+)"                                    },
    {0x6770, "Ogg Vorbis (mode 2+)"                                    },
    {0x6771, "Ogg Vorbis (mode 3+)"                                    },
    {0xFFFE, "Extensible wave format"                                  },
    {0xFFFF, "In Development / Unregistered"                           },
};
// clang-format on

// Every row of the table, gathered through the lookup alone.
std::map<std::uint16_t, std::string_view> AllRows() {
    std::map<std::uint16_t, std::string_view> rows;
    for (std::uint32_t tag = 0; tag <= 0xFFFF; ++tag)
        if (const auto text = FindAudioFormatName(static_cast<std::uint16_t>(tag)))
            rows.emplace(static_cast<std::uint16_t>(tag), *text);
    return rows;
}

TEST(AudioFormatTable, HasARowForExactlyTheListedTags) {
    std::set<std::uint16_t> expected;
    for (const std::uint16_t tag : kAllTags) {
        EXPECT_TRUE(FindAudioFormatName(tag).has_value()) << "tag 0x" << std::hex << tag;
        expected.insert(tag);
    }
    ASSERT_EQ(expected.size(), 146u);

    std::set<std::uint16_t> found;
    for (const auto& [tag, text] : AllRows())
        found.insert(tag);
    EXPECT_EQ(found.size(), 146u);
    EXPECT_EQ(found, expected);

    int runs = 0;
    for (auto it = found.begin(); it != found.end(); ++it)
        if (it == found.begin() || *std::prev(it) + 1 != *it)
            ++runs;
    EXPECT_EQ(runs, 49);
}

TEST(AudioFormatTable, FixedTextsComeBackVerbatim) {
    for (const auto& [tag, text] : kFixedTexts)
        EXPECT_EQ(FindAudioFormatName(tag), std::optional{text}) << "tag 0x" << std::hex << tag;
}

TEST(AudioFormatTable, EdgeCases) {
    const struct {
        std::uint16_t tag;
        std::optional<std::string_view> text;
    } cases[] = {
        // Tag zero is a real row, not a miss.
        {0x0000, "Unknown Wave"sv},
        // Gaps right beside rows.
        {0x0009, std::nullopt},
        {0x000F, std::nullopt},
        {0x0051, std::nullopt},
        {0x0054, std::nullopt},
        {0x0087, std::nullopt},
        {0x0090, std::nullopt},
        {0x00FF, std::nullopt},
        {0x0201, std::nullopt},
        {0x1105, std::nullopt},
        {0x2001, std::nullopt},
        {0x6752, std::nullopt},
        {0xFFFD, std::nullopt},
        // Top tags must not be taken as negative numbers.
        {0xFFFE, "Extensible wave format"sv},
        {0xFFFF, "In Development / Unregistered"sv},
        // One bit apart.
        {0x6750, "Ogg Vorbis (mode 2)"sv},
        {0x6770, "Ogg Vorbis (mode 2+)"sv},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FindAudioFormatName(c.tag), c.text) << "tag 0x" << std::hex << c.tag;
}

TEST(AudioFormatTable, OnlyTheThreeSbcTagsShareADescription) {
    std::map<std::string_view, std::vector<std::uint16_t>> tagsByText;
    for (const auto& [tag, text] : AllRows())
        tagsByText[text].push_back(tag);

    EXPECT_EQ(tagsByText.size(), 144u);
    for (const auto& [text, tags] : tagsByText) {
        if (text == "Lernout & Hauspie SBC codec")
            EXPECT_EQ(tags, (std::vector<std::uint16_t>{0x1102, 0x1103, 0x1104}));
        else
            EXPECT_EQ(tags.size(), 1u) << '"' << text << "\" is shared";
    }
}

TEST(AudioFormatTable, DescriptionsAreShortPrintableAscii) {
    std::uint16_t longestTag = 0;
    std::size_t longest = 0;
    for (const auto& [tag, text] : AllRows()) {
        SCOPED_TRACE(std::string(text));
        EXPECT_GE(text.size(), 3u);
        EXPECT_LE(text.size(), 56u);
        for (const char c : text)
            EXPECT_TRUE(c >= 0x20 && c <= 0x7E) << "character " << int(c);
        EXPECT_NE(text.front(), ' ');
        EXPECT_NE(text.back(), ' ');
        if (text.size() > longest) {
            longest = text.size();
            longestTag = tag;
        } else if (text.size() == longest) {
            longestTag = 0;
        }
    }
    // The Compaq row is the one longest text, so no other may reach its length.
    EXPECT_EQ(longestTag, 0x0004);
    EXPECT_EQ(longest, 56u);
}

// Spelling variants of the same company must keep their exact case.
TEST(AudioFormatTable, CaseVariantsStayDistinct) {
    std::map<std::string, std::set<std::uint16_t>> tagsByPrefix;
    for (const auto& [tag, text] : AllRows()) {
        const std::string prefix(text.substr(0, text.find(' ')));
        tagsByPrefix[prefix].insert(tag);
    }
    EXPECT_EQ(tagsByPrefix["Audiofile"], (std::set<std::uint16_t>{0x0024}));
    EXPECT_EQ(tagsByPrefix["AudioFile"], (std::set<std::uint16_t>{0x0026}));
    EXPECT_EQ(tagsByPrefix["VoxWare"], (std::set<std::uint16_t>{0x181C}));
    EXPECT_TRUE(tagsByPrefix["Voxware"].contains(0x0062));
    EXPECT_GT(tagsByPrefix["Voxware"].size(), 1u);
}

} // namespace
} // namespace zarvo
