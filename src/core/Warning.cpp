#include "core/Warning.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

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

    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

void Warning::Command1_Click(int Index) {
    if (Index < 0 || Index >= int(kButtons.size()))
        return;
    answer_ = kButtons[Index].result;
    accept();
}
