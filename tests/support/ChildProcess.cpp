// Child processes with a hang guard: fork, exec by descriptor, poll both pipes, kill when late.
#include "support/ChildProcess.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <map>
#include <poll.h>
#include <pty.h>
#include <pwd.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

extern char** environ;

namespace zarvo::test {
namespace {

std::vector<std::string> ChildEnvironment(const ChildOptions& options) {
    std::map<std::string, std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const std::size_t equals = text.find('=');
        if (equals != std::string::npos)
            variables[text.substr(0, equals)] = text.substr(equals + 1);
    }
    for (const auto& [name, value] : options.environment) {
        if (value)
            variables[name] = *value;
        else
            variables.erase(name);
    }
    std::vector<std::string> result;
    for (const auto& [name, value] : variables)
        result.push_back(name + "=" + value);
    return result;
}

// Only async-signal-safe calls from here on: the child of a fork runs this before exec.
[[noreturn]] void GiveUp(int err, const char* step) {
    const int error = errno;
    (void)!::write(err, "cannot start: ", 14);
    (void)!::write(err, step, std::strlen(step));
    (void)!::write(err, ": ", 2);
    const char* text = std::strerror(error);
    (void)!::write(err, text, std::strlen(text));
    ::_exit(126);
}

[[noreturn]] void StartChild(const ChildOptions& options, int programFd, int out, int err,
                             char* const* argv, char* const* envp) {
    const int input = ::open("/dev/null", O_RDONLY);
    if (input < 0 || ::dup2(input, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0)
        GiveUp(err, "redirect");
    if (!options.directory.empty() && ::chdir(options.directory.c_str()) != 0)
        GiveUp(err, "chdir");
    if (options.runAs) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(options.runAs->gid) != 0 ||
            ::setuid(options.runAs->uid) != 0)
            ::_exit(kCannotDenyAccess);
    }
    if (options.mustNotOpen) {
        const int probe = ::open(options.mustNotOpen->c_str(), O_RDONLY | O_NONBLOCK);
        if (probe >= 0)
            ::_exit(kCannotDenyAccess);
    }
    ::fexecve(programFd, argv, envp);
    GiveUp(err, "exec");
}

// Opens the two ends of the child's standard output, both close-on-exec: out[1] for the child,
// out[0] for this process to read (at once at its end where nothing can be read).
bool OpenOutput(StandardOutput output, int out[2]) {
    switch (output) {
    case StandardOutput::Pipe:
        return ::pipe2(out, O_CLOEXEC) == 0;
    case StandardOutput::Terminal: {
        if (::openpty(&out[0], &out[1], nullptr, nullptr, nullptr) != 0)
            return false;
        termios mode;
        ::tcgetattr(out[1], &mode);
        ::cfmakeraw(&mode);
        ::tcsetattr(out[1], TCSANOW, &mode);
        return ::fcntl(out[0], F_SETFD, FD_CLOEXEC) == 0 &&
               ::fcntl(out[1], F_SETFD, FD_CLOEXEC) == 0;
    }
    case StandardOutput::Full:
        out[0] = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        out[1] = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
        return out[0] >= 0 && out[1] >= 0;
    case StandardOutput::ClosedPipe:
        if (::pipe2(out, O_CLOEXEC) != 0)
            return false;
        ::close(out[0]);
        out[0] = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        return out[0] >= 0;
    }
    return false;
}

std::int64_t MillisecondsLeft(std::chrono::steady_clock::time_point deadline) {
    const auto left = deadline - std::chrono::steady_clock::now();
    return std::max<std::int64_t>(
        0, std::chrono::duration_cast<std::chrono::milliseconds>(left).count());
}

} // namespace

ChildResult RunChild(const ChildOptions& options) {
    ChildResult result;
    // Opened here, as the caller, so that a child that gives up its privileges can still run it.
    const int programFd = ::open(options.program.c_str(), O_RDONLY | O_CLOEXEC);
    if (programFd < 0) {
        result.startError = "cannot open " + options.program.string() + ": " + std::strerror(errno);
        return result;
    }
    std::vector<std::string> arguments{options.program.string()};
    arguments.insert(arguments.end(), options.arguments.begin(), options.arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    std::vector<std::string> environment = ChildEnvironment(options);
    std::vector<char*> envp;
    for (std::string& variable : environment)
        envp.push_back(variable.data());
    envp.push_back(nullptr);

    int out[2], err[2];
    if (!OpenOutput(options.output, out) || ::pipe2(err, O_CLOEXEC) != 0) {
        result.startError = std::string("standard output or error: ") + std::strerror(errno);
        ::close(programFd);
        return result;
    }
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(options.timeLimitSeconds);
    const pid_t child = ::fork();
    if (child == 0)
        StartChild(options, programFd, out[1], err[1], argv.data(), envp.data());
    ::close(programFd);
    ::close(out[1]);
    ::close(err[1]);
    if (child < 0) {
        result.startError = std::string("fork: ") + std::strerror(errno);
        ::close(out[0]);
        ::close(err[0]);
        return result;
    }

    std::array<pollfd, 2> fds{{{out[0], POLLIN, 0}, {err[0], POLLIN, 0}}};
    std::string* sinks[] = {&result.out, &result.err};
    int open = 2;
    while (open > 0) {
        const int timeout = result.timedOut ? -1 : static_cast<int>(MillisecondsLeft(deadline));
        const int ready = ::poll(fds.data(), fds.size(), timeout);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0) {
            // The hang guard: a child still running now is killed, which closes its pipes.
            ::kill(child, SIGKILL);
            result.timedOut = true;
            continue;
        }
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            char buffer[65536];
            // A pseudo-terminal ends with EIO once the child has closed it.
            const ssize_t count = ::read(fds[i].fd, buffer, sizeof buffer);
            if (count < 0 && errno == EINTR)
                continue;
            if (count <= 0) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            } else {
                sinks[i]->append(buffer, static_cast<std::size_t>(count));
            }
        }
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        result.signal = WTERMSIG(status);
    return result;
}

std::string DescribeEnd(const ChildResult& result) {
    if (!result.startError.empty())
        return "did not start: " + result.startError;
    if (result.timedOut)
        return "hung and was killed by the hang guard";
    if (result.signal != 0)
        return std::string("ended by signal ") + ::strsignal(result.signal);
    return "exit status " + std::to_string(result.exitCode);
}

std::optional<Account> UnprivilegedAccount() {
    if (::geteuid() != 0)
        return std::nullopt;
    const passwd* nobody = ::getpwnam("nobody");
    if (nobody == nullptr || nobody->pw_uid == 0)
        return std::nullopt;
    return Account{nobody->pw_uid, nobody->pw_gid};
}

} // namespace zarvo::test
