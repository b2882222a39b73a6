// A whole run of the window that uses every command, with HOME and the XDG folders pointed at
// a fresh empty folder: afterwards the folder is still empty. The toolkit is started here, after
// the folders are set, so that its components see them as the program's would.
#include "app/ProgramState.h"
#include "app/ToolkitSettings.h"
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "reader/ReaderPool.h"

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace zarvo::test {
namespace {

namespace fs = std::filesystem;

const std::string kClip = std::string(ZARVO_TEST_MEDIA) + "/xvid_mp3.avi";
const std::string kOtherClip = std::string(ZARVO_TEST_MEDIA) + "/pcm.wav";

// Everything below `folder`, for the failure message.
std::string Listing(const fs::path& folder) {
    std::string listing;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder))
        listing += entry.path().string() + "\n";
    return listing;
}

void Press(TForm1& form, const char* button) {
    QTest::mouseClick(form.findChild<QPushButton*>(QLatin1String(button)), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&form] { return !form.Reading(); }, 10000));
}

// The program's whole run: the Open dialog, a drop, Copy, About, Exit.
void UseEveryCommand() {
    KeepNoToolkitSettings();
    int argc = 1;
    char name[] = "zarvo";
    char* argv[] = {name, nullptr};
    ReaderPool::Settings settings;
    settings.roots = ReaderPool::Roots::PerRequest;
    settings.format = LocaleFormatSettings();
    settings.program = ZARVO_READER;
    ReaderPool readers(std::move(settings));
    QApplication application(argc, argv);
    TForm1 form({}, readers);
    TAboutForm about(&form, [](const QUrl&) {});
    form.SetAboutForm(&about);
    form.show();

    // The toolkit's own dialog, run modally, lists the fixtures' folder and hands back a clip.
    QTimer chooser;
    chooser.callOnTimeout([&chooser, &form] {
        auto* dialog = form.findChild<QFileDialog*>();
        if (dialog == nullptr || !dialog->isVisible())
            return;
        chooser.stop();
        dialog->setDirectory(QString::fromLatin1(ZARVO_TEST_MEDIA));
        // The name is typed once the folder is listed, as a person would.
        QTimer::singleShot(300, dialog, [dialog] {
            auto* nameEdit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(nameEdit, nullptr);
            nameEdit->setText(QStringLiteral("xvid_mp3.avi"));
            static_cast<QDialog*>(dialog)->done(QDialog::Accepted);
        });
    });
    chooser.start(50);
    Press(form, "OpenButton");
    EXPECT_EQ(FileName, kClip);

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(kOtherClip))});
    QDragEnterEvent enter(QPoint(200, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &enter);
    QDropEvent drop(QPoint(200, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &drop);
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(QTest::qWaitFor([&form] { return !form.Reading(); }, 10000));
    EXPECT_EQ(FileName, kOtherClip);

    Press(form, "CopyButton");
    EXPECT_TRUE(
        QGuiApplication::clipboard()->text().startsWith(QStringLiteral("File:\t\tpcm.wav")));

    QTimer closer;
    closer.callOnTimeout([&about] {
        if (about.isVisible())
            about.accept();
    });
    closer.start(50);
    Press(form, "AboutButton");
    closer.stop();
    Press(form, "ExitButton");
    EXPECT_FALSE(form.isVisible());
}

TEST(NoWriteTest, RunOfTheWindowLeavesAFreshHomeEmpty) {
    const fs::path home = std::getenv("HOME");
    ASSERT_TRUE(fs::is_empty(home)) << Listing(home);

    UseEveryCommand();

    EXPECT_TRUE(fs::is_empty(home)) << Listing(home);
}

} // namespace
} // namespace zarvo::test

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // A fresh home for this run, and every folder the XDG rules name inside it.
    std::string pattern = (std::filesystem::temp_directory_path() / "zarvo-home-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        return 1;
    const std::string home = pattern;
    ::setenv("HOME", home.c_str(), 1);
    for (const char* folder :
         {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"})
        ::unsetenv(folder);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const int result = RUN_ALL_TESTS();
    std::filesystem::remove_all(home);
    return result;
}
