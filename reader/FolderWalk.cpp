// Listing folders: which entries are files to report on, which are folders to descend into.
#include "reader/FolderWalk.h"

#include "platform/HResult.h"
#include "platform/ReadActivity.h"
#include "reader/Descriptors.h"
#include "reader/FolderChain.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <iterator>
#include <set>
#include <sys/stat.h>
#include <utility>

namespace zarvo {
namespace {

std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty())
        return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

// The S_IFMT bits that a listing's type stands for; 0 when the file system did not say.
mode_t ListedType(unsigned char type) {
    switch (type) {
    case DT_REG:
        return S_IFREG;
    case DT_DIR:
        return S_IFDIR;
    case DT_LNK:
        return S_IFLNK;
    case DT_FIFO:
        return S_IFIFO;
    case DT_CHR:
        return S_IFCHR;
    case DT_BLK:
        return S_IFBLK;
    case DT_SOCK:
        return S_IFSOCK;
    default:
        return 0;
    }
}

// A folder still to list, and its path from the folder named.
struct FolderToList {
    std::shared_ptr<const FolderStep> step;
    std::string shown;
};

// Depth first, one folder open at a time: the cursor goes from a folder to the next through
// "..", and each folder's id is checked before it is listed, so the tree's depth is limited
// neither by descriptors nor by the length of a path.
class Walk {
public:
    Walk(const std::string& root, const WalkOptions& options) : root_(root), options_(options) {}

    void Run() {
        struct stat status;
        UniqueFd top(::open(root_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK));
        if (!top.IsOpen() || ::fstat(top.Get(), &status) != 0) {
            Fail("", errno);
            return;
        }
        auto step = std::make_shared<FolderStep>();
        step->name = root_;
        step->id = {status.st_dev, status.st_ino};
        std::vector<FolderToList> stack{{std::move(step), ""}};
        while (!stack.empty()) {
            FolderToList next = std::move(stack.back());
            stack.pop_back();
            const std::size_t before = stack.size();
            List(next, stack);
            // In byte order, so that a folder reached twice with -L is always named the same way.
            std::sort(
                stack.begin() + static_cast<std::ptrdiff_t>(before), stack.end(),
                [](const FolderToList& a, const FolderToList& b) { return a.shown > b.shown; });
        }
    }

    std::vector<WorkItem> Sorted() && {
        // Byte order of the whole path, not a folder at a time: "a-b" comes before "a/x".
        std::stable_sort(items_.begin(), items_.end(), [](const WorkItem& a, const WorkItem& b) {
            return a.shownPath < b.shownPath;
        });
        return std::move(items_);
    }

private:
    // Adds the files of one folder and pushes its sub-folders to list.
    void List(const FolderToList& folder, std::vector<FolderToList>& stack) {
        int error = 0;
        const int fd = cursor_.Reach(folder.step, error);
        if (fd < 0) {
            Fail(folder.shown, error);
            return;
        }
        // Each folder is listed once: a second way to it, or a loop back to it, adds nothing.
        if (!visited_.insert(folder.step->id).second)
            return;
        // Listed through a descriptor of its own, opened afresh rather than duplicated: the
        // reader's box lets it open folders for reading but not duplicate descriptors.
        FolderStream stream = FolderStream::Adopt(
            UniqueFd(::openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK)));
        if (!stream.IsOpen()) {
            Fail(folder.shown, errno);
            return;
        }
        errno = 0;
        while (const dirent* entry = ::readdir(stream.Get())) {
            // The storage answered: a long folder on a slow mount is no stall.
            TouchReadActivity();
            const std::string name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            Entry(folder, fd, name, ListedType(entry->d_type), stack);
            errno = 0;
        }
        // The entries read before the error stay: they are files that exist.
        if (errno != 0)
            Fail(folder.shown, errno);
    }

    void Entry(const FolderToList& folder, int fd, const std::string& name, mode_t type,
               std::vector<FolderToList>& stack) {
        const std::string shown = folder.shown.empty() ? name : folder.shown + "/" + name;
        struct stat status;
        if (type == 0) {
            if (::fstatat(fd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0)
                return AddFile(folder, shown, 0, {});
            type = status.st_mode & S_IFMT;
        }
        if (type == S_IFDIR) {
            if (!options_.recursive)
                return;
            // The id the folder must still have when it is opened to be listed.
            if (::fstatat(fd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
                !S_ISDIR(status.st_mode))
                return AddFile(folder, shown, type, {});
            return Push(folder, name, shown, {status.st_dev, status.st_ino}, false, stack);
        }
        if (type != S_IFLNK)
            return AddFile(folder, shown, type, {});
        // A link to a file is reported as the file; a dangling link is left to the opening, which
        // says why it fails; a link to a folder is entered only with -L.
        if (::fstatat(fd, name.c_str(), &status, 0) != 0)
            return AddFile(folder, shown, type, {});
        const FileId target{status.st_dev, status.st_ino};
        if (!S_ISDIR(status.st_mode))
            return AddFile(folder, shown, type, target);
        if (options_.recursive && options_.followLinks)
            Push(folder, name, shown, target, true, stack);
    }

    void Push(const FolderToList& folder, const std::string& name, const std::string& shown,
              const FileId& id, bool throughLink, std::vector<FolderToList>& stack) {
        auto step = std::make_shared<FolderStep>();
        step->parent = folder.step;
        step->name = name;
        step->id = id;
        step->throughLink = throughLink;
        step->depth = folder.step->depth + 1;
        stack.push_back({std::move(step), shown});
    }

    void AddFile(const FolderToList& folder, const std::string& shown, mode_t type,
                 std::optional<FileId> target) {
        WorkItem& item = Item(shown);
        item.folder = folder.step;
        item.listedType = type;
        item.linkTarget = target;
    }

    void Fail(const std::string& shown, int error) {
        Item(shown).listError =
            error == 0 ? kReplacedEntry : "cannot list the folder: " + SystemErrorText(error);
    }

    WorkItem& Item(const std::string& shown) {
        WorkItem& item = items_.emplace_back();
        item.path = Join(root_, shown);
        item.shownPath = options_.headingsWithArgument ? item.path : shown;
        item.inFolder = true;
        return item;
    }

    const std::string& root_;
    const WalkOptions& options_;
    FolderCursor cursor_;
    std::set<FileId> visited_;
    std::vector<WorkItem> items_;
};

} // namespace

bool AddPath(const std::string& path, const WalkOptions& options, std::vector<WorkItem>& items) {
    struct stat status;
    // A named path is followed wherever it leads, like any file named on the command line.
    if (::stat(path.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        items.emplace_back().path = path;
        return false;
    }
    Walk walk(path, options);
    walk.Run();
    std::vector<WorkItem> found = std::move(walk).Sorted();
    items.insert(items.end(), std::make_move_iterator(found.begin()),
                 std::make_move_iterator(found.end()));
    return true;
}

} // namespace zarvo
