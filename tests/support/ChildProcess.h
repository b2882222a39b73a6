// Runs a program in a child process with a hang guard, capturing what it prints.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace zarvo::test {

// An account to run the child as, so that permission checks apply even when the tests run as root.
struct Account {
    uid_t uid;
    gid_t gid;
};

// Where the child's standard output goes.
enum class StandardOutput {
    Pipe,       // read into ChildResult::out
    Terminal,   // a pseudo-terminal in raw mode, read into ChildResult::out
    Full,       // /dev/full: every write fails with ENOSPC
    ClosedPipe, // a pipe nobody reads: every write fails with EPIPE
};

// Every field has a default, so that a caller can name only the ones it needs:
// RunChild({.program = ..., .arguments = {...}}).
struct ChildOptions {
    std::filesystem::path program = {};
    std::vector<std::string> arguments = {}; // without the program name
    std::filesystem::path directory = {};    // the child's working directory; empty: this one's
    StandardOutput output = StandardOutput::Pipe;
    // Variables set (or, with an empty optional, removed) on top of this process's environment.
    std::vector<std::pair<std::string, std::optional<std::string>>> environment = {};
    std::optional<Account> runAs = {};
    // When set, the child checks, as `runAs`, that it cannot open this file (relative to
    // `directory`) before it starts the program, and ends with kCannotDenyAccess if it can.
    std::optional<std::string> mustNotOpen = {};
    int timeLimitSeconds = 10;
};

struct ChildResult {
    bool timedOut = false;  // the hang guard killed the child
    int exitCode = -1;      // when it exited
    int signal = 0;         // when a signal ended it
    std::string out, err;   // its standard output and standard error
    std::string startError; // why the child could not run the program, if it could not
};

// The exit code with which a child reports that it could not set up the denial asked for.
inline constexpr int kCannotDenyAccess = 77;

// Starts the program with standard input on /dev/null and waits for it, killing it once the time
// limit is over. The limit only guards against hangs; it is not a measure of speed.
ChildResult RunChild(const ChildOptions& options);

// Describes how the child ended, for failure messages.
std::string DescribeEnd(const ChildResult& result);

// The unprivileged "nobody" account, when this process may switch to it.
std::optional<Account> UnprivilegedAccount();

} // namespace zarvo::test
