// The window natively on Wayland, in a headless weston started for the run; skipped, saying why,
// where weston or Qt's Wayland plugin is missing.
#include "FormTestSupport.h"

#include <QLibraryInfo>
#include <csignal>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace zarvo::test {
namespace {

constexpr char kSocket[] = "zarvo-test";
std::string skipReason;

// Starts weston in `runtime`; its process, or 0 with skipReason set.
pid_t StartWeston(const std::filesystem::path& runtime) {
    const std::string plugin = QLibraryInfo::path(QLibraryInfo::PluginsPath).toStdString() +
                               "/platforms/libqwayland-generic.so";
    if (!std::filesystem::exists(plugin)) {
        skipReason = "Qt's Wayland plugin is not installed (Debian package qt6-wayland)";
        return 0;
    }
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    std::string arguments[] = {"weston", "--backend=headless-backend.so",
                               std::string("--socket=") + kSocket, "--idle-time=0",
                               "--log=" + (runtime / "weston.log").string()};
    char* argv[] = {arguments[0].data(), arguments[1].data(), arguments[2].data(),
                    arguments[3].data(), arguments[4].data(), nullptr};
    pid_t weston = 0;
    if (posix_spawnp(&weston, "weston", nullptr, nullptr, argv, environ) != 0) {
        skipReason = "weston is not installed (Debian package weston)";
        return 0;
    }
    for (int tries = 0; tries < 200 && !std::filesystem::exists(runtime / kSocket); ++tries) {
        int status = 0;
        if (waitpid(weston, &status, WNOHANG) == weston) {
            skipReason = "weston ended without opening its socket (no headless backend?)";
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return weston;
}

class WaylandTest : public FormTest {
protected:
    void SetUp() override {
        if (!skipReason.empty())
            GTEST_SKIP() << "No Wayland here: " << skipReason;
        FormTest::SetUp();
    }
};

TEST_F(WaylandTest, WindowRunsNativelyAndShowsTheReportOfItsArgument) {
    TForm1& form = MakeForm({kClip});
    form.show();

    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("wayland"));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form, 10000));
    EXPECT_EQ(Memo().toPlainText(), ExpectedReport(kClip));
    EXPECT_EQ(form.windowTitle(), Title(kClip));
}

} // namespace
} // namespace zarvo::test

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests at build time starts no compositor.
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();
    char folder[] = "/tmp/zarvo-wayland-XXXXXX";
    if (mkdtemp(folder) == nullptr)
        return 1;
    const pid_t weston = zarvo::test::StartWeston(folder);
    int result = 0;
    if (weston == 0) {
        result = RUN_ALL_TESTS();
    } else {
        setenv("WAYLAND_DISPLAY", zarvo::test::kSocket, 1);
        setenv("QT_QPA_PLATFORM", "wayland", 1);
        QApplication application(argc, argv);
        result = RUN_ALL_TESTS();
    }
    if (weston != 0) {
        kill(weston, SIGTERM);
        waitpid(weston, nullptr, 0);
    }
    std::filesystem::remove_all(folder);
    return result;
}
