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

// The folder of the running program, from /proc/self/exe; "." when the system does not say.
std::string ProgramFolder();

class ReaderSpawner;

// Moves a descriptor above the ones a reader is given (3 and 4), so that giving it does not find
// it in its place already, where dup2 would leave it to be closed at exec.
UniqueFd AboveTheReaders(UniqueFd fd);

// Starts `program` with `role` as its argument (none when null), its standard streams on
// /dev/null, `channel` as descriptor 3 and `page` (unless -1) as 4, both above 4 here, the
// environment of this process and no signal blocked or ignored. Returns the process id, or -1
// with `problem` saying why not.
pid_t StartReaderProgram(const std::string& program, const char* role, int channel, int page,
                         std::string& problem);

class ReaderProcess {
public:
    ReaderProcess() = default;
    ReaderProcess(const ReaderProcess&) = delete;
    ReaderProcess& operator=(const ReaderProcess&) = delete;
    // Kills the process if it is still running.
    ~ReaderProcess();

    // Starts a reader with the channel on descriptor 3 and the activity page on 4: a copy of
    // `spawner` when it has one to give, else `program` (see StartReaderProgram). Sends on the
    // channel give up after `sendTimeout`. Returns why it could not, or "" when it runs.
    std::string Start(const std::string& program, std::chrono::milliseconds sendTimeout,
                      ReaderSpawner* spawner);

    int Channel() const noexcept { return channel_.Get(); }
    // The reader's word for when its storage last answered (steady clock, nanoseconds).
    std::int64_t LastAnswer() const noexcept;
    // The reader's word for whether an allocation has failed in it; still readable once it ended.
    bool AllocationFailed() const noexcept;
    // The processor time the whole process has used; zero once it cannot be read.
    std::chrono::nanoseconds ProcessorTime() noexcept;

    // Reaps the process if it has ended, without waiting; true with its status when it had.
    bool TryReap(int& status) noexcept;
    // Kills the process (SIGKILL) and closes the channel. Returns its id when it has not been
    // reaped yet, for the caller to reap later; 0 when nothing is left of it.
    pid_t Kill() noexcept;

    // Reaps `pid` if it has gone; true when nothing is left of it.
    static bool Reaped(pid_t pid) noexcept;

    // Takes the id of a reader asked of the spawner, once it has answered; a reader it failed
    // to start is started as a program instead. Done by whatever needs the id; the next
    // reader's start from the same spawner must wait for it.
    void Settle() noexcept;

private:
    pid_t pid_ = -1;
    // While the spawner's answer is owed: the spawner, and what a program started in its
    // stead would need.
    ReaderSpawner* spawner_ = nullptr;
    std::string program_;
    UniqueFd theirs_;
    UniqueFd pageFd_;
    std::chrono::milliseconds sendTimeout_{0};
    UniqueFd channel_;
    ActivityPage* page_ = nullptr;
    clockid_t clock_{};
    bool clockKnown_ = false;
};

} // namespace zarvo
