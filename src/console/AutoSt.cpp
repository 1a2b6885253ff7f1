#include "console/AutoSt.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>

#include "console/ConsoleGlobals.h"
#include "console/DJPlayer.h"
#include "console/ItemTexts.h"
#include "core/ApplicationFunctions.h"
#include "platform/FixedWindow.h"
#include "platform/Guarded.h"

QString AutoSt::SelPlayer;
int AutoSt::SelIndex = 0;

AutoSt::AutoSt(QWidget *parent) : QDialog(parent) {
    setObjectName("AutoSt");
    setWindowTitle("Auto Start Options");
    FixedWindow::make(this);
    setFont(DJPlayerInstance().font());
    setFixedSize(400, 300);

    Label1 = new QLabel("Select a playlist from which will begin broadcast.", this);
    Label1->setObjectName("Label1");
    Label1->setGeometry(12, 8, 376, 20);

    Shape1 = new QFrame(this);
    Shape1->setObjectName("Shape1");
    Shape1->setFrameShape(QFrame::Box);
    Shape1->setGeometry(8, 32, 384, 216);

    auto side = [this](const char *frameName, const QString &caption, const char *listName, int left,
                       QGroupBox *&frame, QListWidget *&list) {
        frame = new QGroupBox(caption, this);
        frame->setObjectName(frameName);
        frame->setGeometry(left, 38, 180, 176);
        list = new QListWidget(frame);
        list->setObjectName(listName);
        list->setGeometry(8, 20, 164, 148);
    };
    side("Frame1", "Player A", "List1", 14, Frame1, List1);
    side("Frame2", "Player B", "List2", 206, Frame2, List2);

    Label2 = new QLabel("- - - -", this);
    Label2->setObjectName("Label2");
    Label2->setTextFormat(Qt::PlainText);
    Label2->setAlignment(Qt::AlignCenter);
    Label2->setGeometry(14, 220, 372, 20);

    Command1 = new QPushButton("OK", this);
    Command1->setObjectName("Command1");
    Command1->setGeometry(112, 260, 81, 25);
    Command1->setDefault(true);
    Command2 = new QPushButton("Cancel", this);
    Command2->setObjectName("Command2");
    Command2->setGeometry(207, 260, 81, 25);

    // A click, or a key that moves the selection, records the choice.
    connect(List1, &QListWidget::itemClicked, this, [this] { guarded([this] { List1_Click(); }); });
    connect(List2, &QListWidget::itemClicked, this, [this] { guarded([this] { List2_Click(); }); });
    connect(List1, &QListWidget::itemSelectionChanged, this, [this] {
        if (!List1->selectedItems().isEmpty())
            guarded([this] { List1_Click(); });
    });
    connect(List2, &QListWidget::itemSelectionChanged, this, [this] {
        if (!List2->selectedItems().isEmpty())
            guarded([this] { List2_Click(); });
    });
    connect(List1, &QListWidget::itemDoubleClicked, this, [this] { guarded([this] { List1_DblClick(); }); });
    connect(List2, &QListWidget::itemDoubleClicked, this, [this] { guarded([this] { List2_DblClick(); }); });
    connect(Command1, &QPushButton::clicked, this, [this] { guarded([this] { Command1_Click(); }); });
    connect(Command2, &QPushButton::clicked, this, [this] { guarded([this] { Command2_Click(); }); });

    Form_Load();
}

void AutoSt::Form_Load() {
    DJPlayer &console = DJPlayerInstance();
    QStringList a, b;
    ApplicationFunctionsInstance().CopyListToList(comboTexts(console.Combo1), a);
    ApplicationFunctionsInstance().CopyListToList(comboTexts(console.Combo2), b);
    List1->addItems(a);
    List2->addItems(b);
}

void AutoSt::choose(QListWidget *list, const QString &player) {
    const int row = list->currentRow();
    if (row < 0 || row >= list->count())
        return;
    Label2->setText(list->item(row)->text());
    SelIndex = row;
    SelPlayer = player;
}

void AutoSt::List1_Click() {
    choose(List1, QStringLiteral("A"));
}
void AutoSt::List2_Click() {
    choose(List2, QStringLiteral("B"));
}
void AutoSt::List1_DblClick() {
    List1_Click();
}
void AutoSt::List2_DblClick() {
    List2_Click();
}

void AutoSt::Command1_Click() {
    DJPlayer &console = DJPlayerInstance();
    LivePlayer = SelPlayer;
    QComboBox *combo = SelPlayer == QLatin1String("A")   ? console.Combo1
                       : SelPlayer == QLatin1String("B") ? console.Combo2
                                                         : nullptr;
    // A choice kept from an earlier showing may name a playlist deleted since: nothing chosen.
    if (!combo || SelIndex < 0 || SelIndex >= combo->count()) {
        LivePlayer.clear();
    } else {
        combo->setCurrentIndex(SelIndex);
        guarded([&] { combo == console.Combo1 ? console.Combo1_Click() : console.Combo2_Click(); });
    }
    accept();
}

void AutoSt::Command2_Click() {
    reject();
}

void AutoSt::ShowModal(const QString &caption, const QString &prompt) {
    QPointer<AutoSt> window = new AutoSt(QApplication::activeWindow());
    window->setWindowTitle(caption);
    window->Label1->setText(prompt);
    window->exec();
    delete window.data();
}
