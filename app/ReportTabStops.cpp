// The tab stop distance at which the report's values form one column in a given font.
#include "app/ReportTabStops.h"

#include "report/ReportLabels.h"

#include <QFontMetricsF>
#include <algorithm>
#include <limits>

namespace zarvo {

qreal ReportTabStop(const QFontMetricsF& metrics) {
    qreal widestShort = 0;
    qreal narrowestLong = std::numeric_limits<qreal>::max();
    qreal widestLong = 0;
    for (const ReportLabel& label : ReportLabels()) {
        const qreal width = metrics.horizontalAdvance(
            QLatin1String(label.text.data(), static_cast<qsizetype>(label.text.size())));
        if (label.tabs == 2) {
            widestShort = std::max(widestShort, width);
        } else {
            narrowestLong = std::min(narrowestLong, width);
            widestLong = std::max(widestLong, width);
        }
    }
    const qreal stop = (widestShort + narrowestLong) / 2;
    if (widestShort < stop && stop <= narrowestLong && widestLong < 2 * stop)
        return stop;
    return 8 * metrics.averageCharWidth();
}

} // namespace zarvo
