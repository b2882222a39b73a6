// The tab stop distance at which the report's values form one column in a given font.
#pragma once

#include <QtGlobal>

class QFontMetricsF;

namespace zarvo {

// The report puts two tabs after its short labels and one after its long ones (the table of
// report/ReportLabels says which), counting on both to reach the second stop. That
// holds when every short label is narrower than one stop and every long label is at least one
// stop wide and narrower than two. The distance lies midway between the widest short label and the
// narrowest long one; in a font where no distance fits, eight average characters, as text boxes
// usually have, are used instead.
qreal ReportTabStop(const QFontMetricsF& metrics);

} // namespace zarvo
