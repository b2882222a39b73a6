// What the program and its window module agree on: the module's one entry, which the program
// looks up by name once it has started its first reader.
#pragma once

#include "app/ProgramOptions.h"

#include <string>

namespace zarvo {

class ReaderPool;

inline constexpr const char* kWindowEntryName = "zarvo_run_window";

// Runs the windows until the user ends the program and returns its exit status. `readers` is
// null when no reader could be started; `readersFailure` then says why.
using WindowEntry = int (*)(ProgramOptions& options, ReaderPool* readers,
                            const std::string& readersFailure);

} // namespace zarvo
