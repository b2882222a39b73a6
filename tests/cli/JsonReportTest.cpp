// zarvo-report --json against its own text report: the same files, order and numbers; names of
// any bytes found again; every line read by jq.
#include "report/NumberFormat.h"
#include "report/ReportBuilder.h"
#include "report/ReportLabels.h"
#include "support/ChildProcess.h"
#include "support/ScratchDir.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace zarvo {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

const fs::path kMedia = ZARVO_TEST_MEDIA;

test::ChildResult RunReport(const std::vector<std::string>& arguments, const fs::path& directory,
                            test::StandardOutput output = test::StandardOutput::Pipe) {
    test::ChildResult run = test::RunChild({.program = ZARVO_REPORT,
                                            .arguments = arguments,
                                            .directory = directory,
                                            .output = output,
                                            .timeLimitSeconds = 600});
    EXPECT_FALSE(run.timedOut || !run.startError.empty()) << test::DescribeEnd(run);
    return run;
}

std::vector<Json> JsonLines(const std::string& out) {
    std::vector<Json> objects;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        // Invalid UTF-8 or JSON fails the test here.
        objects.push_back(Json::parse(line));
    }
    return objects;
}

// The path an object names, as bytes.
std::string PathBytes(const Json& path) {
    if (path.is_string())
        return path.get<std::string>();
    const std::string text = path.at("bytes").get<std::string>();
    static const std::string digits =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string bytes;
    std::uint32_t group = 0;
    int bits = 0;
    for (const char c : text) {
        if (c == '=')
            break;
        group = (group << 6) | static_cast<std::uint32_t>(digits.find(c));
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes += static_cast<char>((group >> bits) & 0xFF);
        }
    }
    return bytes;
}

// The text reports of a run over one folder, by the path of their heading.
std::map<std::string, std::vector<std::string>> TextReports(const std::string& out) {
    std::map<std::string, std::vector<std::string>> reports;
    std::vector<std::string>* current = nullptr;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("==> ") && line.ends_with(" <==")) {
            // The empty line before a heading separates two reports.
            if (current != nullptr && !current->empty() && current->back().empty())
                current->pop_back();
            current = &reports[line.substr(4, line.size() - 8)];
            continue;
        }
        if (current != nullptr)
            current->push_back(line);
    }
    return reports;
}

std::string Duration(const Json& seconds) {
    return seconds.is_null() ? "Unknown" : DurationText(seconds.get<double>(), {});
}

std::string Fixed(const Json& value, int decimals) {
    return FormatFixed(value.get<double>(), decimals, {});
}

// The lines the text report gives for what `object` says, in the report's order.
std::vector<std::string> LinesOf(const Json& object, const std::string& name) {
    std::vector<std::string> lines{
        LabelledLine(ReportLine::FileName, name),
        LabelledLine(ReportLine::FileSize,
                     std::to_string(object.at("size").get<std::uint64_t>() >> 20) + " MB"),
        LabelledLine(ReportLine::FileDuration, Duration(object.at("duration")))};
    for (const Json& stream : object.at("streams")) {
        lines.emplace_back();
        const std::string kind = stream.at("kind");
        const bool video = kind == "Video";
        const bool audio = kind == "Audio" || kind == "Ogg audio";
        if (!video && !audio && kind != "Unknown")
            continue;
        lines.push_back("Stream " + std::to_string(stream.at("number").get<int>()) + "  --  " +
                        kind);
        if (!video && !audio)
            continue;
        lines.emplace_back(27, '=');
        const std::string codec = stream.at("codec");
        if (video) {
            const std::string resolution =
                stream.at("width").is_null() ? ""
                                             : std::to_string(stream.at("width").get<int>()) + "x" +
                                                   std::to_string(stream.at("height").get<int>());
            lines.push_back(LabelledLine(ReportLine::Resolution, resolution));
            lines.push_back(LabelledLine(ReportLine::Codec, codec));
            lines.push_back(LabelledLine(ReportLine::Frames,
                                         std::to_string(stream.at("frames").get<std::uint32_t>())));
            lines.push_back(LabelledLine(ReportLine::FrameRate, Fixed(stream.at("frame_rate"), 3)));
            lines.push_back(
                LabelledLine(ReportLine::StreamDuration, Duration(stream.at("duration"))));
            lines.push_back(
                LabelledLine(ReportLine::ColorDepth,
                             std::to_string(stream.at("color_depth").get<int>()) + " bit"));
            lines.push_back(LabelledLine(ReportLine::Ratio, Fixed(stream.at("ratio"), 2)));
            continue;
        }
        const auto hertz = stream.at("sample_rate").get<std::uint32_t>();
        const float kilohertz = static_cast<float>(hertz / 1000.0);
        const int channels = stream.at("channels").get<int>();
        lines.push_back(LabelledLine(ReportLine::Codec, codec));
        lines.push_back(
            LabelledLine(ReportLine::SampleRate, FormatFixed(kilohertz, 1, {}) + " kHz"));
        lines.push_back(LabelledLine(
            ReportLine::Bitrate,
            std::to_string(stream.at("bitrate").get<std::uint64_t>() / 1000) + " kbit/sec"));
        lines.push_back(LabelledLine(ReportLine::StreamDuration, Duration(stream.at("duration"))));
        lines.push_back(LabelledLine(ReportLine::Channels,
                                     std::to_string(channels) + (channels == 1   ? " (mono)"
                                                                 : channels == 2 ? " (stereo)"
                                                                                 : "")));
    }
    return lines;
}

// The number of values jq reads from `lines`, or -1 when it cannot read them all.
int JqCount(const std::string& lines) {
    char pattern[] = "/tmp/zarvo-jq-XXXXXX";
    const int fd = ::mkstemp(pattern);
    EXPECT_GE(fd, 0);
    ::close(fd);
    std::ofstream(pattern, std::ios::binary) << lines;
    const test::ChildResult run = test::RunChild(
        {.program = "/usr/bin/jq", .arguments = {"-c", ".", pattern}, .timeLimitSeconds = 120});
    fs::remove(pattern);
    if (run.exitCode != 0)
        return -1;
    return static_cast<int>(std::count(run.out.begin(), run.out.end(), '\n'));
}

// Every reported file of the JSON run has the text report its numbers give, and the two runs
// name the same files; the JSON run is the same with one job and with two.
void ExpectSameFacts(const fs::path& tree) {
    SCOPED_TRACE(tree.string());
    const test::ChildResult text = RunReport({"-r", "."}, tree);
    const test::ChildResult one = RunReport({"--json", "-j", "1", "-r", "."}, tree);
    const test::ChildResult two = RunReport({"--json", "-j", "2", "-r", "."}, tree);
    EXPECT_EQ(one.out, two.out);
    EXPECT_EQ(one.err, two.err);
    EXPECT_EQ(one.err, text.err) << "standard error is the same with --json";
    EXPECT_EQ(one.exitCode, text.exitCode);

    const std::map<std::string, std::vector<std::string>> reports = TextReports(text.out);
    std::set<std::string> reported;
    std::size_t objects = 0;
    for (const Json& object : JsonLines(one.out)) {
        ++objects;
        const std::string path = PathBytes(object.at("path"));
        if (object.at("outcome") != "reported") {
            EXPECT_EQ(reports.count(path), 0u) << path;
            EXPECT_FALSE(object.at("reason").get<std::string>().empty()) << path;
            continue;
        }
        reported.insert(path);
        const auto found = reports.find(path);
        ASSERT_NE(found, reports.end()) << path << " has no text report";
        const std::string name = fs::path(path).filename().string();
        EXPECT_EQ(LinesOf(object, name), found->second) << path;
    }
    EXPECT_EQ(reported.size(), reports.size());
    EXPECT_GE(objects, reports.size());
    EXPECT_EQ(JqCount(one.out), static_cast<int>(objects)) << "jq reads every line";
}

TEST(JsonReportTest, TheNumbersAreTheTextReportsOnTheFixtures) {
    ExpectSameFacts(kMedia);
}

// Media nobody here made: the two corpora, whose folders the corpora's preparation names.
TEST(JsonCorpusTest, TheNumbersAreTheTextReportsOnTheCorpora) {
    std::ifstream folders(ZARVO_CORPUS_FOLDERS);
    ASSERT_TRUE(folders) << "the corpora were not prepared: no " << ZARVO_CORPUS_FOLDERS;
    int count = 0;
    for (std::string tree; std::getline(folders, tree); ++count)
        ExpectSameFacts(tree);
    EXPECT_EQ(count, 2) << "the Debian media and the modern clips";
}

// Names of bytes that are no UTF-8, controls, quotes and backslashes, and the characters a
// terminal acts on.
const std::vector<std::string> kHostileNames = {
    "latin1-caf\xe9.wav",
    "line\nbreak.wav",
    "tab\tand\x1b[31m.wav",
    "quote\"back\\.wav",
    "csi\x9b"
    "2J.wav",
    "csi-utf8\xc2\x9b.wav",
    "rlo\xe2\x80\xae"
    "vaw.txt.wav",
    "surrogate\xed\xa0\x80.wav",
    "emoji\xf0\x9f\x8e\xac.wav",
    "plain.wav",
    "not media \xff.txt",
};

fs::path MakeHostileTree(const test::ScratchDir& folder) {
    for (const std::string& name : kHostileNames) {
        if (name.ends_with(".txt"))
            std::ofstream(folder.Path() / name) << "no media here\n";
        else
            fs::copy_file(kMedia / "pcm.wav", folder.Path() / name);
    }
    return folder.Path();
}

TEST(JsonReportTest, NamesOfAnyBytesAreFoundAgain) {
    const test::ScratchDir folder;
    const fs::path tree = MakeHostileTree(folder);
    EXPECT_EQ(RunReport({"--json", "-j", "1", "-r", "."}, tree).out,
              RunReport({"--json", "-j", "2", "-r", "."}, tree).out);
    for (const test::StandardOutput output :
         {test::StandardOutput::Pipe, test::StandardOutput::Terminal}) {
        const test::ChildResult run = RunReport({"--json", "-r", "."}, tree, output);
        std::set<std::string> paths;
        for (const Json& object : JsonLines(run.out))
            paths.insert(PathBytes(object.at("path")));
        EXPECT_EQ(paths, std::set<std::string>(kHostileNames.begin(), kHostileNames.end()));
        if (output != test::StandardOutput::Terminal)
            continue;
        for (const char c : run.out) {
            const auto byte = static_cast<unsigned char>(c);
            EXPECT_TRUE(byte == '\n' || byte == '\r' || (byte >= 0x20 && byte < 0x7F))
                << "byte " << int{byte} << " reached the terminal";
        }
    }
}

// jq reads every line, and the man page's example lists exactly the files without audio.
TEST(JsonReportTest, JqReadsEveryLine) {
    const test::ScratchDir folder;
    const fs::path tree = MakeHostileTree(folder);
    fs::copy_file(kMedia / "xvid_mp3.avi", tree / "with audio.avi");
    const test::ChildResult strip =
        test::RunChild({.program = "/usr/bin/ffmpeg",
                        .arguments = {"-v", "error", "-i", (kMedia / "xvid_mp3.avi").string(),
                                      "-an", "-c", "copy", (tree / "video only.avi").string()},
                        .timeLimitSeconds = 60});
    ASSERT_EQ(strip.exitCode, 0) << strip.err;
    const test::ScratchDir output;
    const std::string lines = (output.Path() / "out.jsonl").string();
    const std::string pipeline =
        std::string(ZARVO_REPORT) + " --json -r . 2>/dev/null > " + lines + "; jq -c . " + lines +
        " | wc -l; wc -l < " + lines +
        "; jq -r 'select(.outcome == \"reported\" and all(.streams[]; .kind != \"Audio\" and "
        ".kind != \"Ogg audio\")) | .path' " +
        lines;
    const test::ChildResult run = test::RunChild({.program = "/bin/sh",
                                                  .arguments = {"-c", pipeline},
                                                  .directory = tree,
                                                  .timeLimitSeconds = 60});
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, "13\n13\nvideo only.avi\n")
        << "every line parsed, and only the clip without audio listed";
}

} // namespace
} // namespace zarvo
