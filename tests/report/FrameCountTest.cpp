// The frame count the report shows for clips made at test time: the common frame rates in the
// common containers, and files whose container states a count that their rate and length do not
// give.
#include "platform/MediaDet.h"
#include "report/ReportBuilder.h"
#include "support/ChildProcess.h"
#include "support/RecordingView.h"
#include "support/ScratchDir.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace zarvo {
namespace {

using Command = std::vector<std::string>; // a program in /usr/bin, then its arguments

struct Clip {
    std::string name; // the file the last command makes
    std::vector<Command> commands;
    std::string frames; // the count a person playing the clip sees
};

Command Make(const std::string& picture, const std::string& options, const std::string& name) {
    Command command{"ffmpeg",
                    "-nostdin",
                    "-v",
                    "error",
                    "-y",
                    "-threads",
                    "1",
                    "-f",
                    "lavfi",
                    "-i",
                    "testsrc=size=32x32:" + picture};
    for (std::size_t start = 0; start < options.size();) {
        const std::size_t end = std::min(options.find(' ', start), options.size());
        command.push_back(options.substr(start, end - start));
        start = end + 1;
    }
    command.push_back(name);
    return command;
}

std::vector<Clip> Clips() {
    const std::pair<const char*, const char*> rates[] = {
        {"24", "240"}, {"24000/1001", "240"}, {"25", "250"}, {"30000/1001", "300"},
        {"30", "300"}, {"50", "500"},         {"60", "600"},
    };
    const std::pair<const char*, const char*> containers[] = {
        {"mp4", "-c:v libx264 -preset ultrafast"},
        {"mov", "-c:v libx264 -preset ultrafast"},
        {"mkv", "-c:v libx264 -preset ultrafast"},
        {"webm", "-c:v libvpx -deadline realtime -cpu-used 8"},
        {"ts", "-c:v libx264 -preset ultrafast"},
        {"avi", "-c:v mpeg4"},
    };
    std::vector<Clip> clips;
    for (const auto& [rate, frames] : rates) {
        for (const auto& [container, options] : containers) {
            std::string name = std::string(rate) + "." + container;
            std::replace(name.begin(), name.end(), '/', '_');
            clips.push_back({name,
                             {Make("rate=" + std::string(rate) + ":duration=10", options, name)},
                             frames});
        }
    }
    const std::string x264 = "-c:v libx264 -preset ultrafast";
    // 34 of 100 frames over 4 s at 25 a second, counted by mkvmerge's statistics.
    clips.push_back(
        {"vfr-counted.mkv",
         {Make("rate=25:duration=4", x264 + " -vf select=not(mod(n\\,3)) -fps_mode vfr", "vfr.mkv"),
          {"mkvmerge", "-q", "-o", "vfr-counted.mkv", "vfr.mkv"}},
         "34"});
    // 333,667 units of 100 ns a frame, whose rate narrowed to a float makes 978.99998 of 979
    // frames.
    clips.push_back({"ntsc.avi",
                     {Make("rate=10000000/333667", "-frames:v 979 -c:v mpeg4", "ntsc.avi")},
                     "979"});
    // Cut at 2.5 s without re-encoding: the 63 frames before the cut stay in the file for the
    // decoder, and the edit list leaves them out of what is played.
    clips.push_back({"cut.mp4",
                     {Make("rate=25:duration=10", x264, "whole.mp4"),
                      {"ffmpeg", "-nostdin", "-v", "error", "-y", "-ss", "2.5", "-i", "whole.mp4",
                       "-c", "copy", "cut.mp4"}},
                     "187"});
    // The sample tables of the movie header hold the first fragment's 25 samples alone.
    clips.push_back(
        {"fragments.mp4",
         {Make("rate=25:duration=10", x264 + " -g 25 -movflags frag_keyframe", "fragments.mp4")},
         "250"});
    // mkvmerge counted 600 frames; the cut copied that count along with the track.
    clips.push_back({"stale-count.mkv",
                     {Make("rate=60:duration=10", x264, "60.mp4"),
                      {"mkvmerge", "-q", "-o", "60.mkv", "60.mp4"},
                      {"ffmpeg", "-nostdin", "-v", "error", "-y", "-i", "60.mkv", "-t", "5", "-c",
                       "copy", "stale-count.mkv"}},
                     "300"});
    return clips;
}

std::string FramesLine(const std::string& path) {
    test::RecordingView view;
    if (GetFileData(path, view).result != ReportResult::Reported)
        return "no report";
    for (const std::string& line : view.lines)
        if (line.starts_with("  Frames: "))
            return line;
    return "no frames line";
}

TEST(FrameCountTest, ReportShowsTheFramesEachClipHolds) {
    const ClassRegistration detector = RegisterMediaDet();
    const test::ScratchDir folder;
    for (const Clip& clip : Clips()) {
        SCOPED_TRACE(clip.name);
        for (const Command& command : clip.commands) {
            const test::ChildResult made =
                test::RunChild({.program = "/usr/bin/" + command.front(),
                                .arguments = Command(command.begin() + 1, command.end()),
                                .directory = folder.Path(),
                                .timeLimitSeconds = 60});
            ASSERT_EQ(made.exitCode, 0) << test::DescribeEnd(made) << made.err;
        }
        EXPECT_EQ(FramesLine((folder.Path() / clip.name).string()), "  Frames: \t\t" + clip.frames);
    }
}

} // namespace
} // namespace zarvo
