// scripted-reader: stands in for zarvo-reader in the window's tests. It speaks the reader's
// protocol and makes each report with the report builder, as the reader does, on the real
// detector, except for the file that ZARVO_TEST_SCRIPTED_FILE names, whose detector answers as
// ZARVO_TEST_SCRIPT says:
//   no-streams     the file opens and has no streams
//   type-error     of two streams of 2 s, the first cannot give its media type (an error that
//                  ends the report part-way)
//   count-error    the stream count cannot be read (an error before the first line)
//   denied         the file cannot be opened: permission denied
//   damaged        the file cannot be opened: damaged or incomplete
// So the window's tests see, through the real pool, reports that no real file gives them.
#include "platform/HResult.h"
#include "platform/MediaDet.h"
#include "reader/ActivityPage.h"
#include "reader/Channel.h"
#include "reader/Messages.h"
#include "reader/SpawnServer.h"
#include "report/RecordedReport.h"
#include "support/ScriptedMediaDet.h"

#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace {

using zarvo::test::Script;
using zarvo::test::ScriptedStream;

constexpr std::size_t kMaxRequestBytes = 1 << 20;

ScriptedStream StreamOfLength(double seconds) {
    ScriptedStream stream;
    stream.length = seconds;
    stream.frameRate = 25;
    return stream;
}

Script ScriptFromEnvironment() {
    const char* text = std::getenv("ZARVO_TEST_SCRIPT");
    const std::string_view name = text != nullptr ? text : "";
    Script script;
    if (name == "type-error") {
        script.streams = {StreamOfLength(2), StreamOfLength(2)};
        script.streams[0].mediaTypeThrows = true;
    } else if (name == "count-error") {
        script.streams = {StreamOfLength(2)};
        script.countThrows = true;
    } else if (name == "denied") {
        script.openStatus = zarvo::E_ACCESSDENIED;
    } else if (name == "damaged") {
        script.openStatus = zarvo::VFW_E_INVALID_FILE_FORMAT;
    }
    return script;
}

} // namespace

int main(int argc, char** argv) {
    const char* scriptedFile = std::getenv("ZARVO_TEST_SCRIPTED_FILE");
    Script script = ScriptFromEnvironment();
    const zarvo::ClassRegistration detector = zarvo::RegisterMediaDet();
    if (argc > 1 && std::string_view(argv[1]) == "--spawner" && !zarvo::ServeSpawnRequests())
        return 0;
    for (;;) {
        const std::optional<std::string> message =
            zarvo::ReceiveMessage(zarvo::kReaderChannelFd, kMaxRequestBytes);
        if (!message)
            return 0;
        const std::optional<zarvo::Request> request = zarvo::DecodeRequest(*message);
        if (!request)
            return 2;
        // The roots only matter to the box, which this stand-in does without.
        if (std::holds_alternative<zarvo::RootsRequest>(*request))
            continue;
        const auto* record = std::get_if<zarvo::RecordRequest>(&*request);
        if (record == nullptr)
            return 2;
        std::optional<zarvo::ClassRegistration> scripted;
        if (scriptedFile != nullptr && record->path == scriptedFile)
            scripted = zarvo::test::RegisterScriptedMediaDet(script);
        const zarvo::Reply reply = zarvo::RecordReport(record->path, record->format);
        if (!zarvo::SendMessage(zarvo::kReaderChannelFd, zarvo::EncodeReply(reply)))
            return 0;
    }
}
