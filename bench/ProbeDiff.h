// Names the report fields in which two probes of the same file disagree.
#pragma once

#include "platform/StreamProbe.h"

#include <string>
#include <vector>

namespace zarvo {

// One line per field that differs, such as "stream 1 frame rate: 25 against 24.975"; empty when
// the probes agree on every field the report prints.
std::vector<std::string> ProbeDifferences(const std::vector<ProbedStream>& fast,
                                          const std::vector<ProbedStream>& full);

} // namespace zarvo
