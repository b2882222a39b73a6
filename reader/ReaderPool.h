// The front ends' side of the reader processes: starting them, handing them work, watching them
// and killing them. Nothing a reader sends is trusted; every way a reader can fail ends as a
// refusal in the words of report/ReaderFailure.
#pragma once

#include "reader/WorkItem.h"
#include "report/FileReport.h"
#include "report/NumberFormat.h"
#include "report/RecordedReport.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace zarvo {

// The reader program is missing or cannot be started; what() names it and says why.
class ReaderStartFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What the window gets for one report: the recording as the reader made it, or, when the reader
// failed (it died, stalled, used up its processor time or memory, sent nonsense), the refusal's
// words and no recording. The window then keeps its last report and says the words in its
// reading line.
struct ReaderRecording {
    RecordedReport recording;           // empty when refused
    std::optional<std::string> refusal; // ReaderFailure's words when the reader failed
};

// The files a walk of one named path found, in the order the report lists them.
struct WalkResult {
    bool isFolder = false;       // false: `items` holds the path itself, to be reported as named
    std::vector<WorkItem> items; // files to report on, and folders that could not be listed
    std::optional<std::string> refusal; // the walk's reader failed: nothing was found
};

// A set of reader processes (zarvo-reader, found beside the program: ../reader/ in the build
// tree, ../libexec/zarvo/ when installed) and one thread of the pool's own that talks to them.
//
// Threads. All requests may be made from any thread. Every `done` callback runs on the pool's
// thread, exactly once per request unless the request was cancelled first; it must not block
// (a front end hands the result on: to its event loop, or into a slot its main thread waits on)
// and may make new requests. The pool's thread never touches storage; it only waits on the
// readers' sockets with a short timeout, so it always sees a stall, a processor loop or a death.
//
// Roots. A reader may read nothing but what lies beneath its roots, and gets them before it reads
// any byte. With `Roots::Fixed` every reader gets `roots` (zarvo-report: the paths named on its
// command line) and serves request after request. With `Roots::PerRequest` each request's own
// path is the only root of the reader that serves it, and that reader serves no other (the
// window); the pool keeps `readers` readers started and waiting so that a request need not wait
// for a program to start.
//
// Watching. While a reader works on a request, the pool kills it (SIGKILL) and starts another
// when its storage has not answered for StallLimit(), when the request has used more processor
// time than a probe may, or when it sends anything malformed, and the request is refused in
// ReaderFailure's words. A reader that cannot be killed (stuck in the kernel on a hung mount) is
// left to the kernel, reaped when it goes, and counted; after three stalls in a row on one device
// (for paths named rather than found in a folder: in one folder), or with too many such readers,
// the rest of the files there are refused at once.
//
// Destruction kills every reader, reaps those that have gone and joins the pool's thread; it
// never waits on storage. No callback runs after the destructor has returned.
class ReaderPool {
public:
    enum class Roots { Fixed, PerRequest };

    struct Settings {
        Roots roots = Roots::Fixed;
        std::vector<std::string> paths; // the roots, with Roots::Fixed
        unsigned readers = 1;           // how many work at once (Fixed) or wait ready (PerRequest)
        FormatSettings format;          // how the reports write numbers
        std::string program; // the reader program; empty: found beside the running program
        // Many files will likely be read, by several readers: every reader is then started by
        // the spawner, itself started at once, rather than the first as a program of its own.
        bool manyFiles = false;
    };

    // Starts the readers. Throws ReaderStartFailure when the reader program cannot be found or
    // started, std::system_error when the system refuses a socket or the pool's thread.
    explicit ReaderPool(Settings settings);
    ReaderPool(const ReaderPool&) = delete;
    ReaderPool& operator=(const ReaderPool&) = delete;
    ~ReaderPool();

    using Ticket = std::uint64_t;

    // The window's report of the file at `path`, as RecordReport would make it.
    Ticket Record(std::string path, std::function<void(ReaderRecording)> done);

    // zarvo-report's report of one work item (see BuildFileReport): with `forTerminal` the
    // file's name is escaped in the text; with `withFacts` the numbers for --json come too. A
    // failure of the reader gives FileOutcome::Unreadable with ReaderFailure's words as problem.
    Ticket Report(WorkItem item, bool forTerminal, bool withFacts,
                  std::function<void(FileReport)> done);

    // The files beneath `path` (see AddPath), listed by a reader inside its box, watched like a
    // read: a folder that hangs is refused after the stall limit instead of holding the run.
    Ticket Walk(std::string path, WalkOptions options, std::function<void(WalkResult)> done);

    // Drops a request: its callback will not run once this returns (it may be running right now
    // on the pool's thread; Cancel waits for that, so never call it from a callback). A reader
    // busy on it is killed and replaced, as its answer is no longer wanted.
    void Cancel(Ticket ticket);

    // True when the request is being read and its storage has not answered for a while (a
    // second): the window's sign to show that it is reading. False once done or unknown.
    bool Waiting(Ticket ticket) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace zarvo
