// What the user asked zarvo-report to do, read from its arguments.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zarvo {

struct CommandLine {
    std::vector<std::string> paths;
    bool recursive = false;   // -r: descend into sub-folders of folder arguments
    bool followLinks = false; // -L: descend into symlinked folders too
    unsigned jobs = 0;        // -j N; 0 until read, then the processor count when not given
    bool json = false;        // --json: one JSON object per file instead of the text report
};

// The result of reading the arguments: a command to run, or an exit status to leave with after
// the help, the version or a usage error has been written.
struct ParsedArguments {
    std::optional<CommandLine> command;
    int exitStatus = 0;
};

ParsedArguments ParseArguments(int argc, char** argv);

// The number of processors this process may run on.
unsigned ProcessorCount();

} // namespace zarvo
