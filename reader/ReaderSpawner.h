// The front end's side of the reader spawner (see reader/SpawnServer.h): one zarvo-reader,
// started once, which loads the media library and then starts each reader as a copy of itself.
// A reader so started is this process's child as any reader is, watched, killed and reaped the
// same way; the spawner itself reads no file. Readers so started share the spawner's address
// space layout, as the readers of one zarvo-report run already share a process.
#pragma once

#include "reader/Descriptors.h"

#include <chrono>
#include <string>
#include <sys/types.h>

namespace zarvo {

class ReaderSpawner {
public:
    // Starts `program` as the spawner; when it cannot be started, it is never ready.
    explicit ReaderSpawner(const std::string& program) noexcept;
    ReaderSpawner(const ReaderSpawner&) = delete;
    ReaderSpawner& operator=(const ReaderSpawner&) = delete;
    // Kills the spawner; the readers it started go on.
    ~ReaderSpawner();

    // Whether it has loaded the media library and can start readers; never blocks. A spawner
    // that takes longer than a stalled read may, or breaks its word, has failed.
    bool Ready() noexcept;
    // Whether it is still loading the media library; then LoadingFd() becomes readable when it
    // has done so (or failed), and -1 otherwise.
    bool Loading() const noexcept { return control_.IsOpen() && !ready_; }
    int LoadingFd() const noexcept { return Loading() ? control_.Get() : -1; }

    // Asks a ready spawner for a reader with `channel` as its descriptor 3 and `page` as 4.
    // What is sent on the channel meanwhile waits there for the reader. False when it is not
    // ready or an answer is still owed: one reader is asked for at a time.
    bool Ask(int channel, int page) noexcept;

    // The process id of the reader asked for, a child of this process; or -1 when the spawner
    // did not answer as it should within `wait`, after which it is not asked again.
    pid_t Answer(std::chrono::milliseconds wait) noexcept;

private:
    pid_t Failed() noexcept;

    pid_t pid_ = -1;
    UniqueFd control_;
    std::chrono::steady_clock::time_point started_;
    bool ready_ = false;
    bool asked_ = false;
};

} // namespace zarvo
