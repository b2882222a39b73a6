// Reading and writing the classification fuzz target's input layout.
#include "fuzz/ClassifyInput.h"

#include "platform/DirectShow.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace zarvo::fuzz {
namespace {

constexpr std::size_t kMaxStreams = 8;

class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    // Bytes past the end of the input read as zero.
    std::uint8_t U8() { return position_ < bytes_.size() ? bytes_[position_++] : 0; }
    std::uint16_t U16() {
        const std::uint16_t low = U8();
        return static_cast<std::uint16_t>(low | U8() << 8);
    }
    std::uint64_t U64() {
        std::uint64_t value = 0;
        for (int i = 0; i < 8; ++i)
            value |= std::uint64_t{U8()} << (8 * i);
        return value;
    }
    GUID Guid() {
        std::uint8_t raw[16];
        for (std::uint8_t& byte : raw)
            byte = U8();
        GUID guid;
        std::memcpy(&guid, raw, sizeof guid);
        return guid;
    }
    GUID Chosen(const std::vector<GUID>& table) {
        const std::uint8_t index = U8();
        return index < table.size() ? table[index] : Guid();
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

class Writer {
public:
    void U8(std::uint8_t value) { bytes_ += static_cast<char>(value); }
    void U16(std::uint16_t value) {
        U8(static_cast<std::uint8_t>(value));
        U8(static_cast<std::uint8_t>(value >> 8));
    }
    void U64(std::uint64_t value) {
        for (int i = 0; i < 8; ++i)
            U8(static_cast<std::uint8_t>(value >> (8 * i)));
    }
    void Chosen(const std::vector<GUID>& table, const GUID& guid) {
        const auto found = std::find(table.begin(), table.end(), guid);
        if (found != table.end()) {
            U8(static_cast<std::uint8_t>(found - table.begin()));
            return;
        }
        U8(0xFF);
        std::uint8_t raw[16];
        std::memcpy(raw, &guid, sizeof raw);
        for (const std::uint8_t byte : raw)
            U8(byte);
    }
    std::string Take() { return std::move(bytes_); }

private:
    std::string bytes_;
};

} // namespace

const std::vector<GUID>& MajorTypes() {
    static const std::vector<GUID> types = {MEDIATYPE_Video,         MEDIATYPE_Audio,
                                            MEDIATYPE_AnalogAudio,   MEDIATYPE_AnalogVideo,
                                            MEDIATYPE_AUXLine21Data, MEDIATYPE_File,
                                            MEDIATYPE_Interleaved,   MEDIATYPE_LMRT,
                                            MEDIATYPE_Midi,          MEDIATYPE_MPEG2_PES,
                                            MEDIATYPE_ScriptCommand, MEDIATYPE_Stream,
                                            MEDIATYPE_Text,          MEDIATYPE_Timecode,
                                            MEDIATYPE_URL_STREAM,    GUID_NULL};
    return types;
}

const std::vector<GUID>& FormatTypes() {
    static const std::vector<GUID> types = {
        FORMAT_VideoInfo,  FORMAT_VideoInfo2, FORMAT_WaveFormatEx,  FORMAT_MPEGVideo,
        FORMAT_MPEG2Video, FORMAT_OggAudio,   FORMAT_DvInfo,        FORMAT_MPEGStreams,
        FORMAT_DolbyAC3,   FORMAT_MPEG2Audio, FORMAT_DVD_LPCMAudio, GUID_NULL};
    return types;
}

FuzzedReport DecodeReport(std::span<const std::uint8_t> bytes) {
    Reader in(bytes);
    FuzzedReport report;
    const std::size_t count = in.U8() % (kMaxStreams + 1);
    const std::uint8_t flags = in.U8();
    report.openFails = (flags & 1) != 0;
    report.negativeCount = (flags & 2) != 0;
    report.decimalComma = (flags & 4) != 0;
    for (std::size_t i = 0; i < count; ++i) {
        FuzzedStream stream;
        stream.majortype = in.Chosen(MajorTypes());
        stream.formattype = in.Chosen(FormatTypes());
        const std::uint8_t streamFlags = in.U8();
        if ((streamFlags & 1) != 0)
            stream.length = std::bit_cast<double>(in.U64());
        if ((streamFlags & 2) != 0)
            stream.frameRate = std::bit_cast<double>(in.U64());
        stream.withUnknown = (streamFlags & 4) != 0;
        stream.nullBlock = (streamFlags & 8) != 0;
        stream.block.resize(in.U16());
        for (std::uint8_t& byte : stream.block)
            byte = in.U8();
        report.streams.push_back(std::move(stream));
    }
    return report;
}

std::string EncodeReport(const FuzzedReport& report) {
    Writer out;
    out.U8(static_cast<std::uint8_t>(std::min(report.streams.size(), kMaxStreams)));
    out.U8(static_cast<std::uint8_t>((report.openFails ? 1 : 0) | (report.negativeCount ? 2 : 0) |
                                     (report.decimalComma ? 4 : 0)));
    for (std::size_t i = 0; i < std::min(report.streams.size(), kMaxStreams); ++i) {
        const FuzzedStream& stream = report.streams[i];
        out.Chosen(MajorTypes(), stream.majortype);
        out.Chosen(FormatTypes(), stream.formattype);
        out.U8(static_cast<std::uint8_t>((stream.length ? 1 : 0) | (stream.frameRate ? 2 : 0) |
                                         (stream.withUnknown ? 4 : 0) |
                                         (stream.nullBlock ? 8 : 0)));
        if (stream.length)
            out.U64(std::bit_cast<std::uint64_t>(*stream.length));
        if (stream.frameRate)
            out.U64(std::bit_cast<std::uint64_t>(*stream.frameRate));
        const std::size_t size = std::min<std::size_t>(stream.block.size(), 0xFFFF);
        out.U16(static_cast<std::uint16_t>(size));
        for (std::size_t b = 0; b < size; ++b)
            out.U8(stream.block[b]);
    }
    return out.Take();
}

} // namespace zarvo::fuzz
