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

// A colour theme: the window and text colours, and the link colours it gives, if any.
struct ThemeCase {
    const char* name;
    const char* window; // empty: the toolkit's own light palette
    const char* text;
    const char* link; // empty: the toolkit's default link colours
    const char* visited;
    // The link's colours before and after the click; empty where they are the theme's own link
    // colours made readable.
    const char* before;
    const char* after;
};

class AboutThemeTest : public AboutBoxTest, public ::testing::WithParamInterface<ThemeCase> {};

TEST_P(AboutThemeTest, HomepageClickOpensTheAddressOnceAndTheLinkKeepsTheVisitedColour) {
    const ThemeCase& theme = GetParam();
    QPalette palette = about_->palette();
    if (*theme.window != '\0') {
        palette.setColor(QPalette::Window, QColor(theme.window));
        palette.setColor(QPalette::WindowText, QColor(theme.text));
    }
    if (*theme.link != '\0') {
        palette.setColor(QPalette::Link, QColor(theme.link));
        palette.setColor(QPalette::LinkVisited, QColor(theme.visited));
    }
    // Set after the box was made, as when the desktop's theme changes while the program runs.
    about_->setPalette(palette);
    QColor before;
    QColor afterClick;
    ASSERT_TRUE(ShowAbout([&](TAboutForm&) {
        before = HomepageColour();
        QTest::mouseClick(&Homepage(), Qt::LeftButton);
        afterClick = HomepageColour();
    }));
    QColor onReopening;
    ASSERT_TRUE(ShowAbout([&](TAboutForm&) { onReopening = HomepageColour(); }));

    if (*theme.before != '\0') {
        EXPECT_EQ(before, QColor(theme.before));
        EXPECT_EQ(afterClick, QColor(theme.after));
    } else {
        // The theme's hue, light enough to read on its window colour.
        const QColor window = palette.color(QPalette::Window);
        // Within the rounding of a colour's channels to whole numbers.
        EXPECT_NEAR(before.hslHue(), palette.color(QPalette::Link).hslHue(), 3);
        EXPECT_NEAR(afterClick.hslHue(), palette.color(QPalette::LinkVisited).hslHue(), 3);
        EXPECT_GE(ContrastRatio(before, window), 4.5) << before.name().toStdString();
        EXPECT_GE(ContrastRatio(afterClick, window), 4.5) << afterClick.name().toStdString();
    }
    EXPECT_EQ(onReopening, afterClick);
    ASSERT_EQ(opened_.size(), 1u);
    EXPECT_EQ(opened_[0], QUrl(QLatin1String(kHomepageAddress)));
}

INSTANTIATE_TEST_SUITE_P(
    Themes, AboutThemeTest,
    ::testing::Values(ThemeCase{"ToolkitLight", "", "", "", "", "#0000ff", "#ff0000"},
                      // A light theme keeps blue and red whatever link colours it gives.
                      ThemeCase{"LightWithLinkColours", "#f6f5f4", "#2e3436", "#1b6acb", "#15539e",
                                "#0000ff", "#ff0000"},
                      ThemeCase{"DarkWithReadableLinkColours", "#323232", "#eeeeec", "#8ab4f8",
                                "#c58af9", "#8ab4f8", "#c58af9"},
                      ThemeCase{"DarkWithToolkitLinkColours", "#323232", "#eeeeec", "", "", "", ""},
                      ThemeCase{"DarkWithDimLinkColours", "#202020", "#ffffff", "#1b3a6b",
                                "#5a1010", "", ""}),
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
