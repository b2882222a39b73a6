// Human-readable explanations of the status codes the media detector returns.
#include "platform/HResult.h"

#include "platform/ProbeLimits.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace zarvo {
namespace {

// Two facilities of our own, each keeping an errno value in the low 16 bits.
constexpr std::uint32_t kOpenErrors = 0x80FE0000;
constexpr std::uint32_t kReadErrors = 0x80FD0000;
constexpr std::uint32_t kFacilityMask = 0xFFFF0000;

} // namespace

std::string SystemErrorText(int error) {
    std::string text = std::strerror(error);
    if (!text.empty())
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

HRESULT OpenErrorStatus(int error) noexcept {
    return MakeStatus(kOpenErrors | (static_cast<std::uint32_t>(error) & 0xFFFF));
}

HRESULT ReadErrorStatus(int error) noexcept {
    return MakeStatus(kReadErrors | (static_cast<std::uint32_t>(error) & 0xFFFF));
}

bool IsReadErrorStatus(HRESULT status) noexcept {
    return (static_cast<std::uint32_t>(status) & kFacilityMask) == kReadErrors;
}

std::string DescribeStatus(HRESULT status) {
    switch (status) {
    case S_OK:
        return "success";
    case E_FILE_NOT_FOUND:
        return "no such file";
    case E_ACCESSDENIED:
        return "permission denied";
    case ZARVO_E_NOT_REGULAR_FILE:
        return "not a regular file";
    case VFW_E_UNKNOWN_FILE_TYPE:
        return "not a media file that can be read";
    case VFW_E_INVALID_FILE_FORMAT:
        return "the media file is damaged or incomplete";
    case ZARVO_E_READ_STALLED:
        return "reading stopped: no data came for " + StallLimitText(StallLimit());
    case ZARVO_E_WORK_LIMIT:
        return "reading stopped after " + std::to_string(kWorkSeconds) +
               " s of work without reaching the end of the streams' headers";
    case ZARVO_E_SCAN_LIMIT:
        return "reading stopped after " + std::to_string(kScanMebibytes) +
               " MiB in a row that hold no packets";
    case ZARVO_E_FILE_CHANGED:
        return "the file changed while it was read";
    case E_OUTOFMEMORY:
        return "out of memory";
    case E_INVALIDARG:
        return "invalid file name";
    case REGDB_E_CLASSNOTREG:
        return "Media Detector not available";
    default:
        break;
    }
    const auto bits = static_cast<std::uint32_t>(status);
    if ((bits & kFacilityMask) == kOpenErrors)
        return SystemErrorText(static_cast<int>(bits & 0xFFFF));
    if ((bits & kFacilityMask) == kReadErrors)
        return "read error (" + std::string(std::strerror(static_cast<int>(bits & 0xFFFF))) + ")";
    char text[32];
    std::snprintf(text, sizeof text, "error 0x%08X", static_cast<unsigned>(status));
    return text;
}

} // namespace zarvo
