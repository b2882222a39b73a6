// The window when a file's reader is slow or fails (the preloaded fault shim, which reaches the
// reader processes through their environment). During a read that pauses it keeps answering and
// shows that it reads, lets a newer choice win, then shows the whole report. For a read that fails
// or blocks past the stall limit, a reader that crashes, tries what its box forbids, grabs memory
// or loops, it says why in its reading line, keeps its last report, and reads the next file with
// a fresh reader.
#include "app/ProgramState.h"
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "reader/ReaderPool.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace zarvo::test {
namespace {

const std::string kMedia = ZARVO_TEST_MEDIA;
const std::string kFaulty = kMedia + "/mpeg2_mp2.mpg";
// Reported before the faulty file, and after it.
const std::string kBefore = kMedia + "/xvid_mp3.avi";
const std::string kAfter = kMedia + "/pcm.wav";

const QString kReadingFaulty = QStringLiteral("Reading mpeg2_mp2.mpg") + QChar(0x2026);

std::string Expected(const std::string& name) {
    std::ifstream in(std::string(ZARVO_TEST_EXPECTED) + "/" + name + ".txt", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

QString Title(const std::string& path) {
    return QStringLiteral("Zarvo  [") + QString::fromStdString(path) + QLatin1Char(']');
}

// The longest time the event loop went without running a 20 ms timer, while it lives.
class LoopWatch {
public:
    LoopWatch() {
        since_.start();
        ticker_.callOnTimeout([this] { longest_ = std::max(longest_, since_.restart()); });
        ticker_.start(20);
    }
    qint64 LongestMilliseconds() const { return std::max(longest_, since_.elapsed()); }

private:
    QTimer ticker_;
    QElapsedTimer since_;
    qint64 longest_ = 0;
};

// The window's readers, which have the shim in their environment, and a window on them.
class WindowOnFailingReader : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_STREQ(std::getenv("ZARVO_FAULT_FILE"), kFaulty.c_str());
        ReaderPool::Settings settings;
        settings.roots = ReaderPool::Roots::PerRequest;
        settings.format = LocaleFormatSettings();
        settings.program = ZARVO_READER;
        readers_ = std::make_unique<ReaderPool>(std::move(settings));
        services_.runOpenDialog = [this](QFileDialog&) {
            return std::optional<QString>(QString::fromStdString(chosen_));
        };
        services_.showMessage = [this](QMessageBox::Icon, const QString&, const QString& text) {
            messages_ << text;
        };
        services_.startupWait = std::chrono::seconds(10);
    }

    void MakeForm(const std::string& argument) {
        form_ = std::make_unique<TForm1>(std::vector<std::string>{argument}, *readers_, services_);
        form_->show();
    }

    // Chooses `path` through the Open button and comes back at once.
    void Choose(const std::string& path) {
        chosen_ = path;
        Click("OpenButton");
    }
    void Click(const char* button) {
        QTest::mouseClick(form_->findChild<QPushButton*>(QLatin1String(button)), Qt::LeftButton);
    }
    bool WaitForReport() {
        return QTest::qWaitFor([this] { return !form_->Reading(); }, 30000);
    }

    // The reading line, without the invisible marks where a long name may break.
    QString State() const {
        return form_->findChild<QLabel*>(QStringLiteral("StateLabel"))
            ->text()
            .remove(QChar(0x200B));
    }
    QString Report() const {
        return form_->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))->toPlainText();
    }

    TForm1Services services_;
    std::unique_ptr<ReaderPool> readers_;
    std::unique_ptr<TForm1> form_;
    std::string chosen_;
    QStringList messages_;
};

// The faulty file's first read pauses 3 s, within the stall limit; a newer choice is also tried
// on a read that never ends.
using WindowOnSlowRead = WindowOnFailingReader;

TEST_F(WindowOnSlowRead, WindowKeepsWorkingDuringTheReadAndShowsTheWholeReport) {
    ASSERT_STREQ(std::getenv("ZARVO_FAULT"), "stall=0,3000");
    MakeForm(kBefore);
    TAboutForm about(form_.get(), [](const QUrl&) {});
    form_->SetAboutForm(&about);
    const QString before = Report();
    const LoopWatch watch;

    Choose(kFaulty);
    ASSERT_TRUE(QTest::qWaitFor([this] { return State() == kReadingFaulty; }, 2000));
    EXPECT_EQ(form_->cursor().shape(), Qt::WaitCursor);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "the wait cursor is not the window's";
    EXPECT_EQ(Report(), before);
    EXPECT_EQ(form_->windowTitle(), Title(kBefore));
    EXPECT_EQ(FileName, kFaulty);
    // Copy and About answer during the read; Copy takes what the window shows.
    Click("CopyButton");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), before);
    bool aboutShown = false;
    QTimer::singleShot(0, &about, [&] {
        aboutShown = about.isVisible();
        about.reject();
    });
    Click("AboutButton");
    EXPECT_TRUE(aboutShown);
    EXPECT_TRUE(form_->Reading());
    ASSERT_TRUE(WaitForReport());

    EXPECT_EQ(Report().toStdString(), Expected("mpeg2_mp2.mpg"));
    EXPECT_EQ(form_->windowTitle(), Title(kFaulty));
    EXPECT_EQ(State(), QString());
    EXPECT_NE(form_->cursor().shape(), Qt::WaitCursor);
    EXPECT_TRUE(messages_.isEmpty());
    EXPECT_LT(watch.LongestMilliseconds(), 2000) << "the window stood still during the read";
}

TEST_F(WindowOnSlowRead, NewerChoiceReplacesTheFileBeingRead) {
    MakeForm(kBefore);

    Choose(kFaulty);
    ASSERT_TRUE(QTest::qWaitFor([this] { return State() == kReadingFaulty; }, 2000));
    Choose(kAfter);
    ASSERT_TRUE(WaitForReport());
    EXPECT_EQ(Report().toStdString(), Expected("pcm.wav"));
    // The first file's read would have ended by now; nothing of it comes.
    QTest::qWait(3500);

    EXPECT_EQ(Report().toStdString(), Expected("pcm.wav"));
    EXPECT_EQ(form_->windowTitle(), Title(kAfter));
    EXPECT_EQ(FileName, kAfter);
    EXPECT_EQ(State(), QString());
}

TEST_F(WindowOnSlowRead, WindowAppearsReadingWhenTheArgumentsReportIsSlow) {
    services_.startupWait = std::chrono::milliseconds(50);
    form_ = std::make_unique<TForm1>(std::vector<std::string>{kFaulty}, *readers_, services_);

    EXPECT_TRUE(form_->Reading());
    EXPECT_EQ(State(), kReadingFaulty);
    EXPECT_EQ(form_->windowTitle(), QStringLiteral("Zarvo"));
    ASSERT_TRUE(WaitForReport());
    EXPECT_EQ(Report().toStdString(), Expected("mpeg2_mp2.mpg"));
    EXPECT_EQ(form_->windowTitle(), Title(kFaulty));
}

// What the reading line says for each fault, given in the test's environment.
const std::map<std::string, QString>& Refusals() {
    static const std::map<std::string, QString> refusals = {
        {"stall=0,600000", QStringLiteral("Not read: reading stopped: no data came for 1 s")},
        {"eio=0", QStringLiteral("Not read: read error (Input/output error)")},
        {"crash=0", QStringLiteral("Not read: the reader stopped: Segmentation fault")},
        {"forbidden=0", QStringLiteral("Not read: the reader stopped: Bad system call")},
        {"forbidden=5", QStringLiteral("Not read: the reader stopped: Bad system call")},
        {"grab=3072", QStringLiteral("Not read: out of memory")},
        {"spin=0", QStringLiteral("Not read: reading stopped after 3 s of work without reaching "
                                  "the end of the streams' headers")},
    };
    return refusals;
}

// What a taken-over reader would write or make, when the environment names it.
std::vector<std::filesystem::path> ForbiddenOutputs() {
    std::vector<std::filesystem::path> outputs;
    for (const char* name : {"ZARVO_FAULT_WRITE", "ZARVO_FAULT_TOUCH"}) {
        if (const char* path = std::getenv(name))
            outputs.emplace_back(path);
    }
    return outputs;
}

TEST_F(WindowOnFailingReader, FailedReadIsRefusedAndTheWindowGoesOn) {
    const char* fault = std::getenv("ZARVO_FAULT");
    ASSERT_NE(fault, nullptr);
    ASSERT_EQ(Refusals().count(fault), 1u) << fault;
    for (const std::filesystem::path& output : ForbiddenOutputs())
        std::filesystem::remove(output);
    MakeForm(kBefore);
    ASSERT_EQ(Report().toStdString(), Expected("xvid_mp3.avi"));
    const QString before = Report();
    const LoopWatch watch;

    Choose(kFaulty);
    ASSERT_TRUE(WaitForReport());

    EXPECT_EQ(State(), Refusals().at(fault));
    EXPECT_EQ(Report(), before);
    EXPECT_EQ(form_->windowTitle(), Title(kBefore));
    EXPECT_EQ(ApplicationTitle, Title(kBefore));
    EXPECT_EQ(FileName, kFaulty);
    EXPECT_TRUE(form_->isVisible());
    EXPECT_TRUE(messages_.isEmpty());
    EXPECT_LT(watch.LongestMilliseconds(), 2000) << "the window stood still during the read";
    for (const std::filesystem::path& output : ForbiddenOutputs())
        EXPECT_FALSE(std::filesystem::exists(output)) << output;

    // A fresh reader takes the next file.
    Choose(kAfter);
    ASSERT_TRUE(WaitForReport());
    EXPECT_EQ(Report().toStdString(), Expected("pcm.wav"));
    EXPECT_EQ(State(), QString());
}

} // namespace
} // namespace zarvo::test

// Shows texts in failure messages; found by argument lookup, so it stands beside QString.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    // The tests close windows without ending the run.
    QApplication::setQuitOnLastWindowClosed(false);
    return RUN_ALL_TESTS();
}
