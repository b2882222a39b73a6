// Reports that cannot be made, and errors that end a report part-way: what the window keeps
// and what it says. Reports that no real file gives come from a reader on a scripted detector.
#include "FormTestSupport.h"
#include "support/CaseName.h"
#include "support/ScriptedMediaDet.h"

#include <QGuiApplication>
#include <QLabel>
#include <cerrno>
#include <cstring>

namespace zarvo::test {
namespace {

using test::PrintTo;

using zarvo::test::kMediaTypeError;
using zarvo::test::kStreamCountError;

// The window's readers answer for `file` as the scripted reader's `script` says.
class ScriptedReportTest : public FormTest {
protected:
    void UseScript(const char* script, const std::string& file) {
        qputenv("ZARVO_TEST_SCRIPT", script);
        qputenv("ZARVO_TEST_SCRIPTED_FILE", QByteArray::fromStdString(file));
        readers_ = StartReaders(ZARVO_SCRIPTED_READER);
    }
    void TearDown() override {
        qunsetenv("ZARVO_TEST_SCRIPT");
        qunsetenv("ZARVO_TEST_SCRIPTED_FILE");
        FormTest::TearDown();
    }
};

struct FailureCase {
    const char* name;
    const char* file;
    const char* script; // for the scripted reader; none: the real reader
    const char* state;  // what the line above the buttons says
};

class FailedReportTest : public ScriptedReportTest,
                         public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FailedReportTest, LeavesTextTitleAndCaptionAsTheyWereAndSaysWhy) {
    const std::string file = MediaPath(GetParam().file);
    if (GetParam().script != nullptr)
        UseScript(GetParam().script, file);
    MakeForm({kClip}).show();
    const Shown before = Showing();

    OpenThroughDialog(QString::fromStdString(file));

    EXPECT_EQ(Showing(), (Shown{before.report, before.caption, before.title, file}));
    EXPECT_EQ(Child<QLabel>("StateLabel")->text().remove(QChar(0x200B)),
              QString::fromUtf8(GetParam().state));
    EXPECT_TRUE(desktop_.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Failures, FailedReportTest,
    ::testing::Values(
        FailureCase{"NotMedia", "make-fixtures.sh", nullptr, "Not a media file: make-fixtures.sh"},
        FailureCase{"Missing", "no-such-clip.avi", nullptr,
                    "Not read: no-such-clip.avi: no such file"},
        FailureCase{"NoStreams", "pcm.wav", "no-streams", "Not a media file: pcm.wav"},
        FailureCase{"Unreadable", "pcm.wav", "denied", "Not read: pcm.wav: permission denied"},
        FailureCase{"Damaged", "pcm.wav", "damaged",
                    "Not read: pcm.wav: the media file is damaged or incomplete"}),
    CaseName{});

// ---------------------------------------------------------------------------------------------
// Errors that end a report

TEST_F(ScriptedReportTest, ErrorPartWayThroughAReportIsShownAndTheLinesSoFarStay) {
    const std::string file = MediaPath("pcm.wav");
    UseScript("type-error", file);
    TForm1& form = MakeForm();
    form.show();

    OpenThroughDialog(QString::fromStdString(file));

    ASSERT_EQ(desktop_.messages.size(), 1u);
    const RecordedMessage& error = desktop_.messages[0];
    EXPECT_EQ(error.icon, QMessageBox::Critical);
    EXPECT_EQ(error.caption, Title(file));
    EXPECT_EQ(error.text, QString::fromStdString(std::string(kMediaTypeError) + ": " +
                                                 std::strerror(EIO) + "."));
    EXPECT_EQ(Memo().toPlainText(), QStringLiteral("File:\t\tpcm.wav\nSize:\t\t0 MB\n"
                                                   "Duration:\t\t00:00:02:00\n"));
    EXPECT_EQ(form.windowTitle(), Title(file));
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "the wait cursor outlived the error";
}

TEST_F(ScriptedReportTest, ErrorInTheReportOnTheArgumentIsShownAndTheWindowStillWorks) {
    UseScript("count-error", kClip);
    TForm1& form = MakeForm({kClip});

    ASSERT_EQ(desktop_.messages.size(), 1u);
    EXPECT_EQ(desktop_.messages[0].icon, QMessageBox::Critical);
    EXPECT_EQ(desktop_.messages[0].caption, QStringLiteral("Zarvo"));
    EXPECT_TRUE(desktop_.messages[0].text.startsWith(QLatin1String(kStreamCountError)));
    EXPECT_EQ(Memo().toPlainText(), kUsageText);

    form.show();
    OpenThroughDialog(QString::fromStdString(kOtherClip));
    EXPECT_EQ(Memo().toPlainText(), ExpectedReport(kOtherClip));
}

} // namespace
} // namespace zarvo::test
