// The program's process-wide values: the file being reported on and the application title.
#pragma once

#include <QString>
#include <string>

namespace zarvo {

// The path of the current file as the platform's native bytes; empty until a file is chosen.
// Kept after the report so that the Open dialog starts in its folder next time.
extern std::string FileName;

// The application's title; messages of the program carry it as their caption.
extern QString ApplicationTitle;

} // namespace zarvo
