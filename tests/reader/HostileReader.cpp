// A reader that misbehaves as ZARVO_HOSTILE_READER says, for the pool's tests: what a reader
// taken over by a hostile file could send, or fail to send. It answers one request and ends;
// as a spawner it ends at once when ZARVO_HOSTILE_SPAWNER is set. With ZARVO_HOSTILE_COUNT set,
// it adds a line to that file for each request it receives.
#include "reader/ActivityPage.h"
#include "reader/Channel.h"
#include "reader/Messages.h"
#include "reader/SpawnServer.h"

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc > 1 && std::string_view(argv[1]) == "--spawner") {
        // A spawner that ends at once, as one that cannot start would.
        if (const char* spawner = std::getenv("ZARVO_HOSTILE_SPAWNER"); spawner != nullptr)
            return 2;
        if (!zarvo::ServeSpawnRequests())
            return 0;
    }
    const char* how = std::getenv("ZARVO_HOSTILE_READER");
    const std::string mode = how == nullptr ? "" : how;
    const int channel = zarvo::kReaderChannelFd;
    // The roots, then the request.
    if (!zarvo::ReceiveMessage(channel, 1 << 20) || !zarvo::ReceiveMessage(channel, 1 << 20))
        return 1;
    if (const char* count = std::getenv("ZARVO_HOSTILE_COUNT"); count != nullptr)
        std::ofstream(count, std::ios::app) << "request\n";
    if (mode == "exit")
        return 0;
    // Ended by a signal that the sanitizers' runtime, in the build that has it, leaves alone.
    if (mode == "crash")
        std::raise(SIGABRT);
    if (mode == "silent")
        for (;;)
            ::pause();
    if (mode == "garbage")
        return ::send(channel, "\x07junk", 5, 0) == 5 ? 0 : 1;
    if (mode == "wrong")
        return zarvo::SendMessage(channel, zarvo::EncodeReply(zarvo::WalkReply{})) ? 0 : 1;
    if (mode == "oom")
        return zarvo::SendMessage(channel, zarvo::EncodeReply(zarvo::OutOfMemoryReply{})) ? 0 : 1;
    zarvo::FileReport report;
    report.text = "the report\n";
    return zarvo::SendMessage(channel, zarvo::EncodeReply(report)) ? 0 : 1;
}
