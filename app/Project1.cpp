// zarvo: the desktop program that shows what is inside a video file.
#include "app/AccessibleRoles.h"
#include "app/ErrorText.h"
#include "app/ProgramIcon.h"
#include "app/ProgramOptions.h"
#include "app/ProgramState.h"
#include "app/ToolkitSettings.h"
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "reader/ReaderPool.h"

#include <QApplication>
#include <QMessageBox>
#include <clocale>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// The window's readers: each report gets a reader of its own, which may read nothing but the file
// chosen. One waits ready, so that a report never waits for a program to start.
std::unique_ptr<zarvo::ReaderPool> StartReaders(std::string& failure) {
    zarvo::ReaderPool::Settings settings;
    settings.roots = zarvo::ReaderPool::Roots::PerRequest;
    settings.readers = 1;
    settings.format = zarvo::LocaleFormatSettings();
    try {
        return std::make_unique<zarvo::ReaderPool>(std::move(settings));
    } catch (const std::exception& error) {
        failure = error.what();
        return nullptr;
    }
}

int RunProgram(zarvo::ProgramOptions options) {
    zarvo::KeepNoToolkitSettings();
    // The toolkit takes the locale from the environment as it starts; the readers, started
    // first, need it already to write numbers as the user's locale does.
    std::setlocale(LC_ALL, "");
    // The first reader starts while the toolkit does, so that the report on a file named on the
    // command line is ready about as soon as the window.
    std::string readersFailure;
    const std::unique_ptr<zarvo::ReaderPool> readers = StartReaders(readersFailure);

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

} // namespace

int main(int argc, char** argv) {
    zarvo::ProgramOptions options = zarvo::ReadProgramOptions({argv, argv + argc});
    // Answered before the toolkit starts, so that they work without a display.
    if (options.request == zarvo::ProgramOptions::Request::Help) {
        const std::string_view usage = zarvo::ProgramUsage();
        std::fwrite(usage.data(), 1, usage.size(), stdout);
        return std::fflush(stdout) == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
    }
    if (options.request == zarvo::ProgramOptions::Request::Version) {
        std::puts("zarvo " ZARVO_VERSION);
        return std::fflush(stdout) == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
    }
    // The windows and the toolkit are gone here, the clipboard handed over to the desktop, and
    // every reader stopped.
    return RunProgram(std::move(options));
}
