// The window on storage whose real read() sleeps (the preloaded fault shim): it keeps answering,
// shows the report of a read that pauses, and refuses one that blocks past the stall limit.
#include "app/ProgramState.h"
#include "app/ReportJob.h"
#include "app/Unit1.h"
#include "platform/MediaDet.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

namespace zarvo::test {
namespace {

const std::string kClip = std::string(ZARVO_TEST_MEDIA) + "/mpeg2_mp2.mpg";

std::string Expected() {
    std::ifstream in(std::string(ZARVO_TEST_EXPECTED) + "/mpeg2_mp2.mpg.txt", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
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

class WindowOnSlowStorage : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_STREQ(std::getenv("ZARVO_FAULT_FILE"), kClip.c_str());
        detector_ = RegisterMediaDet();
        TForm1Services services;
        services.runOpenDialog = [](QFileDialog&) {
            return std::optional<QString>(QString::fromStdString(kClip));
        };
        services.showMessage = [this](QMessageBox::Icon, const QString&, const QString& text) {
            messages_ << text;
        };
        form_ = std::make_unique<TForm1>(std::vector<std::string>{}, services);
        form_->show();
        QTest::mouseClick(form_->findChild<QPushButton*>(QStringLiteral("OpenButton")),
                          Qt::LeftButton);
    }

    QString State() const {
        return form_->findChild<QLabel*>(QStringLiteral("StateLabel"))
            ->text()
            .remove(QChar(0x200B));
    }
    QString Report() const {
        return form_->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))->toPlainText();
    }

    ClassRegistration detector_;
    std::unique_ptr<TForm1> form_;
    QStringList messages_;
};

TEST_F(WindowOnSlowStorage, ReadThatPausesWithinTheLimitIsReportedWhole) {
    ASSERT_STREQ(std::getenv("ZARVO_FAULT"), "stall=0,3000");
    const LoopWatch watch;

    EXPECT_TRUE(QTest::qWaitFor(
        [this] { return State() == QStringLiteral("Reading mpeg2_mp2.mpg") + QChar(0x2026); },
        2000));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !form_->Reading(); }, 20000));

    EXPECT_EQ(Report().toStdString(), Expected());
    EXPECT_EQ(State(), QString());
    EXPECT_TRUE(messages_.isEmpty());
    EXPECT_LT(watch.LongestMilliseconds(), 2000) << "the window stood still during the read";
}

TEST_F(WindowOnSlowStorage, ReadBlockedPastTheLimitIsRefusedWhileItStillBlocks) {
    ASSERT_STREQ(std::getenv("ZARVO_FAULT"), "stall=0,600000");
    ASSERT_STREQ(std::getenv("ZARVO_STALL_LIMIT_MS"), "1000") << "the limit is not waited out";
    const QString usage = Report();
    const LoopWatch watch;

    ASSERT_TRUE(QTest::qWaitFor([this] { return !form_->Reading(); }, 20000));

    EXPECT_EQ(State(), QStringLiteral("Not read: reading stopped: no data came for 1 s"));
    EXPECT_EQ(Report(), usage);
    EXPECT_EQ(form_->windowTitle(), QStringLiteral("Zarvo"));
    EXPECT_TRUE(ReportJob::AnyRunning()) << "the read was meant to be still blocked";
    EXPECT_LT(watch.LongestMilliseconds(), 2000) << "the window stood still during the read";
}

} // namespace
} // namespace zarvo::test

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    const int result = RUN_ALL_TESTS();
    // A report thread blocked in the shim's read is left behind, as the program leaves it.
    std::fflush(nullptr);
    std::_Exit(result);
}
