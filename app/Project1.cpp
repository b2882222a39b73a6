// zarvo: the desktop program that shows what is inside a video file. This part links neither the
// toolkit nor the media library: it answers --help and --version, starts the first reader, and
// only then loads the window module (zarvo-window.so), so that the reader loads the media
// library while the dynamic loader loads the toolkit's libraries, instead of after them.
#include "app/ProgramOptions.h"
#include "app/WindowEntry.h"
#include "reader/ReaderPool.h"
#include "reader/ReaderProcess.h"
#include "report/NumberFormat.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <unistd.h>
#include <utility>

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

// The window module beside the program in a build folder, or in the program's own library
// folder when installed.
std::string WindowModulePath() {
    const std::string folder = zarvo::ProgramFolder();
    const std::string built = folder + "/zarvo-window.so";
    if (::access(built.c_str(), R_OK) == 0)
        return built;
    return folder + "/../" ZARVO_LIBDIR "/zarvo/zarvo-window.so";
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
    // The toolkit takes the locale from the environment as it starts; the readers, started
    // first, need it already to write numbers as the user's locale does.
    std::setlocale(LC_ALL, "");
    std::string readersFailure;
    const std::unique_ptr<zarvo::ReaderPool> readers = StartReaders(readersFailure);

    const std::string modulePath = WindowModulePath();
    void* module = ::dlopen(modulePath.c_str(), RTLD_NOW | RTLD_LOCAL);
    const auto run =
        module == nullptr
            ? nullptr
            : reinterpret_cast<zarvo::WindowEntry>(::dlsym(module, zarvo::kWindowEntryName));
    if (run == nullptr) {
        std::fprintf(stderr, "zarvo: cannot load the windows from %s: %s\n", modulePath.c_str(),
                     ::dlerror());
        return EXIT_FAILURE;
    }
    // The windows and the toolkit are gone when it returns, the clipboard handed over to the
    // desktop; the readers stop after. The module stays loaded: the toolkit's own libraries
    // may still hold exit handlers.
    return run(options, readers.get(), readersFailure);
}
