// What a front end asks of a reader and what the reader answers, and their bytes. A reader's
// answer is read as hostile input: every size has a bound, every enumeration is checked, and
// anything malformed or left over makes the whole message malformed.
#pragma once

#include "reader/WorkItem.h"
#include "report/FileReport.h"
#include "report/NumberFormat.h"
#include "report/RecordedReport.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace zarvo {

// The bounds on what a reader may send. A report is a few kilobytes; these leave room for any
// real file while keeping what a taken-over reader can make the front end hold small.
inline constexpr std::size_t kMaxNameBytes = 64 * 1024;    // a path, a name, a message
inline constexpr std::size_t kMaxTextBytes = 16 << 20;     // a whole report's text
inline constexpr std::uint32_t kMaxCalls = 1 << 20;        // recorded calls of one report
inline constexpr std::uint32_t kMaxStreams = 1 << 16;      // streams of one file
inline constexpr std::uint32_t kMaxWalkItems = 1'000'000;  // files one walk finds
inline constexpr std::size_t kMaxMessageBytes = 256 << 20; // one message, all its fragments

// The first message a reader gets: what it may read beneath, for the rest of its life.
struct RootsRequest {
    std::vector<std::string> roots;
    // Folders that may be listed, not read, with everything beneath them: where a walk that
    // follows links may lead.
    std::vector<std::string> listable;
};
// The window's recording of the report of `path`.
struct RecordRequest {
    std::string path;
    FormatSettings format;
};
// zarvo-report's report of one file.
struct ReportRequest {
    WorkItem item;
    FormatSettings format;
    bool forTerminal = false;
    bool withFacts = false;
};
// The files beneath one named path.
struct WalkRequest {
    std::string path;
    WalkOptions options;
};
using Request = std::variant<RootsRequest, RecordRequest, ReportRequest, WalkRequest>;

struct WalkReply {
    bool isFolder = false;
    std::vector<WorkItem> items;
};
// Something failed to allocate while the reader worked: whatever it built is not to be trusted.
struct OutOfMemoryReply {};
using Reply = std::variant<RecordedReport, FileReport, WalkReply, OutOfMemoryReply>;

std::string EncodeRequest(const Request& request);
std::optional<Request> DecodeRequest(std::string_view bytes);

std::string EncodeReply(const Reply& reply);
std::optional<Reply> DecodeReply(std::string_view bytes);

} // namespace zarvo
