// The tab stop distance at which the report's values form one column in a given font.
#include "app/ReportTabStops.h"

#include <QFontMetricsF>
#include <algorithm>

namespace zarvo {
namespace {

// The labels of the report's lines, as the report builder writes them before their tabs.
constexpr const char* kTwoTabLabels[] = {
    "File:", "Size:", "Duration:", "  Codec: ", "  Frames: ", "  Ratio: "};
constexpr const char* kOneTabLabels[] = {
    "  Resolution: ",  "  Frames/sec: ",      "  Duration: ", "  Color depth: ",
    "  Sample rate: ", "  Average bitrate: ", "  Channels: "};

} // namespace

qreal ReportTabStop(const QFontMetricsF& metrics) {
    qreal widestShort = 0;
    for (const char* label : kTwoTabLabels)
        widestShort = std::max(widestShort, metrics.horizontalAdvance(QLatin1String(label)));
    qreal narrowestLong = metrics.horizontalAdvance(QLatin1String(kOneTabLabels[0]));
    qreal widestLong = 0;
    for (const char* label : kOneTabLabels) {
        const qreal width = metrics.horizontalAdvance(QLatin1String(label));
        narrowestLong = std::min(narrowestLong, width);
        widestLong = std::max(widestLong, width);
    }
    const qreal stop = (widestShort + narrowestLong) / 2;
    if (widestShort < stop && stop <= narrowestLong && widestLong < 2 * stop)
        return stop;
    return 8 * metrics.averageCharWidth();
}

} // namespace zarvo
