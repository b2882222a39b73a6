// Reading zarvo-report's arguments: options, their values and the paths to report on.
#include "cli/CommandLine.h"

#include "cli/PrintableName.h"
#include "reader/Sandbox.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <sched.h>
#include <string_view>
#include <thread>

namespace zarvo {
namespace {

constexpr std::string_view kUsage =
    "Usage: zarvo-report [OPTION]... [--] PATH...\n"
    "Print what is inside each media file: its size, duration and streams.\n"
    "A PATH that is a folder stands for the files directly in it.\n"
    "\n"
    "  -r, --recursive  also report on the files in the sub-folders of each folder\n"
    "  -L               follow symlinks to folders too (symlinks to files always are)\n"
    "  -j, --jobs N     read N files at a time (default: the number of processors)\n"
    "      --json       print one JSON object per line for each file, with or without\n"
    "                   a report; its fields are listed in zarvo-report(1)\n"
    "      --help       show this help and exit\n"
    "      --version    show the version and exit\n"
    "\n"
    "Reports are separated by one empty line. The report of a file found in a folder\n"
    "comes after a line \"==> RELATIVE/PATH <==\" with its path from that folder.\n"
    "Files in a folder are taken in byte order of their paths, whatever N is.\n"
    "Inside a folder, files that are not media are skipped quietly; every other file\n"
    "without a report is named on standard error. With folders, a closing line on\n"
    "standard error counts the reports, the files skipped as not media and the\n"
    "unreadable ones. On a terminal, standard error shows the progress of long runs.\n"
    "\n"
    "Exit status: 0 when every named file was reported and every file in a folder\n"
    "could be read; 1 otherwise, or when the report cannot be written; 2 for a usage\n"
    "error.\n"
    "\n"
    "Examples with jq: the files without audio, and a CSV of each video stream's\n"
    "file, width, height and duration:\n"
    "  zarvo-report --json -r DIR | jq -r 'select(.outcome == \"reported\" and\n"
    "    all(.streams[]; .kind != \"Audio\" and .kind != \"Ogg audio\")) | .path'\n"
    "  zarvo-report --json -r DIR | jq -r '.path as $p | .streams[] |\n"
    "    select(.kind == \"Video\") | [$p, .width, .height, .duration] | @csv'\n";

constexpr unsigned kMostJobs = 256;

ParsedArguments UsageError(const std::string& why) {
    std::fprintf(stderr, "zarvo-report: %s\nTry 'zarvo-report --help'.\n", why.c_str());
    return {std::nullopt, 2};
}

// A job count from 1 to kMostJobs; nothing for any other text.
std::optional<unsigned> ReadJobs(std::string_view text) {
    unsigned jobs = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), jobs);
    if (error != std::errc{} || end != text.data() + text.size() || jobs == 0 || jobs > kMostJobs)
        return std::nullopt;
    return jobs;
}

ParsedArguments BadJobs(std::string_view text) {
    return UsageError("invalid job count '" + PrintableName(text) + "' (from 1 to " +
                      std::to_string(kMostJobs) + ")");
}

} // namespace

ParsedArguments ParseArguments(int argc, char** argv) {
    CommandLine command;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (!options || argument.size() < 2 || argument[0] != '-') {
            command.paths.emplace_back(argument);
            continue;
        }
        if (argument == "--") {
            options = false;
        } else if (argument == "--help") {
            std::fwrite(kUsage.data(), 1, kUsage.size(), stdout);
            return {std::nullopt, 0};
        } else if (argument == "--version") {
            std::puts("zarvo-report " ZARVO_VERSION);
            // What a reader started now will have in force, asked of the kernel here.
            for (const std::string& line :
                 reader::ProtectionLines(reader::ExpectedSandbox(reader::KernelSandboxSupport())))
                std::puts(line.c_str());
            return {std::nullopt, 0};
        } else if (argument == "--recursive") {
            command.recursive = true;
        } else if (argument == "--json") {
            command.json = true;
        } else if (argument == "--jobs" || argument.starts_with("--jobs=")) {
            std::string_view value;
            if (argument.size() > 6) {
                value = argument.substr(7);
            } else if (i + 1 < argc) {
                value = argv[++i];
            } else {
                return UsageError("option '--jobs' needs a number");
            }
            const std::optional<unsigned> jobs = ReadJobs(value);
            if (!jobs)
                return BadJobs(value);
            command.jobs = *jobs;
        } else if (argument.starts_with("--")) {
            return UsageError("unknown option '" + PrintableName(argument) + "'");
        } else {
            // Short options may be grouped, as in -rL or -rj2.
            for (std::size_t k = 1; k < argument.size(); ++k) {
                const char letter = argument[k];
                if (letter == 'r') {
                    command.recursive = true;
                } else if (letter == 'L') {
                    command.followLinks = true;
                } else if (letter == 'j') {
                    std::string_view value = argument.substr(k + 1);
                    if (value.empty() && i + 1 < argc)
                        value = argv[++i];
                    else if (value.empty())
                        return UsageError("option '-j' needs a number");
                    const std::optional<unsigned> jobs = ReadJobs(value);
                    if (!jobs)
                        return BadJobs(value);
                    command.jobs = *jobs;
                    break;
                } else {
                    return UsageError("unknown option '-" +
                                      PrintableName(std::string_view(&argument[k], 1)) + "'");
                }
            }
        }
    }
    if (command.paths.empty())
        return UsageError("no file named");
    if (command.jobs == 0)
        command.jobs = ProcessorCount();
    return {std::move(command), 0};
}

unsigned ProcessorCount() {
    // The processors this process may use, which a container or taskset can make fewer than
    // the machine has.
    cpu_set_t set;
    unsigned count = std::thread::hardware_concurrency();
    if (::sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
        count = static_cast<unsigned>(CPU_COUNT(&set));
    return std::clamp(count, 1u, kMostJobs);
}

} // namespace zarvo
