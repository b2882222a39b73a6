// Media detectors for reports built on several threads at once.
#pragma once

#include "platform/ClassRegistry.h"

namespace zarvo {

// Makes CLSID_MediaDet hand out, while the result lives, one of `count` detectors created now
// from the detector registered before, so that up to `count` reports can be built at once.
//
// The report builder keeps the stream it is classifying in one process-wide variable, so two
// reports must not be past opening their files at the same time. Opening a file (reading and
// probing it) is nearly all of a report's time; it runs in parallel, and each detector handed
// out holds a process-wide lock from a successful open until it is released.
[[nodiscard]] ClassRegistration RegisterSharedDetectors(unsigned count);

} // namespace zarvo
