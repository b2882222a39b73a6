// The desktop program's own options.
#include "app/ProgramOptions.h"

namespace zarvo {

std::string_view ProgramUsage() {
    return "Usage: zarvo [OPTION]... [--] [FILE]\n"
           "Show what is inside a video file in a window: the report on FILE, or on a file\n"
           "chosen with Open... or dropped on the window.\n"
           "\n"
           "      --help       show this help and exit\n"
           "      --version    show the version and exit\n"
           "      --           end the options: what follows is the file, even when its\n"
           "                   name begins with \"-\"\n"
           "\n"
           "Qt's own options, such as -platform NAME, come before \"--\". On Wayland, Zarvo\n"
           "runs natively with Qt's Wayland plugin (Debian's qt6-wayland); the environment\n"
           "variable QT_QPA_PLATFORM=wayland or =xcb picks the display system.\n";
}

ProgramOptions ReadProgramOptions(const std::vector<std::string>& arguments) {
    ProgramOptions options;
    if (arguments.empty())
        return options;
    options.toolkitArguments.push_back(arguments.front());
    bool ended = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (ended) {
            options.files.push_back(argument);
            continue;
        }
        if (argument == "--") {
            ended = true;
            continue;
        }
        // The first of --help and --version wins.
        if (options.request == ProgramOptions::Request::Window) {
            if (argument == "--help")
                options.request = ProgramOptions::Request::Help;
            else if (argument == "--version")
                options.request = ProgramOptions::Request::Version;
        }
        options.toolkitArguments.push_back(argument);
    }
    return options;
}

} // namespace zarvo
