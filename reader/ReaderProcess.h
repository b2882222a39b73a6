// One zarvo-reader process as its front end holds it: started with its channel and activity
// page, killed without waiting on it, and reaped only when it has gone.
#pragma once

#include "reader/ActivityPage.h"
#include "reader/Descriptors.h"

#include <chrono>
#include <cstdint>
#include <ctime>
#include <string>
#include <sys/types.h>

namespace zarvo {

// The reader program beside the running one: ../reader/zarvo-reader in the build tree, or
// ../libexec/zarvo/zarvo-reader when installed; the first of them that exists, or the installed
// name when neither does, so that the message names where it belongs.
std::string FindReaderProgram();

class ReaderProcess {
public:
    ReaderProcess() = default;
    ReaderProcess(const ReaderProcess&) = delete;
    ReaderProcess& operator=(const ReaderProcess&) = delete;
    // Kills the process if it is still running.
    ~ReaderProcess();

    // Starts `program` with its standard streams on /dev/null, the channel on descriptor 3 and
    // the activity page on 4, and the environment of this process. Sends on the channel give up
    // after `sendTimeout`. Returns why it could not, or "" when it runs.
    std::string Start(const std::string& program, std::chrono::milliseconds sendTimeout);

    int Channel() const noexcept { return channel_.Get(); }
    // The reader's word for when its storage last answered (steady clock, nanoseconds).
    std::int64_t LastAnswer() const noexcept;
    // The processor time the whole process has used; zero once it cannot be read.
    std::chrono::nanoseconds ProcessorTime() const noexcept;

    // Reaps the process if it has ended, without waiting; true with its status when it had.
    bool TryReap(int& status) noexcept;
    // Kills the process (SIGKILL) and closes the channel. Returns its id when it has not been
    // reaped yet, for the caller to reap later; 0 when nothing is left of it.
    pid_t Kill() noexcept;

    // Reaps `pid` if it has gone; true when nothing is left of it.
    static bool Reaped(pid_t pid) noexcept;

private:
    pid_t pid_ = -1;
    UniqueFd channel_;
    ActivityPage* page_ = nullptr;
    clockid_t clock_{};
    bool clockKnown_ = false;
};

} // namespace zarvo
