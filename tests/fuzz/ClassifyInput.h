// The byte layout of the classification fuzz target's input: one scripted report, each stream a
// media type record with its format block, length and frame rate.
//
//   u8 stream count (taken modulo 9), u8 flags (bit 0: the detector cannot open the file,
//   bit 1: the detector reports a stream count of -1, bit 2: "," is the decimal separator)
//   then per stream:
//     u8 major type: an index into MajorTypes(), or any other value and 16 raw bytes
//     u8 format type: an index into FormatTypes(), or any other value and 16 raw bytes
//     u8 flags: bit 0 length given, bit 1 frame rate given, bit 2 pUnk set,
//               bit 3 block pointer null (cbFormat kept)
//     f64 length if given, f64 frame rate if given (raw little-endian bits: NaN, infinities...)
//     u16 cbFormat, then that many block bytes (zeros where the input ends early)
#pragma once

#include "platform/Guid.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zarvo::fuzz {

struct FuzzedStream {
    GUID majortype = GUID_NULL;
    GUID formattype = GUID_NULL;
    std::vector<std::uint8_t> block; // cbFormat is its size
    bool nullBlock = false;          // pbFormat null despite cbFormat
    bool withUnknown = false;
    std::optional<double> length, frameRate;
};

struct FuzzedReport {
    bool openFails = false;
    bool negativeCount = false;
    bool decimalComma = false;
    std::vector<FuzzedStream> streams;
};

// The published major and format types, GUID_NULL last.
const std::vector<GUID>& MajorTypes();
const std::vector<GUID>& FormatTypes();

FuzzedReport DecodeReport(std::span<const std::uint8_t> bytes);
std::string EncodeReport(const FuzzedReport& report);

} // namespace zarvo::fuzz
