// The main window: the report text box and the Exit, Open, Copy and About commands.
#include "app/Unit1.h"

#include "app/AccessibleRoles.h"
#include "app/ErrorText.h"
#include "app/FilePath.h"
#include "app/FormStyle.h"
#include "app/NameIconProvider.h"
#include "app/ProgramState.h"
#include "app/ReportMemo.h"
#include "app/ReportTabStops.h"
#include "app/ToolTipTime.h"
#include "app/Unit2.h"
#include "app/WindowRequest.h"
#include "platform/FilePath.h"
#include "platform/HResult.h"
#include "report/RecordedReport.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFontMetricsF>
#include <QKeySequence>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTextCursor>
#include <exception>
#include <filesystem>
#include <system_error>

namespace zarvo {
namespace {

constexpr int kClientWidth = 509;
constexpr int kClientHeight = 261;
constexpr int kToolTipDisplayTime = 7000;
// A report that takes longer than this is shown as being read; storage that answers at once
// never makes the window flicker.
constexpr std::chrono::milliseconds kReadingShownAfter{150};

constexpr const char* kUsageLines[] = {
    "Use open button, drag and drop file on window or run",
    "with parameter (zarvo movie.avi)",
};

constexpr char kOgmNotice[] =
    "Support for .ogm files is limited. The audio stream is not properly detected. Sorry.";

// The dialog shows each filter's text without its last bracket, which holds the patterns it
// applies, so the text of an entry and its patterns are given apart. "*" is the pattern that
// shows every file here, names without a dot too.
const QStringList& OpenDialogFilters() {
    static const QStringList filters = {
        QStringLiteral("Video files (*.avi,*.mkv,*.ogm,*.wmv,*.divx,*.xvid) "
                       "(*.avi *.ogm *.wmv *.divx *.xvid *.mkv)"),
        QStringLiteral("*.* (*)"),
    };
    return filters;
}

std::optional<std::string> FirstLocalFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls())
        return std::nullopt;
    for (const QUrl& url : data->urls()) {
        if (std::optional<std::string> path = LocalFilePath(url))
            return path;
    }
    return std::nullopt;
}

bool IsDirectory(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(std::filesystem::path(path), error);
}

QString FromNative(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// `before` + NAME + `after`, for the narrow line above the buttons. The name may break anywhere
// to fill it, and a name too long for its lines is cut in the middle, where names differ least.
QString NamedStateText(const QLabel& label, const QString& before, const std::string& path,
                       const QString& after) {
    constexpr int kNameLines = 4;
    const QString name = label.fontMetrics().elidedText(
        FromNative(SplitPath(path).name), Qt::ElideMiddle, kNameLines * (label.width() - 8));
    QString breakable;
    for (const QChar character : name) {
        breakable += character;
        breakable += QChar(0x200B);
    }
    return before + breakable + after;
}

// "Reading NAME…".
QString ReadingText(const QLabel& label, const std::string& path) {
    return NamedStateText(label, QObject::tr("Reading") + QLatin1Char(' '), path, QChar(0x2026));
}

// Why a file that was opened, or could not be, has no report. A refusal for reading cut short
// names no file, since it may come long after the choice; the others name the file chosen, so
// that a drop that changes nothing in the report is still seen to have been taken.
QString NoReportText(const QLabel& label, const ReportOutcome& outcome, const std::string& path) {
    if (ReadingCutShort(outcome))
        return QObject::tr("Not read: ") + FromNative(DescribeStatus(outcome.status));
    if (outcome.result == ReportResult::NoStreams || outcome.status == VFW_E_UNKNOWN_FILE_TYPE)
        return NamedStateText(label, QObject::tr("Not a media file: "), path, {});
    return NamedStateText(label, QObject::tr("Not read: "), path,
                          QStringLiteral(": ") + FromNative(DescribeStatus(outcome.status)));
}

} // namespace

std::optional<QString> RunOpenDialog(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

TForm1::TForm1(const std::vector<std::string>& arguments, ReaderPool& readers,
               TForm1Services services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      readers_(readers), services_(std::move(services)) {
    InstallAccessibleRoles();
    // The report is made by a reader process: the window keeps answering, and says what it reads.
    readingTimer_.setSingleShot(true);
    readingTimer_.setInterval(kReadingShownAfter);
    connect(&readingTimer_, &QTimer::timeout, this, &TForm1::WatchReading);
    if (!services_.runOpenDialog)
        services_.runOpenDialog = RunOpenDialog;
    if (!services_.showMessage) {
        services_.showMessage = [this](QMessageBox::Icon icon, const QString& caption,
                                       const QString& text) {
            QMessageBox box(icon, caption, text, QMessageBox::Ok, this);
            box.exec();
        };
    }

    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Zarvo"));
    setFont(FormFont());
    // The size is fixed so that the layout of the controls holds.
    setFixedSize(kClientWidth, kClientHeight);
    setWindowOpacity(1.0);

    Memo1 = CreateMemo();
    ExitButton = CreateButton(tr("Exit"), "ExitButton", QRect(424, 231, 75, 25));
    OpenButton = CreateButton(tr("Open..."), "OpenButton", QRect(424, 123, 75, 25));
    CopyButton = CreateButton(tr("Copy"), "CopyButton", QRect(424, 155, 75, 25));
    CopyButton->setToolTip(tr("Copy to clipboard"));
    AboutButton = CreateButton(tr("About..."), "AboutButton", QRect(424, 187, 75, 25));
    // Above the buttons, so that the report, the caption and the title keep showing the last
    // report while a file is read or refused.
    StateLabel = new QLabel(this);
    StateLabel->setObjectName(QStringLiteral("StateLabel"));
    StateLabel->setGeometry(424, 3, 75, 114);
    StateLabel->setWordWrap(true);
    StateLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTabOrder(Memo1, ExitButton);
    setTabOrder(ExitButton, OpenButton);
    setTabOrder(OpenButton, CopyButton);
    setTabOrder(CopyButton, AboutButton);

    connect(ExitButton, &QPushButton::clicked, this, &TForm1::ExitButtonClick);
    connect(OpenButton, &QPushButton::clicked, this, &TForm1::OpenButtonClick);
    connect(CopyButton, &QPushButton::clicked, this, &TForm1::CopyButtonClick);
    connect(AboutButton, &QPushButton::clicked, this, &TForm1::AboutButtonClick);
    // The keys of other desktop programs, with the buttons' texts left as they are.
    connect(new QShortcut(QKeySequence::Open, this), &QShortcut::activated, this,
            &TForm1::OpenButtonClick);
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this), &QShortcut::activated, this,
            &TForm1::ExitButtonClick);

    CentreOnScreen(*this);
    FormCreate(arguments);
}

TForm1::~TForm1() {
    delete OpenDialog1;
}

QPlainTextEdit* TForm1::CreateMemo() {
    auto* memo = new ReportMemo(this);
    memo->setObjectName(QStringLiteral("Memo1"));
    // A screen reader would otherwise announce just "text".
    memo->setAccessibleName(tr("Report"));
    memo->setAccessibleDescription(tr("Read-only"));
    memo->setGeometry(3, 3, 414, 254);
    memo->setReadOnly(true);
    // Read-only, yet with a caret, so that the keyboard can select a part of the report to copy.
    memo->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memo->setTabChangesFocus(true);
    memo->setTabStopDistance(ReportTabStop(QFontMetricsF(memo->font())));
    // Files dropped on the text go to the window, which reports on them.
    memo->setAcceptDrops(false);
    memo->viewport()->setAcceptDrops(false);
    for (const char* line : kUsageLines) {
        QTextCursor end(memo->document());
        end.movePosition(QTextCursor::End);
        end.insertText(QString::fromLatin1(line) + QLatin1Char('\n'));
    }
    return memo;
}

QPushButton* TForm1::CreateButton(const QString& text, const char* name, const QRect& geometry) {
    auto* button = new QPushButton(text, this);
    button->setObjectName(QLatin1String(name));
    // Enter and keypad Enter press the button that has the focus, as Space does.
    button->setAutoDefault(true);
    button->setGeometry(geometry);
    return button;
}

QFileDialog& TForm1::OpenDialog() {
    if (OpenDialog1 != nullptr)
        return *OpenDialog1;
    OpenDialog1 = new QFileDialog(this);
    OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
    // The toolkit's own dialog shows the filter texts exactly as they are written.
    OpenDialog1->setOption(QFileDialog::DontUseNativeDialog);
    OpenDialog1->setOption(QFileDialog::HideNameFilterDetails);
    OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
    // A typed name is handed back even when no such file exists, without a message of the
    // dialog's own: the report then fails on it as on any file that it cannot read.
    OpenDialog1->setFileMode(QFileDialog::AnyFile);
    OpenDialog1->setNameFilters(OpenDialogFilters());
    OpenDialog1->selectNameFilter(OpenDialogFilters().constFirst());
    // Icons and types by name only: listing a folder must not read the files in it, which on
    // slow storage would freeze the dialog.
    iconProvider_ = std::make_unique<NameIconProvider>();
    OpenDialog1->setIconProvider(iconProvider_.get());
    return *OpenDialog1;
}

void TForm1::FormCreate(const std::vector<std::string>& arguments) {
    setAcceptDrops(true);
    if (!arguments.empty()) {
        FileName = arguments.front();
        GetShowingErrors();
        // A report from a local disk is in the window when it first appears; one from slower
        // storage is shown once it is done, the window showing meanwhile that it reads.
        if (job_ != nullptr && !job_->FinishWithin(services_.startupWait))
            WatchReading();
    }
    qApp->installEventFilter(new ToolTipTime(kToolTipDisplayTime, this));
}

void TForm1::Get() {
    if (SplitPath(FileName).extension == ".ogm")
        services_.showMessage(QMessageBox::Information, tr("Information"), tr(kOgmNotice));
    // A report still being made for an earlier choice is dropped: only the newest is shown.
    job_.reset();
    EndReadingState({});
    job_ =
        std::make_unique<WindowRequest>(readers_, FileName, *this, [this](ReaderRecording result) {
            ApplyReport(std::move(result));
        });
    readingTimer_.start();
}

void TForm1::ApplyReport(ReaderRecording result) {
    job_.reset();
    EndReadingState({});
    // A reader that died, stalled or ran out of time or memory wrote nothing: the last report
    // stays, and the line says why this file was not read.
    if (result.refusal) {
        EndReadingState(tr("Not read: ") + FromNative(*result.refusal));
        return;
    }
    const RecordedReport& report = result.recording;
    report.Replay(*this);
    if (report.error) {
        // An error ends the report where it stands; what it wrote so far stays in view.
        ShowError(*report.error);
        return;
    }
    if (report.outcome && report.outcome->result != ReportResult::Reported &&
        report.outcome->result != ReportResult::NoDetector)
        EndReadingState(NoReportText(*StateLabel, *report.outcome, FileName));
    Memo1->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
}

void TForm1::WatchReading() {
    if (job_ == nullptr || readingShown_)
        return;
    readingShown_ = true;
    StateLabel->setText(ReadingText(*StateLabel, FileName));
    // The wait cursor over this window only: the desktop and the program's other boxes stay
    // as they are, and the report's text keeps its own cursor again afterwards.
    memoCursor_ = Memo1->viewport()->cursor();
    setCursor(Qt::WaitCursor);
    Memo1->viewport()->setCursor(Qt::WaitCursor);
}

void TForm1::EndReadingState(const QString& stateText) {
    readingTimer_.stop();
    StateLabel->setText(stateText);
    if (!readingShown_)
        return;
    readingShown_ = false;
    unsetCursor();
    Memo1->viewport()->setCursor(memoCursor_);
}

void TForm1::GetShowingErrors() {
    try {
        Get();
    } catch (const std::exception& error) {
        ShowError(error.what());
    }
}

void TForm1::ShowError(const std::string& message) {
    services_.showMessage(QMessageBox::Critical, ApplicationTitle,
                          message.empty() ? tr("The report was stopped by an unexpected error.")
                                          : FromNative(ErrorMessageText(message)));
}

void TForm1::OpenButtonClick() {
    QFileDialog& dialog = OpenDialog();
    // The dialog keeps the folder it was last given when the current file's folder is gone.
    const std::string directory(SplitPath(FileName).folder);
    if (!directory.empty() && IsDirectory(directory))
        dialog.setDirectory(QFile::decodeName(QByteArray::fromStdString(directory)));
    const std::optional<QString> chosen = services_.runOpenDialog(dialog);
    // A name typed and confirmed with Enter can leave the name completer's list open after the
    // dialog has closed, where it would take the next click.
    for (QCompleter* completer : dialog.findChildren<QCompleter*>()) {
        if (completer->popup() != nullptr)
            completer->popup()->hide();
    }
    if (!chosen || chosen->isEmpty())
        return;
    FileName = QFile::encodeName(*chosen).toStdString();
    GetShowingErrors();
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    if (FirstLocalFile(event->mimeData()))
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
    std::optional<std::string> path = FirstLocalFile(event->mimeData());
    if (!path)
        return;
    event->acceptProposedAction();
    // The report is made once the drop is over, so that a message box on the way does not keep
    // the file manager waiting for the drop to finish.
    QMetaObject::invokeMethod(
        this, [this, file = std::move(*path)] { WMDROPFILES(file); }, Qt::QueuedConnection);
}

void TForm1::WMDROPFILES(const std::string& path) {
    FileName = path;
    GetShowingErrors();
}

void TForm1::CopyButtonClick() {
    if (Memo1->textCursor().hasSelection()) {
        // Copying leaves the user's selection as it was.
        Memo1->setFocus();
        Memo1->copy();
        return;
    }
    Memo1->selectAll();
    Memo1->setFocus();
    Memo1->copy();
    // Nothing stays selected; the caret goes back to the start of the text.
    QTextCursor start = Memo1->textCursor();
    start.setPosition(0);
    Memo1->setTextCursor(start);
}

void TForm1::ExitButtonClick() {
    close();
}

void TForm1::AboutButtonClick() {
    if (aboutForm_ != nullptr)
        aboutForm_->exec();
}

void TForm1::SetApplicationTitle(const std::string& title) {
    ApplicationTitle = FromNative(title);
}

void TForm1::SetCaption(const std::string& caption) {
    setWindowTitle(FromNative(caption));
}

void TForm1::ClearReport() {
    Memo1->clear();
}

void TForm1::AppendLine(std::string_view line) {
    // A cursor of its own adds at the end without moving the user's caret or selection.
    QTextCursor end(Memo1->document());
    end.movePosition(QTextCursor::End);
    end.insertText(FromNative(line) + QLatin1Char('\n'));
}

void TForm1::ShowMessage(const std::string& text) {
    services_.showMessage(QMessageBox::NoIcon, ApplicationTitle, FromNative(text));
}

} // namespace zarvo
