// The bytes of requests and replies, and their checked reading.
#include "reader/Messages.h"

#include "reader/Wire.h"

#include <map>
#include <memory>

namespace zarvo {
namespace {

enum class RequestType : std::uint8_t { Roots, Record, Report, Walk, Count };
enum class ReplyType : std::uint8_t { Recording, FileReport, Walk, OutOfMemory, Count };
enum class CallType : std::uint8_t { Title, Caption, Clear, Line, Message, Count };

constexpr std::uint8_t CountOf(auto last) {
    return static_cast<std::uint8_t>(last);
}

void WriteFormat(WireWriter& out, const FormatSettings& format) {
    out.U8(static_cast<std::uint8_t>(format.decimalSeparator));
}

FormatSettings ReadFormat(WireReader& in) {
    return {static_cast<char>(in.U8())};
}

void WriteOptionalDouble(WireWriter& out, const std::optional<double>& value) {
    out.Bool(value.has_value());
    if (value)
        out.F64(*value);
}

std::optional<double> ReadOptionalDouble(WireReader& in) {
    if (!in.Bool())
        return std::nullopt;
    return in.F64();
}

// Work items share the steps to their folders: each step is written once, a parent before its
// children, and an item names its folder by number.
class StepTable {
public:
    std::uint32_t Number(const std::shared_ptr<const FolderStep>& step) {
        if (step == nullptr)
            return 0;
        if (const auto found = numbers_.find(step.get()); found != numbers_.end())
            return found->second;
        const std::uint32_t parent = Number(step->parent);
        steps_.push_back({step.get(), parent});
        return numbers_[step.get()] = static_cast<std::uint32_t>(steps_.size());
    }

    void Write(WireWriter& out) const {
        out.U32(static_cast<std::uint32_t>(steps_.size()));
        for (const auto& [step, parent] : steps_) {
            out.U32(parent);
            out.Text(step->name);
            out.U64(step->id.device);
            out.U64(step->id.inode);
            out.Bool(step->throughLink);
        }
    }

private:
    std::map<const FolderStep*, std::uint32_t> numbers_;
    std::vector<std::pair<const FolderStep*, std::uint32_t>> steps_;
};

void WriteItems(WireWriter& out, const std::vector<const WorkItem*>& items) {
    StepTable table;
    std::vector<std::uint32_t> folders;
    for (const WorkItem* item : items)
        folders.push_back(table.Number(item->folder));
    table.Write(out);
    out.U32(static_cast<std::uint32_t>(items.size()));
    for (std::size_t i = 0; i < items.size(); ++i) {
        const WorkItem& item = *items[i];
        out.Text(item.path);
        out.Text(item.shownPath);
        out.Bool(item.inFolder);
        out.Text(item.listError);
        out.U32(folders[i]);
        out.U32(static_cast<std::uint32_t>(item.listedType));
        out.Bool(item.linkTarget.has_value());
        if (item.linkTarget) {
            out.U64(item.linkTarget->device);
            out.U64(item.linkTarget->inode);
        }
    }
}

// Paths and names are bytes: no encoding is assumed, only their length is bounded.
std::vector<WorkItem> ReadItems(WireReader& in) {
    constexpr std::size_t kStepBytes = 4 + 4 + 8 + 8 + 1;
    const std::uint32_t stepCount = in.Count(kMaxWalkItems, kStepBytes);
    std::vector<std::shared_ptr<const FolderStep>> steps;
    for (std::uint32_t i = 0; i < stepCount && !in.Failed(); ++i) {
        auto step = std::make_shared<FolderStep>();
        const std::uint32_t parent = in.U32();
        // Only a step already read can be a parent, so the chain has no loop.
        if (parent > steps.size())
            in.Fail();
        step->name = in.Text(kMaxNameBytes);
        step->id.device = static_cast<dev_t>(in.U64());
        step->id.inode = static_cast<ino_t>(in.U64());
        step->throughLink = in.Bool();
        if (parent != 0 && !in.Failed()) {
            step->parent = steps[parent - 1];
            step->depth = step->parent->depth + 1;
        }
        steps.push_back(std::move(step));
    }
    constexpr std::size_t kItemBytes = 4 + 4 + 1 + 4 + 4 + 4 + 1;
    const std::uint32_t count = in.Count(kMaxWalkItems, kItemBytes);
    std::vector<WorkItem> items;
    for (std::uint32_t i = 0; i < count && !in.Failed(); ++i) {
        WorkItem& item = items.emplace_back();
        item.path = in.Text(kMaxNameBytes);
        item.shownPath = in.Text(kMaxNameBytes);
        item.inFolder = in.Bool();
        item.listError = in.Text(kMaxNameBytes);
        const std::uint32_t folder = in.U32();
        if (folder > steps.size())
            in.Fail();
        else if (folder != 0)
            item.folder = steps[folder - 1];
        item.listedType = static_cast<mode_t>(in.U32());
        if (in.Bool())
            item.linkTarget = FileId{static_cast<dev_t>(in.U64()), static_cast<ino_t>(in.U64())};
    }
    return items;
}

void WriteStream(WireWriter& out, const TMediaStream& s) {
    out.Text(s.StreamType);
    out.Text(s.Duration);
    out.Text(s.Resolution);
    out.U8(s.ColorDepth);
    out.U32(s.Frames);
    out.F32(s.FrameRate);
    out.Text(s.Codec);
    out.F32(s.Ratio);
    out.U32(s.Bitrate);
    out.F32(s.SampleRate);
    out.U8(s.Channels);
    out.U8(static_cast<std::uint8_t>(s.Fields));
    out.U32(static_cast<std::uint32_t>(s.Width));
    out.U32(static_cast<std::uint32_t>(s.Height));
    out.U32(s.CodecCode);
    out.U32(s.SamplesPerSec);
    out.U32(s.AvgBytesPerSec);
}

TMediaStream ReadStream(WireReader& in) {
    TMediaStream s;
    s.StreamType = in.Text(kMaxNameBytes);
    s.Duration = in.Text(kMaxNameBytes);
    s.Resolution = in.Text(kMaxNameBytes);
    s.ColorDepth = in.U8();
    s.Frames = in.U32();
    s.FrameRate = in.F32();
    s.Codec = in.Text(kMaxNameBytes);
    s.Ratio = in.F32();
    s.Bitrate = in.U32();
    s.SampleRate = in.F32();
    s.Channels = in.U8();
    s.Fields = static_cast<TMediaStream::FieldSet>(in.Below(3));
    s.Width = static_cast<std::int32_t>(in.U32());
    s.Height = static_cast<std::int32_t>(in.U32());
    s.CodecCode = in.U32();
    s.SamplesPerSec = in.U32();
    s.AvgBytesPerSec = in.U32();
    return s;
}

// Collects the recorded calls as they are replayed.
class CallList final : public ReportView {
public:
    void SetApplicationTitle(const std::string& title) override { Call(CallType::Title, title); }
    void SetCaption(const std::string& caption) override { Call(CallType::Caption, caption); }
    void ClearReport() override { Call(CallType::Clear, {}); }
    void AppendLine(std::string_view line) override { Call(CallType::Line, line); }
    void ShowMessage(const std::string& text) override { Call(CallType::Message, text); }

    std::vector<std::pair<CallType, std::string>> calls;

private:
    void Call(CallType type, std::string_view text) { calls.emplace_back(type, text); }
};

void WriteRecording(WireWriter& out, const RecordedReport& report) {
    CallList calls;
    report.Replay(calls);
    out.U32(static_cast<std::uint32_t>(calls.calls.size()));
    for (const auto& [type, text] : calls.calls) {
        out.U8(static_cast<std::uint8_t>(type));
        out.Text(text);
    }
    out.Bool(report.outcome.has_value());
    if (report.outcome) {
        out.U8(static_cast<std::uint8_t>(report.outcome->result));
        out.U32(static_cast<std::uint32_t>(report.outcome->status));
    }
    out.Bool(report.error.has_value());
    if (report.error)
        out.Text(*report.error);
}

RecordedReport ReadRecording(WireReader& in) {
    RecordedReport report;
    const std::uint32_t count = in.Count(kMaxCalls, 1 + 4);
    std::size_t textBytes = 0;
    for (std::uint32_t i = 0; i < count && !in.Failed(); ++i) {
        const auto type = static_cast<CallType>(in.Below(CountOf(CallType::Count)));
        const std::string text = in.Text(kMaxNameBytes);
        textBytes += text.size();
        if (textBytes > kMaxTextBytes)
            in.Fail();
        switch (type) {
        case CallType::Title:
            report.SetApplicationTitle(text);
            break;
        case CallType::Caption:
            report.SetCaption(text);
            break;
        case CallType::Clear:
            report.ClearReport();
            break;
        case CallType::Line:
            report.AppendLine(text);
            break;
        case CallType::Message:
            report.ShowMessage(text);
            break;
        case CallType::Count:
            break;
        }
    }
    if (in.Bool()) {
        const auto result = static_cast<ReportResult>(in.Below(4));
        report.outcome = ReportOutcome{result, static_cast<HRESULT>(in.U32())};
    }
    if (in.Bool())
        report.error = in.Text(kMaxNameBytes);
    return report;
}

void WriteFileReport(WireWriter& out, const FileReport& report) {
    out.U8(static_cast<std::uint8_t>(report.outcome));
    out.Text(report.text);
    out.Text(report.problem);
    out.U64(report.facts.size);
    WriteOptionalDouble(out, report.facts.duration);
    out.U32(static_cast<std::uint32_t>(report.facts.streams.size()));
    for (const StreamFacts& stream : report.facts.streams) {
        out.I64(stream.number);
        WriteStream(out, stream.stream);
        WriteOptionalDouble(out, stream.length);
    }
}

FileReport ReadFileReport(WireReader& in) {
    FileReport report;
    report.outcome = static_cast<FileOutcome>(in.Below(3));
    report.text = in.Text(kMaxTextBytes);
    report.problem = in.Text(kMaxNameBytes);
    report.facts.size = in.U64();
    report.facts.duration = ReadOptionalDouble(in);
    const std::uint32_t count = in.Count(kMaxStreams, 8 + 60);
    for (std::uint32_t i = 0; i < count && !in.Failed(); ++i) {
        StreamFacts& stream = report.facts.streams.emplace_back();
        stream.number = in.I64();
        stream.stream = ReadStream(in);
        stream.length = ReadOptionalDouble(in);
    }
    return report;
}

template <typename T> std::optional<T> Whole(WireReader& in, T value) {
    if (!in.Done())
        return std::nullopt;
    return value;
}

} // namespace

std::string EncodeRequest(const Request& request) {
    WireWriter out;
    out.U8(static_cast<std::uint8_t>(request.index()));
    if (const auto* roots = std::get_if<RootsRequest>(&request)) {
        for (const std::vector<std::string>* paths : {&roots->roots, &roots->listable}) {
            out.U32(static_cast<std::uint32_t>(paths->size()));
            for (const std::string& path : *paths)
                out.Text(path);
        }
    } else if (const auto* record = std::get_if<RecordRequest>(&request)) {
        out.Text(record->path);
        WriteFormat(out, record->format);
    } else if (const auto* report = std::get_if<ReportRequest>(&request)) {
        WriteItems(out, {&report->item});
        WriteFormat(out, report->format);
        out.Bool(report->forTerminal);
        out.Bool(report->withFacts);
    } else if (const auto* walk = std::get_if<WalkRequest>(&request)) {
        out.Text(walk->path);
        out.Bool(walk->options.recursive);
        out.Bool(walk->options.followLinks);
        out.Bool(walk->options.headingsWithArgument);
    }
    return std::move(out).Take();
}

std::optional<Request> DecodeRequest(std::string_view bytes) {
    WireReader in(bytes);
    switch (static_cast<RequestType>(in.Below(CountOf(RequestType::Count)))) {
    case RequestType::Roots: {
        RootsRequest roots;
        for (std::vector<std::string>* paths : {&roots.roots, &roots.listable}) {
            const std::uint32_t count = in.Count(kMaxWalkItems, 4);
            for (std::uint32_t i = 0; i < count && !in.Failed(); ++i)
                paths->push_back(in.Text(kMaxNameBytes));
        }
        return Whole<Request>(in, std::move(roots));
    }
    case RequestType::Record: {
        RecordRequest record;
        record.path = in.Text(kMaxNameBytes);
        record.format = ReadFormat(in);
        return Whole<Request>(in, std::move(record));
    }
    case RequestType::Report: {
        ReportRequest report;
        std::vector<WorkItem> items = ReadItems(in);
        if (items.size() != 1)
            in.Fail();
        else
            report.item = std::move(items.front());
        report.format = ReadFormat(in);
        report.forTerminal = in.Bool();
        report.withFacts = in.Bool();
        return Whole<Request>(in, std::move(report));
    }
    case RequestType::Walk: {
        WalkRequest walk;
        walk.path = in.Text(kMaxNameBytes);
        walk.options.recursive = in.Bool();
        walk.options.followLinks = in.Bool();
        walk.options.headingsWithArgument = in.Bool();
        return Whole<Request>(in, std::move(walk));
    }
    case RequestType::Count:
        break;
    }
    return std::nullopt;
}

std::string EncodeReply(const Reply& reply) {
    WireWriter out;
    out.U8(static_cast<std::uint8_t>(reply.index()));
    if (const auto* recording = std::get_if<RecordedReport>(&reply)) {
        WriteRecording(out, *recording);
    } else if (const auto* report = std::get_if<FileReport>(&reply)) {
        WriteFileReport(out, *report);
    } else if (const auto* walk = std::get_if<WalkReply>(&reply)) {
        out.Bool(walk->isFolder);
        std::vector<const WorkItem*> items;
        for (const WorkItem& item : walk->items)
            items.push_back(&item);
        WriteItems(out, items);
    }
    return std::move(out).Take();
}

std::optional<Reply> DecodeReply(std::string_view bytes) {
    WireReader in(bytes);
    switch (static_cast<ReplyType>(in.Below(CountOf(ReplyType::Count)))) {
    case ReplyType::Recording: {
        RecordedReport recording = ReadRecording(in);
        return Whole<Reply>(in, std::move(recording));
    }
    case ReplyType::FileReport: {
        FileReport report = ReadFileReport(in);
        return Whole<Reply>(in, std::move(report));
    }
    case ReplyType::Walk: {
        WalkReply walk;
        walk.isFolder = in.Bool();
        walk.items = ReadItems(in);
        return Whole<Reply>(in, std::move(walk));
    }
    case ReplyType::OutOfMemory:
        return Whole<Reply>(in, OutOfMemoryReply{});
    case ReplyType::Count:
        break;
    }
    return std::nullopt;
}

} // namespace zarvo
