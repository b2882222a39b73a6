// zarvo: the desktop program that shows what is inside a video file.
#include "app/ProgramIcon.h"
#include "app/ProgramState.h"
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "platform/MediaDet.h"

#include <QApplication>
#include <string>
#include <vector>

int main(int argc, char** argv) {
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
