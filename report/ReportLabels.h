// The labels of the report's lines and the tabs that follow each, kept in one table.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace zarvo {

// Every line of the report that puts a value after a label.
enum class ReportLine {
    FileName,
    FileSize,
    FileDuration,
    Resolution,
    Codec,
    Frames,
    FrameRate,
    StreamDuration,
    ColorDepth,
    Ratio,
    SampleRate,
    Bitrate,
    Channels,
};

struct ReportLabel {
    ReportLine line;
    std::string_view text; // what comes before the tabs, spaces included
    int tabs;              // 2 after a label narrower than one tab stop, 1 after a wider one
};

// One row for each line, in the order of the enumeration.
std::span<const ReportLabel> ReportLabels();

const ReportLabel& LabelOf(ReportLine line);

// The label of `line`, its tabs, then `value`.
std::string LabelledLine(ReportLine line, std::string_view value);

} // namespace zarvo
