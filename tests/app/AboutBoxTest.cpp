// The About box: shown modally from the main window, its homepage link, and Enter closing it.
#include "FormTestSupport.h"
#include "app/Unit2.h"

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

TEST_F(AboutBoxTest, HomepageClickOpensTheAddressOnceAndTheLinkStaysRed) {
    QColor before;
    QColor afterClick;
    ASSERT_TRUE(ShowAbout([&](TAboutForm&) {
        before = HomepageColour();
        QTest::mouseClick(&Homepage(), Qt::LeftButton);
        afterClick = HomepageColour();
    }));
    QColor onReopening;
    ASSERT_TRUE(ShowAbout([&](TAboutForm&) { onReopening = HomepageColour(); }));

    EXPECT_EQ(before, QColor(Qt::blue));
    EXPECT_EQ(afterClick, QColor(Qt::red));
    EXPECT_EQ(onReopening, QColor(Qt::red));
    ASSERT_EQ(opened_.size(), 1u);
    EXPECT_EQ(opened_[0], QUrl(QLatin1String(kHomepageAddress)));
}

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
