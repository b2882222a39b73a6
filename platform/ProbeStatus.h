// The detector's statuses for what the system and libavformat answer.
#pragma once

#include "platform/HResult.h"

namespace zarvo {

// The status for an errno value from looking up or opening a file.
HRESULT StatusFromErrno(int error);
// The status for libavformat's answer `error`; `otherwise` where it tells nothing particular.
HRESULT StatusFromAvError(int error, HRESULT otherwise);

} // namespace zarvo
