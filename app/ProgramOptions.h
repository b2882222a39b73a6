// The desktop program's own options: --help, --version, and "--" before a file whose name begins
// with "-".
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zarvo {

struct ProgramOptions {
    enum class Request { Window, Help, Version };
    Request request = Request::Window;
    // The arguments, program name first, that the toolkit may take its own options from: those
    // before the first "--".
    std::vector<std::string> toolkitArguments;
    // The arguments after the first "--", which are files whatever they look like.
    std::vector<std::string> files;
};

// Reads the command line, program name first, as the raw bytes the shell passed.
ProgramOptions ReadProgramOptions(const std::vector<std::string>& arguments);

// What --help prints.
std::string_view ProgramUsage();

} // namespace zarvo
