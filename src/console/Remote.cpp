#include "console/Remote.h"

#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QWindow>

#include "console/AutoSt.h"
#include "console/ConsoleGlobals.h"
#include "console/DJPlayer.h"
#include "core/Frame.h"
#include "platform/FixedWindow.h"

namespace {

QPointer<Remote> instance;

// Twips of the design to pixels.
constexpr int px(int twips) {
    return (twips + 7) / 15;
}

const QColor Green(0, 255, 0);

QColor idleColour() {
    return QApplication::palette().color(QPalette::Button);
}

}  // namespace

Remote::Remote() : QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("Remote"));
    setWindowTitle(QStringLiteral("Remote Control"));
    FixedWindow::make(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(px(7320), px(600));
    QFont bold = DesignFont();
    bold.setBold(true);
    setFont(DesignFont());

    const int top = px(120), height = px(375);
    auto button = [&](const char *name, int left, int width, QStyle::StandardPixmap icon, const char *tip) {
        auto *b = new QPushButton(this);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(px(left), top, px(width), height);
        b->setIcon(style()->standardIcon(icon));
        b->setToolTip(QString::fromUtf8(tip));
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };
    Command1 = button("Command1", 120, 495, QStyle::SP_MediaPlay, "Воспроизведение");
    Command5 = button("Command5", 720, 375, QStyle::SP_MediaPause, "Пауза");
    Command2 = button("Command2", 1200, 495, QStyle::SP_MediaSeekBackward, "Пункт назад");
    Command3 = button("Command3", 1800, 495, QStyle::SP_MediaSeekForward, "Пункт вперед");
    Command4 = button("Command4", 2400, 375, QStyle::SP_MediaStop, "Остановка");
    for (QPushButton *b : {Command1, Command5, Command2, Command3, Command4})
        b->setEnabled(false);

    Shape1 = new QFrame(this);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setFrameShape(QFrame::Box);
    Shape1->setGeometry(px(2880), top, px(3015), height);
    auto label = [&](const char *name, int left, int width, const QString &text, Qt::Alignment align) {
        auto *l = new QLabel(text, this);
        l->setObjectName(QLatin1String(name));
        l->setGeometry(px(left), top, px(width), height);
        l->setAlignment(align | Qt::AlignVCenter);
        l->setFont(bold);
        return l;
    };
    Label1 = label("Label1", 3000, 255, QStringLiteral("0"), Qt::AlignRight);
    Label4 = label("Label4", 3240, 135, QStringLiteral("("), Qt::AlignLeft);
    Label5 = label("Label5", 3360, 255, QStringLiteral("0"), Qt::AlignHCenter);
    Label6 = label("Label6", 3600, 135, QStringLiteral(")"), Qt::AlignLeft);
    Label2 = label("Label2", 3720, 2055, QString(), Qt::AlignLeft);
    Label2->setFont(DesignFont());
    Label3 = label("Label3", 6000, 255, QString(), Qt::AlignLeft);
    Label3->setFrameShape(QFrame::Box);
    Label3->setToolTip(QStringLiteral("Status"));
    Label3->setAutoFillBackground(true);
    setLamp(false);

    Command7 = button("Command7", 6360, 375, QStyle::SP_FileDialogListView, "Выбрать плейлист");
    Command6 = button("Command6", 6840, 375, QStyle::SP_TitleBarNormalButton, "Восстановить окно");

    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command5, &QPushButton::clicked, this, [this] { Command5_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
    connect(Command6, &QPushButton::clicked, this, [this] { Command6_Click(); });
    connect(Command7, &QPushButton::clicked, this, [this] { Command7_Click(); });
    // A message raised while the bar comes up takes the focus; its closing gives it back
    // and must not run the activation again (and raise the message again).
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow *focus) {
        if (activating_ && focus && focus != windowHandle())
            skipActivation_ = true;
    });
}

bool Remote::event(QEvent *e) {
    const bool handled = QWidget::event(e);
    if (e->type() == QEvent::WindowActivate) {
        if (skipActivation_)
            skipActivation_ = false;
        else
            Form_Activate();
    }
    return handled;
}

bool Remote::lampGreen() const {
    return Label3->palette().color(QPalette::Window) == Green;
}

void Remote::setLamp(bool green) {
    QPalette pal = Label3->palette();
    pal.setColor(QPalette::Window, green ? Green : idleColour());
    Label3->setPalette(pal);
}

QListWidget *Remote::liveList(int **position) {
    DJPlayer &w = DJPlayerInstance();
    if (LivePlayer == QLatin1String("A")) {
        *position = &ItemIndexA;
        return w.List1;
    }
    if (LivePlayer == QLatin1String("B")) {
        *position = &ItemIndexB;
        return w.List2;
    }
    return nullptr;
}

void Remote::cue() {
    DJPlayer &w = DJPlayerInstance();
    LivePlayer == QLatin1String("A") ? w.List1_Click() : w.List2_Click();
}

void Remote::Form_Activate() {
    if (activating_)
        return;
    activating_ = true;
    try {
        DJPlayer &w = DJPlayerInstance();
        int *position = nullptr;
        QListWidget *list = liveList(&position);
        if (!list) {
            w.HideConsole();
        } else if (list->count() > 0) {
            Label1->setText(QString::number(*position + 1));
            Label5->setText(QString::number(list->count()));
            Label2->setText(*position >= 0 && *position < list->count() ? list->item(*position)->text()
                                                                        : QString());
            Command1->setEnabled(true);
            Command3->setEnabled(true);
            cue();
            w.HideConsole();
        }
    } catch (const std::exception &) {
    }
    activating_ = false;
    if (skipActivation_)
        QTimer::singleShot(300, this, [this] { skipActivation_ = false; });
}

void Remote::Command1_Click() {
    int *position = nullptr;
    if (!liveList(&position) || lampGreen())
        return;
    DJPlayer &w = DJPlayerInstance();
    LivePlayer == QLatin1String("A") ? w.Command9_Click() : w.Command10_Click();
    Command4->setEnabled(true);
    Command5->setEnabled(true);
    setLamp(true);
}

void Remote::Command5_Click() {
    int *position = nullptr;
    if (!liveList(&position) || !lampGreen())
        return;
    DJPlayer &w = DJPlayerInstance();
    LivePlayer == QLatin1String("A") ? w.Command9_Click() : w.Command10_Click();
    setLamp(false);
}

void Remote::Command4_Click() {
    int *position = nullptr;
    if (!liveList(&position))
        return;
    DJPlayer &w = DJPlayerInstance();
    // The console's Stop puts out the lamp and withdraws Stop and Pause here.
    LivePlayer == QLatin1String("A") ? w.Command13_Click() : w.Command14_Click();
}

void Remote::moveTo(QListWidget *list, int &position, int from, int to) {
    position = to;
    list->item(from)->setSelected(false);
    list->item(to)->setSelected(true);
    cue();
    Label1->setText(QString::number(to + 1));
    Label2->setText(list->item(to)->text());
}

void Remote::Command2_Click() {
    int *position = nullptr;
    QListWidget *list = liveList(&position);
    if (!list || list->count() == 0)
        return;
    // The list may have changed since the position was taken: keep it inside the list.
    const int p = std::clamp(*position, 0, static_cast<int>(list->count()) - 1);
    if (p < 1) {
        *position = p;
        Command2->setEnabled(false);
        return;
    }
    moveTo(list, *position, p, p - 1);
    if (p < 2)
        Command2->setEnabled(false);
}

void Remote::Command3_Click() {
    int *position = nullptr;
    QListWidget *list = liveList(&position);
    if (!list || list->count() == 0)
        return;
    const int p = std::clamp(*position, 0, static_cast<int>(list->count()) - 1);
    *position = p;
    if (p >= list->count() - 1)
        return;
    moveTo(list, *position, p, p + 1);
    Command2->setEnabled(true);
}

void Remote::Command6_Click() {
    hide();
    DJPlayerInstance().Show();
}

void Remote::Command7_Click() {
    try {
        activating_ = true;  // the dialog's closing gives the focus back: one activation only
        AutoSt::ShowModal(QStringLiteral("Player Control Options"),
                          QStringLiteral("Select a playlist from which will use the script."));
    } catch (const std::exception &) {
    }
    activating_ = false;
    // The activation that the dialog's closing brings is this one.
    if (isVisible() && !isActiveWindow()) {
        skipActivation_ = true;
        QTimer::singleShot(300, this, [this] { skipActivation_ = false; });
    }
    Form_Activate();
}

Remote &RemoteInstance() {
    if (!instance) {
        instance = new Remote;
        static bool registered = false;
        if (!registered) {
            registered = true;
            // The frame's Exit unloads the remote before it asks its child windows.
            FrameInstance().addUnloadFirst([] {
                if (instance)
                    instance->close();
            });
        }
    }
    return *instance;
}

Remote *RemoteIfLoaded() {
    return instance.data();
}

// "Remote Control": the bar shows on top, 120 pixels right of and 400 below the frame's
// corner, each time the command is given.
void DJPlayer::rct_Click(int) {
    try {
        Remote &r = RemoteInstance();
        r.move(FrameInstance().frameWindow()->frameGeometry().topLeft() + QPoint(120, 400));
        r.show();
        r.raise();
        // A platform that kept the focus on the hidden bar sends no activation when it shows
        // again: the bar then comes up as an activation would bring it.
        const bool focusKept = QGuiApplication::focusWindow() == r.windowHandle() && !r.isActiveWindow();
        r.activateWindow();
        if (focusKept)
            QTimer::singleShot(0, &r, [&r] { r.Form_Activate(); });
    } catch (const std::exception &) {
    }
}
