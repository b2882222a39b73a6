// The one table of the report's labels: the builder writes them, the window sets its tab stops
// from them and zarvo-report finds the file name's line by them.
#include "report/ReportLabels.h"

#include <array>
#include <cassert>

namespace zarvo {
namespace {

// clang-format off
constexpr std::array<ReportLabel, 13> kLabels{{
    {ReportLine::FileName, "File:", 2},
    {ReportLine::FileSize, "Size:", 2},
    {ReportLine::FileDuration, "Duration:", 2},
    {ReportLine::Resolution, "  Resolution: ", 1},
    {ReportLine::Codec, "  Codec: ", 2},
    {ReportLine::Frames, "  Frames: ", 2},
    {ReportLine::FrameRate, "  Frames/sec: ", 1},
    {ReportLine::StreamDuration, "  Duration: ", 1},
    {ReportLine::ColorDepth, "  Color depth: ", 1},
    {ReportLine::Ratio, "  Ratio: ", 2},
    {ReportLine::SampleRate, "  Sample rate: ", 1},
    {ReportLine::Bitrate, "  Average bitrate: ", 1},
    {ReportLine::Channels, "  Channels: ", 1},
}};
// clang-format on

constexpr bool InEnumerationOrder() {
    for (std::size_t i = 0; i < kLabels.size(); ++i)
        if (static_cast<std::size_t>(kLabels[i].line) != i)
            return false;
    return true;
}
static_assert(InEnumerationOrder(), "LabelOf indexes the table by the enumeration");

} // namespace

std::span<const ReportLabel> ReportLabels() {
    return kLabels;
}

const ReportLabel& LabelOf(ReportLine line) {
    const auto index = static_cast<std::size_t>(line);
    assert(index < kLabels.size());
    return kLabels[index];
}

std::string LabelledLine(ReportLine line, std::string_view value) {
    const ReportLabel& label = LabelOf(line);
    std::string text(label.text);
    text.append(static_cast<std::size_t>(label.tabs), '\t');
    text += value;
    return text;
}

} // namespace zarvo
