// Folders and files opened through the walk's steps, each checked on the way.
#include "reader/FolderChain.h"

#include "platform/FilePath.h"
#include "platform/HResult.h"
#include "platform/ProbeStatus.h"
#include "platform/ReadActivity.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <vector>

namespace zarvo {
namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK;

std::optional<FileId> IdOf(int fd) {
    struct stat status;
    if (::fstat(fd, &status) != 0)
        return std::nullopt;
    return FileId{status.st_dev, status.st_ino};
}

// `fd` is kept when it is the folder `expected`.
UniqueFd Checked(UniqueFd fd, const FileId& expected, int& error) {
    if (!fd.IsOpen()) {
        error = errno;
        return fd;
    }
    const std::optional<FileId> id = IdOf(fd.Get());
    if (!id) {
        error = errno;
        return UniqueFd();
    }
    if (*id != expected) {
        error = 0;
        return UniqueFd();
    }
    return fd;
}

} // namespace

UniqueFd OpenListedFolder(int folderFd, const char* name, bool follow, const FileId& expected,
                          int& error) {
    UniqueFd fd(::openat(folderFd, name, kFolderFlags | (follow ? 0 : O_NOFOLLOW)));
    // The storage answered: a long way down a slow mount is no stall of the report's thread.
    const int opened = errno;
    TouchReadActivity();
    errno = opened;
    // A folder replaced by a link, or by a file, is refused as replaced rather than as missing.
    if (!fd.IsOpen() && (errno == ELOOP || errno == ENOTDIR)) {
        error = 0;
        return fd;
    }
    return Checked(std::move(fd), expected, error);
}

namespace {

// Whether two steps stand for the same way from the named folder. Each request brings its own
// copy of the walk's steps, so the way is compared, not the objects.
bool SameWay(const FolderStep* a, const FolderStep* b) {
    for (; a != nullptr && b != nullptr; a = a->parent.get(), b = b->parent.get()) {
        if (a == b)
            return true;
        if (a->id != b->id || a->throughLink != b->throughLink || a->depth != b->depth ||
            a->name != b->name)
            return false;
    }
    return a == b;
}

} // namespace

int FolderCursor::Reach(const std::shared_ptr<const FolderStep>& target, int& error) {
    if (fd_.IsOpen() && SameWay(step_.get(), target.get())) {
        step_ = target;
        return fd_.Get();
    }
    // The deepest folder both on the way up from here and on the way down to the target.
    const FolderStep* here = step_.get();
    const FolderStep* there = target.get();
    while (here != nullptr && here->depth > there->depth)
        here = here->parent.get();
    while (here != nullptr && there->depth > here->depth)
        there = there->parent.get();
    while (here != nullptr && !SameWay(here, there)) {
        here = here->parent.get();
        there = there->parent.get();
    }
    if (here != nullptr && fd_.IsOpen()) {
        bool ok = true;
        while (ok && step_.get() != here)
            ok = Up(*step_->parent, error);
        std::vector<const FolderStep*> down;
        for (const FolderStep* step = target.get(); step != there; step = step->parent.get())
            down.push_back(step);
        for (auto step = down.rbegin(); ok && step != down.rend(); ++step)
            ok = Down(**step, error);
        if (ok) {
            step_ = target;
            return fd_.Get();
        }
    }
    // The way from here failed (a link followed with -L has another ".."), or there is none.
    if (!FromTheTop(target, error))
        return -1;
    return fd_.Get();
}

bool FolderCursor::Down(const FolderStep& step, int& error) {
    fd_ = OpenListedFolder(fd_.Get(), step.name.c_str(), step.throughLink, step.id, error);
    return fd_.IsOpen();
}

bool FolderCursor::Up(const FolderStep& to, int& error) {
    // The ".." of a folder reached through a link is the link target's parent, not the step's.
    if (step_->throughLink)
        return false;
    fd_ = OpenListedFolder(fd_.Get(), "..", false, to.id, error);
    if (!fd_.IsOpen())
        return false;
    step_ = step_->parent;
    return true;
}

bool FolderCursor::FromTheTop(const std::shared_ptr<const FolderStep>& target, int& error) {
    step_.reset();
    std::vector<const FolderStep*> down;
    for (const FolderStep* step = target.get(); step->parent; step = step->parent.get())
        down.push_back(step);
    const FolderStep* top = down.empty() ? target.get() : down.back()->parent.get();
    // The folder named on the command line is opened by its name, links and all, as named.
    fd_ = Checked(UniqueFd(::open(top->name.c_str(), kFolderFlags)), top->id, error);
    for (auto step = down.rbegin(); fd_.IsOpen() && step != down.rend(); ++step)
        Down(**step, error);
    if (!fd_.IsOpen())
        return false;
    step_ = target;
    return true;
}

ListedFile OpenListedFile(const WorkItem& item) {
    // One cursor a thread: files of one folder come one after the other, and need one step.
    thread_local FolderCursor cursor;
    int error = 0;
    const int folderFd = cursor.Reach(item.folder, error);
    if (folderFd < 0)
        return {UniqueFd(), error == 0 ? kReplacedEntry : DescribeStatus(StatusFromErrno(error))};
    const bool link = item.listedType == S_IFLNK;
    const char* name = item.path.c_str() + item.path.size() - SplitPath(item.path).name.size();
    UniqueFd fd(::openat(folderFd, name, O_PATH | O_CLOEXEC | (link ? 0 : O_NOFOLLOW)));
    if (!fd.IsOpen())
        return {UniqueFd(), DescribeStatus(StatusFromErrno(errno))};
    struct stat status;
    if (::fstat(fd.Get(), &status) != 0)
        return {UniqueFd(), DescribeStatus(StatusFromErrno(errno))};
    // A link that was dangling when listed, or an entry the listing could not look at, can only
    // be taken as it is now (the latter never through a link).
    const bool same =
        link ? !item.linkTarget || *item.linkTarget == FileId{status.st_dev, status.st_ino}
             : item.listedType == 0 || (status.st_mode & S_IFMT) == item.listedType;
    if (!same)
        return {UniqueFd(), kReplacedEntry};
    return {std::move(fd), {}};
}

std::string ReopenPath(int fd) {
    std::string path = "/proc/self/fd/" + std::to_string(fd);
    // Without /proc mounted the name leads nowhere, or elsewhere: once, the name must lead to the
    // very file the descriptor holds.
    static const bool procWorks = [&] {
        struct stat named, held;
        return ::stat(path.c_str(), &named) == 0 && ::fstat(fd, &held) == 0 &&
               named.st_dev == held.st_dev && named.st_ino == held.st_ino;
    }();
    return procWorks ? path : std::string();
}

} // namespace zarvo
