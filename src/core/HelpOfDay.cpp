#include "core/HelpOfDay.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <exception>

#include "platform/FileSystem.h"
#include "platform/FixedWindow.h"
#include "platform/ProgramFolder.h"
#include "platform/Settings.h"
#include "platform/TextFile.h"

namespace {
const QString kTipsFile = QStringLiteral("Tips.tps");
}

QStringList HelpOfDay::TipList;
int HelpOfDay::TipIndex = 0;

HelpOfDay::HelpOfDay(QWidget *parent) : QDialog(parent) {
    setObjectName("HelpOfDay");
    setWindowTitle("Tip of the Day");
    FixedWindow::make(this);
    setFixedSize(440, 230);

    Shape1 = new QFrame(this);
    Shape1->setObjectName("Shape1");
    Shape1->setGeometry(12, 12, 416, 170);
    Shape1->setFrameShape(QFrame::Box);
    paintBox();

    Image1 = new QLabel(Shape1);
    Image1->setObjectName("Image1");
    Image1->setGeometry(12, 12, 48, 48);
    Image1->setPixmap(QPixmap(":/images/tip.png"));

    auto *heading = new QLabel("Did you know...", Shape1);
    heading->setObjectName("Label1");
    heading->setGeometry(72, 14, 320, 24);
    QFont bold = heading->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.3);
    heading->setFont(bold);

    lblTipText = new QLabel(Shape1);
    lblTipText->setObjectName("lblTipText");
    lblTipText->setGeometry(72, 46, 332, 114);
    lblTipText->setTextFormat(Qt::PlainText);
    lblTipText->setWordWrap(true);
    lblTipText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The tip is what the window is for: a size easy to read.
    QFont larger = lblTipText->font();
    larger.setPointSizeF(larger.pointSizeF() * 1.15);
    lblTipText->setFont(larger);

    chkLoadTipsAtStartup = new QCheckBox("Show Tips at Startup", this);
    chkLoadTipsAtStartup->setObjectName("chkLoadTipsAtStartup");
    chkLoadTipsAtStartup->setGeometry(12, 194, 180, 22);
    connect(chkLoadTipsAtStartup, &QCheckBox::clicked, this, [this] { chkLoadTipsAtStartup_Click(); });

    cmdNextTip = new QPushButton("Next Tip", this);
    cmdNextTip->setObjectName("cmdNextTip");
    cmdNextTip->setGeometry(252, 192, 84, 26);
    cmdNextTip->setAutoDefault(false);
    connect(cmdNextTip, &QPushButton::clicked, this, [this] { cmdNextTip_Click(); });

    cmdOK = new QPushButton("OK", this);
    cmdOK->setObjectName("cmdOK");
    cmdOK->setGeometry(344, 192, 84, 26);
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    // The keyboard starts on OK: where the desktop lets Enter press the focused control
    // (GNOME's theme does), Enter on the check box would tick it instead of closing.
    cmdOK->setFocus();

    Form_Load();
}

void HelpOfDay::paintBox() {
    // The box is a note on the page: light yellow under the palette's dark text, a dark
    // warm tone under a dark palette's light text, so the tip always reads in the text colour.
    const QColor text = palette().color(QPalette::WindowText);
    const bool lightText = text.lightnessF() > 0.5;
    const QString back = lightText ? QStringLiteral("#3b3623") : QStringLiteral("#fffbe6");
    const QString border = lightText ? QStringLiteral("#8a8470") : QStringLiteral("#9a9a9a");
    Shape1->setStyleSheet(
        QStringLiteral("QFrame#Shape1 { background: %1; border: 1px solid %2; }").arg(back, border));
}

void HelpOfDay::changeEvent(QEvent *event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && Shape1)
        paintBox();
}

bool HelpOfDay::ShowTipsSetting() {
    bool isNumber = false;
    const double value = Settings::get("Show Tips", "1").trimmed().toDouble(&isNumber);
    return isNumber && value == 1.0;
}

void HelpOfDay::Form_Load() {
    if (ShowTipsSetting()) {
        // Ticking the box by code stores the choice as a click would.
        chkLoadTipsAtStartup->setChecked(true);
        chkLoadTipsAtStartup_Click();
    }
    if (!LoadTips(ProgramFolder::shippedFile(kTipsFile))) {
        lblTipText->setText("That the " + kTipsFile + " file was not found? " + "\r\n\r\n" +
                            "Create a text file named " + kTipsFile + " using NotePad with 1 tip per line. " +
                            "Then place it in the same directory as the application. ");
    }
}

bool HelpOfDay::LoadTips(const QString &sFile) {
    if (sFile.isEmpty() || !FileSystem::isExistingFile(sFile))
        return false;
    QStringList lines;
    try {
        lines = TextFile::readLines(sFile);
    } catch (const std::exception &) {
        // An unreadable file is treated as a missing one; the window still works.
        return false;
    }
    TipList.append(lines);
    ShowNextTip();
    return true;
}

void HelpOfDay::ShowNextTip() {
    ++TipIndex;
    if (TipIndex > TipList.size())
        TipIndex = 1;
    DisplayCurrentTip();
}

void HelpOfDay::DisplayCurrentTip() {
    if (!TipList.isEmpty() && TipIndex >= 1 && TipIndex <= TipList.size())
        lblTipText->setText(TipList.at(TipIndex - 1));
}

void HelpOfDay::cmdNextTip_Click() {
    ShowNextTip();
}

void HelpOfDay::cmdOK_Click() {
    accept();
}

void HelpOfDay::chkLoadTipsAtStartup_Click() {
    Settings::save("Show Tips", chkLoadTipsAtStartup->isChecked() ? "1" : "0");
}

void HelpOfDay::ShowModal() {
    QPointer<HelpOfDay> window = new HelpOfDay(QApplication::activeWindow());
    window->exec();
    delete window.data();
}
