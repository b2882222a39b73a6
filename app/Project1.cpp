// zarvo: the desktop program that shows what is inside a video file.
#include "app/ProgramIcon.h"
#include "app/ProgramState.h"
#include "app/ReportJob.h"
#include "app/ToolkitSettings.h"
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "platform/MediaDet.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

int RunProgram(int argc, char** argv) {
    zarvo::KeepNoToolkitSettings();
    // The toolkit takes its own options (such as -platform) out of argv here, so what remains
    // are the program's arguments, still as the raw bytes the shell passed.
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zarvo"));
    QApplication::setApplicationVersion(QStringLiteral(ZARVO_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("zarvo"));
    QApplication::setWindowIcon(zarvo::ProgramIcon());
    zarvo::SilenceMediaLibraryLog();
    const zarvo::ClassRegistration mediaDetector = zarvo::RegisterMediaDet();

    zarvo::ApplicationTitle = QStringLiteral("Zarvo");
    // A program can be started with no arguments at all, not even its own name.
    const std::vector<std::string> arguments(argc > 1 ? argv + 1 : argv,
                                             argc > 1 ? argv + argc : argv);
    zarvo::TForm1 form1(arguments);
    zarvo::TAboutForm aboutForm(&form1);
    form1.SetAboutForm(&aboutForm);
    form1.show();
    return QApplication::exec();
}

} // namespace

int main(int argc, char** argv) {
    // The windows and the toolkit are gone here, the clipboard handed over to the desktop.
    const int code = RunProgram(argc, argv);
    // A report thread may be blocked for good in a read of a hung mount. The process ends
    // without waiting for it and without destroying what it may still use.
    if (zarvo::ReportJob::AnyRunning()) {
        std::fflush(nullptr);
        std::_Exit(code);
    }
    return code;
}
