// Files dropped on the main window: which one is reported, and its path kept whole.
#include "FormTestSupport.h"
#include "ScratchFolder.h"
#include "support/CaseName.h"

#include <QDropEvent>
#include <QMimeData>

namespace zarvo::test {
namespace {

using test::PrintTo;

QUrl FileUrl(const std::string& path) {
    return QUrl::fromEncoded("file://" + QByteArray::fromStdString(path).toPercentEncoding("/"));
}

struct DropCase {
    const char* name;
    std::vector<QUrl> urls;
    std::optional<std::string> reported;
};

// Drags files over the window and lets go, as a file manager does; true when the window took
// both the drag and the drop.
bool DragAndDrop(TForm1& window, const std::vector<QUrl>& urls) {
    QMimeData data;
    data.setUrls(QList<QUrl>(urls.begin(), urls.end()));
    const QPoint over(200, 100);
    QDragEnterEvent enter(over, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    QDropEvent drop(over, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
    // The report follows the drop once the drop itself is over, and comes from its own thread.
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(QTest::qWaitFor([&window] { return !window.Reading(); }, 10000));
    return enter.isAccepted() && drop.isAccepted();
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
    CaseName{});

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

} // namespace
} // namespace zarvo::test
