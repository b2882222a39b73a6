// zarvo-reader: reads media files for the window or zarvo-report, one request at a time, inside
// a box that lets it read only beneath the paths the user named and do nothing else. It is
// started by the front end with its channel on descriptor 3 and the activity page on 4, or, as
// `zarvo-reader --spawner`, started once to start readers as copies of itself.
#include "platform/ClassRegistry.h"
#include "platform/MediaDet.h"
#include "platform/ReadActivity.h"
#include "reader/ActivityPage.h"
#include "reader/AllocationWatch.h"
#include "reader/Channel.h"
#include "reader/FileReportBuilder.h"
#include "reader/FolderWalk.h"
#include "reader/Messages.h"
#include "reader/Sandbox.h"
#include "reader/SpawnServer.h"
#include "report/RecordedReport.h"

#include <csignal>
#include <malloc.h>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>
#include <variant>

namespace {

// A request is what the front end wrote; its bound only keeps a broken front end from
// making the reader hold more than it ever needs.
constexpr std::size_t kMaxRequestBytes = 64 << 20;
// How much freed heap a reader keeps for its next file.
constexpr int kKeptHeapBytes = 64 << 20;

zarvo::Reply Serve(const zarvo::Request& request) {
    if (const auto* record = std::get_if<zarvo::RecordRequest>(&request))
        return zarvo::RecordReport(record->path, record->format);
    if (const auto* report = std::get_if<zarvo::ReportRequest>(&request))
        return zarvo::BuildFileReport(report->item, report->format, report->forTerminal,
                                      report->withFacts);
    const auto& walk = std::get<zarvo::WalkRequest>(request);
    zarvo::WalkReply reply;
    reply.isFolder = zarvo::AddPath(walk.path, walk.options, reply.items);
    return reply;
}

} // namespace

int main(int argc, char** argv) {
    // Nothing the front end had open, by mistake or not, stays open here.
    ::close_range(zarvo::kReaderPageFd + 1, ~0U, 0);
    std::signal(SIGPIPE, SIG_IGN);
    // One reader reads file after file, each freeing what the last allocated. With the heap
    // kept rather than given back after each file, the next one reuses its pages instead of
    // faulting fresh ones in; a few tens of MiB stay held, well under the reader's memory cap.
    ::mallopt(M_MMAP_THRESHOLD, kKeptHeapBytes / 2);
    ::mallopt(M_TRIM_THRESHOLD, kKeptHeapBytes);

    // The media library is loaded and its formats registered before the box, which leaves no
    // way to open the libraries' own files, and before a spawner copies itself into readers.
    zarvo::SilenceMediaLibraryLog();
    const zarvo::ClassRegistration detector = zarvo::RegisterMediaDet();
    if (argc > 1 && std::string_view(argv[1]) == "--spawner" && !zarvo::ServeSpawnRequests())
        return 0;

    void* page = ::mmap(nullptr, zarvo::kActivityPageBytes, PROT_READ | PROT_WRITE, MAP_SHARED,
                        zarvo::kReaderPageFd, 0);
    if (page == MAP_FAILED)
        return 2;
    ::close(zarvo::kReaderPageFd);
    zarvo::ShareReadActivity(&static_cast<zarvo::ActivityPage*>(page)->lastAnswer);
    zarvo::reader::ShareAllocationFailure(
        &static_cast<zarvo::ActivityPage*>(page)->allocationFailed);

    const std::optional<std::string> first =
        zarvo::ReceiveMessage(zarvo::kReaderChannelFd, kMaxRequestBytes);
    const std::optional<zarvo::Request> roots = first ? zarvo::DecodeRequest(*first) : std::nullopt;
    if (!roots || !std::holds_alternative<zarvo::RootsRequest>(*roots))
        return 2;
    zarvo::reader::SandboxPolicy policy;
    policy.roots = std::get<zarvo::RootsRequest>(*roots).roots;
    policy.listable = std::get<zarvo::RootsRequest>(*roots).listable;
    policy.channelFd = zarvo::kReaderChannelFd;
    // A reader that cannot be boxed reads nothing: the front end refuses its file.
    if (!zarvo::reader::EnterSandbox(policy).error.empty())
        return 3;

    for (;;) {
        const std::optional<std::string> message =
            zarvo::ReceiveMessage(zarvo::kReaderChannelFd, kMaxRequestBytes);
        if (!message)
            return 0;
        const std::optional<zarvo::Request> request = zarvo::DecodeRequest(*message);
        if (!request || std::holds_alternative<zarvo::RootsRequest>(*request))
            return 2;
        zarvo::Reply reply = Serve(*request);
        // Whatever failed to allocate, in the media library or in any other, may have left a
        // report that describes only part of the file: it is refused, and this reader, whose
        // heap may be in any state, ends after saying so.
        const bool outOfMemory = zarvo::reader::AllocationFailed();
        if (outOfMemory)
            reply = zarvo::OutOfMemoryReply{};
        if (!zarvo::SendMessage(zarvo::kReaderChannelFd, zarvo::EncodeReply(reply)) || outOfMemory)
            return 0;
    }
}
