// Turning the paths on the command line into the list of files to report on.
#pragma once

#include "reader/WorkItem.h"

#include <string>
#include <vector>

namespace zarvo {

// Appends the work for one command-line path: the path itself when it is not a folder, or else
// the files in the folder, in byte order of their paths. Returns whether the path is a folder.
bool AddPath(const std::string& path, const WalkOptions& options, std::vector<WorkItem>& items);

} // namespace zarvo
