// Status codes: zero is success, and every other value is a failure to the callers here.
#pragma once

#include <cstdint>
#include <string>

namespace zarvo {

using HRESULT = std::int32_t;

constexpr HRESULT MakeStatus(std::uint32_t bits) noexcept {
    return static_cast<HRESULT>(bits);
}

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOINTERFACE = MakeStatus(0x80004002);
inline constexpr HRESULT E_POINTER = MakeStatus(0x80004003);
inline constexpr HRESULT E_FAIL = MakeStatus(0x80004005);
inline constexpr HRESULT E_ACCESSDENIED = MakeStatus(0x80070005);
inline constexpr HRESULT E_OUTOFMEMORY = MakeStatus(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = MakeStatus(0x80070057);
inline constexpr HRESULT E_FILE_NOT_FOUND = MakeStatus(0x80070002);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = MakeStatus(0x80040110);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = MakeStatus(0x80040154);
inline constexpr HRESULT VFW_E_INVALID_FILE_FORMAT = MakeStatus(0x8004022F);
inline constexpr HRESULT VFW_E_UNKNOWN_FILE_TYPE = MakeStatus(0x80040240);

// Our own. The path names something other than a regular file (a directory, a device, a FIFO).
inline constexpr HRESULT ZARVO_E_NOT_REGULAR_FILE = MakeStatus(0x80040F01);
// The reading was cut short, so what was read so far is no whole description of the file: no
// data came for too long; the file kept the reader working too long; it held too many bytes
// without a packet; the file changed while it was read.
inline constexpr HRESULT ZARVO_E_READ_STALLED = MakeStatus(0x80040F02);
inline constexpr HRESULT ZARVO_E_WORK_LIMIT = MakeStatus(0x80040F03);
inline constexpr HRESULT ZARVO_E_SCAN_LIMIT = MakeStatus(0x80040F04);
inline constexpr HRESULT ZARVO_E_FILE_CHANGED = MakeStatus(0x80040F05);

// A system error while opening the file, or while reading it, with its errno value kept, as
// HRESULT_FROM_WIN32 keeps a system error code.
HRESULT OpenErrorStatus(int error) noexcept;
HRESULT ReadErrorStatus(int error) noexcept;
// True for a status that ReadErrorStatus made.
bool IsReadErrorStatus(HRESULT status) noexcept;

// The system's words for an errno value, begun in lower case as the messages here are.
std::string SystemErrorText(int error);

// A short, lower-case explanation of a status for messages such as "x.avi: not a regular file".
std::string DescribeStatus(HRESULT status);

} // namespace zarvo
