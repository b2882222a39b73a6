// Program start with and without file arguments, and the ".ogm" notice that comes before a
// report.
#include "FormTestSupport.h"
#include "ScratchFolder.h"
#include "support/CaseName.h"

namespace zarvo::test {
namespace {

using test::PrintTo;

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
                         CaseName{});

} // namespace
} // namespace zarvo::test
