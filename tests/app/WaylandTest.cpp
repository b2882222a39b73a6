// The window on Wayland, natively through Qt's Wayland plugin, in a headless weston started for
// the run. Where weston or the plugin is missing the test is skipped and says which.
#include "FormTestSupport.h"

#include <QLibraryInfo>
#include <QWindow>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace zarvo::test {
namespace {

constexpr char kSocket[] = "zarvo-test";

// Why the test cannot run here; empty when weston is up.
std::string skipReason;

// A headless weston in a runtime folder of its own, ended and cleaned away with the run.
class Compositor {
public:
    Compositor() {
        if (!std::filesystem::exists(QLibraryInfo::path(QLibraryInfo::PluginsPath).toStdString() +
                                     "/platforms/libqwayland-generic.so")) {
            skipReason = "Qt's Wayland plugin is not installed (Debian package qt6-wayland)";
            return;
        }
        char folder[] = "/tmp/zarvo-wayland-XXXXXX";
        if (mkdtemp(folder) == nullptr) {
            skipReason = "no runtime folder for weston";
            return;
        }
        runtime_ = folder;
        setenv("XDG_RUNTIME_DIR", folder, 1);
        const std::string log = runtime_ / "weston.log";
        std::string program = "weston";
        std::vector<std::string> arguments = {program, "--backend=headless-backend.so",
                                              std::string("--socket=") + kSocket, "--idle-time=0",
                                              "--log=" + log};
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        if (posix_spawnp(&pid_, "weston", nullptr, nullptr, argv.data(), environ) != 0) {
            pid_ = 0;
            skipReason = "weston is not installed (Debian package weston)";
            return;
        }
        // Up once its socket is there; a weston that ends first has no headless backend.
        for (int tries = 0; tries < 200; ++tries) {
            if (std::filesystem::exists(runtime_ / kSocket))
                return;
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = 0;
                skipReason = "weston did not start with its headless backend; see its log";
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        skipReason = "weston did not open its socket within 10 s";
    }

    ~Compositor() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            int status = 0;
            waitpid(pid_, &status, 0);
        }
        if (!runtime_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(runtime_, ignored);
        }
    }

private:
    pid_t pid_ = 0;
    std::filesystem::path runtime_;
};

class WaylandTest : public FormTest {
protected:
    void SetUp() override {
        if (!skipReason.empty())
            GTEST_SKIP() << "No Wayland here: " << skipReason;
        FormTest::SetUp();
    }
    void TearDown() override {
        if (skipReason.empty())
            FormTest::TearDown();
    }
};

TEST_F(WaylandTest, WindowRunsNativelyAndShowsTheReportOfItsArgument) {
    TForm1& form = MakeForm({kClip});
    form.show();

    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("wayland"));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form, 10000));
    EXPECT_EQ(Memo().toPlainText(), ExpectedReport(kClip));
    EXPECT_EQ(form.windowTitle(), Title(kClip));
    // The compositor gave the window the size of the layout.
    EXPECT_EQ(form.windowHandle()->size(), QSize(509, 261));
}

} // namespace
} // namespace zarvo::test

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests at build time starts no compositor.
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();
    const zarvo::test::Compositor compositor;
    if (!zarvo::test::skipReason.empty())
        return RUN_ALL_TESTS();
    setenv("WAYLAND_DISPLAY", zarvo::test::kSocket, 1);
    setenv("QT_QPA_PLATFORM", "wayland", 1);
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    return RUN_ALL_TESTS();
}
