// The window module of zarvo (see Project1.cpp): the toolkit and the windows, loaded once the
// program has started its first reader, so that the reader loads the media library while the
// toolkit's libraries load here.
#include "app/AccessibleRoles.h"
#include "app/ErrorText.h"
#include "app/ProgramIcon.h"
#include "app/ProgramState.h"
#include "app/ToolkitSettings.h"
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/WindowEntry.h"
#include "reader/ReaderPool.h"

#include <QApplication>
#include <QMessageBox>
#include <string>
#include <type_traits>
#include <vector>

// The module's entry (see WindowEntry); its type is checked against the program's below.
extern "C" __attribute__((visibility("default"))) int
zarvo_run_window(zarvo::ProgramOptions& options, zarvo::ReaderPool* readers,
                 const std::string& readersFailure) {
    zarvo::KeepNoToolkitSettings();

    // The toolkit takes its own options (such as -platform) out of the arguments before "--"
    // here, so what remains are the program's arguments, still as the raw bytes the shell passed.
    std::vector<char*> toolkitArgv;
    for (std::string& argument : options.toolkitArguments)
        toolkitArgv.push_back(argument.data());
    toolkitArgv.push_back(nullptr);
    int argc = static_cast<int>(options.toolkitArguments.size());
    char** argv = toolkitArgv.data();
    QApplication application(argc, argv);
    zarvo::InstallAccessibleRoles();
    QApplication::setApplicationName(QStringLiteral("zarvo"));
    QApplication::setApplicationVersion(QStringLiteral(ZARVO_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("zarvo"));
    QApplication::setWindowIcon(zarvo::ProgramIcon());

    zarvo::ApplicationTitle = QStringLiteral("Zarvo");
    if (readers == nullptr) {
        // Without its reader program the installation is broken: no file could be read.
        QMessageBox::critical(nullptr, zarvo::ApplicationTitle,
                              QString::fromStdString(zarvo::ErrorMessageText(readersFailure)));
        return 1;
    }
    // A program can be started with no arguments at all, not even its own name.
    std::vector<std::string> arguments(argc > 1 ? argv + 1 : argv, argc > 1 ? argv + argc : argv);
    arguments.insert(arguments.end(), options.files.begin(), options.files.end());
    zarvo::TForm1 form1(arguments, *readers);
    zarvo::TAboutForm aboutForm(&form1);
    form1.SetAboutForm(&aboutForm);
    form1.show();
    return QApplication::exec();
}

static_assert(std::is_same_v<decltype(&zarvo_run_window), zarvo::WindowEntry>);
