// Human-readable explanations of the status codes the media detector returns.
#include "platform/HResult.h"

#include <cstdio>

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
    case VFW_E_TIMEOUT:
        return "reading the file took too long";
    case E_OUTOFMEMORY:
        return "out of memory";
    case E_INVALIDARG:
        return "invalid file name";
    case REGDB_E_CLASSNOTREG:
        return "Media Detector not available";
    default:
        break;
    }
    char text[32];
    std::snprintf(text, sizeof text, "error 0x%08X", static_cast<unsigned>(status));
    return text;
}
