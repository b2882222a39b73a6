// Reaching a listed folder, or a file in one, again through the steps the walk took, each one
// checked against what the walk found, so that an entry replaced since leads nowhere else.
#pragma once

#include "reader/Descriptors.h"
#include "reader/FolderWalk.h"

#include <memory>
#include <string>

namespace zarvo {

// What a refusal says of an entry that is no longer what its folder listed.
inline constexpr const char* kReplacedEntry = "replaced since its folder was listed; skipped";

// An open folder, and the step it stands for. Going from one folder to another takes the way
// between them ("..", checked, then down), so walking a tree in order costs a step or two per
// folder at any depth, and holds one descriptor.
class FolderCursor {
public:
    // The descriptor of `target`'s folder, or -1 with `error` set: an errno value, or 0 when a
    // folder on the way is no longer the one listed.
    int Reach(const std::shared_ptr<const FolderStep>& target, int& error);

private:
    bool Down(const FolderStep& step, int& error);
    bool Up(const FolderStep& to, int& error);
    bool FromTheTop(const std::shared_ptr<const FolderStep>& target, int& error);

    std::shared_ptr<const FolderStep> step_;
    UniqueFd fd_;
};

// Opens `name` in the folder `folderFd` as a folder (following a link only with `follow`), when
// it is still `expected`. On failure `error` is the errno value, or 0 for another folder there.
UniqueFd OpenListedFolder(int folderFd, const char* name, bool follow, const FileId& expected,
                          int& error);

// A file found in a folder, opened without being read (O_PATH), or why not.
struct ListedFile {
    UniqueFd fd;
    std::string problem; // when not open: the refusal's words
};

// Opens the file of `item` through its folder's steps: never a link where the listing saw none,
// and only a file of the type (or, through a link, the identity) the listing saw. Nothing is
// read and no device or FIFO is opened: the descriptor only names the file.
ListedFile OpenListedFile(const WorkItem& item);

// The name under which a file opened by OpenListedFile is opened again for reading, or empty
// when the system offers none (no /proc), and so the file cannot be read safely.
std::string ReopenPath(int fd);

} // namespace zarvo
