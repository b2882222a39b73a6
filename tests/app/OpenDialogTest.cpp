// The Open command: the dialog's filters, its starting folder, and what it hands back.
#include "FormTestSupport.h"

#include <QAbstractFileIconProvider>
#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

namespace zarvo::test {
namespace {

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

TEST_F(FormTest, OpenDialogHandsBackATypedNameOfNoFileWithoutAMessage) {
    MakeForm({kClip}).show();
    const Shown before = Showing();
    QTemporaryDir directory;
    const QString typed = directory.filePath(QStringLiteral("no-such-clip.avi"));
    // Types the name and presses Enter once the dialog is up; a box that the dialog shows about
    // the name is noted and closed, and so is the dialog, so that the test cannot hang.
    QString complaint;
    QTimer type;
    QTimer tidy;
    desktop_.answer = [&](QFileDialog& dialog) {
        dialog.setDirectory(directory.path());
        type.callOnTimeout(&dialog, [&] {
            auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(name, nullptr);
            tidy.start(0);
            name->setText(QStringLiteral("no-such-clip.avi"));
            QTest::keyClick(name, Qt::Key_Return);
        });
        tidy.callOnTimeout(&dialog, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                complaint = box->text();
                box->reject();
            }
            dialog.reject();
        });
        type.setSingleShot(true);
        tidy.setSingleShot(true);
        type.start(0);
        return RunOpenDialog(dialog);
    };

    Click("OpenButton");

    EXPECT_EQ(complaint, QString());
    EXPECT_EQ(FileName, QFile::encodeName(typed).toStdString());
    // The report's own handling of a file it cannot open applies: it leaves everything as it was.
    EXPECT_EQ(Showing(), (Shown{before.report, before.caption, before.title, FileName}));
    EXPECT_TRUE(desktop_.messages.empty());
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

} // namespace
} // namespace zarvo::test

namespace zarvo::test {
namespace {

// Files whose names fit several types: a content-sniffing icon provider tells the two of each
// pair apart by their first bytes, one that goes by names alone cannot, and so never reads them.
TEST_F(FormTest, OpenDialogNamesFileTypesWithoutReadingTheFiles) {
    const QByteArray transportStream = QByteArray(1, '\x47') + QByteArray(187, '\0');
    const struct {
        const char* name;
        QByteArray first;
        QByteArray second;
    } pairs[] = {
        {"clip.ts", transportStream.repeated(4),
         "<?xml version=\"1.0\"?>\n<!DOCTYPE TS>\n<TS version=\"2.1\"></TS>\n"},
        {"clip.ogg", "OggS" + QByteArray(24, '\0') + "\x01vorbis",
         "OggS" + QByteArray(24, '\0') + "\x80theora"},
    };
    QTemporaryDir first;
    QTemporaryDir second;
    MakeForm();
    std::vector<std::pair<QString, QString>> types;
    desktop_.answer = [&](QFileDialog& dialog) {
        const QAbstractFileIconProvider* provider = dialog.iconProvider();
        for (const auto& pair : pairs) {
            QFile one(first.filePath(QLatin1String(pair.name)));
            QFile other(second.filePath(QLatin1String(pair.name)));
            one.open(QIODevice::WriteOnly);
            one.write(pair.first);
            one.close();
            other.open(QIODevice::WriteOnly);
            other.write(pair.second);
            other.close();
            types.emplace_back(provider->type(QFileInfo(one.fileName())),
                               provider->type(QFileInfo(other.fileName())));
        }
        return std::optional<QString>();
    };

    Click("OpenButton");

    ASSERT_EQ(types.size(), std::size(pairs));
    for (const auto& [one, other] : types) {
        EXPECT_FALSE(one.isEmpty());
        EXPECT_EQ(one, other);
    }
}

} // namespace
} // namespace zarvo::test
