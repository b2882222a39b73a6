// The About box: the program's picture, name and build note, thanks, and its homepage.
#include "app/Unit2.h"

#include "app/BevelFrame.h"
#include "app/FormStyle.h"
#include "app/LinkLabel.h"
#include "app/ProgramIcon.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

namespace zarvo {
namespace {

constexpr int kClientWidth = 298;
constexpr int kClientHeight = 196;

} // namespace

TAboutForm::TAboutForm(QWidget* parent, UrlOpener openUrl)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      openUrl_(std::move(openUrl)) {
    if (!openUrl_)
        openUrl_ = [](const QUrl& address) { QDesktopServices::openUrl(address); };

    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(tr("About Zarvo"));
    setFont(FormFont());
    setFixedSize(kClientWidth, kClientHeight);

    Panel1 = new BevelFrame({Bevel::Lowered, Bevel::Raised}, this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(8, 8, 281, 145);

    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setGeometry(8, 8, 48, 48);
    ProgramIcon->setPixmap(QPixmap::fromImage(DrawProgramIcon(48)));

    // Made after the picture so that it frames the picture's edge.
    Bevel1 = new BevelFrame({Bevel::Lowered}, Panel1);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setGeometry(8, 8, 48, 48);
    Bevel1->setAttribute(Qt::WA_TransparentForMouseEvents);

    ProductName = CreateLabel(QStringLiteral("Zarvo"), "ProductName", QPoint(88, 16));
    Version = CreateLabel(tr("Compiled on 4 November 2004"), "Version", QPoint(88, 40));

    CommentsLabel = new QLabel(tr("Thanks to the FFmpeg and Qt projects, whose libraries read "
                                  "the files and draw the window."),
                               Panel1);
    CommentsLabel->setObjectName(QStringLiteral("CommentsLabel"));
    CommentsLabel->setGeometry(8, 80, 265, 33);
    CommentsLabel->setWordWrap(true);
    CommentsLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    HomepageLabel = new LinkLabel(QString::fromLatin1(kHomepageAddress), Panel1);
    HomepageLabel->setObjectName(QStringLiteral("HomepageLabel"));
    HomepageLabel->move(12, 117);
    QFont linkFont = HomepageLabel->font();
    linkFont.setUnderline(true);
    HomepageLabel->setFont(linkFont);
    HomepageLabel->setCursor(Qt::PointingHandCursor);
    HomepageLabel->adjustSize();
    connect(HomepageLabel, &LinkLabel::clicked, this, &TAboutForm::HomepageLabelClick);

    OKButton = new QPushButton(tr("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(111, 164, 75, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &TAboutForm::OKButtonClick);

    CentreOnScreen(*this);
}

QLabel* TAboutForm::CreateLabel(const QString& text, const char* name, const QPoint& position) {
    auto* label = new QLabel(text, Panel1);
    label->setObjectName(QLatin1String(name));
    label->move(position);
    label->adjustSize();
    return label;
}

void TAboutForm::OKButtonClick() {
    accept();
}

void TAboutForm::HomepageLabelClick() {
    // The box is reused, so the label keeps the visited colour for the rest of the run.
    HomepageLabel->SetVisited(true);
    openUrl_(QUrl(QString::fromLatin1(kHomepageAddress)));
}

} // namespace zarvo
