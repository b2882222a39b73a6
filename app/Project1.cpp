// zarvo: the desktop program that shows what is inside a video file.
#include "app/AccessibleRoles.h"
#include "app/ProgramIcon.h"
#include "app/ProgramOptions.h"
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
#include <string_view>
#include <utility>
#include <vector>

namespace {

int RunProgram(zarvo::ProgramOptions options) {
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
    zarvo::SilenceMediaLibraryLog();
    const zarvo::ClassRegistration mediaDetector = zarvo::RegisterMediaDet();

    zarvo::ApplicationTitle = QStringLiteral("Zarvo");
    // A program can be started with no arguments at all, not even its own name.
    std::vector<std::string> arguments(argc > 1 ? argv + 1 : argv, argc > 1 ? argv + argc : argv);
    arguments.insert(arguments.end(), options.files.begin(), options.files.end());
    zarvo::TForm1 form1(arguments);
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
    // The windows and the toolkit are gone here, the clipboard handed over to the desktop.
    const int code = RunProgram(std::move(options));
    // A report thread may be blocked for good in a read of a hung mount. The process ends
    // without waiting for it and without destroying what it may still use.
    if (zarvo::ReportJob::AnyRunning()) {
        std::fflush(nullptr);
        std::_Exit(code);
    }
    return code;
}
