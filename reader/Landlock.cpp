// The rule set is built for the ABI the kernel has, so that an older kernel gets what it knows
// and a newer one every right this code knows of. The constants past ABI 2 are spelled out here
// because Debian 12's kernel headers stop at ABI 2.
#include "reader/Landlock.h"

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <linux/landlock.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace zarvo::reader {

namespace {

constexpr std::uint64_t kTruncate = 1ULL << 14;               // ABI 3
constexpr std::uint64_t kIoctlDev = 1ULL << 15;               // ABI 5
constexpr std::uint64_t kNetBindTcp = 1ULL << 0;              // ABI 4
constexpr std::uint64_t kNetConnectTcp = 1ULL << 1;           // ABI 4
constexpr std::uint64_t kScopeAbstractUnixSocket = 1ULL << 0; // ABI 6
constexpr std::uint64_t kScopeSignal = 1ULL << 1;             // ABI 6

// The rule set's attributes as ABI 6 and later know them; older kernels are given the prefix
// they know.
struct RulesetAttributes {
    std::uint64_t handledAccessFs;
    std::uint64_t handledAccessNet;
    std::uint64_t scoped;
};

std::uint64_t FileSystemRights(int abi) {
    std::uint64_t rights = (LANDLOCK_ACCESS_FS_MAKE_SYM << 1) - 1; // the ABI 1 rights
    if (abi >= 2)
        rights |= LANDLOCK_ACCESS_FS_REFER;
    if (abi >= 3)
        rights |= kTruncate;
    if (abi >= 5)
        rights |= kIoctlDev;
    return rights;
}

std::size_t AttributesSize(int abi) {
    if (abi >= 6)
        return sizeof(RulesetAttributes);
    if (abi >= 4)
        return offsetof(RulesetAttributes, scoped);
    return offsetof(RulesetAttributes, handledAccessNet);
}

class Descriptor {
public:
    explicit Descriptor(int fd) noexcept : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int Get() const noexcept { return fd_; }

private:
    int fd_;
};

std::string Failure(const char* what) {
    return std::string(what) + " (" + std::strerror(errno) + ")";
}

} // namespace

int LandlockAbi() noexcept {
    const long abi =
        ::syscall(SYS_landlock_create_ruleset, nullptr, 0, LANDLOCK_CREATE_RULESET_VERSION);
    return abi > 0 ? static_cast<int>(abi) : 0;
}

// Allows `access` beneath `path`; a path that is not there grants nothing.
std::string AllowBeneath(int ruleset, const std::string& path, std::uint64_t access) {
    const Descriptor beneath(::open(path.c_str(), O_PATH | O_CLOEXEC));
    if (beneath.Get() < 0)
        return {};
    struct stat status;
    if (::fstat(beneath.Get(), &status) != 0)
        return Failure("cannot read the status of a path to allow");
    // Listing is a right of folders only: the kernel refuses it on a file.
    if (!S_ISDIR(status.st_mode))
        access &= ~std::uint64_t{LANDLOCK_ACCESS_FS_READ_DIR};
    if (access == 0)
        return {};
    landlock_path_beneath_attr rule{};
    rule.parent_fd = beneath.Get();
    rule.allowed_access = access;
    if (::syscall(SYS_landlock_add_rule, ruleset, LANDLOCK_RULE_PATH_BENEATH, &rule, 0U) != 0)
        return Failure("cannot add a Landlock rule");
    return {};
}

std::string RestrictToReadingBeneath(const std::vector<std::string>& roots,
                                     const std::vector<std::string>& listable, int abi) {
    RulesetAttributes attributes{FileSystemRights(abi), 0, 0};
    if (abi >= 4)
        attributes.handledAccessNet = kNetBindTcp | kNetConnectTcp;
    if (abi >= 6)
        attributes.scoped = kScopeAbstractUnixSocket | kScopeSignal;
    const Descriptor ruleset(static_cast<int>(
        ::syscall(SYS_landlock_create_ruleset, &attributes, AttributesSize(abi), 0U)));
    if (ruleset.Get() < 0)
        return Failure("cannot create the Landlock rule set");

    // A path that is not there grants nothing; the reader says so when it is asked for it.
    for (const std::string& root : roots)
        if (std::string failure = AllowBeneath(
                ruleset.Get(), root, LANDLOCK_ACCESS_FS_READ_FILE | LANDLOCK_ACCESS_FS_READ_DIR);
            !failure.empty())
            return failure;
    for (const std::string& folder : listable)
        if (std::string failure = AllowBeneath(ruleset.Get(), folder, LANDLOCK_ACCESS_FS_READ_DIR);
            !failure.empty())
            return failure;
    if (::syscall(SYS_landlock_restrict_self, ruleset.Get(), 0U) != 0)
        return Failure("cannot enter the Landlock domain");
    return {};
}

} // namespace zarvo::reader
