// Turning the paths on the command line into the list of files to report on.
#pragma once

#include <string>
#include <vector>

namespace zarvo {

// One file to report on, or one folder that could not be listed.
struct WorkItem {
    std::string path;      // as given to the detector and named in messages
    std::string shownPath; // the path from the folder named on the command line
    bool inFolder = false; // found in a folder rather than named
    std::string listError; // when not empty: `path` is a folder that could not be listed, and why
};

struct WalkOptions {
    bool recursive = false;
    bool followLinks = false;
};

// Appends the work for one command-line path: the path itself when it is not a folder, or else
// the files in the folder, in byte order of their paths. Returns whether the path is a folder.
bool AddPath(const std::string& path, const WalkOptions& options, std::vector<WorkItem>& items);

} // namespace zarvo
