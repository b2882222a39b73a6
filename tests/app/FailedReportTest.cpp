// Reports that cannot be made, and errors that end a report part-way: what the window keeps
// and what it says.
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
using zarvo::test::RegisterScriptedMediaDet;
using zarvo::test::Script;
using zarvo::test::ScriptedStream;

ScriptedStream StreamOfLength(double seconds) {
    ScriptedStream stream;
    stream.length = seconds;
    stream.frameRate = 25;
    return stream;
}

struct FailureCase {
    const char* name;
    const char* file;
    enum { RealDetector, NoStreams, NoDetector } detector;
    const char* message; // what the report shows in a box, if anything
    const char* state;   // what the line above the buttons says
};

class FailedReportTest : public FormTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FailedReportTest, LeavesTextTitleAndCaptionAsTheyWere) {
    MakeForm({kClip}).show();
    const Shown before = Showing();
    Script noStreams;
    ClassRegistration scripted;
    if (GetParam().detector == FailureCase::NoStreams)
        scripted = RegisterScriptedMediaDet(noStreams);
    if (GetParam().detector == FailureCase::NoDetector)
        detector_ = ClassRegistration();
    const std::string file = MediaPath(GetParam().file);

    OpenThroughDialog(QString::fromStdString(file));

    EXPECT_EQ(Showing(), (Shown{before.report, before.caption, before.title, file}));
    EXPECT_EQ(Child<QLabel>("StateLabel")->text().remove(QChar(0x200B)),
              QString::fromUtf8(GetParam().state));
    if (GetParam().message == nullptr) {
        EXPECT_TRUE(desktop_.messages.empty());
        return;
    }
    ASSERT_EQ(desktop_.messages.size(), 1u);
    EXPECT_EQ(desktop_.messages[0].icon, QMessageBox::NoIcon);
    EXPECT_EQ(desktop_.messages[0].caption, Title(kClip));
    EXPECT_EQ(desktop_.messages[0].text, QString::fromLatin1(GetParam().message));
}

INSTANTIATE_TEST_SUITE_P(
    Failures, FailedReportTest,
    ::testing::Values(FailureCase{"NotMedia", "make-fixtures.sh", FailureCase::RealDetector,
                                  nullptr, "Not a media file: make-fixtures.sh"},
                      FailureCase{"Missing", "no-such-clip.avi", FailureCase::RealDetector, nullptr,
                                  "Not read: no-such-clip.avi: no such file"},
                      FailureCase{"NoStreams", "pcm.wav", FailureCase::NoStreams, nullptr,
                                  "Not a media file: pcm.wav"},
                      // The box says it; the line stays empty.
                      FailureCase{"NoDetector", "pcm.wav", FailureCase::NoDetector,
                                  "Media Detector not available", ""}),
    CaseName{});

// ---------------------------------------------------------------------------------------------
// Errors that end a report

TEST_F(FormTest, ErrorPartWayThroughAReportIsShownAndTheLinesSoFarStay) {
    TForm1& form = MakeForm();
    form.show();
    Script script;
    script.streams = {StreamOfLength(2), StreamOfLength(2)};
    script.streams[0].mediaTypeThrows = true;
    const ClassRegistration scripted = RegisterScriptedMediaDet(script);
    const std::string file = MediaPath("pcm.wav");

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

TEST_F(FormTest, ErrorInTheReportOnTheArgumentIsShownAndTheWindowStillWorks) {
    Script script;
    script.streams = {StreamOfLength(2)};
    script.countThrows = true;
    std::optional<ClassRegistration> scripted = RegisterScriptedMediaDet(script);
    TForm1& form = MakeForm({kClip});

    ASSERT_EQ(desktop_.messages.size(), 1u);
    EXPECT_EQ(desktop_.messages[0].icon, QMessageBox::Critical);
    EXPECT_EQ(desktop_.messages[0].caption, QStringLiteral("Zarvo"));
    EXPECT_TRUE(desktop_.messages[0].text.startsWith(QLatin1String(kStreamCountError)));
    EXPECT_EQ(Memo().toPlainText(), kUsageText);

    scripted.reset();
    form.show();
    OpenThroughDialog(QString::fromStdString(kOtherClip));
    EXPECT_EQ(Memo().toPlainText(), ExpectedReport(kOtherClip));
}

} // namespace
} // namespace zarvo::test
