// One file to report on, as the folder walk found it: what both the reader and the front end
// that orders the reports know of it.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>

namespace zarvo {

// What tells two files apart: a second way to the same folder, or an entry replaced by another.
struct FileId {
    dev_t device = 0;
    ino_t inode = 0;

    friend bool operator==(const FileId&, const FileId&) = default;
    friend auto operator<=>(const FileId&, const FileId&) = default;
};

// A folder the walk opened, and the way to it from the folder named on the command line. The
// file of a report is opened through these steps again, each checked against what the walk
// found, so that no entry replaced since (by a symbolic link, say) leads the report elsewhere.
struct FolderStep {
    std::shared_ptr<const FolderStep> parent; // null for the folder named on the command line
    std::string name;         // the entry in the parent; for the named folder, the path as given
    FileId id;                // what the walk opened
    bool throughLink = false; // a symbolic link followed on purpose (-L)
    std::size_t depth = 0;    // steps below the named folder
};

// One file to report on, or one folder that could not be listed.
struct WorkItem {
    std::string path;      // named in messages (and opened by this name when named itself)
    std::string shownPath; // the heading: the path from the folder named, or `path` (see below)
    bool inFolder = false; // found in a folder rather than named
    std::string listError; // when not empty: why there is no report, said without opening it
    // For a file found in a folder: the folder that listed it (its name there ends `path`), and
    // what the listing saw, which the file opened for the report must still be.
    std::shared_ptr<const FolderStep> folder;
    mode_t listedType = 0;            // the S_IFMT bits of the entry itself
    std::optional<FileId> linkTarget; // for a symbolic link that led to a file: that file
};

struct WalkOptions {
    bool recursive = false;
    bool followLinks = false;
    // Headings give the folder argument joined with the path below it, as it would be typed:
    // with several paths named, a relative path alone could stand for files of any of them.
    bool headingsWithArgument = false;
};

} // namespace zarvo
