// The box seen from inside: a child process enters it and attempts what a taken-over reader
// would, and each attempt must fail or end the child, while reading beneath its root still works.
#include "reader/Sandbox.h"

#include "support/CaseName.h"
#include "support/ScratchDir.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/mman.h>
#include <sys/ptrace.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using zarvo::test::PrintTo;

namespace fs = std::filesystem;

// What the child may touch: a folder it is given and a file and folder it is not.
struct Places {
    std::string root;
    std::string inside;  // a file beneath the root
    std::string outside; // a file elsewhere
    std::string outsideFolder;
    int inetSocket; // opened before the box
};

// How a child ends that enters the box with `root` and runs `attempt`: exit code 0 when the
// attempt worked, the errno it failed with otherwise, kBoxFailed when the box could not be
// entered; or the signal that ended it.
constexpr int kBoxFailed = 200;

struct End {
    int exitCode = -1;
    int signal = 0;
};

template <typename Attempt>
End RunBoxed(const std::string& root, std::uint64_t memoryCap, Attempt attempt) {
    const pid_t child = ::fork();
    if (child == 0) {
        zarvo::reader::SandboxPolicy policy;
        policy.roots = {root};
        policy.memoryCap = memoryCap;
        if (!zarvo::reader::EnterSandbox(policy).error.empty())
            ::_exit(kBoxFailed);
        ::_exit(attempt());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child)
        return {};
    return WIFSIGNALED(status) ? End{-1, WTERMSIG(status)} : End{WEXITSTATUS(status), 0};
}

// 0 when `result` is not -1, else errno.
int Outcome(long result) {
    return result == -1 ? errno : 0;
}

int OpenRead(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    char byte = 0;
    const int result = fd < 0 ? errno : Outcome(::read(fd, &byte, 1));
    return result == 0 && byte != 'r' ? EBADMSG : result;
}

enum class Expected { Works, Fails, Killed };

struct BoxCase {
    const char* name;
    int (*attempt)(const Places&);
    Expected expected;
    int error;             // the errno of a failure
    bool onlyWithLandlock; // seccomp alone lets it through
};

const BoxCase kBoxCases[] = {
    {"ReadingBeneathTheRoot", [](const Places& at) { return OpenRead(at.inside); }, Expected::Works,
     0, false},
    {"ListingTheRoot",
     [](const Places& at) { return Outcome(::open(at.root.c_str(), O_RDONLY | O_DIRECTORY)); },
     Expected::Works, 0, false},
    {"ReadingOutsideTheRoot", [](const Places& at) { return OpenRead(at.outside); },
     Expected::Fails, EACCES, true},
    {"ListingOutsideTheRoot",
     [](const Places& at) {
         return Outcome(::open(at.outsideFolder.c_str(), O_RDONLY | O_DIRECTORY));
     },
     Expected::Fails, EACCES, true},
    {"OpeningForWritingBeneathTheRoot",
     [](const Places& at) { return Outcome(::open(at.inside.c_str(), O_WRONLY)); }, Expected::Fails,
     EPERM, false},
    {"OpeningForReadingAndWritingOutside",
     [](const Places& at) { return Outcome(::open(at.outside.c_str(), O_RDWR)); }, Expected::Fails,
     EPERM, false},
    {"CreatingAFile",
     [](const Places& at) { return Outcome(::creat((at.root + "/new").c_str(), 0644)); },
     Expected::Fails, EPERM, false},
    {"TruncatingOnOpening",
     [](const Places& at) { return Outcome(::open(at.inside.c_str(), O_RDONLY | O_TRUNC)); },
     Expected::Fails, EPERM, false},
    {"AnUnnamedTemporaryFile",
     [](const Places& at) { return Outcome(::open(at.root.c_str(), O_TMPFILE | O_RDWR, 0600)); },
     Expected::Fails, EPERM, false},
    {"RemovingAFile", [](const Places& at) { return Outcome(::unlink(at.inside.c_str())); },
     Expected::Fails, EPERM, false},
    {"WritingToStandardOutput", [](const Places&) { return Outcome(::write(1, "x", 1)); },
     Expected::Fails, EPERM, false},
    {"ExecutableMemory",
     [](const Places&) {
         return ::mmap(nullptr, 4096, PROT_READ | PROT_EXEC, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0) ==
                        MAP_FAILED
                    ? errno
                    : 0;
     },
     Expected::Fails, EPERM, false},
    {"AnInternetSocket", [](const Places&) { return Outcome(::socket(AF_INET, SOCK_STREAM, 0)); },
     Expected::Killed, 0, false},
    {"AUnixSocket", [](const Places&) { return Outcome(::socket(AF_UNIX, SOCK_STREAM, 0)); },
     Expected::Killed, 0, false},
    {"ConnectingASocketOpenedBefore",
     [](const Places& at) {
         sockaddr_in address{};
         address.sin_family = AF_INET;
         address.sin_port = htons(9);
         address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
         return Outcome(
             ::connect(at.inetSocket, reinterpret_cast<sockaddr*>(&address), sizeof address));
     },
     Expected::Killed, 0, false},
    {"RunningAProgram",
     [](const Places&) {
         char program[] = "/bin/true";
         char* const arguments[] = {program, nullptr};
         return Outcome(::execv(program, arguments));
     },
     Expected::Killed, 0, false},
    {"CreatingAProcess",
     [](const Places&) {
         const pid_t child = ::fork();
         if (child == 0)
             ::_exit(0);
         return Outcome(child);
     },
     Expected::Killed, 0, false},
    // Signal 0 only asks whether the process is there: were it let through, the test runner
    // would not be hurt.
    {"SignallingTheParent", [](const Places&) { return Outcome(::kill(::getppid(), 0)); },
     Expected::Killed, 0, false},
    {"TracingTheParent",
     [](const Places&) { return Outcome(::ptrace(PTRACE_ATTACH, ::getppid(), nullptr, nullptr)); },
     Expected::Killed, 0, false},
};

class BoxTest : public ::testing::TestWithParam<BoxCase> {};

TEST_P(BoxTest, HoldsFromInside) {
    const BoxCase& c = GetParam();
    if (c.onlyWithLandlock && zarvo::reader::KernelSandboxSupport().landlockAbi == 0)
        GTEST_SKIP() << "this kernel has no Landlock: only seccomp guards the file system";
    const zarvo::test::ScratchDir root, elsewhere;
    const Places places{root.Path().string(), (root.Path() / "inside").string(),
                        (elsewhere.Path() / "outside").string(), elsewhere.Path().string(),
                        ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)};
    std::ofstream(places.inside) << "read me";
    std::ofstream(places.outside) << "read me";
    ASSERT_GE(places.inetSocket, 0);

    const End end = RunBoxed(places.root, 0, [&] { return c.attempt(places); });
    ::close(places.inetSocket);
    ASSERT_NE(end.exitCode, kBoxFailed) << "the box could not be entered";
    switch (c.expected) {
    case Expected::Works:
        EXPECT_EQ(end.signal, 0) << strsignal(end.signal);
        EXPECT_EQ(end.exitCode, 0) << std::strerror(end.exitCode);
        break;
    case Expected::Fails:
        EXPECT_EQ(end.signal, 0) << strsignal(end.signal);
        EXPECT_EQ(end.exitCode, c.error) << std::strerror(end.exitCode);
        break;
    case Expected::Killed:
        EXPECT_EQ(end.signal, SIGSYS)
            << "ended with " << end.exitCode << " " << std::strerror(end.exitCode);
        break;
    }
    EXPECT_FALSE(fs::exists(root.Path() / "new"));
    EXPECT_TRUE(fs::exists(places.inside)) << "the box let a file be removed";
}

INSTANTIATE_TEST_SUITE_P(Attempts, BoxTest, ::testing::ValuesIn(kBoxCases),
                         zarvo::test::CaseName{});

TEST(MemoryCapTest, AnAllocationPastTheCapFailsAtTheCall) {
    if (zarvo::reader::DefaultMemoryCap() == 0)
        GTEST_SKIP() << "the sanitizer build has no memory cap: its shadow memory would exceed it";
    constexpr std::size_t kMebibyte = 1 << 20;
    constexpr std::uint64_t kCap = 256 * kMebibyte;
    struct Case {
        const char* label;
        std::size_t blockBytes;
        std::size_t blocks;
        bool refused; // whether one of the blocks is refused
    } const cases[] = {
        {"one block past the cap", 512 * kMebibyte, 1, true},
        {"small blocks, each written to, past the cap", kMebibyte, 512, true},
        {"blocks well within the cap", kMebibyte, 64, false},
    };
    const zarvo::test::ScratchDir root;
    for (const Case& c : cases) {
        const End end = RunBoxed(root.Path().string(), kCap, [&] {
            for (std::size_t block = 0; block < c.blocks; ++block) {
                void* memory = std::malloc(c.blockBytes);
                if (memory == nullptr)
                    return 1;
                std::memset(memory, 1, c.blockBytes);
            }
            return 0;
        });
        EXPECT_EQ(end.signal, 0) << c.label << ": " << strsignal(end.signal);
        EXPECT_EQ(end.exitCode, c.refused ? 1 : 0) << c.label;
    }
}

} // namespace
