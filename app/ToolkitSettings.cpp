// No settings file for the toolkit's components.
#include "app/ToolkitSettings.h"

#include <QSettings>

namespace zarvo {

void KeepNoToolkitSettings() {
    // "/dev/null" is no folder and cannot become one, so a settings file below it can be neither
    // read nor written; the toolkit then keeps its values in memory for the run.
    const QString nowhere = QStringLiteral("/dev/null");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, nowhere);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, nowhere);
}

} // namespace zarvo
