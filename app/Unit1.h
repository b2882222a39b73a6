// The main window: the report text box and the Exit, Open, Copy and About commands.
#pragma once

#include "report/ReportView.h"

#include <QCursor>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QFileDialog;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace zarvo {

class NameIconProvider;
class ReaderPool;
class WindowRequest;
struct ReaderRecording;
class TAboutForm;

// What the window asks of the desktop in modal boxes. The program leaves them empty and gets the
// real dialogs; tests put their own in so that nothing waits for a person.
struct TForm1Services {
    // Runs the Open dialog; the chosen file, or nothing when the user cancels.
    std::function<std::optional<QString>(QFileDialog& dialog)> runOpenDialog;
    // Shows a modal message box with this icon, caption and text and one OK button.
    std::function<void(QMessageBox::Icon icon, const QString& caption, const QString& text)>
        showMessage;
    // How long the window, when it is made with a file argument, waits for that file's report
    // before it is first shown; a report that takes longer is shown once it is done.
    std::chrono::milliseconds startupWait{150};
};

// Runs the Open dialog modally: the chosen or typed file, or nothing when the user cancels.
std::optional<QString> RunOpenDialog(QFileDialog& dialog);

class TForm1 final : public QWidget, public ReportView {
    Q_OBJECT

public:
    // `arguments` are the command line's arguments after the program's name, as raw bytes. When
    // there is one, the report on the first is made here, before the window is first shown.
    // Reports are made by `readers`, which outlives the window.
    TForm1(const std::vector<std::string>& arguments, ReaderPool& readers,
           TForm1Services services = {}, QWidget* parent = nullptr);
    ~TForm1() override;

    // The box that "About..." shows; none until the program has created it.
    void SetAboutForm(TAboutForm* aboutForm) { aboutForm_ = aboutForm; }

    // Reports on FileName: the ".ogm" notice, then the report, made by a reader process and
    // shown whole, with the top of the report in view, once it is done.
    void Get();

    // True while a report is being made for the window.
    bool Reading() const { return job_ != nullptr; }

    void SetApplicationTitle(const std::string& title) override;
    void SetCaption(const std::string& caption) override;
    void ClearReport() override;
    void AppendLine(std::string_view line) override;
    void ShowMessage(const std::string& text) override;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QPlainTextEdit* CreateMemo();
    QPushButton* CreateButton(const QString& text, const char* name, const QRect& geometry);
    QFileDialog& OpenDialog();

    void FormCreate(const std::vector<std::string>& arguments);
    void OpenButtonClick();
    void WMDROPFILES(const std::string& path);
    void CopyButtonClick();
    void ExitButtonClick();
    void AboutButtonClick();

    // Get, with an error that ends the report shown as the application shows any error.
    void GetShowingErrors();
    void ShowError(const std::string& message);

    // Shows a finished report: its lines, title and caption in one step, or why it was refused.
    void ApplyReport(ReaderRecording result);
    // Shows that the file is being read.
    void WatchReading();
    void EndReadingState(const QString& stateText);

    ReaderPool& readers_;
    std::unique_ptr<WindowRequest> job_;
    QTimer readingTimer_;
    bool readingShown_ = false;
    QCursor memoCursor_;

    TForm1Services services_;
    TAboutForm* aboutForm_ = nullptr;

    QPlainTextEdit* Memo1;
    // The file being read, or why the last one was not read.
    QLabel* StateLabel;
    QPushButton* ExitButton;
    QPushButton* OpenButton;
    QPushButton* CopyButton;
    QPushButton* AboutButton;
    // Made on the first "Open..." click and kept, so that it remembers its folder and filter.
    // It is destroyed before its icon provider.
    std::unique_ptr<NameIconProvider> iconProvider_;
    QFileDialog* OpenDialog1 = nullptr;
};

} // namespace zarvo
