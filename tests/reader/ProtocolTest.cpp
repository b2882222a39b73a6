// A reader's reply is decoded whole or not at all: every truncation, trailing byte, value out of
// range, length past its bound and broken fragment is refused, and a good reply survives the trip
// to the last bit.
#include "reader/Channel.h"
#include "reader/Messages.h"
#include "reader/Wire.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace zarvo {
namespace {

FileReport FullFileReport() {
    FileReport report{FileOutcome::Reported, "File:\t\tname\xff\n", "", {}};
    TMediaStream stream;
    stream.StreamType = "Video";
    stream.FrameRate = 29.97f;
    stream.Fields = TMediaStream::FieldSet::Video;
    stream.Width = -1;
    report.facts = {1ULL << 40, 12.5, {{1, stream, std::nullopt}, {2, {}, 0.1}}};
    return report;
}

RecordedReport FullRecording() {
    RecordedReport recording;
    recording.SetApplicationTitle("title");
    recording.ClearReport();
    recording.AppendLine("line\t\x01");
    recording.ShowMessage("message");
    recording.outcome = ReportOutcome{ReportResult::NotOpened, static_cast<HRESULT>(0x80040F02)};
    recording.error = "cut short";
    return recording;
}

WalkReply FullWalk() {
    auto top = std::make_shared<FolderStep>();
    top->name = "top";
    top->id = {7, 8};
    auto below = std::make_shared<FolderStep>();
    below->parent = top;
    below->name = "below";
    below->throughLink = true;
    WalkReply walk{true, {}};
    for (const auto& folder : {top, below, top}) {
        WorkItem& item = walk.items.emplace_back();
        item.path = "top/" + folder->name + "/a";
        item.shownPath = "a";
        item.inFolder = true;
        item.folder = folder;
        item.listedType = 0100000;
        item.linkTarget = FileId{1, 2};
    }
    walk.items.emplace_back().listError = "cannot list the folder";
    return walk;
}

// Each reply kind, encoded: what the malformed rows below start from.
std::vector<std::string> GoodReplies() {
    return {EncodeReply(FullFileReport()), EncodeReply(FullRecording()), EncodeReply(FullWalk()),
            EncodeReply(OutOfMemoryReply{})};
}

TEST(ReplyTest, DecodesToWhatWasEncodedBitForBit) {
    for (const std::string& bytes : GoodReplies()) {
        const std::optional<Reply> decoded = DecodeReply(bytes);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(EncodeReply(*decoded), bytes);
    }
    // The folder steps stay shared, and their depth is rebuilt from the chain.
    const auto walk = std::get<WalkReply>(*DecodeReply(EncodeReply(FullWalk())));
    EXPECT_EQ(walk.items[0].folder, walk.items[2].folder);
    EXPECT_EQ(walk.items[1].folder->parent, walk.items[0].folder);
    EXPECT_EQ(walk.items[1].folder->depth, 1U);
}

TEST(ReplyTest, RefusesEveryTruncationAndAnyTrailingByte) {
    for (const std::string& bytes : GoodReplies()) {
        for (std::size_t size = 0; size < bytes.size(); ++size)
            EXPECT_FALSE(DecodeReply(bytes.substr(0, size))) << size << " of " << bytes.size();
        EXPECT_FALSE(DecodeReply(bytes + '\0'));
    }
}

// Replies written field by field, each with one value no reader may send.
TEST(ReplyTest, RefusesValuesOutOfRangeAndLengthsPastTheirBounds) {
    const auto fileReport = [](std::uint8_t outcome, std::uint32_t textLength,
                               std::uint32_t streams) {
        WireWriter out;
        out.U8(1);
        out.U8(outcome);
        out.U32(textLength);
        out.U32(0); // problem
        out.U64(0);
        out.U8(0); // no duration
        out.U32(streams);
        return std::move(out).Take();
    };
    const auto recording = [](std::uint8_t call, std::uint8_t hasOutcome, std::uint8_t result) {
        WireWriter out;
        out.U8(0);
        out.U32(1);
        out.U8(call);
        out.U32(0);
        out.U8(hasOutcome);
        out.U8(result);
        out.U32(0);
        out.U8(0);
        return std::move(out).Take();
    };
    const auto walk = [](std::uint32_t parent, std::uint32_t folder) {
        WireWriter out;
        out.U8(2);
        out.U8(1);
        out.U32(1); // one step
        out.U32(parent);
        out.Text("f");
        out.U64(0);
        out.U64(0);
        out.U8(0);
        out.U32(1); // one item
        for (int text = 0; text < 2; ++text)
            out.Text("a");
        out.U8(1);
        out.Text("");
        out.U32(folder);
        out.U32(0);
        out.U8(0);
        return std::move(out).Take();
    };
    // The well-formed forms of the rows, so that each row fails for its one value alone.
    ASSERT_TRUE(DecodeReply(fileReport(0, 0, 0)));
    ASSERT_TRUE(DecodeReply(recording(3, 1, 3)));
    ASSERT_TRUE(DecodeReply(walk(0, 1)));
    const struct {
        const char* what;
        std::string bytes;
    } rows[] = {
        {"unknown reply", std::string(1, '\x04')},
        {"reply number far out", std::string(1, '\xff')},
        {"file outcome", fileReport(3, 0, 0)},
        {"text length past the bytes", fileReport(0, 100, 0)},
        {"text length past its bound", fileReport(0, 0xFFFFFFFF, 0)},
        {"stream count past the bytes", fileReport(0, 0, 0xFFFF)},
        {"stream count past its bound", fileReport(0, 0, 0xFFFFFFFF)},
        {"recorded call", recording(5, 1, 3)},
        {"yes-or-no byte", recording(3, 2, 3)},
        {"report result", recording(3, 1, 4)},
        {"step naming a later parent", walk(2, 1)},
        {"step naming itself", walk(1, 1)},
        {"item naming a missing folder", walk(0, 2)},
    };
    for (const auto& row : rows)
        EXPECT_FALSE(DecodeReply(row.bytes)) << row.what;
}

TEST(FramingTest, RefusesBrokenFragments) {
    const struct {
        const char* what;
        std::string fragment;
        bool truncated;
        std::size_t maxBytes;
    } rows[] = {
        {"empty", "", false, 16},
        {"unknown header", std::string("\x02x", 2), false, 16},
        {"cut short by the socket", std::string("\x00x", 2), true, 16},
        {"over the message bound", std::string(1, '\0') + std::string(17, 'x'), false, 16},
        {"over the fragment size", std::string(1, '\0') + std::string(kFragmentBytes, 'x'), false,
         kFragmentBytes * 2},
    };
    for (const auto& row : rows) {
        MessageAssembler assembler(row.maxBytes);
        EXPECT_EQ(assembler.Add(row.fragment, row.truncated), MessageAssembler::Result::Malformed)
            << row.what;
    }
    // Fragments that together pass the bound are refused as well.
    MessageAssembler assembler(16);
    EXPECT_EQ(assembler.Add(std::string(1, '\1') + std::string(10, 'x'), false),
              MessageAssembler::Result::More);
    EXPECT_EQ(assembler.Add(std::string(1, '\0') + std::string(7, 'x'), false),
              MessageAssembler::Result::Malformed);
}

TEST(FramingTest, AMessageOfManyFragmentsArrivesWhole) {
    int ends[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends), 0);
    std::string message;
    for (std::size_t i = 0; i < 3 * kFragmentBytes + 5; ++i)
        message.push_back(static_cast<char>(i * 7));
    // Written from another thread: the socket's buffer holds less than the message.
    std::thread writer([&] { EXPECT_TRUE(SendMessage(ends[0], message)); });
    EXPECT_EQ(ReceiveMessage(ends[1], message.size()), message);
    writer.join();
    ::close(ends[0]);
    EXPECT_EQ(ReceiveMessage(ends[1], message.size()), std::nullopt);
    ::close(ends[1]);
}

} // namespace
} // namespace zarvo
