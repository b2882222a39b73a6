// The detector on music files written byte by byte at test time: cover pictures, the average rate
// of a file whose codec states none, and lengths that must come out exact.
#include "platform/MediaDet.h"
#include "platform/TaskMem.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace zarvo {
namespace {

namespace fs = std::filesystem;

void PutBigEndian(std::string& bytes, std::uint64_t value, int size) {
    for (int shift = (size - 1) * 8; shift >= 0; shift -= 8)
        bytes += static_cast<char>((value >> shift) & 0xFF);
}

std::string Counted(std::string_view text) {
    std::string bytes;
    PutBigEndian(bytes, text.size(), 4);
    return bytes.append(text);
}

// The start of a PNG: the signature, then nothing a reader needs to decode.
std::string PngPicture(std::size_t size) {
    std::string picture = "\x89PNG\r\n\x1a\n";
    picture.resize(size, '\0');
    return picture;
}

// A FLAC file: the signature, STREAMINFO for 16-bit stereo, optionally a PICTURE block, then
// `dataBytes` of zeros where the frames would be.
std::string Flac(std::uint32_t sampleRate, std::uint64_t samples, std::size_t pictureBytes,
                 std::size_t dataBytes) {
    std::string file = "fLaC";
    const auto block = [&file](int type, bool last, const std::string& body) {
        file += static_cast<char>((last ? 0x80 : 0) | type);
        PutBigEndian(file, body.size(), 3);
        file += body;
    };
    std::string info;
    PutBigEndian(info, 4096, 2); // smallest and largest block of samples
    PutBigEndian(info, 4096, 2);
    PutBigEndian(info, 0, 3); // frame sizes unknown
    PutBigEndian(info, 0, 3);
    PutBigEndian(info,
                 std::uint64_t{sampleRate} << 44 | std::uint64_t{2 - 1} << 41 |
                     std::uint64_t{16 - 1} << 36 | samples,
                 8);
    info.append(16, '\0'); // no MD5 of the samples
    block(0, pictureBytes == 0, info);
    if (pictureBytes != 0) {
        std::string picture;
        PutBigEndian(picture, 3, 4); // front cover
        picture += Counted("image/png") + Counted("");
        PutBigEndian(picture, 16, 4); // width, height, depth, colours
        PutBigEndian(picture, 16, 4);
        PutBigEndian(picture, 24, 4);
        PutBigEndian(picture, 0, 4);
        picture += Counted(PngPicture(pictureBytes));
        block(6, true, picture);
    }
    return file.append(dataBytes, '\0');
}

// An MP3 file: an ID3v2.3 tag holding a JPEG cover, then `frames` silent MPEG-1 Layer III frames
// of 128 kbit/s at 44.1 kHz.
std::string Mp3WithCover(std::size_t pictureBytes, int frames) {
    std::string apic = std::string(1, '\0') + "image/jpeg" + '\0' + '\x03' + '\0';
    apic += "\xFF\xD8\xFF\xE0";
    apic.resize(apic.size() + pictureBytes - 4, '\0');
    std::string frame = "APIC";
    PutBigEndian(frame, apic.size(), 4);
    frame += std::string(2, '\0') + apic;
    std::string file = "ID3\x03";
    file += std::string(2, '\0');
    for (int shift = 21; shift >= 0; shift -= 7) // the tag's size, seven bits a byte
        file += static_cast<char>((frame.size() >> shift) & 0x7F);
    file += frame;
    for (int i = 0; i < frames; ++i) {
        std::string audio = "\xFF\xFB\x90";
        audio.resize(417, '\0'); // 144 * 128000 / 44100 bytes, side information all zero
        file += audio;
    }
    return file;
}

void PutLittleEndian(std::string& bytes, std::uint64_t value, int size) {
    for (int i = 0; i < size; ++i)
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// One Ogg page of stream 1 holding `packets`, each under 255 bytes, with its checksum.
std::string OggPage(int flags, std::uint64_t granule, std::uint32_t sequence,
                    const std::vector<std::string>& packets) {
    std::string page = "OggS";
    page += '\0';
    page += static_cast<char>(flags);
    PutLittleEndian(page, granule, 8);
    PutLittleEndian(page, 1, 4);
    PutLittleEndian(page, sequence, 4);
    PutLittleEndian(page, 0, 4); // the checksum, filled in below
    page += static_cast<char>(packets.size());
    for (const std::string& packet : packets)
        page += static_cast<char>(packet.size());
    for (const std::string& packet : packets)
        page += packet;
    std::uint32_t crc = 0;
    for (const char byte : page) {
        crc ^= std::uint32_t{static_cast<std::uint8_t>(byte)} << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80000000u) != 0 ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    for (int i = 0; i < 4; ++i)
        page[22 + static_cast<std::size_t>(i)] = static_cast<char>((crc >> (8 * i)) & 0xFF);
    return page;
}

// An Ogg Opus file: its two header pages, then `seconds` pages of fifty 20 ms packets of 100
// bytes each, a second a page.
std::string OggOpus(int seconds) {
    std::string head = "OpusHead";
    head += '\x01';
    head += '\x02';                  // channels
    PutLittleEndian(head, 312, 2);   // samples to skip
    PutLittleEndian(head, 48000, 4); // the input's rate
    PutLittleEndian(head, 0, 3);     // gain, channel mapping
    std::string tags = "OpusTags";
    PutLittleEndian(tags, 4, 4);
    tags += "test";
    PutLittleEndian(tags, 0, 4);
    std::string file = OggPage(0x02, 0, 0, {head}) + OggPage(0, 0, 1, {tags});
    std::string packet = "\xF8"; // CELT, full band, 20 ms, one frame
    packet.resize(100, '\x55');
    for (int second = 1; second <= seconds; ++second)
        file +=
            OggPage(second == seconds ? 0x04 : 0, 312 + 48000u * static_cast<unsigned>(second),
                    static_cast<std::uint32_t>(second + 1), std::vector<std::string>(50, packet));
    return file;
}

struct MadeFile {
    const char* label;
    const char* name;
    std::string bytes;
    std::int32_t streams;
    std::uint32_t bytesPerSecond; // of stream 0, an audio stream
    std::optional<double> length; // of stream 0, exactly; unchecked when absent
};

class MadeFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/zarvo-made-XXXXXX";
        directory_ = ::mkdtemp(pattern);
    }
    void TearDown() override { fs::remove_all(directory_); }
    std::string Write(const MadeFile& file) const {
        const fs::path path = directory_ / file.name;
        std::ofstream(path, std::ios::binary) << file.bytes;
        return path.string();
    }

    ClassRegistration registration_ = RegisterMediaDet();
    fs::path directory_;
};

TEST_F(MadeFileTest, CoversAreNoStreamsAndEveryAudioFileHasItsAverageRate) {
    const MadeFile files[] = {
        // 200000 bytes of frames over 16 s; the 60 kB cover before them is no part of the rate.
        {"FLAC with a cover", "cover.flac", Flac(44000, 704000, 60000, 200000), 1, 12500, 16.0},
        {"FLAC without a cover", "plain.flac", Flac(44000, 704000, 0, 200000), 1, 12500, 16.0},
        {"FLAC of 10.2 s", "short.flac", Flac(48000, 489600, 0, 51000), 1, 5000, 10.2},
        // Two pages of 5077 bytes over 96312 / 48000 s, the skipped samples included; the
        // reader's headers end inside the first of them.
        {"Ogg Opus", "song.opus", OggOpus(2), 1, 5060, 2.0065},
        // The frames state their rate, which stands whatever the file's size.
        {"MP3 with a JPEG cover", "cover.mp3", Mp3WithCover(30000, 40), 1, 16000, std::nullopt},
    };
    for (const MadeFile& file : files) {
        SCOPED_TRACE(file.label);
        ComPtr<IMediaDet> detector;
        ASSERT_EQ(CoCreateInstance(CLSID_MediaDet, nullptr, CLSCTX_INPROC, IID_IMediaDet,
                                   detector.PutVoid()),
                  S_OK);
        ASSERT_EQ(detector->put_Filename(Write(file)), S_OK);
        std::int32_t count = 0;
        ASSERT_EQ(detector->get_OutputStreams(&count), S_OK);
        EXPECT_EQ(count, file.streams);
        ASSERT_EQ(detector->put_CurrentStream(0), S_OK);
        AM_MEDIA_TYPE type{};
        ASSERT_EQ(detector->get_StreamMediaType(&type), S_OK);
        EXPECT_TRUE(IsEqualGUID(type.majortype, MEDIATYPE_Audio));
        const FormatBlockReader block(type.pbFormat, type.cbFormat);
        EXPECT_EQ(block.Read<std::uint32_t>(offsetof(WAVEFORMATEX, nAvgBytesPerSec)),
                  file.bytesPerSecond);
        CoTaskMemFree(type.pbFormat);
        double length = 0;
        ASSERT_EQ(detector->get_StreamLength(&length), S_OK);
        if (file.length) {
            EXPECT_EQ(length, *file.length); // the double nearest the exact quotient, no other
        }
    }
}

} // namespace
} // namespace zarvo
