// The pool's thread: it starts readers, hands them requests, reads their answers as hostile input
// and watches each busy reader's activity page and processor clock, killing and replacing any that
// stalls, loops or breaks the protocol.
#include "reader/ReaderPool.h"

#include "platform/ProbeLimits.h"
#include "reader/ActivityPage.h"
#include "reader/Channel.h"
#include "reader/Descriptors.h"
#include "reader/Messages.h"
#include "reader/ReaderProcess.h"
#include "reader/ReaderSpawner.h"
#include "report/ReaderFailure.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <map>
#include <mutex>
#include <poll.h>
#include <set>
#include <sys/eventfd.h>
#include <system_error>
#include <thread>
#include <variant>

namespace zarvo {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// How often a busy reader is looked at when none of them says anything.
constexpr auto kTick = 50ms;
// A request may use the probe's own processor limit and this much more before its reader is
// killed, so that the probe's own refusal comes first whenever the probe is still in control.
constexpr auto kProcessorMargin = 2s;
// Readers killed but not gone after this long are stuck in the kernel (a hung mount).
constexpr auto kStuckAfter = 1s;
// With this many stuck readers at once no more are started: the requests are refused instead.
constexpr std::size_t kMaxStuck = 4;
// After this many stalls in a row in one stall group, its other files are refused without reading.
constexpr int kStallsInARow = 3;
// How long the front end waits for an ended reader's exit status before calling it stopped.
constexpr auto kExitStatusWait = 1s;
// A reader loads the media library well within this.
constexpr auto kFirstLoad = 1s;
// The window's next reader starts this long after the last answer, not while the window draws it.
constexpr auto kWarmAfter = 500ms;
// A reader that takes nothing for this long while a request is sent to it is broken.
constexpr auto kSendTimeout = 2s;
// A reader holds its next request while it reads, so that it goes on to it without waiting a
// round trip; only a request this small, which the channel's buffer always takes at once.
constexpr std::size_t kMaxWaitingRequestBytes = 16 << 10;

enum class Kind { Record, Report, Walk };

// Files that stall together: those of one device, where the walk saw it; else those named in one
// folder, whose device the front end does not ask for, since asking could hang on the very mount.
using StallGroup = std::variant<dev_t, std::string>;

StallGroup NamedFolder(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return std::filesystem::path(path).parent_path().string();
}

ReaderFailure Failed(ReaderFailure::Kind kind, int signal = 0, std::string detail = {}) {
    return {kind, signal, std::move(detail)};
}

struct Job {
    ReaderPool::Ticket ticket = 0;
    Kind kind = Kind::Report;
    std::string request; // encoded
    // The roots of a reader of the job's own, which serves no other job; empty: any reader with
    // the pool's fixed roots may serve it.
    std::vector<std::string> ownRoots;
    std::vector<std::string> ownListable; // folders its reader may list besides
    std::optional<StallGroup> group;      // where a walk or report reads; none for the window
    std::function<void(ReaderRecording)> recorded;
    std::function<void(FileReport)> reported;
    std::function<void(WalkResult)> walked;
};

struct Reader {
    ReaderProcess process;
    MessageAssembler assembler{kMaxMessageBytes};
    bool rooted = false;
    bool single = false; // rooted for one job's own roots: it serves that job only
    // The jobs sent to it, in the order it answers them: it is reading the first, and the next,
    // if any, waits in the channel.
    std::deque<Job> jobs;
    bool retiring = false;      // it ends after its last answer, reading none of the jobs left
    bool answered = false;      // it has answered a request: it started as it should
    Clock::time_point progress; // the first job's start, or the last sign of progress
    Clock::time_point lastLook; // when the processor clock was last read
    std::chrono::nanoseconds cpuAtStart{0};
    std::chrono::nanoseconds cpuAtLastLook{0};
    std::optional<Clock::time_point> endedAt; // the channel closed: waiting for the exit status
};

// A killed or finished reader not yet reaped.
struct Gone {
    pid_t pid;
    Clock::time_point since;
};

} // namespace

struct ReaderPool::Impl {
    Impl(Settings s) : settings(std::move(s)) {}

    const Settings settings;
    const Clock::time_point created = Clock::now();
    std::string program;
    // Readers are its copies once it has loaded (see AwaitSpawner).
    std::unique_ptr<ReaderSpawner> spawner;
    UniqueFd wake;

    mutable std::mutex mutex;
    std::deque<Job> queue;
    std::vector<std::unique_ptr<Reader>> readers; // pool thread only
    std::set<Ticket> awaiting;  // every request not yet answered, refused or dropped
    std::set<Ticket> cancelled; // cancelled while running or while their answer waited
    Ticket nextTicket = 1;
    bool stop = false;
    // Running jobs' tickets and whether their storage is slow to answer, for Waiting().
    std::map<Ticket, bool> running;

    std::mutex delivering; // held while callbacks run, so Cancel can wait for one
    std::map<StallGroup, int> stallsInARow;
    std::vector<Gone> gone;
    bool warmFailed = false;  // a reader started ahead of time ended unasked: no more are
    bool anyAnswered = false; // a reader has loaded the media library and answered
    std::optional<Clock::time_point> lastAnswer;
    std::thread thread;

    struct Delivery {
        Ticket ticket;
        std::function<void()> call;
    };
    std::vector<Delivery> deliveries;                                   // pool thread only
    std::vector<char> fragment = std::vector<char>(kFragmentBytes + 1); // pool thread only

    Ticket Add(Job job) {
        Ticket ticket;
        {
            const std::lock_guard lock(mutex);
            ticket = job.ticket = nextTicket++;
            awaiting.insert(ticket);
            queue.push_back(std::move(job));
        }
        Wake();
        return ticket;
    }

    void Wake() const {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(wake.Get(), &one, sizeof one);
    }

    void Refuse(Job& job, const ReaderFailure& failure) {
        const std::string words = ReaderFailureText(failure);
        switch (job.kind) {
        case Kind::Record:
            deliveries.push_back({job.ticket, [done = std::move(job.recorded), words] {
                                      done(ReaderRecording{{}, words});
                                  }});
            return;
        case Kind::Report:
            deliveries.push_back({job.ticket, [done = std::move(job.reported), failure] {
                                      done(ReaderFailureReport(failure));
                                  }});
            return;
        case Kind::Walk:
            deliveries.push_back({job.ticket, [done = std::move(job.walked), words] {
                                      done(WalkResult{false, {}, words});
                                  }});
            return;
        }
    }

    // Hands a reader's answer to the job that asked; false when it is no answer to that job.
    bool Answer(Job& job, Reply& reply) {
        if (std::holds_alternative<OutOfMemoryReply>(reply)) {
            Refuse(job, Failed(ReaderFailure::Kind::OutOfMemory));
            return true;
        }
        switch (job.kind) {
        case Kind::Record:
            if (auto* recording = std::get_if<RecordedReport>(&reply)) {
                deliveries.push_back({job.ticket, [done = std::move(job.recorded),
                                                   result = std::move(*recording)]() mutable {
                                          done(ReaderRecording{std::move(result), {}});
                                      }});
                return true;
            }
            return false;
        case Kind::Report:
            if (auto* report = std::get_if<FileReport>(&reply)) {
                if (job.group)
                    stallsInARow.erase(*job.group);
                deliveries.push_back({job.ticket, [done = std::move(job.reported),
                                                   result = std::move(*report)]() mutable {
                                          done(std::move(result));
                                      }});
                return true;
            }
            return false;
        case Kind::Walk:
            if (auto* walk = std::get_if<WalkReply>(&reply)) {
                // A path that is no folder comes back as itself, alone.
                if (!walk->isFolder && walk->items.size() != 1)
                    return false;
                if (job.group)
                    stallsInARow.erase(*job.group);
                deliveries.push_back(
                    {job.ticket,
                     [done = std::move(job.walked), result = std::move(*walk)]() mutable {
                         done(WalkResult{result.isFolder, std::move(result.items), {}});
                     }});
                return true;
            }
            return false;
        }
        return false;
    }

    // Ends a reader: killed unless it already ended, reaped when it goes. The job it was reading,
    // if any and not cancelled, is refused for `failure`; those waiting behind it go back to the
    // head of the queue, for another reader.
    void Drop(std::size_t index, const std::optional<ReaderFailure>& failure) {
        Reader& reader = *readers[index];
        if (!reader.jobs.empty() && !reader.retiring) {
            Job& job = reader.jobs.front();
            {
                const std::lock_guard lock(mutex);
                running.erase(job.ticket);
                if (!failure) {
                    awaiting.erase(job.ticket);
                    cancelled.erase(job.ticket);
                }
            }
            if (failure) {
                if (failure->kind == ReaderFailure::Kind::Stalled && job.group)
                    ++stallsInARow[*job.group];
                Refuse(job, Blamed(reader, *failure));
            }
            reader.jobs.pop_front();
        }
        Requeue(reader.jobs);
        const pid_t pid = reader.process.Kill();
        if (pid > 0)
            gone.push_back({pid, Clock::now()});
        readers.erase(readers.begin() + static_cast<std::ptrdiff_t>(index));
    }

    // A reader that crashed, ended or kept working once an allocation had failed in it ran out
    // of memory, whatever the library did next. Its page is its word, which can do no more than
    // choose the words of a refusal.
    static ReaderFailure Blamed(const Reader& reader, const ReaderFailure& failure) {
        using Kind = ReaderFailure::Kind;
        const bool memoryExplains = failure.kind == Kind::Signal || failure.kind == Kind::Exited ||
                                    failure.kind == Kind::ProcessorLimit;
        return memoryExplains && reader.process.AllocationFailed() ? Failed(Kind::OutOfMemory)
                                                                   : failure;
    }

    void Requeue(std::deque<Job>& jobs) {
        const std::lock_guard lock(mutex);
        for (auto job = jobs.rbegin(); job != jobs.rend(); ++job) {
            if (cancelled.erase(job->ticket) != 0) {
                awaiting.erase(job->ticket);
                continue;
            }
            queue.push_front(std::move(*job));
        }
        jobs.clear();
    }

    std::size_t Stuck(Clock::time_point now) {
        std::erase_if(gone, [](const Gone& g) { return ReaderProcess::Reaped(g.pid); });
        return static_cast<std::size_t>(std::count_if(
            gone.begin(), gone.end(), [&](const Gone& g) { return now - g.since > kStuckAfter; }));
    }

    // Gives a reader its roots: the job's own, or the pool's fixed ones.
    bool Root(Reader& reader, const Job& job) {
        RootsRequest roots;
        reader.single = !job.ownRoots.empty();
        roots.roots = reader.single ? job.ownRoots : settings.paths;
        if (reader.single)
            roots.listable = job.ownListable;
        reader.rooted = SendMessage(reader.process.Channel(), EncodeRequest(roots));
        return reader.rooted;
    }

    // The watch of a reader starts again with the job it now reads.
    void BeginWatch(Reader& reader) {
        reader.progress = reader.lastLook = Clock::now();
        reader.cpuAtStart = reader.cpuAtLastLook = reader.process.ProcessorTime();
        const std::lock_guard lock(mutex);
        running[reader.jobs.front().ticket] = false;
    }

    // Sends the last of a reader's jobs to it.
    bool Send(Reader& reader) {
        if (!reader.rooted && !Root(reader, reader.jobs.back()))
            return false;
        if (!SendMessage(reader.process.Channel(), reader.jobs.back().request))
            return false;
        if (reader.jobs.size() == 1)
            BeginWatch(reader);
        return true;
    }

    // A reader that may take `job`: an idle one; else, when no more may be started, one that is
    // reading and holds nothing else, for it to read next.
    Reader* Taker(const Job& job, bool mayStart) {
        const auto fits = [&](const Reader& reader) {
            return !reader.endedAt && (!reader.rooted || (job.ownRoots.empty() && !reader.single));
        };
        for (const auto& reader : readers)
            if (reader->jobs.empty() && fits(*reader))
                return reader.get();
        if (mayStart || !job.ownRoots.empty() || job.request.size() > kMaxWaitingRequestBytes)
            return nullptr;
        for (const auto& reader : readers)
            if (reader->jobs.size() == 1 && reader->rooted && fits(*reader))
                return reader.get();
        return nullptr;
    }

    std::unique_ptr<Reader> NewReader(std::string& problem) {
        // The spawner starts one reader at a time: the last one's id is taken first.
        for (const auto& reader : readers)
            reader->process.Settle();
        auto reader = std::make_unique<Reader>();
        problem = reader->process.Start(program, kSendTimeout, spawner.get());
        if (!problem.empty())
            return nullptr;
        return reader;
    }

    // Whether the spawner is loading the media library; with `start`, it is started first if it
    // has not been.
    bool SpawnerLoading(bool start) {
        if (!spawner && start)
            spawner = std::make_unique<ReaderSpawner>(program);
        return spawner && spawner->Loading();
    }

    // Whether a reader to be started now had better wait for the spawner than start as a program
    // of its own: the spawner's copy comes about as soon as a program would have loaded, for a
    // fraction of the work. Unless the pool began with it, the spawner starts once the first
    // reader has loaded the media library (it has answered, or has had time enough), so that the
    // two loads do not share the processor; meanwhile that reader takes the jobs.
    bool AwaitSpawner() {
        if (!spawner && !anyAnswered && Clock::now() - created < kFirstLoad)
            return std::any_of(readers.begin(), readers.end(),
                               [](const auto& r) { return !r->endedAt && !r->single; });
        return SpawnerLoading(true);
    }

    // Whether the job's stall group has stalled too often in a row for more of it to be read.
    bool KeepsStalling(const Job& job) const {
        if (!job.group)
            return false;
        const auto stalls = stallsInARow.find(*job.group);
        return stalls != stallsInARow.end() && stalls->second >= kStallsInARow;
    }

    // Gives queued jobs to idle readers, starting readers up to the number allowed.
    void Assign() {
        const Clock::time_point now = Clock::now();
        const std::size_t stuck = Stuck(now);
        for (;;) {
            std::optional<Job> job;
            {
                const std::lock_guard lock(mutex);
                if (queue.empty())
                    return;
                job = std::move(queue.front());
                queue.pop_front();
            }
            // A place that keeps stalling, or readers stuck past the bound, cost no more time.
            if (KeepsStalling(*job) || stuck >= kMaxStuck) {
                Refuse(*job, Failed(ReaderFailure::Kind::DeviceStalling));
                continue;
            }
            const std::size_t busy = static_cast<std::size_t>(std::count_if(
                readers.begin(), readers.end(), [](const auto& r) { return !r->jobs.empty(); }));
            bool mayStart = busy < std::max(1u, settings.readers);
            if (mayStart && Taker(*job, true) == nullptr && AwaitSpawner())
                mayStart = false;
            Reader* idle = Taker(*job, mayStart);
            if (idle == nullptr && mayStart) {
                std::string problem;
                std::unique_ptr<Reader> started = NewReader(problem);
                if (!started) {
                    Refuse(*job, Failed(ReaderFailure::Kind::NotStarted, 0, problem));
                    continue;
                }
                idle = started.get();
                readers.push_back(std::move(started));
            }
            if (idle == nullptr) {
                const std::lock_guard lock(mutex);
                queue.push_front(std::move(*job));
                return;
            }
            idle->jobs.push_back(std::move(*job));
            if (!Send(*idle)) {
                // A reader whose channel fails has ended or is broken: its exit status, or the
                // wait for it, decides the words for the job it was reading. A job meant to wait
                // behind that one goes to another reader.
                idle->endedAt = Clock::now();
                if (idle->jobs.size() > 1) {
                    const std::lock_guard lock(mutex);
                    queue.push_front(std::move(idle->jobs.back()));
                    idle->jobs.pop_back();
                }
            }
        }
    }

    // Keeps readers started and waiting for the window's next request, so that it need not wait
    // for one to start. A new one starts only once no reader is busy: the window's first report,
    // made while the window itself starts, would otherwise share the processor with a reader
    // started for a report not yet asked for. zarvo-report's readers start as work comes, each
    // in a millisecond or two once the spawner has loaded the media library.
    void KeepWarm() {
        if (settings.roots != Roots::PerRequest || warmFailed ||
            std::any_of(readers.begin(), readers.end(),
                        [](const auto& r) { return !r->jobs.empty(); }))
            return;
        // Nor while the window draws the report just made.
        if (lastAnswer && Clock::now() - *lastAnswer < kWarmAfter)
            return;
        if ((anyAnswered || spawner) && SpawnerLoading(true))
            return;
        std::size_t waiting = static_cast<std::size_t>(
            std::count_if(readers.begin(), readers.end(),
                          [](const auto& r) { return !r->rooted && !r->endedAt; }));
        while (waiting < std::max(1u, settings.readers) && Stuck(Clock::now()) < kMaxStuck) {
            std::string problem;
            std::unique_ptr<Reader> started = NewReader(problem);
            if (!started) {
                warmFailed = true;
                return;
            }
            readers.push_back(std::move(started));
            ++waiting;
        }
    }

    // Reads what a reader sent. Returns the failure that ends it, if any.
    std::optional<ReaderFailure> Read(Reader& reader) {
        for (;;) {
            bool truncated = false;
            const long got = ReceiveFragment(reader.process.Channel(), fragment.data(),
                                             fragment.size(), truncated);
            if (got < 0 && errno == EAGAIN)
                return std::nullopt;
            if (got <= 0) {
                reader.endedAt = Clock::now();
                return std::nullopt;
            }
            switch (
                reader.assembler.Add({fragment.data(), static_cast<std::size_t>(got)}, truncated)) {
            case MessageAssembler::Result::More:
                continue;
            case MessageAssembler::Result::Malformed:
                return Failed(ReaderFailure::Kind::Malformed);
            case MessageAssembler::Result::Complete:
                break;
            }
            // Nothing was asked of it: whatever it says is out of turn.
            if (reader.jobs.empty() || reader.retiring)
                return Failed(ReaderFailure::Kind::Malformed);
            std::optional<Reply> reply = DecodeReply(reader.assembler.Take());
            // A reader that ran out of memory ends after saying so: it takes no more work.
            const bool ending = reply && std::holds_alternative<OutOfMemoryReply>(*reply);
            if (!reply || !Answer(reader.jobs.front(), *reply))
                return Failed(ReaderFailure::Kind::Malformed);
            {
                const std::lock_guard lock(mutex);
                running.erase(reader.jobs.front().ticket);
            }
            reader.jobs.pop_front();
            reader.answered = anyAnswered = true;
            lastAnswer = Clock::now();
            // A reader rooted for one job's own paths (the window's) serves that job only.
            if (ending || reader.single) {
                reader.retiring = true;
                reader.endedAt = Clock::now();
            } else if (!reader.jobs.empty()) {
                BeginWatch(reader);
            }
        }
    }

    // Whether a busy reader has stalled or used up its processor time.
    std::optional<ReaderFailure> Watch(Reader& reader, Clock::time_point now) {
        const std::chrono::nanoseconds cpu = reader.process.ProcessorTime();
        // A reader that works the processor is no stalled one: its processor limit ends it. A
        // read blocked in the kernel uses next to none; a loop gets whatever share of a core a
        // busy machine leaves it, which may be small.
        if ((cpu - reader.cpuAtLastLook) * 20 > now - reader.lastLook)
            reader.progress = now;
        reader.cpuAtLastLook = cpu;
        reader.lastLook = now;
        // The page is the reader's word: a time in the future counts as now, and it can only
        // move the watch's start later, never earlier than the request.
        const Clock::time_point answered{std::chrono::nanoseconds(
            std::min(reader.process.LastAnswer(), now.time_since_epoch().count()))};
        reader.progress = std::max(reader.progress, answered);
        if (cpu - reader.cpuAtStart > std::chrono::seconds(kWorkSeconds) + kProcessorMargin)
            return Failed(ReaderFailure::Kind::ProcessorLimit);
        const auto quiet = now - reader.progress;
        {
            const std::lock_guard lock(mutex);
            running[reader.jobs.front().ticket] = quiet > 1s;
        }
        if (quiet > StallLimit())
            return Failed(ReaderFailure::Kind::Stalled);
        return std::nullopt;
    }

    // The failure of a reader whose channel closed, once its exit status is known.
    std::optional<ReaderFailure> Ended(Reader& reader, Clock::time_point now, bool& decided) {
        decided = true;
        int status = 0;
        if (reader.process.TryReap(status)) {
            if (WIFSIGNALED(status))
                return Failed(ReaderFailure::Kind::Signal, WTERMSIG(status));
            return Failed(ReaderFailure::Kind::Exited);
        }
        if (now - *reader.endedAt > kExitStatusWait)
            return Failed(ReaderFailure::Kind::Exited);
        decided = false;
        return std::nullopt;
    }

    // Readers busy on a request nobody wants any more are killed; their answers would be dropped.
    void DropCancelled() {
        for (std::size_t i = readers.size(); i-- > 0;) {
            const std::deque<Job>& jobs = readers[i]->jobs;
            bool unwanted;
            {
                const std::lock_guard lock(mutex);
                unwanted = !jobs.empty() && cancelled.contains(jobs.front().ticket);
            }
            if (unwanted)
                Drop(i, std::nullopt);
        }
    }

    void Deliver() {
        if (deliveries.empty())
            return;
        std::vector<Delivery> batch = std::move(deliveries);
        deliveries.clear();
        const std::lock_guard deliveryLock(delivering);
        for (Delivery& delivery : batch) {
            {
                const std::lock_guard lock(mutex);
                awaiting.erase(delivery.ticket);
                if (cancelled.erase(delivery.ticket) != 0)
                    continue;
            }
            delivery.call();
        }
    }

    void Run() {
        std::vector<pollfd> watched;
        for (;;) {
            {
                const std::lock_guard lock(mutex);
                if (stop)
                    break;
            }
            DropCancelled();
            Assign();
            KeepWarm();
            Deliver();
            bool ending = false;
            watched.assign(1, pollfd{wake.Get(), POLLIN, 0});
            for (const auto& reader : readers) {
                watched.push_back({reader->process.Channel(), POLLIN, 0});
                ending = ending || reader->endedAt.has_value();
            }
            const int loading = spawner ? spawner->LoadingFd() : -1;
            if (loading >= 0)
                watched.push_back({loading, POLLIN, 0});
            const int timeout = ending ? 5 : static_cast<int>(kTick.count());
            if (::poll(watched.data(), watched.size(), timeout) < 0 && errno != EINTR)
                throw std::system_error(errno, std::generic_category(), "poll");
            if ((watched[0].revents & POLLIN) != 0) {
                std::uint64_t count;
                [[maybe_unused]] const ssize_t got = ::read(wake.Get(), &count, sizeof count);
            }
            if (loading >= 0)
                spawner->Ready();
            const Clock::time_point now = Clock::now();
            for (std::size_t i = readers.size(); i-- > 0;) {
                Reader& reader = *readers[i];
                std::optional<ReaderFailure> failure;
                if (!reader.endedAt && watched[i + 1].revents != 0)
                    failure = Read(reader);
                if (!failure && reader.endedAt) {
                    // An idle reader that went (the window's, after its one report; or after
                    // saying it ran out of memory) is simply replaced, unless it went unasked:
                    // then readers are no longer started ahead, lest they end in a loop.
                    if (reader.jobs.empty() || reader.retiring) {
                        warmFailed = warmFailed || !reader.answered;
                        Drop(i, std::nullopt);
                        continue;
                    }
                    bool decided = false;
                    failure = Ended(reader, now, decided);
                    if (!decided)
                        continue;
                }
                // A look at the processor clock costs a system call: once a tick is enough.
                if (!failure && !reader.jobs.empty() && now - reader.lastLook >= kTick)
                    failure = Watch(reader, now);
                if (failure)
                    Drop(i, failure);
            }
        }
        // Every reader goes at once; none is waited for beyond a look at whether it has gone.
        while (!readers.empty())
            Drop(readers.size() - 1, std::nullopt);
        Stuck(Clock::now());
    }
};

ReaderPool::ReaderPool(Settings settings) : impl_(std::make_unique<Impl>(std::move(settings))) {
    impl_->program =
        impl_->settings.program.empty() ? FindReaderProgram() : impl_->settings.program;
    if (::access(impl_->program.c_str(), X_OK) != 0)
        throw ReaderStartFailure("cannot run the reader program " + impl_->program + ": " +
                                 std::generic_category().message(errno));
    // A run of many files has every reader from the spawner, started at once; others start it
    // once their first reader has loaded the media library.
    if (impl_->settings.manyFiles)
        impl_->spawner = std::make_unique<ReaderSpawner>(impl_->program);
    impl_->wake = UniqueFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!impl_->wake.IsOpen())
        throw std::system_error(errno, std::generic_category(), "eventfd");
    impl_->thread = std::thread([impl = impl_.get()] { impl->Run(); });
}

ReaderPool::~ReaderPool() {
    {
        const std::lock_guard lock(impl_->mutex);
        impl_->stop = true;
    }
    impl_->Wake();
    impl_->thread.join();
}

ReaderPool::Ticket ReaderPool::Record(std::string path, std::function<void(ReaderRecording)> done) {
    Job job;
    job.kind = Kind::Record;
    job.request = EncodeRequest(RecordRequest{path, impl_->settings.format});
    job.ownRoots = {std::move(path)};
    job.recorded = std::move(done);
    return impl_->Add(std::move(job));
}

// Whether the way to a folder passes through a symbolic link the walk followed.
static bool ThroughLink(const FolderStep* step) {
    for (; step != nullptr; step = step->parent.get())
        if (step->throughLink)
            return true;
    return false;
}

ReaderPool::Ticket ReaderPool::Report(WorkItem item, bool forTerminal, bool withFacts,
                                      std::function<void(FileReport)> done) {
    Job job;
    job.kind = Kind::Report;
    job.group = item.folder ? StallGroup(item.folder->id.device) : NamedFolder(item.path);
    if (impl_->settings.roots == Roots::PerRequest) {
        job.ownRoots = {item.path};
    } else if (item.linkTarget || ThroughLink(item.folder.get())) {
        // A link in a folder, or a linked folder the walk followed, may lead out of the paths
        // named: a reader of its own may read the file it leads to (its root is the file's path,
        // which the box resolves once, before it reads) and the named paths, and open the
        // folders on the way to it.
        job.ownRoots = impl_->settings.paths;
        job.ownRoots.push_back(item.path);
        job.ownListable = {"/"};
    }
    job.request = EncodeRequest(
        ReportRequest{std::move(item), impl_->settings.format, forTerminal, withFacts});
    job.reported = std::move(done);
    return impl_->Add(std::move(job));
}

ReaderPool::Ticket ReaderPool::Walk(std::string path, WalkOptions options,
                                    std::function<void(WalkResult)> done) {
    Job job;
    job.kind = Kind::Walk;
    job.group = NamedFolder(path);
    job.request = EncodeRequest(WalkRequest{path, options});
    if (impl_->settings.roots == Roots::PerRequest) {
        job.ownRoots = {path};
    } else if (options.followLinks) {
        // A linked folder may lie anywhere: the walk may list every folder, and read nothing but
        // the named paths.
        job.ownRoots = impl_->settings.paths;
        job.ownListable = {"/"};
    }
    job.walked = std::move(done);
    return impl_->Add(std::move(job));
}

void ReaderPool::Cancel(Ticket ticket) {
    {
        const std::lock_guard lock(impl_->mutex);
        const auto queued = std::find_if(impl_->queue.begin(), impl_->queue.end(),
                                         [&](const Job& job) { return job.ticket == ticket; });
        if (queued != impl_->queue.end()) {
            impl_->awaiting.erase(ticket);
            impl_->queue.erase(queued);
            return;
        }
        // A running job's reader is killed by the pool's thread, which finds its ticket here;
        // an answer that already came waits in a delivery and is skipped there.
        if (impl_->awaiting.contains(ticket))
            impl_->cancelled.insert(ticket);
    }
    impl_->Wake();
    // A callback running now ends before this returns, even one whose request is no longer
    // awaited because its delivery has begun.
    const std::lock_guard wait(impl_->delivering);
}

bool ReaderPool::Waiting(Ticket ticket) const {
    const std::lock_guard lock(impl_->mutex);
    const auto found = impl_->running.find(ticket);
    return found != impl_->running.end() && found->second;
}

} // namespace zarvo
