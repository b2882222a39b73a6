// A record of a directory tree (names, kinds, sizes, modes, modification times) to prove that
// nothing in it was written.
#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <sys/types.h>

namespace zarvo::hostile {

struct EntryState {
    mode_t mode = 0; // kind and permissions
    off_t size = 0;
    std::int64_t modifiedNanoseconds = 0;
    std::int64_t changedNanoseconds = 0;

    bool operator==(const EntryState&) const = default;
};

using Snapshot = std::map<std::string, EntryState>; // by path relative to the root ("" the root)

// Every entry under `root` and the root itself, symbolic links not followed; entries whose
// relative path is in `skip` (and everything under them) are left out.
Snapshot TakeSnapshot(const std::filesystem::path& root, const std::set<std::string>& skip = {});

// Human-readable differences between two snapshots; empty when they are equal.
std::string DescribeChanges(const Snapshot& before, const Snapshot& after);

} // namespace zarvo::hostile
