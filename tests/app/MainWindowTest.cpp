// The main window driven through its own widgets: start, drops, Open, Copy, failures and errors.
#include "FormTestSupport.h"
#include "app/Unit2.h"
#include "support/ScriptedMediaDet.h"

#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFileSystemModel>
#include <QHelpEvent>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTimer>
#include <QToolTip>
#include <cstring>
#include <filesystem>

namespace zarvo::test {
namespace {

using zarvo::testing::kMediaTypeError;
using zarvo::testing::kStreamCountError;
using zarvo::testing::RegisterScriptedMediaDet;
using zarvo::testing::Script;
using zarvo::testing::ScriptedStream;

ScriptedStream StreamOfLength(double seconds) {
    ScriptedStream stream;
    stream.length = seconds;
    stream.frameRate = 25;
    return stream;
}

const std::string kClip = MediaPath("xvid_mp3.avi");
const std::string kOtherClip = MediaPath("mjpeg_pcm.avi");
const std::string kThirdClip = MediaPath("pcm.wav");

// A folder of the test's own, removed with everything in it, names that are not valid UTF-8 too.
class ScratchFolder {
public:
    ScratchFolder() { std::filesystem::create_directory(path_); }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }

private:
    QTemporaryDir made_;
    std::string path_ = QFile::encodeName(made_.path()).toStdString() + "/files";
};

std::string NativePath(const ScratchFolder& directory, const std::string& name) {
    return directory.path() + "/" + name;
}

// A copy of a fixture clip under another name, made in a folder of the test's own.
std::string CopyClip(const ScratchFolder& directory, const std::string& name,
                     const std::string& clip = kClip) {
    const std::string path = NativePath(directory, name);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::filesystem::copy_file(clip, path);
    return path;
}

QUrl FileUrl(const std::string& path) {
    return QUrl::fromEncoded("file://" + QByteArray::fromStdString(path).toPercentEncoding("/"));
}

// ---------------------------------------------------------------------------------------------
// Program start

TEST_F(FormTest, WithoutArgumentShowsTheUsageLinesUnderTheCaptionZarvo) {
    TForm1& form = MakeForm();
    form.show();

    EXPECT_EQ(Memo().toPlainText(), kUsageText);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Zarvo"));
    EXPECT_EQ(ApplicationTitle, QStringLiteral("Zarvo"));
    EXPECT_TRUE(FileName.empty());
    EXPECT_TRUE(desktop_.messages.empty());
}

TEST_F(FormTest, FileArgumentIsReportedBeforeTheWindowIsFirstShown) {
    TForm1& form = MakeForm({kClip});

    ASSERT_FALSE(form.isVisible());
    EXPECT_EQ(Memo().toPlainText(), ExpectedReport(kClip));
    EXPECT_EQ(form.windowTitle(), Title(kClip));
    EXPECT_EQ(ApplicationTitle, Title(kClip));
    EXPECT_EQ(FileName, kClip);
}

TEST_F(FormTest, OnlyTheFirstOfSeveralArgumentsIsReported) {
    TForm1& form = MakeForm({kClip, kOtherClip, kThirdClip});

    EXPECT_EQ(Memo().toPlainText(), ExpectedReport(kClip));
    EXPECT_EQ(form.windowTitle(), Title(kClip));
    EXPECT_EQ(FileName, kClip);
}

TEST_F(FormTest, ArgumentThatIsNotValidUtf8ReachesTheReportByteForByte) {
    const ScratchFolder directory;
    const std::string path = CopyClip(directory, "clip-\xFF\xFE.avi");

    MakeForm({path});

    EXPECT_EQ(FileName, path);
    EXPECT_EQ(Memo().toPlainText(), ExpectedReport(path));
    EXPECT_TRUE(Memo().toPlainText().contains(QStringLiteral("Stream 1  --  Video")));
}

// ---------------------------------------------------------------------------------------------
// The ".ogm" notice

struct NoticeCase {
    const char* name;
    const char* file;
    bool notice;
};

void PrintTo(const NoticeCase& tested, std::ostream* out) {
    *out << tested.name;
}

class OgmNoticeTest : public FormTest, public ::testing::WithParamInterface<NoticeCase> {};

TEST_P(OgmNoticeTest, ComesBeforeTheReportForLowerCaseOgmOnly) {
    const ScratchFolder directory;
    const std::string path = CopyClip(directory, GetParam().file, MediaPath("theora_vorbis.ogv"));

    MakeForm({path});

    // The notice does not stop the report.
    EXPECT_EQ(Memo().toPlainText(), ExpectedReport(path));
    if (!GetParam().notice) {
        EXPECT_TRUE(desktop_.messages.empty());
        return;
    }
    ASSERT_EQ(desktop_.messages.size(), 1u);
    const RecordedMessage& notice = desktop_.messages.front();
    EXPECT_EQ(notice.icon, QMessageBox::Information);
    EXPECT_EQ(notice.caption, QStringLiteral("Information"));
    EXPECT_EQ(notice.text, QStringLiteral("Support for .ogm files is limited. The audio stream is "
                                          "not properly detected. Sorry."));
    EXPECT_EQ(notice.titleThen, QStringLiteral("Zarvo"));
    EXPECT_EQ(notice.reportThen, kUsageText);
}

INSTANTIATE_TEST_SUITE_P(Extensions, OgmNoticeTest,
                         ::testing::Values(NoticeCase{"LowerCase", "clip.ogm", true},
                                           NoticeCase{"UpperCase", "clip.OGM", false},
                                           NoticeCase{"MixedCase", "clip.Ogm", false},
                                           NoticeCase{"DotOnlyInFolderName", "folder.ogm/clip",
                                                      false},
                                           NoticeCase{"OgmNotLast", "clip.ogm.avi", false},
                                           NoticeCase{"NoExtension", "clip", false},
                                           NoticeCase{"HiddenFileNamedOgm", ".ogm", true}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// Dropped files

struct DropCase {
    const char* name;
    std::vector<QUrl> urls;
    std::optional<std::string> reported;
};

// Drags files over the window and lets go, as a file manager does; true when the window took
// both the drag and the drop.
bool DragAndDrop(QWidget& window, const std::vector<QUrl>& urls) {
    QMimeData data;
    data.setUrls(QList<QUrl>(urls.begin(), urls.end()));
    const QPoint over(200, 100);
    QDragEnterEvent enter(over, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    QDropEvent drop(over, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
    // The report follows the drop once the drop itself is over.
    QCoreApplication::sendPostedEvents();
    return enter.isAccepted() && drop.isAccepted();
}

void PrintTo(const DropCase& tested, std::ostream* out) {
    *out << tested.name;
}

class DropTest : public FormTest, public ::testing::WithParamInterface<DropCase> {};

TEST_P(DropTest, ReportsTheFirstLocalFileOnly) {
    TForm1& form = MakeForm();
    form.show();

    const bool accepted = DragAndDrop(form, GetParam().urls);

    EXPECT_EQ(accepted, GetParam().reported.has_value());
    if (!GetParam().reported) {
        EXPECT_EQ(Memo().toPlainText(), kUsageText);
        EXPECT_EQ(form.windowTitle(), QStringLiteral("Zarvo"));
        EXPECT_TRUE(FileName.empty());
        return;
    }
    EXPECT_EQ(FileName, *GetParam().reported);
    EXPECT_EQ(Memo().toPlainText(), ExpectedReport(*GetParam().reported));
    EXPECT_EQ(form.windowTitle(), Title(*GetParam().reported));
}

INSTANTIATE_TEST_SUITE_P(
    Drops, DropTest,
    ::testing::Values(
        DropCase{"ThreeFiles", {FileUrl(kClip), FileUrl(kOtherClip), FileUrl(kThirdClip)}, kClip},
        DropCase{"WebAddressFirst",
                 {QUrl(QStringLiteral("https://example.org/movie.avi")), FileUrl(kOtherClip)},
                 kOtherClip},
        DropCase{
            "OtherMachinesFile",
            {QUrl(QStringLiteral("file://fileserver.example.org/movie.avi")), FileUrl(kThirdClip)},
            kThirdClip},
        DropCase{"LocalhostFile",
                 {QUrl::fromEncoded("file://localhost" + QByteArray::fromStdString(kClip))},
                 kClip},
        DropCase{"OnlyWebAddresses",
                 {QUrl(QStringLiteral("https://example.org/movie.avi"))},
                 std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FormTest, DroppedPathReachesTheReportWhole) {
    const std::string names[] = {
        "drop \xE9t\xE9 %41.avi",                                          // not valid UTF-8
        std::string(120, 'a') + "/" + std::string(120, 'b') + "/clip.avi", // over 255 characters
    };
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const ScratchFolder directory;
        const std::string path = CopyClip(directory, name);
        TForm1& form = MakeForm();
        form.show();

        EXPECT_TRUE(DragAndDrop(form, {FileUrl(path)}));
        EXPECT_EQ(FileName, path);
        EXPECT_EQ(Memo().toPlainText(), ExpectedReport(path));
        EXPECT_EQ(form.windowTitle(), Title(path));
    }
}

// ---------------------------------------------------------------------------------------------
// Copy

struct CopyCase {
    const char* name;
    const char* selected; // text to select before the click; empty for no selection
};

void PrintTo(const CopyCase& tested, std::ostream* out) {
    *out << tested.name;
}

class CopyTest : public FormTest, public ::testing::WithParamInterface<CopyCase> {};

TEST_P(CopyTest, PutsTheSelectionOrTheWholeReportOnTheClipboard) {
    TForm1& form = MakeForm({kClip});
    form.show();
    const QString report = Memo().toPlainText();
    const QString selected = QString::fromUtf8(GetParam().selected);
    const int start = selected.isEmpty() ? 0 : static_cast<int>(report.indexOf(selected));
    ASSERT_GE(start, 0) << "the report has no text " << GetParam().selected;
    // The caret sits somewhere in the middle, as after a click into the text.
    QTextCursor cursor = Memo().textCursor();
    cursor.setPosition(selected.isEmpty() ? 40 : start);
    if (!selected.isEmpty())
        cursor.setPosition(start + static_cast<int>(selected.size()), QTextCursor::KeepAnchor);
    Memo().setTextCursor(cursor);

    Click("CopyButton");

    const QTextCursor after = Memo().textCursor();
    if (selected.isEmpty()) {
        EXPECT_EQ(QGuiApplication::clipboard()->text(), ExpectedReport(kClip));
        EXPECT_FALSE(after.hasSelection());
        EXPECT_EQ(after.position(), 0);
    } else {
        EXPECT_EQ(QGuiApplication::clipboard()->text(), selected);
        EXPECT_EQ(after.selectionStart(), start);
        EXPECT_EQ(after.selectionEnd(), start + selected.size());
    }
    EXPECT_EQ(Memo().toPlainText(), report);
}

INSTANTIATE_TEST_SUITE_P(Selections, CopyTest,
                         ::testing::Values(CopyCase{"NothingSelected", ""},
                                           CopyCase{"OneLine", "Stream 1  --  Video"},
                                           CopyCase{"AcrossLines", "Video\n======"},
                                           CopyCase{"WithTabs", "Codec: \t\t"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FormTest, CopyBeforeAnyReportCopiesTheUsageLines) {
    MakeForm().show();

    Click("CopyButton");

    EXPECT_EQ(QGuiApplication::clipboard()->text(), kUsageText);
}

// ---------------------------------------------------------------------------------------------
// The Open dialog

TEST_F(FormTest, OpenDialogShowsTheVideoFilterFirstAndReportsTheChosenFile) {
    TForm1& form = MakeForm();
    QStringList filterTexts;
    QString selectedFilter;
    desktop_.answer = [&](QFileDialog& dialog) {
        const auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        for (int i = 0; types != nullptr && i < types->count(); ++i)
            filterTexts << types->itemText(i);
        selectedFilter = dialog.selectedNameFilter();
        return std::optional<QString>(QString::fromStdString(kOtherClip));
    };

    Click("OpenButton");

    EXPECT_EQ(filterTexts,
              (QStringList{"Video files (*.avi,*.mkv,*.ogm,*.wmv,*.divx,*.xvid)", "*.*"}));
    EXPECT_TRUE(selectedFilter.startsWith(filterTexts.value(0))) << selectedFilter.toStdString();
    EXPECT_EQ(FileName, kOtherClip);
    EXPECT_EQ(Memo().toPlainText(), ExpectedReport(kOtherClip));
    EXPECT_EQ(form.windowTitle(), Title(kOtherClip));
}

TEST_F(FormTest, OpenDialogFiltersMatchTheirPatterns) {
    QTemporaryDir directory;
    for (const char* name : {"a.avi", "b.MKV", "c.ogm", "d.wmv", "e.divx", "f.xvid", "g.mp4", "h"})
        QFile(directory.filePath(QLatin1String(name))).open(QIODevice::WriteOnly);
    MakeForm();
    std::vector<QStringList> shown;
    desktop_.answer = [&](QFileDialog& dialog) {
        dialog.setDirectory(directory.path());
        for (const QString& filter : dialog.nameFilters()) {
            dialog.selectNameFilter(filter);
            // The patterns that the dialog's file list applies for the chosen filter.
            const auto* model = dialog.findChild<QFileSystemModel*>();
            QDir listing(directory.path());
            listing.setNameFilters(model != nullptr ? model->nameFilters() : QStringList());
            shown.push_back(listing.entryList(QDir::Files, QDir::Name | QDir::IgnoreCase));
        }
        return std::optional<QString>();
    };

    Click("OpenButton");

    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0], (QStringList{"a.avi", "b.MKV", "c.ogm", "d.wmv", "e.divx", "f.xvid"}));
    EXPECT_EQ(shown[1],
              (QStringList{"a.avi", "b.MKV", "c.ogm", "d.wmv", "e.divx", "f.xvid", "g.mp4", "h"}));
}

TEST_F(FormTest, CancelledOpenDialogChangesNothing) {
    MakeForm({kClip}).show();
    const Shown before = Showing();

    Click("OpenButton");

    EXPECT_EQ(desktop_.dialogFolders.size(), 1u);
    EXPECT_EQ(Showing(), before);
    EXPECT_TRUE(desktop_.messages.empty());
}

TEST_F(FormTest, OpenDialogStartsInTheCurrentFilesFolderWhileThatExists) {
    QTemporaryDir first;
    QTemporaryDir second;
    MakeForm();

    OpenThroughDialog(first.filePath(QStringLiteral("one.avi")));
    OpenThroughDialog(second.filePath(QStringLiteral("two.avi")));
    ASSERT_TRUE(second.remove());
    OpenThroughDialog(first.filePath(QStringLiteral("three.avi")));

    ASSERT_EQ(desktop_.dialogFolders.size(), 3u);
    EXPECT_EQ(desktop_.dialogFolders[1], QDir(first.path()).absolutePath());
    // The second file's folder is gone, so the dialog keeps the folder it was last given.
    EXPECT_EQ(desktop_.dialogFolders[2], QDir(first.path()).absolutePath());
}

// ---------------------------------------------------------------------------------------------
// Reports that cannot be made

struct FailureCase {
    const char* name;
    const char* file;
    enum { RealDetector, NoStreams, NoDetector } detector;
    const char* message; // what the report shows in a box, if anything
};

void PrintTo(const FailureCase& tested, std::ostream* out) {
    *out << tested.name;
}

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
    ::testing::Values(
        FailureCase{"NotMedia", "make-fixtures.sh", FailureCase::RealDetector, nullptr},
        FailureCase{"Missing", "no-such-clip.avi", FailureCase::RealDetector, nullptr},
        FailureCase{"NoStreams", "pcm.wav", FailureCase::NoStreams, nullptr},
        FailureCase{"NoDetector", "pcm.wav", FailureCase::NoDetector,
                    "Media Detector not available"}),
    [](const auto& info) { return std::string(info.param.name); });

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

// ---------------------------------------------------------------------------------------------
// Tooltips, About and Exit

TEST_F(FormTest, CopyButtonExplainsItselfForSevenSecondsAndAboutHasNoTooltip) {
    TForm1& form = MakeForm();
    form.show();

    // The toolkit asks a widget for its tooltip when the mouse rests on it.
    const auto restOn = [](QWidget& widget) {
        QHelpEvent rest(QEvent::ToolTip, QPoint(10, 10), widget.mapToGlobal(QPoint(10, 10)));
        QApplication::sendEvent(&widget, &rest);
        return rest.isAccepted();
    };

    EXPECT_TRUE(restOn(Button("CopyButton")));
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), QStringLiteral("Copy to clipboard"));
    EXPECT_EQ(Button("CopyButton").toolTipDuration(), 7000);
    EXPECT_FALSE(restOn(Button("AboutButton")));
    QToolTip::hideText();
}

TEST_F(FormTest, AboutButtonShowsTheAboutBoxModally) {
    TForm1& form = MakeForm();
    TAboutForm about(&form, [](const QUrl&) {});
    form.SetAboutForm(&about);
    form.show();
    bool shownModally = false;
    QTimer::singleShot(0, &about, [&] {
        shownModally = QApplication::activeModalWidget() == &about && about.isVisible();
        about.reject();
    });

    Click("AboutButton");

    EXPECT_TRUE(shownModally);
    EXPECT_FALSE(about.isVisible());
}

TEST_F(FormTest, ExitButtonClosesTheWindow) {
    TForm1& form = MakeForm();
    form.show();

    Click("ExitButton");

    EXPECT_FALSE(form.isVisible());
}

} // namespace
} // namespace zarvo::test
