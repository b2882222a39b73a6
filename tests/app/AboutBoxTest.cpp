// The About box: shown modally from the main window, its homepage link, and Enter closing it.
#include "FormTestSupport.h"
#include "app/LinkLabel.h"
#include "app/Unit2.h"
#include "support/CaseName.h"

#include <QLabel>
#include <QTimer>

namespace zarvo::test {
namespace {

class AboutBoxTest : public FormTest {
protected:
    void SetUp() override {
        FormTest::SetUp();
        MakeForm().show();
        about_ = std::make_unique<TAboutForm>(
            form_.get(), [this](const QUrl& address) { opened_.push_back(address); });
        form_->SetAboutForm(about_.get());
    }

    // Clicks "About..." and runs `whileShown` once the box is up; closes the box afterwards
    // if `whileShown` left it open, so that a failing test cannot hang.
    bool ShowAbout(const std::function<void(TAboutForm&)>& whileShown) {
        bool wasModal = false;
        QTimer::singleShot(0, about_.get(), [&] {
            wasModal = QApplication::activeModalWidget() == about_.get();
            whileShown(*about_);
            if (about_->isVisible())
                about_->reject();
        });
        Click("AboutButton");
        return wasModal;
    }

    // Clicks the homepage in the shown box: the link's colours before and after the click.
    std::pair<QColor, QColor> ClickHomepage() {
        QColor before;
        QColor afterClick;
        EXPECT_TRUE(ShowAbout([&](TAboutForm&) {
            before = HomepageColour();
            QTest::mouseClick(&Homepage(), Qt::LeftButton);
            afterClick = HomepageColour();
        }));
        return {before, afterClick};
    }

    QLabel& Homepage() { return *about_->findChild<QLabel*>(QStringLiteral("HomepageLabel")); }
    QColor HomepageColour() { return Homepage().palette().color(QPalette::WindowText); }

    std::unique_ptr<TAboutForm> about_;
    std::vector<QUrl> opened_;
};

TEST_F(AboutBoxTest, ShowsTheProgramsTextsUnderItsCaption) {
    QString caption;
    std::map<QString, QString> texts;
    ASSERT_TRUE(ShowAbout([&](TAboutForm& about) {
        caption = about.windowTitle();
        for (const QLabel* label : about.findChildren<QLabel*>())
            texts[label->objectName()] = label->text();
    }));

    EXPECT_EQ(caption, QStringLiteral("About Zarvo"));
    EXPECT_EQ(texts[QStringLiteral("ProductName")], QStringLiteral("Zarvo"));
    EXPECT_EQ(texts[QStringLiteral("Version")], QStringLiteral("Compiled on 4 November 2004"));
    EXPECT_EQ(texts[QStringLiteral("HomepageLabel")], QLatin1String(kHomepageAddress));
    EXPECT_TRUE(texts[QStringLiteral("HomepageLabel")].startsWith("https://example.org/"));
    const QString thanks = texts[QStringLiteral("CommentsLabel")];
    EXPECT_TRUE(thanks.contains(QStringLiteral("FFmpeg")) && thanks.contains(QStringLiteral("Qt")))
        << thanks.toStdString();
}

TEST_F(AboutBoxTest, HomepageClickOpensTheAddressOnceAndTheLinkStaysRed) {
    const auto [before, afterClick] = ClickHomepage();
    QColor onReopening;
    ASSERT_TRUE(ShowAbout([&](TAboutForm&) { onReopening = HomepageColour(); }));

    EXPECT_EQ(before, QColor(Qt::blue));
    EXPECT_EQ(afterClick, QColor(Qt::red));
    EXPECT_EQ(onReopening, QColor(Qt::red));
    ASSERT_EQ(opened_.size(), 1u);
    EXPECT_EQ(opened_[0], QUrl(QLatin1String(kHomepageAddress)));
}

struct DarkThemeCase {
    const char* name;
    const char* link;
    const char* visited;
};

class DarkThemeTest : public AboutBoxTest, public ::testing::WithParamInterface<DarkThemeCase> {};

TEST_P(DarkThemeTest, LinkTakesTheThemesLinkColoursMadeReadable) {
    const QColor window(0x32, 0x32, 0x32);
    const QColor link(GetParam().link);
    const QColor visited(GetParam().visited);
    QPalette dark = about_->palette();
    dark.setColor(QPalette::Window, window);
    dark.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xec));
    dark.setColor(QPalette::Link, link);
    dark.setColor(QPalette::LinkVisited, visited);
    // After the box was made, as when the desktop's theme changes while the program runs.
    about_->setPalette(dark);
    const auto [before, afterClick] = ClickHomepage();

    for (const auto& [shown, given] : {std::pair(before, link), std::pair(afterClick, visited)}) {
        EXPECT_NEAR(shown.hslHue(), given.hslHue(), 3) << shown.name().toStdString();
        EXPECT_GE(ContrastRatio(shown, window), 4.5) << shown.name().toStdString();
        if (ContrastRatio(given, window) >= 4.5) {
            EXPECT_EQ(shown, given);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Themes, DarkThemeTest,
                         ::testing::Values(DarkThemeCase{"Readable", "#8ab4f8", "#c58af9"},
                                           DarkThemeCase{"ToolkitDefaults", "#0000ff", "#ff00ff"},
                                           DarkThemeCase{"Dim", "#1b3a6b", "#5a1010"}),
                         CaseName{});

TEST_F(AboutBoxTest, PressAndMoveAwayBeforeLettingGoIsNoClick) {
    ASSERT_TRUE(ShowAbout([&](TAboutForm&) {
        QTest::mousePress(&Homepage(), Qt::LeftButton);
        QTest::mouseRelease(&Homepage(), Qt::LeftButton, {}, QPoint(-5, -5));
    }));

    EXPECT_TRUE(opened_.empty());
    EXPECT_EQ(HomepageColour(), QColor(Qt::blue));
}

class AboutKeyTest : public AboutBoxTest, public ::testing::WithParamInterface<Qt::Key> {};

TEST_P(AboutKeyTest, EnterClosesTheBoxWithOk) {
    bool closedByKey = false;
    ASSERT_TRUE(ShowAbout([&](TAboutForm& about) {
        QTest::keyClick(&about, GetParam());
        closedByKey = !about.isVisible();
    }));

    EXPECT_TRUE(closedByKey);
    EXPECT_EQ(about_->result(), QDialog::Accepted);
    EXPECT_FALSE(about_->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Keys, AboutKeyTest, ::testing::Values(Qt::Key_Return, Qt::Key_Enter));

} // namespace
} // namespace zarvo::test
