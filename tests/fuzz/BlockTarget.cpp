// Fuzz target for the format-block reader: arbitrary bytes as a format block, held at their
// exact size. Fields of every width are read at every offset and checked against the bytes;
// then the block is classified under each format type that reads it, and the stream's fields
// must be filled exactly when the block holds every field they come from.
#include "fuzz/FuzzTarget.h"
#include "platform/DirectShow.h"
#include "platform/MediaDet.h"
#include "report/MediaStream.h"
#include "report/StreamClassification.h"

#include <cstddef>
#include <limits>
#include <vector>

namespace zarvo::fuzz {
namespace {

// The little-endian value of `width` bytes at `offset`, put together a byte at a time.
std::uint64_t Expected(const std::vector<std::uint8_t>& bytes, std::size_t offset,
                       std::size_t width) {
    std::uint64_t value = 0;
    for (std::size_t i = width; i-- > 0;)
        value = value << 8 | bytes[offset + i];
    return value;
}

template <typename T>
void CheckReads(const FormatBlockReader& reader, const std::vector<std::uint8_t>& bytes) {
    // Offsets past the end, and those that would wrap a sum round, read as absent.
    const std::size_t far = std::numeric_limits<std::size_t>::max() - 1;
    for (const std::size_t offset : {bytes.size(), bytes.size() + 1, far})
        Require(!reader.Read<T>(offset), "nothing is read outside the block");
    for (std::size_t offset = 0; offset < bytes.size(); ++offset) {
        const std::optional<T> value = reader.Read<T>(offset);
        const bool inside = offset + sizeof(T) <= bytes.size();
        Require(value.has_value() == inside, "a field is read exactly when it lies in the block");
        if (value)
            Require(static_cast<std::uint64_t>(static_cast<std::make_unsigned_t<T>>(*value)) ==
                        Expected(bytes, offset, sizeof(T)),
                    "a field reads as its little-endian bytes");
    }
}

struct Reading {
    const GUID& formattype;
    std::size_t needed; // the block's size from which every field is there
    bool video;
};

// The video lines end with the bitmap header's compression code.
constexpr std::size_t kBitmapFields = offsetof(BITMAPINFOHEADER, biCompression) + 4;

const Reading kReadings[] = {
    {FORMAT_VideoInfo, offsetof(VIDEOINFOHEADER, bmiHeader) + kBitmapFields, true},
    {FORMAT_MPEGVideo, offsetof(VIDEOINFOHEADER, bmiHeader) + kBitmapFields, true},
    {FORMAT_VideoInfo2, offsetof(VIDEOINFOHEADER2, bmiHeader) + kBitmapFields, true},
    {FORMAT_MPEG2Video, offsetof(VIDEOINFOHEADER2, bmiHeader) + kBitmapFields, true},
    {FORMAT_WaveFormatEx, offsetof(WAVEFORMATEX, nAvgBytesPerSec) + 4, false},
    {FORMAT_OggAudio, offsetof(WAVEFORMATEX, nAvgBytesPerSec) + 4, false},
};

} // namespace

std::vector<std::string> SeedsFromClip(const std::filesystem::path& clip) {
    std::vector<ProbedStream> probed;
    if (ProbeMediaFile(clip.string(), probed) != S_OK)
        return {};
    std::vector<std::string> seeds;
    for (const ProbedStream& stream : probed)
        if (!stream.format.empty())
            seeds.emplace_back(stream.format.begin(), stream.format.end());
    return seeds;
}

} // namespace zarvo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zarvo;
    using namespace zarvo::fuzz;
    if (size > std::numeric_limits<std::uint16_t>::max())
        return 0;
    const std::vector<std::uint8_t> bytes(data, data + size);
    const FormatBlockReader reader(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    CheckReads<std::uint8_t>(reader, bytes);
    CheckReads<std::uint16_t>(reader, bytes);
    CheckReads<std::int32_t>(reader, bytes);
    CheckReads<std::int64_t>(reader, bytes);

    for (const Reading& reading : kReadings) {
        AM_MEDIA_TYPE type{};
        type.majortype = reading.video ? MEDIATYPE_Video : MEDIATYPE_Audio;
        type.formattype = reading.formattype;
        type.cbFormat = static_cast<std::uint32_t>(bytes.size());
        // A copy of its own at exactly the block's size, as a detector hands it out.
        std::vector<std::uint8_t> block(bytes);
        type.pbFormat = block.empty() ? nullptr : block.data();
        TMediaStream stream;
        TMediaStream* const previous = CurrentStream;
        CurrentStream = &stream;
        GetMediaTypeDescriptionX(type, 1.0);
        CurrentStream = previous;
        const bool filled = reading.video ? !stream.Resolution.empty() : !stream.Codec.empty();
        Require(filled == (bytes.size() >= reading.needed),
                "the fields are filled exactly when the block holds them all");
    }
    return 0;
}
