// Codec names carried from a real file through the detector into the report.
#include "codecs/FourCC.h"
#include "platform/MediaDet.h"
#include "report/ReportBuilder.h"
#include "support/RecordingView.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace zarvo {
namespace {

const std::filesystem::path kMedia = ZARVO_TEST_MEDIA;

std::vector<char> ReadAll(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

void WriteAll(const std::filesystem::path& path, const std::vector<char>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void PutLittleEndian(std::vector<char>& bytes, std::size_t offset, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i)
        bytes.at(offset + static_cast<std::size_t>(i)) = static_cast<char>(value >> (8 * i));
}

std::size_t Find(const std::vector<char>& bytes, std::string_view tag, std::size_t from = 0) {
    const auto it = std::search(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.end(),
                                tag.begin(), tag.end());
    EXPECT_NE(it, bytes.end()) << tag;
    return static_cast<std::size_t>(it - bytes.begin());
}

// The sample AVI with its video stream relabelled with `code`, in the stream header and in the
// bitmap header alike.
std::vector<char> AviWithCode(std::uint32_t code) {
    std::vector<char> avi = ReadAll(kMedia / "xvid_mp3.avi");
    const std::size_t header = Find(avi, "strh");
    PutLittleEndian(avi, header + 12, code, 4); // fccHandler
    const std::size_t format = Find(avi, "strf", header);
    PutLittleEndian(avi, format + 8 + 16, code, 4); // biCompression
    return avi;
}

// A one-second 8 kHz mono WAV whose format chunk names `tag`.
std::vector<char> WavWithTag(std::uint16_t tag) {
    std::vector<char> wav(44 + 8000, '\0');
    const auto put = [&](std::size_t at, std::string_view text) {
        std::copy(text.begin(), text.end(), wav.begin() + static_cast<std::ptrdiff_t>(at));
    };
    put(0, "RIFF");
    PutLittleEndian(wav, 4, static_cast<std::uint32_t>(wav.size() - 8), 4);
    put(8, "WAVEfmt ");
    PutLittleEndian(wav, 16, 16, 4);
    PutLittleEndian(wav, 20, tag, 2);
    PutLittleEndian(wav, 22, 1, 2);    // channels
    PutLittleEndian(wav, 24, 8000, 4); // samples per second
    PutLittleEndian(wav, 28, 8000, 4); // bytes per second
    PutLittleEndian(wav, 32, 1, 2);    // block align
    PutLittleEndian(wav, 34, 8, 2);    // bits per sample
    put(36, "data");
    PutLittleEndian(wav, 40, 8000, 4);
    return wav;
}

class CodecNameFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/zarvo-codec-XXXXXX";
        directory = ::mkdtemp(pattern);
    }
    void TearDown() override { std::filesystem::remove_all(directory); }

    // The report's first codec line for the file made of `bytes`.
    std::string CodecLine(const std::vector<char>& bytes, const char* name) {
        const std::filesystem::path path = directory / name;
        WriteAll(path, bytes);
        test::RecordingView view;
        EXPECT_EQ(GetFileData(path.string(), view).result, ReportResult::Reported) << name;
        const auto line = std::find_if(view.lines.begin(), view.lines.end(), [](const auto& l) {
            return l.starts_with("  Codec: \t\t");
        });
        return line == view.lines.end() ? "" : line->substr(11);
    }

    std::filesystem::path directory;
    ClassRegistration registration = RegisterMediaDet();
};

TEST_F(CodecNameFileTest, AviCompressionCodesAsStored) {
    const std::pair<std::uint32_t, const char*> codes[] = {
        {FourCC("DIVX"), nullptr},
        {FourCC("XVID"), nullptr},
        {FourCC("ZLIB"), nullptr},
        {FourCC("RGB"), nullptr}, // three letters and a zero byte
        {0x20003859, nullptr},    // "Y8", a zero byte and a space
        {FourCC("Q1.0"), nullptr},
        {FourCC("xvid"), "Unknown (1684633208)"}, // no case folding anywhere on the way
        {FourCC("RGB "), "Unknown (541214546)"},
        {FourCC("ZZZZ"), "Unknown (1515870810)"},
    };
    for (const auto& [code, unnamed] : codes) {
        const auto name = FindVideoCodecName(code);
        ASSERT_EQ(name.has_value(), unnamed == nullptr) << code;
        EXPECT_EQ(CodecLine(AviWithCode(code), "clip.avi"), name ? std::string(*name) : unnamed)
            << code;
    }
}

TEST_F(CodecNameFileTest, WaveFormatTagsAsStored) {
    const std::pair<std::uint16_t, const char*> tags[] = {
        {0x0001, "PCM"},
        {0x0024, "Audiofile AF36"},
        {0x0026, "AudioFile AF10"},
        {0x0055, "MPEG1 Layer-3"},
        {0x1102, "Lernout & Hauspie SBC codec"},
        {0x6750, "Ogg Vorbis (mode 2)"},
        {0x00FF, "Unknown (255)"},
        {0x2001, "Unknown (8193)"},
        {0xFFFD, "Unknown (65533)"},
    };
    for (const auto& [tag, name] : tags)
        EXPECT_EQ(CodecLine(WavWithTag(tag), "clip.wav"), name) << tag;
}

} // namespace
} // namespace zarvo
