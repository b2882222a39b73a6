// The program's process-wide values.
#include "app/ProgramState.h"

namespace zarvo {

std::string FileName;
QString ApplicationTitle = QStringLiteral("Zarvo");

} // namespace zarvo
