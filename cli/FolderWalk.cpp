// Listing folders: which entries are files to report on, which are folders to descend into.
#include "cli/FolderWalk.h"

#include "platform/HResult.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace zarvo {
namespace {

// A folder's identity: the same folder reached through two links or a loop has one.
using FolderId = std::pair<dev_t, ino_t>;

std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty())
        return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

class Walk {
public:
    Walk(const std::string& root, const WalkOptions& options) : root_(root), options_(options) {}

    // Collects the folder at `shown` (relative to the root), and below it when recursive.
    void Folder(const std::string& shown) {
        const std::string path = Join(root_, shown);
        const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) {
            Fail(path, shown, errno);
            return;
        }
        struct stat status;
        if (::fstat(fd, &status) != 0) {
            Fail(path, shown, errno);
            ::close(fd);
            return;
        }
        // Each folder is listed once: a second way to it, or a loop back to it, adds nothing.
        if (!visited_.insert({status.st_dev, status.st_ino}).second) {
            ::close(fd);
            return;
        }
        DIR* folder = ::fdopendir(fd);
        if (folder == nullptr) {
            Fail(path, shown, errno);
            ::close(fd);
            return;
        }
        std::vector<std::string> subfolders;
        errno = 0;
        while (const dirent* entry = ::readdir(folder)) {
            const std::string name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            const std::string child = shown.empty() ? name : shown + "/" + name;
            if (IsFolderToEnter(::dirfd(folder), name.c_str()))
                subfolders.push_back(child);
            else if (!IsFolder(::dirfd(folder), name.c_str()))
                items_.push_back({Join(root_, child), child, true, {}});
            errno = 0;
        }
        const int error = errno;
        ::closedir(folder);
        // The entries read before the error stay: they are files that exist.
        if (error != 0)
            Fail(path, shown, error);
        // Descending after the folder is closed keeps one descriptor open, however deep the tree.
        // In byte order, so that a folder reached twice with -L is always named the same way.
        std::sort(subfolders.begin(), subfolders.end());
        for (const std::string& subfolder : subfolders)
            Folder(subfolder);
    }

    std::vector<WorkItem> Sorted() && {
        // Byte order of the whole path, not a folder at a time: "a-b" comes before "a/x".
        std::stable_sort(items_.begin(), items_.end(), [](const WorkItem& a, const WorkItem& b) {
            return a.shownPath < b.shownPath;
        });
        return std::move(items_);
    }

private:
    bool IsFolderToEnter(int folder, const char* name) const {
        if (!options_.recursive)
            return false;
        struct stat status;
        if (::fstatat(folder, name, &status, AT_SYMLINK_NOFOLLOW) != 0)
            return false;
        if (S_ISDIR(status.st_mode))
            return true;
        return options_.followLinks && S_ISLNK(status.st_mode) && IsFolder(folder, name);
    }

    // A folder, or a symlink to one; a dangling symlink is not, and is left to the detector.
    static bool IsFolder(int folder, const char* name) {
        struct stat status;
        return ::fstatat(folder, name, &status, 0) == 0 && S_ISDIR(status.st_mode);
    }

    void Fail(const std::string& path, const std::string& shown, int error) {
        items_.push_back({path, shown, true, "cannot list the folder: " + SystemErrorText(error)});
    }

    const std::string& root_;
    const WalkOptions& options_;
    std::set<FolderId> visited_;
    std::vector<WorkItem> items_;
};

} // namespace

bool AddPath(const std::string& path, const WalkOptions& options, std::vector<WorkItem>& items) {
    struct stat status;
    // A named path is followed wherever it leads, like any file named on the command line.
    if (::stat(path.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        items.push_back({path, {}, false, {}});
        return false;
    }
    Walk walk(path, options);
    walk.Folder("");
    for (WorkItem& item : std::move(walk).Sorted())
        items.push_back(std::move(item));
    return true;
}

} // namespace zarvo
