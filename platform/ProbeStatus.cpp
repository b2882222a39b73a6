// Maps what the system and libavformat answer to the detector's statuses.
#include "platform/ProbeStatus.h"

extern "C" {
#include <libavutil/error.h>
}

#include <cerrno>

namespace zarvo {

HRESULT StatusFromErrno(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return E_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
        return E_ACCESSDENIED;
    case ENXIO:
    case ENODEV:
        return ZARVO_E_NOT_REGULAR_FILE;
    case ENOMEM:
        return E_OUTOFMEMORY;
    default:
        // Among them a name too long and a loop of symbolic links, each said as the system says it.
        return OpenErrorStatus(error);
    }
}

HRESULT StatusFromAvError(int error, HRESULT otherwise) {
    // libavformat also answers "no memory" when a header asks for more than the file holds or
    // than it will allocate (a chunk reaching past the end, more streams than it takes): that
    // is a damaged file, not a full machine.
    if (error == AVERROR(ENOMEM))
        return VFW_E_INVALID_FILE_FORMAT;
    return otherwise;
}

} // namespace zarvo
