// What the window tests share: a stand-in for the desktop's modal boxes, fixture clips, and the
// report text that the report builder makes for a file.
#pragma once

#include "app/ProgramState.h"
#include "app/Unit1.h"
#include "platform/MediaDet.h"
#include "reader/ReaderPool.h"
#include "report/ReportBuilder.h"
#include "support/RecordingView.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QFileDialog>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zarvo::test {

inline std::string MediaPath(const std::string& name) {
    return std::string(ZARVO_TEST_MEDIA) + "/" + name;
}

// Three fixture clips that differ in every line of their reports.
inline const std::string kClip = MediaPath("xvid_mp3.avi");
inline const std::string kOtherClip = MediaPath("mjpeg_pcm.avi");
inline const std::string kThirdClip = MediaPath("pcm.wav");

// The report of `path` as the report builder writes it, each line ended by "\n".
inline QString ExpectedReport(const std::string& path) {
    RecordingView view;
    GetFileData(path, view, LocaleFormatSettings());
    return QString::fromStdString(view.Text());
}

inline const QString kUsageText =
    QStringLiteral("Use open button, drag and drop file on window or run\n"
                   "with parameter (zarvo movie.avi)\n");

struct RecordedMessage {
    QMessageBox::Icon icon;
    QString caption;
    QString text;
    // The application title and report text when the box came up: they tell whether the box
    // came before the report or after it.
    QString titleThen;
    QString reportThen;
};

// Stands in for the modal boxes: records each message and answers the Open dialog as told.
class DesktopStandIn {
public:
    std::vector<RecordedMessage> messages;
    // Each run of the Open dialog, with the folder it was opened in.
    std::vector<QString> dialogFolders;
    // The Open dialog's answer: a chosen file, or nothing for Cancel.
    std::function<std::optional<QString>(QFileDialog&)> answer = [](QFileDialog&) {
        return std::optional<QString>();
    };

    TForm1Services Services() {
        TForm1Services services;
        services.runOpenDialog = [this](QFileDialog& dialog) {
            dialogFolders.push_back(dialog.directory().absolutePath());
            return answer(dialog);
        };
        services.showMessage = [this](QMessageBox::Icon icon, const QString& caption,
                                      const QString& text) {
            messages.push_back({icon, caption, text, ApplicationTitle, CurrentReport()});
        };
        // Long enough that a report of a fixture is always in before the window is shown.
        services.startupWait = std::chrono::seconds(10);
        return services;
    }

private:
    // Found among all widgets, since a message may come while the window is still being made.
    static QString CurrentReport() {
        for (const QWidget* widget : QApplication::allWidgets()) {
            if (widget->objectName() == QLatin1String("Memo1"))
                return static_cast<const QPlainTextEdit*>(widget)->toPlainText();
        }
        return {};
    }
};

// The window's readers as the program starts them, from the reader program of this build unless
// told otherwise. They inherit the test's environment as it is when they start.
inline std::unique_ptr<ReaderPool> StartReaders(std::string program = ZARVO_READER) {
    ReaderPool::Settings settings;
    settings.roots = ReaderPool::Roots::PerRequest;
    settings.format = LocaleFormatSettings();
    settings.program = std::move(program);
    return std::make_unique<ReaderPool>(std::move(settings));
}

// Starts each test as the program starts: no file, the title "Zarvo". The real detector makes the
// reports that the window's are compared with.
class FormTest : public ::testing::Test {
protected:
    void SetUp() override {
        FileName.clear();
        ApplicationTitle = QStringLiteral("Zarvo");
        detector_ = RegisterMediaDet();
        QGuiApplication::clipboard()->clear();
    }

    // Lets the event loop run until the window's report is in.
    void WaitForReport() {
        EXPECT_TRUE(QTest::qWaitFor([this] { return !form_->Reading(); }, 10000));
    }

    TForm1& MakeForm(const std::vector<std::string>& arguments = {}) {
        return MakeForm(arguments, desktop_.Services());
    }
    TForm1& MakeForm(const std::vector<std::string>& arguments, TForm1Services services) {
        if (readers_ == nullptr)
            readers_ = StartReaders();
        form_ = std::make_unique<TForm1>(arguments, *readers_, std::move(services));
        return *form_;
    }

    QPlainTextEdit& Memo() { return *Child<QPlainTextEdit>("Memo1"); }
    QPushButton& Button(const char* name) { return *Child<QPushButton>(name); }

    template <typename T> T* Child(const char* name) {
        T* child = form_->findChild<T*>(QLatin1String(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }

    void Click(const char* button) {
        QTest::mouseClick(&Button(button), Qt::LeftButton);
        WaitForReport();
    }

    // Chooses `path` in the Open dialog through a click on "Open...".
    void OpenThroughDialog(const QString& path) {
        desktop_.answer = [path](QFileDialog&) { return std::optional<QString>(path); };
        Click("OpenButton");
    }

    // What the window shows of the current report.
    struct Shown {
        QString report;
        QString caption;
        QString title;
        std::string fileName;
        bool operator==(const Shown&) const = default;
    };
    Shown Showing() {
        return {Memo().toPlainText(), form_->windowTitle(), ApplicationTitle, FileName};
    }

    static QString Title(const std::string& path) {
        return QStringLiteral("Zarvo  [") + QString::fromStdString(path) + QLatin1Char(']');
    }

    DesktopStandIn desktop_;
    ClassRegistration detector_;
    // Made with the first window, and ended after the last.
    std::unique_ptr<ReaderPool> readers_;
    std::unique_ptr<TForm1> form_;
};

} // namespace zarvo::test

// Shows texts in failure messages; found by argument lookup, so it stands beside QString.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
