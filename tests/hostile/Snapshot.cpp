// Walking a tree with lstat and comparing two walks.
#include "hostile/Snapshot.h"

#include <sys/stat.h>

namespace zarvo::hostile {
namespace {

std::int64_t Nanoseconds(const timespec& time) {
    return std::int64_t{time.tv_sec} * 1'000'000'000 + time.tv_nsec;
}

void Record(const std::filesystem::path& path, const std::string& relative, Snapshot& snapshot) {
    struct stat status;
    if (::lstat(path.c_str(), &status) != 0) {
        snapshot[relative] = EntryState{0, -1, -1, -1}; // there a moment ago, gone now
        return;
    }
    snapshot[relative] = {status.st_mode, status.st_size, Nanoseconds(status.st_mtim),
                          Nanoseconds(status.st_ctim)};
}

} // namespace

Snapshot TakeSnapshot(const std::filesystem::path& root, const std::set<std::string>& skip) {
    Snapshot snapshot;
    Record(root, "", snapshot);
    using Walk = std::filesystem::recursive_directory_iterator;
    for (Walk entry(root, std::filesystem::directory_options::skip_permission_denied);
         entry != Walk(); ++entry) {
        const std::string relative = entry->path().lexically_relative(root).string();
        if (skip.contains(relative)) {
            entry.disable_recursion_pending();
            continue;
        }
        Record(entry->path(), relative, snapshot);
    }
    return snapshot;
}

std::string DescribeChanges(const Snapshot& before, const Snapshot& after) {
    std::string changes;
    for (const auto& [name, state] : before) {
        const auto now = after.find(name);
        if (now == after.end())
            changes += "removed: '" + name + "'\n";
        else if (!(now->second == state))
            changes += "changed: '" + name + "'\n";
    }
    for (const auto& [name, state] : after)
        if (!before.contains(name))
            changes += "created: '" + name + "'\n";
    return changes;
}

} // namespace zarvo::hostile
