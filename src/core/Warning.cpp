#include "core/Warning.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <algorithm>

#include "core/Frame.h"
#include "platform/FixedWindow.h"

namespace {
// Designed sizes are in twips; 15 twips to a pixel.
constexpr int px(int twips) {
    return twips / 15;
}

struct ButtonDesign {
    const char *caption;
    int left;    // twips
    int type;    // the button set it belongs to
    int result;  // what pressing it answers
};

constexpr std::array<ButtonDesign, 8> kButtons{{
    {"OK", 1800, 0, 0},
    {"OK", 960, 1, 0},
    {"Cancel", 2640, 1, 1},
    {"Yes", 960, 2, 2},
    {"No", 2640, 2, 3},
    {"Yes", 240, 3, 2},
    {"No", 1800, 3, 3},
    {"Cancel", 3360, 3, 1},
}};

}  // namespace

Warning::Warning(QWidget *parent) : QDialog(parent) {
    setObjectName("Warning");
    setWindowTitle("Vantelbrook2");
    // A fixed dialog with a title bar but no minimise, maximise or close button.
    FixedWindow::make(this, FixedWindow::Close::None);
    setModal(true);
    setFont(DesignFont());
    setFixedSize(px(4800), px(1560));

    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    Image1->setGeometry(0, 0, px(4800), px(960));
    Image1->setPixmap(QPixmap(":/images/banner_warning.png"));
    Image1->hide();

    Image2 = new QLabel(this);
    Image2->setObjectName("Image2");
    Image2->setGeometry(0, 0, px(4800), px(960));
    Image2->setPixmap(QPixmap(":/images/banner_question.png"));
    Image2->hide();

    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Label1->setGeometry(px(1200), px(240), px(3375), px(495));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setAttribute(Qt::WA_TranslucentBackground);
    // The text lies on the banner's light picture, whatever the desktop's colours: a dark
    // palette's light text would vanish there.
    QPalette onBanner = Label1->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        onBanner.setColor(group, QPalette::WindowText, Qt::black);
    Label1->setPalette(onBanner);

    Line1 = new QFrame(this);
    Line1->setObjectName("Line1");
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);
    Line1->setGeometry(0, px(960) - 1, px(4800), 2);

    for (int i = 0; i < int(kButtons.size()); ++i) {
        auto *b = new QPushButton(QString::fromLatin1(kButtons[i].caption), this);
        b->setObjectName(QString("Command1(%1)").arg(i));
        b->setGeometry(px(kButtons[i].left), px(1080), px(1215), px(375));
        b->hide();
        connect(b, &QPushButton::clicked, this, [this, i] { Command1_Click(i); });
        Command1[i] = b;
    }
    // Enter presses "OK" and Escape "Cancel" in the OK/Cancel set; in the other
    // sets Enter presses the focused button and Escape answers the safe choice.
    Command1[1]->setDefault(true);
}

int Warning::SafeAnswer(int wType) {
    switch (wType) {
        case 1:
        case 3:
            return 1;  // Cancel
        case 2:
            return 3;  // No
        default:
            return 0;  // OK
    }
}

void Warning::Prepare(const QString &wPromt, int wType) {
    if (wType < 0 || wType > 3)
        wType = 0;  // a window without buttons could never be answered
    answer_ = SafeAnswer(wType);
    Image1->setVisible(wType <= 1);
    Image2->setVisible(wType >= 2);
    QPushButton *first = nullptr;
    for (int i = 0; i < int(kButtons.size()); ++i) {
        const bool shown = kButtons[i].type == wType;
        Command1[i]->setVisible(shown);
        if (shown && !first)
            first = Command1[i];
    }
    // The leftmost button of the set takes the focus (type 3's first in the table is "Yes").
    if (wType == 3)
        first = Command1[5];
    if (first)
        first->setFocus();
    Label1->setText(wPromt);
    fitMessage();

    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

void Warning::fitMessage() {
    // The designed text area holds two lines; a longer message makes the banner, and with
    // it the window, taller, and a word wider than the area (a path) makes it wider, up to
    // the screen. The text keeps its place; the buttons keep theirs under the banner,
    // centred as designed.
    const QSize designedLabel(px(3375), px(495));
    QSize room(1 << 14, 1 << 14);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        // Less the window's own margins around the text and a title bar's height.
        room = screen->availableGeometry().size() -
               QSize(px(4800) - designedLabel.width(), px(1560) - designedLabel.height() + 40);
    }
    int widest = 0;
    const QFontMetrics metrics(Label1->font());
    for (const QString &word : Label1->text().split(QRegularExpression("\\s+"), Qt::SkipEmptyParts))
        widest = std::max(widest, metrics.horizontalAdvance(word));
    const int margins = 2 * (Label1->margin() + Label1->frameWidth());
    const int width =
        std::clamp(widest + margins, designedLabel.width(), std::max(designedLabel.width(), room.width()));
    const int height = std::clamp(Label1->heightForWidth(width), designedLabel.height(),
                                  std::max(designedLabel.height(), room.height()));
    const QSize extra(width - designedLabel.width(), height - designedLabel.height());
    bannerHeight_ = px(960) + extra.height();

    Label1->resize(width, height);
    setFixedSize(px(4800) + extra.width(), px(1560) + extra.height());
    Line1->setGeometry(0, bannerHeight_ - 1, this->width(), 2);
    for (int i = 0; i < int(kButtons.size()); ++i)
        Command1[i]->move(px(kButtons[i].left) + extra.width() / 2, px(1080) + extra.height());
}

void Warning::paintEvent(QPaintEvent *event) {
    QDialog::paintEvent(event);
    // Where the window grew, the banner goes on as its picture's last row and column do.
    const QLabel *shown = Image2->isVisible() ? Image2 : Image1;
    const QPixmap picture = shown->pixmap();
    if (picture.isNull() || !shown->isVisible())
        return;
    const QRect designed(0, 0, px(4800), px(960));
    QPainter p(this);
    if (bannerHeight_ > designed.height())
        p.drawPixmap(QRect(0, designed.height(), designed.width(), bannerHeight_ - designed.height()),
                     picture, QRect(0, picture.height() - 1, picture.width(), 1));
    if (width() > designed.width())
        p.drawPixmap(QRect(designed.width(), 0, width() - designed.width(), bannerHeight_), picture,
                     QRect(picture.width() - 1, 0, 1, picture.height()));
}

void Warning::Command1_Click(int Index) {
    if (Index < 0 || Index >= int(kButtons.size()))
        return;
    answer_ = kButtons[Index].result;
    accept();
}
