// The About box: the program's picture, name and build note, thanks, and its homepage.
#pragma once

#include <QDialog>
#include <QUrl>
#include <functional>

class QLabel;
class QPushButton;

namespace zarvo {

class BevelFrame;
class LinkLabel;

// Where the program's homepage will be; a reserved example address until the project has one.
inline constexpr char kHomepageAddress[] = "https://example.org/zarvo/";

class TAboutForm final : public QDialog {
    Q_OBJECT

public:
    // Asks the desktop to open an address in its default handler (a web browser).
    using UrlOpener = std::function<void(const QUrl& address)>;

    // The box is made once, hidden, and shown again on every "About..." click. Without an
    // opener the desktop's default handler opens the homepage.
    explicit TAboutForm(QWidget* parent = nullptr, UrlOpener openUrl = {});

private:
    QLabel* CreateLabel(const QString& text, const char* name, const QPoint& position);

    void OKButtonClick();
    void HomepageLabelClick();

    UrlOpener openUrl_;

    BevelFrame* Panel1;
    QLabel* ProgramIcon;
    BevelFrame* Bevel1;
    QLabel* ProductName;
    QLabel* Version;
    QLabel* CommentsLabel;
    LinkLabel* HomepageLabel;
    QPushButton* OKButton;
};

} // namespace zarvo
