// While a file is read: the window keeps working, shows that it reads, lets a newer choice win,
// says why a read was given up, and takes Enter on its buttons.
#include "FormTestSupport.h"
#include "HeldReads.h"
#include "app/Unit2.h"
#include "platform/HResult.h"
#include "support/ScriptedMediaDet.h"

#include <QLabel>
#include <QTimer>
#include <cerrno>

namespace zarvo::test {
namespace {

const std::string kHeld = kOtherClip;

class ReadingTest : public FormTest {
protected:
    void SetUp() override {
        FormTest::SetUp();
        script_.streams.resize(1);
        script_.streams[0].length = 2;
        script_.beforeOpen = [this](std::string_view path) { gate_.WaitIfHeld(path); };
        gated_ = RegisterScriptedMediaDet(script_);
    }
    void TearDown() override {
        gate_.Release();
        FormTest::TearDown();
    }

    // The report that the scripted detector gives for `path`.
    static QString ScriptedReport(const std::string& path) {
        RecordingView view;
        GetFileData(path, view, LocaleFormatSettings());
        return QString::fromStdString(view.Text());
    }

    // Chooses `path` in the Open dialog and comes back at once, whether or not it is read.
    void ChooseWithoutWaiting(const std::string& path) {
        desktop_.answer = [path](QFileDialog&) {
            return std::optional<QString>(QString::fromStdString(path));
        };
        QTest::mouseClick(&Button("OpenButton"), Qt::LeftButton);
    }

    // The state line, without the invisible marks where a long name may break.
    QString State() { return Child<QLabel>("StateLabel")->text().remove(QChar(0x200B)); }

    Script script_;
    ReadGate gate_{kHeld};
    ClassRegistration gated_;
};

TEST_F(ReadingTest, WindowKeepsWorkingWhileAReadIsHeldAndShowsTheReportWhenItEnds) {
    TForm1& form = MakeForm({kClip});
    TAboutForm about(&form, [](const QUrl&) {});
    form.SetAboutForm(&about);
    form.show();
    const Shown before = Showing();

    ChooseWithoutWaiting(kHeld);
    ASSERT_TRUE(QTest::qWaitFor([this] { return gate_.Holding(); }, 5000));
    int ticks = 0;
    QTimer ticker;
    ticker.callOnTimeout([&ticks] { ++ticks; });
    ticker.start(10);
    QTest::qWait(400);

    EXPECT_GE(ticks, 10) << "the event loop stood still during the read";
    EXPECT_EQ(State(), QStringLiteral("Reading mjpeg_pcm.avi") + QChar(0x2026));
    EXPECT_EQ(form.cursor().shape(), Qt::WaitCursor);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "the wait cursor is not the window's";
    EXPECT_EQ(Showing(), (Shown{before.report, before.caption, before.title, kHeld}));
    // Copy and About answer during the read; Copy takes what the window shows.
    QTest::mouseClick(&Button("CopyButton"), Qt::LeftButton);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), before.report);
    bool aboutShown = false;
    QTimer::singleShot(0, &about, [&] {
        aboutShown = about.isVisible();
        about.reject();
    });
    QTest::mouseClick(&Button("AboutButton"), Qt::LeftButton);
    EXPECT_TRUE(aboutShown);
    EXPECT_TRUE(form.Reading());

    gate_.Release();
    WaitForReport();

    EXPECT_EQ(Memo().toPlainText(), ScriptedReport(kHeld));
    EXPECT_EQ(form.windowTitle(), Title(kHeld));
    EXPECT_EQ(State(), QString());
    EXPECT_NE(form.cursor().shape(), Qt::WaitCursor);
}

TEST_F(ReadingTest, NewerChoiceReplacesTheFileBeingRead) {
    TForm1& form = MakeForm();
    form.show();

    ChooseWithoutWaiting(kHeld);
    ASSERT_TRUE(QTest::qWaitFor([this] { return gate_.Holding(); }, 5000));
    OpenThroughDialog(QString::fromStdString(kThirdClip));
    EXPECT_EQ(Memo().toPlainText(), ScriptedReport(kThirdClip));
    // The first file's report comes after the second's and is thrown away.
    gate_.Release();
    ASSERT_TRUE(QTest::qWaitFor([] { return !ReportJob::AnyRunning(); }, 10000));
    QCoreApplication::sendPostedEvents();

    EXPECT_EQ(Showing(), (Shown{ScriptedReport(kThirdClip), Title(kThirdClip), Title(kThirdClip),
                                kThirdClip}));
    EXPECT_EQ(State(), QString());
}

TEST_F(ReadingTest, WindowAppearsReadingWhenTheArgumentsReportIsSlow) {
    TForm1Services services = desktop_.Services();
    services.startupWait = std::chrono::milliseconds(50);
    form_ = std::make_unique<TForm1>(std::vector<std::string>{kHeld}, services);

    EXPECT_TRUE(form_->Reading());
    EXPECT_EQ(State(), QStringLiteral("Reading mjpeg_pcm.avi") + QChar(0x2026));
    EXPECT_EQ(Memo().toPlainText(), kUsageText);
    EXPECT_EQ(form_->windowTitle(), QStringLiteral("Zarvo"));

    gate_.Release();
    WaitForReport();
    EXPECT_EQ(Memo().toPlainText(), ScriptedReport(kHeld));
    EXPECT_EQ(form_->windowTitle(), Title(kHeld));
}

struct RefusalCase {
    const char* name;
    HRESULT status;
    const char* state; // what the window says; empty when it stays quiet
};

void PrintTo(const RefusalCase& tested, std::ostream* out) {
    *out << tested.name;
}

class RefusedReadTest : public FormTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusedReadTest, SaysWhyAndKeepsTheLastReport) {
    MakeForm({kClip}).show();
    const Shown before = Showing();
    Script refusing;
    refusing.openStatus = GetParam().status;
    std::optional<ClassRegistration> scripted = RegisterScriptedMediaDet(refusing);

    OpenThroughDialog(QString::fromStdString(kOtherClip));

    EXPECT_EQ(Child<QLabel>("StateLabel")->text().remove(QChar(0x200B)),
              QString::fromUtf8(GetParam().state));
    EXPECT_EQ(Showing(), (Shown{before.report, before.caption, before.title, kOtherClip}));
    EXPECT_TRUE(desktop_.messages.empty());
    // The next report that is made clears the line.
    scripted.reset();
    OpenThroughDialog(QString::fromStdString(kThirdClip));
    EXPECT_EQ(Child<QLabel>("StateLabel")->text(), QString());
    EXPECT_EQ(Memo().toPlainText(), ExpectedReport(kThirdClip));
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, RefusedReadTest,
    ::testing::Values(
        RefusalCase{"Stalled", ZARVO_E_READ_STALLED,
                    "Not read: reading stopped: no data came for 10 s"},
        RefusalCase{"ReadError", ReadErrorStatus(EIO), "Not read: read error (Input/output error)"},
        RefusalCase{"Changed", ZARVO_E_FILE_CHANGED,
                    "Not read: the file changed while it was read"},
        RefusalCase{"WorkLimit", ZARVO_E_WORK_LIMIT,
                    "Not read: reading stopped after 3 s of work without reaching the end of the "
                    "streams' headers"},
        RefusalCase{"NotMedia", VFW_E_UNKNOWN_FILE_TYPE, "Not a media file: mjpeg_pcm.avi"},
        RefusalCase{"Missing", E_FILE_NOT_FOUND, "Not read: mjpeg_pcm.avi: no such file"},
        RefusalCase{"Unreadable", E_ACCESSDENIED, "Not read: mjpeg_pcm.avi: permission denied"},
        RefusalCase{"Damaged", VFW_E_INVALID_FILE_FORMAT,
                    "Not read: mjpeg_pcm.avi: the media file is damaged or incomplete"}),
    [](const auto& row) { return std::string(row.param.name); });

// ---------------------------------------------------------------------------------------------
// Keys on the buttons

struct KeyCase {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
};

void PrintTo(const KeyCase& tested, std::ostream* out) {
    *out << tested.name;
}

class ButtonKeyTest : public FormTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(ButtonKeyTest, PressesTheFocusedButton) {
    TForm1& form = MakeForm();
    TAboutForm about(&form, [](const QUrl&) {});
    form.SetAboutForm(&about);
    form.show();
    Button("AboutButton").setFocus();
    bool aboutShown = false;
    QTimer::singleShot(0, &about, [&] {
        aboutShown = about.isVisible();
        about.reject();
    });

    QTest::keyClick(&Button("AboutButton"), GetParam().key, GetParam().modifiers);

    EXPECT_TRUE(aboutShown);
}

INSTANTIATE_TEST_SUITE_P(Keys, ButtonKeyTest,
                         ::testing::Values(KeyCase{"Space", Qt::Key_Space, Qt::NoModifier},
                                           KeyCase{"Enter", Qt::Key_Return, Qt::NoModifier},
                                           KeyCase{"KeypadEnter", Qt::Key_Enter,
                                                   Qt::KeypadModifier}),
                         [](const auto& row) { return std::string(row.param.name); });

} // namespace
} // namespace zarvo::test
