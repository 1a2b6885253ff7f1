// The console's controls, their layout and their wiring to the handlers.
#include "console/DJPlayer.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <cmath>

#include "console/ConsoleLook.h"
#include "console/KeyCodes.h"
#include "core/Frame.h"
#include "media/MediaPlayer.h"
#include "platform/Guarded.h"

namespace {

// Designed positions are in twips, 15 to a pixel.
int px(int twips) {
    return static_cast<int>(std::lround(twips / 15.0));
}

template <class T>
T *place(T *widget, const QString &name, int left, int top, int width, int height) {
    widget->setObjectName(name);
    widget->setGeometry(px(left), px(top), px(width), px(height));
    return widget;
}

QString indexed(const QString &name, int index) {
    return QStringLiteral("%1(%2)").arg(name).arg(index);
}

// A straight line between two corners of its box (the play mark's sides).
class LineWidget : public QWidget {
  public:
    LineWidget(QWidget *parent, bool fromTopLeft) : QWidget(parent), fromTopLeft_(fromTopLeft) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

  protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(ConsoleLook::markColor(palette()), 2.0));
        const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        if (width() <= 2)
            p.drawLine(QPointF(r.center().x(), r.top()), QPointF(r.center().x(), r.bottom()));
        else if (fromTopLeft_)
            p.drawLine(r.topLeft(), r.bottomRight());
        else
            p.drawLine(r.bottomLeft(), r.topRight());
    }

  private:
    bool fromTopLeft_;
};

QFrame *makeShape(QWidget *parent, ConsoleLook::Shape::Kind kind) {
    return new ConsoleLook::Shape(parent, kind);
}

QLabel *makeLabel(QWidget *parent, const QString &name, const QString &text) {
    auto *l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setTextFormat(Qt::PlainText);
    return l;
}

QPushButton *makeButton(QWidget *parent, const QString &name, const QString &text, const QString &tip) {
    auto *b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setToolTip(tip);
    b->setAutoDefault(false);
    return b;
}

}  // namespace

DJPlayer &DJPlayerInstance() {
    static DJPlayer *instance = new DJPlayer();
    return *instance;
}

DJPlayer::DJPlayer() : MdiChild(nullptr) {
    setObjectName("DJPlayer");
    setWindowTitle("Players & DJ Mixpad");
    setFont(DesignFont());
    // The designed client area; the broadcast strip below it shows when the window grows.
    resize(px(10320), px(5955));

    buildToolbar();
    Line1 = place(new QFrame(this), "Line1", 0, 660, 10320, 15);
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);
    Line2 = place(new QFrame(this), "Line2", 0, 6060, 10320, 15);
    Line2->setFrameShape(QFrame::HLine);
    Line2->setFrameShadow(QFrame::Sunken);

    buildPlayer(0);
    buildPlayer(1);
    buildJingles();
    buildMixer();
    buildBroadcastPanel();
    buildEmergencyBanner();
    buildMenus();
    buildTimers();

    MediaPlayer1 = new MediaPlayer(this);
    MediaPlayer1->setObjectName("MediaPlayer1");
    MediaPlayer2 = new MediaPlayer(this);
    MediaPlayer2->setObjectName("MediaPlayer2");
    MediaPlayer3 = new MediaPlayer(this);
    MediaPlayer3->setMeasureOnly(true);
    MediaPlayer3->setObjectName("MediaPlayer3");
    MediaPlayer4 = new MediaPlayer(this, true);
    MediaPlayer4->setObjectName("MediaPlayer4");

    connectEvents();
}

DJPlayer::~DJPlayer() = default;

QSize DJPlayer::sizeHint() const {
    return QSize(px(10320), px(5955));
}

void DJPlayer::FitDesignedSize(bool withBand) {
    const QSize client = sizeHint() + QSize(0, withBand ? px(680) : 0);
    setFixedSize(client);
    auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget());
    if (!sub)
        return;
    // The frame window around the console: its title bar and borders, and its layout's margins.
    QMargins m = sub->contentsMargins();
    if (sub->layout())
        m += sub->layout()->contentsMargins();
    sub->setFixedSize(client.grownBy(m));
}

void DJPlayer::buildPlayer(int which) {
    const bool a = which == 0;
    auto *frame = place(new QGroupBox(a ? "Player A" : "Player B", this), a ? "Frame1" : "Frame2",
                        a ? 120 : 6720, 720, 3495, 5100);
    auto *combo = place(new QComboBox(frame), a ? "Combo1" : "Combo2", 120, 240, 3255, 315);
    auto *names = place(new QListWidget(frame), a ? "List1" : "List2", 120, 720, 2895, 2595);
    names->setSelectionMode(QAbstractItemView::ExtendedSelection);
    names->setEnabled(false);
    new ConsoleLook::FocusRing(names);
    auto *paths = place(new QListWidget(frame), a ? "List3" : "List4", 120, 720, 2895, 2595);
    paths->setSelectionMode(QAbstractItemView::ExtendedSelection);
    paths->hide();

    auto *up =
        place(makeButton(frame, "", "", "Пункт вверх"), a ? "Command16" : "Command18", 3090, 720, 285, 330);
    up->setIcon(style()->standardIcon(QStyle::SP_ArrowUp));
    up->setEnabled(false);
    auto *down =
        place(makeButton(frame, "", "", "Пункт вниз"), a ? "Command17" : "Command19", 3090, 1080, 285, 330);
    down->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    down->setEnabled(false);

    // The running light: a column of six lamps right of the item list.
    auto *column = place(makeShape(frame, ConsoleLook::Shape::Outline), indexed("Shape10", which), 3090, 1500,
                         285, 1815);
    std::array<QLabel *, 6> lamps{};
    for (int k = 0; k < 6; ++k) {
        lamps[k] = place(new ConsoleLook::Lamp(frame), indexed(a ? "Ind1" : "Ind2", k), 3135, 1560 + k * 290,
                         195, 240);
        lamps[k]->hide();
    }

    auto *add = place(makeButton(frame, "", "Add", "Добавить пункт в плейлист"), a ? "Command1" : "Command3",
                      120, 3480, 735, 375);
    add->setEnabled(false);
    auto *total = place(new QGroupBox("Total", frame), a ? "Frame6" : "Frame7", 960, 3390, 855, 495);
    auto *totalLabel = place(makeLabel(total, "", "0:00:00"), a ? "Label11" : "Label12", 60, 210, 735, 240);
    totalLabel->setAlignment(Qt::AlignCenter);
    auto *select = place(new QGroupBox("Select", frame), a ? "Frame8" : "Frame9", 1860, 3390, 855, 495);
    auto *selectLabel = place(makeLabel(select, "", "0:00:00"), a ? "Label13" : "Label14", 60, 210, 735, 240);
    selectLabel->setAlignment(Qt::AlignCenter);
    select->setEnabled(false);
    auto *remove = place(makeButton(frame, "", "Delete", "Удалить пункт из плейлиста"),
                         a ? "Command2" : "Command4", 2760, 3480, 615, 375);
    remove->setEnabled(false);

    auto *title = place(makeLabel(frame, "", ""), a ? "Label1" : "Label2", 120, 3960, 2655, 255);
    auto *path =
        place(makeLabel(frame, "", a ? "Label3" : "Label4"), a ? "Label3" : "Label4", 120, 3960, 2655, 255);
    path->hide();
    auto *duration = place(makeLabel(frame, "", "00:00"), a ? "Label7" : "Label8", 2850, 4005, 525, 255);

    auto *play = place(makeButton(frame, "", "Play", "Воспроизведение"), a ? "Command9" : "Command10", 120,
                       4320, 735, 345);
    play->setEnabled(false);
    auto *stop =
        place(makeButton(frame, "", "Stop", "Остановка"), a ? "Command13" : "Command14", 960, 4320, 735, 345);
    stop->setEnabled(false);

    // State marks and remaining time, right of "Stop".
    auto *marks =
        place(makeShape(frame, ConsoleLook::Shape::Rounded), a ? "Shape4" : "Shape5", 1800, 4290, 1005, 405);
    std::array<QWidget *, 3> triangle{};
    triangle[0] = place(new LineWidget(frame, true), indexed(a ? "Line3" : "Line4", 0), 1905, 4365, 30, 255);
    triangle[1] = place(new LineWidget(frame, true), indexed(a ? "Line3" : "Line4", 1), 1905, 4365, 210, 135);
    triangle[2] =
        place(new LineWidget(frame, false), indexed(a ? "Line3" : "Line4", 2), 1905, 4485, 210, 135);
    for (auto *line : triangle)
        line->hide();
    std::array<QFrame *, 2> bars{};
    for (int k = 0; k < 2; ++k) {
        const QString name = indexed(a ? "Shape8" : "Shape9", k);
        bars[k] = place(makeShape(frame, ConsoleLook::Shape::Fill), name, 1905 + k * 120, 4365, 60, 255);
        bars[k]->hide();
    }
    auto *square =
        place(makeShape(frame, ConsoleLook::Shape::Fill), a ? "Shape6" : "Shape7", 1920, 4380, 225, 225);
    square->hide();
    auto *remaining = place(makeLabel(frame, "", "00:00"), a ? "Label9" : "Label10", 2220, 4365, 540, 255);
    remaining->hide();
    auto *mute = place(makeLabel(frame, "", "MUTE"), a ? "Label5" : "Label6", 2865, 4365, 525, 255);
    QFont bold = mute->font();
    bold.setBold(true);
    mute->setFont(bold);
    mute->hide();

    // As wide as the room left of the position slider, so the caption shows whole.
    auto *repeat = place(new QCheckBox("Repeat", frame), a ? "Check2" : "Check3", 120, 4700, 840, 285);
    repeat->setToolTip("Повтор");
    auto *position = place(new QSlider(Qt::Horizontal, frame), a ? "Scrol1" : "Scrol2", 960, 4770, 2415, 255);
    position->setRange(0, 32768);
    position->setValue(0);
    position->setTickPosition(QSlider::NoTicks);

    if (a) {
        Frame1 = frame, Combo1 = combo, List1 = names, List3 = paths, Command16 = up, Command17 = down;
        Shape10[0] = column, Ind1 = lamps, Command1 = add, Frame6 = total, Label11 = totalLabel;
        Frame8 = select, Label13 = selectLabel, Command2 = remove, Label1 = title, Label3 = path;
        Label7 = duration, Command9 = play, Command13 = stop, Shape4 = marks, Line3 = triangle;
        Shape8 = bars, Shape6 = square, Label9 = remaining, Label5 = mute, Check2 = repeat, Scrol1 = position;
    } else {
        Frame2 = frame, Combo2 = combo, List2 = names, List4 = paths, Command18 = up, Command19 = down;
        Shape10[1] = column, Ind2 = lamps, Command3 = add, Frame7 = total, Label12 = totalLabel;
        Frame9 = select, Label14 = selectLabel, Command4 = remove, Label2 = title, Label4 = path;
        Label8 = duration, Command10 = play, Command14 = stop, Shape5 = marks, Line4 = triangle;
        Shape9 = bars, Shape7 = square, Label10 = remaining, Label6 = mute, Check3 = repeat,
        Scrol2 = position;
    }
}

void DJPlayer::buildJingles() {
    Frame4 = place(new QGroupBox("Jingles", this), "Frame4", 3720, 720, 2895, 1695);
    for (int k = 0; k < 12; ++k) {
        const int row = k / 4, col = k % 4;
        Command11[k] = place(makeButton(Frame4, "", QString(QChar('A' + k)), ""), indexed("Command11", k),
                             120 + col * 675, 300 + row * 450, 615, 375);
        Command11[k]->setEnabled(false);
    }
}

void DJPlayer::buildMixer() {
    Frame3 = place(new QGroupBox("DJ Mixpad", this), "Frame3", 3720, 2505, 2895, 3315);
    auto level = [this](const QString &name, int left) {
        auto *s = place(new QSlider(Qt::Vertical, Frame3), name, left, 240, 615, 2295);
        s->setRange(0, 42);
        s->setValue(0);
        // 0 dB of attenuation at the top, as on a desk.
        s->setInvertedAppearance(true);
        s->setInvertedControls(true);
        s->setTickPosition(QSlider::TicksBothSides);
        s->setTickInterval(6);
        ConsoleLook::drawTicks(s);
        return s;
    };
    Slider1 = level("Slider1", 120);
    Slider2 = level("Slider2", 2160);
    Command7 = place(makeButton(Frame3, "", "Tlk", "Silence for talking"), "Command7", 840, 1200, 555, 375);
    Command8 = place(makeButton(Frame3, "", "Tlk", "Silence for talking"), "Command8", 1500, 1200, 555, 375);
    Command5 = place(makeButton(Frame3, "", "M", "Отключить звук плеера A"), "Command5", 840, 1680, 555, 375);
    Command6 =
        place(makeButton(Frame3, "", "M", "Отключить звук плеера B"), "Command6", 1500, 1680, 555, 375);
    // Up to player B's level slider, so the caption shows whole.
    Check1 = place(new QCheckBox("Auto Crossing", Frame3), "Check1", 840, 2160, 1320, 285);
    Check1->setToolTip("Автоматическое сведение");
    Frame5 = place(new QGroupBox("Cross Fader", Frame3), "Frame5", 120, 2520, 2650, 700);
    Slider3 = place(new QSlider(Qt::Horizontal, Frame5), "Slider3", 120, 270, 2410, 375);
    Slider3->setRange(0, 84);
    Slider3->setValue(42);
    Slider3->setTickPosition(QSlider::NoTicks);
}

void DJPlayer::buildBroadcastPanel() {
    Label15 = place(makeLabel(this, "", "Begin Time:"), "Label15", 120, 6135, 1035, 255);
    Label16 = place(makeLabel(this, "", "Limit Time:"), "Label16", 2040, 6135, 1035, 255);
    Shape1 = place(makeShape(this, ConsoleLook::Shape::Outline), "Shape1", 1170, 6090, 765, 285);
    Shape2 = place(makeShape(this, ConsoleLook::Shape::Outline), "Shape2", 3090, 6090, 765, 285);
    const int lefts[2] = {1200, 3120};
    for (int k = 0; k < 2; ++k) {
        const QString tip = k == 0 ? "Custom Begin Time" : "Custom Limit Time";
        auto box = [&](const QString &name, int left) {
            auto *e = place(new QLineEdit("00", this), indexed(name, k), left, 6120, 195, 225);
            e->setToolTip(tip);
            e->setMaxLength(2);
            e->setFrame(false);
            e->setAlignment(Qt::AlignCenter);
            // Two digits in a box 13 pixels wide: the text takes the box's own inner margin too.
            e->setTextMargins(-2, 0, -2, 0);
            return e;
        };
        Text1[k] = box("Text1", lefts[k]);
        Text2[k] = box("Text2", lefts[k] + 255);
        Text3[k] = box("Text3", lefts[k] + 510);
    }
    Label17 = place(makeLabel(this, "", ":"), "Label17", 1395, 6120, 60, 225);
    Label18 = place(makeLabel(this, "", ":"), "Label18", 1650, 6120, 60, 225);
    Label19 = place(makeLabel(this, "", ":"), "Label19", 3315, 6120, 60, 225);
    Label20 = place(makeLabel(this, "", ":"), "Label20", 3570, 6120, 60, 225);
    Command15 = place(makeButton(this, "", "Cancel", ""), "Command15", 4080, 6075, 855, 330);
    Command15->setEnabled(false);
    Command15->setProperty("Tag", QString("Cancel"));
    Command12 = place(makeButton(this, "", "On Air", ""), "Command12", 5040, 6075, 1215, 330);
    Command12->setProperty("Tag", QString("E"));
    // The on-air lamp lies behind the status text, which reads "Prepare" or "On Air" on it.
    Shape3 = place(makeShape(this, ConsoleLook::Shape::StateLamp), "Shape3", 6420, 6090, 960, 300);
    Label21 = place(makeLabel(this, "", ""), "Label21", 6450, 6105, 900, 270);
    Label21->setAlignment(Qt::AlignCenter);
    Check4 = place(new QCheckBox("Auto Start", this), "Check4", 7440, 6120, 1095, 285);
    Check5 = place(new QCheckBox("Auto Stop", this), "Check5", 8640, 6120, 1095, 285);
}

void DJPlayer::buildEmergencyBanner() {
    // Over the whole broadcast row: its buttons stand a little above 6120 twips, and
    // not a pixel of them may show above the banner.
    Frame10 = place(makeShape(this, ConsoleLook::Shape::Banner), "Frame10", 120, 6075, 10095, 420);
    for (int k = 0; k < 6; ++k) {
        Label22[k] =
            place(makeLabel(Frame10, "", "Emergency"), indexed("Label22", k), k * 1680, 60, 1680, 255);
        Label22[k]->setAlignment(Qt::AlignCenter);
        QFont f = Label22[k]->font();
        f.setBold(true);
        Label22[k]->setFont(f);
    }
    Frame10->hide();
}

void DJPlayer::buildToolbar() {
    Toolbar1 = new QToolBar(this);
    Toolbar1->setObjectName("Toolbar1");
    Toolbar1->setGeometry(0, 0, px(10320), px(645));
    Toolbar1->setIconSize(QSize(24, 24));
    Toolbar1->setMovable(false);
    struct Button {
        const char *key;
        const char *picture;  // from the toolbar's image list; none for "Remote"
        const char *tip;
        bool check;
    };
    // Position 1..14; a null key is a separator.
    const Button buttons[14] = {
        {"script", ":/images/tb_script.png", "Открыть Окно сценариев", false},
        {"Remote", nullptr, "Окно удаленного управления", false},
        {nullptr, nullptr, nullptr, false},
        {"NewA", ":/images/tb_newa.png", "Создать новый плейлист для плеера A", false},
        {"NewB", ":/images/tb_newb.png", "Создать новый плейлист для плеера B", false},
        {"jin", ":/images/tb_jingles.png", "Настройка джинглов", false},
        {"Delete", ":/images/tb_delete.png", "Удаление плейлистов", false},
        {"Broadcon", ":/images/tb_broadcast.png", "Контроль времени вещания", true},
        {nullptr, nullptr, nullptr, false},
        {"Talk", ":/images/tb_talk.png", "Установка уровня затухания", false},
        {nullptr, nullptr, nullptr, false},
        {"Alarm", ":/images/tb_alarm.png", "Аварийная ситуация", true},
        {nullptr, nullptr, nullptr, false},
        {"Help", ":/images/tb_help.png", "Справка", false},
    };
    for (int pos = 1; pos <= 14; ++pos) {
        const Button &b = buttons[pos - 1];
        if (!b.key) {
            Toolbar1Buttons[pos] = Toolbar1->addSeparator();
            continue;
        }
        auto *action = new QAction(this);
        action->setObjectName(b.key);
        action->setText(b.key);
        action->setToolTip(b.tip);
        if (b.picture)
            action->setIcon(QIcon(QString::fromLatin1(b.picture)));
        action->setCheckable(b.check);
        Toolbar1->addAction(action);
        if (QWidget *button = Toolbar1->widgetForAction(action))
            button->setObjectName(b.key);
        const QString key = b.key;
        connect(action, &QAction::triggered, this, [this, key] { Toolbar1_ButtonClick(key); });
        Toolbar1Buttons[pos] = action;
    }
    Toolbar1Button("Remote")->setVisible(false);
    Toolbar1Button("Delete")->setEnabled(false);
}

QAction *DJPlayer::Toolbar1Button(int position) const {
    return position >= 1 && position <= 14 ? Toolbar1Buttons[position] : nullptr;
}

QAction *DJPlayer::Toolbar1Button(const QString &key) const {
    for (int pos = 1; pos <= 14; ++pos)
        if (Toolbar1Buttons[pos] && !Toolbar1Buttons[pos]->isSeparator() &&
            Toolbar1Buttons[pos]->objectName() == key)
            return Toolbar1Buttons[pos];
    return nullptr;
}

void DJPlayer::buildTimers() {
    const int intervals[12] = {0, 40, 40, 40, 1000, 1000, 333, 1000, 1000, 250, 200, 200};
    QTimer **timers[12] = {nullptr, &Timer1, &Timer2, &Timer3, &Timer4,  &Timer5,
                           &Timer6, &Timer7, &Timer8, &Timer9, &Timer10, &Timer11};
    for (int k = 1; k <= 11; ++k) {
        auto *timer = new QTimer(this);
        timer->setObjectName(QStringLiteral("Timer%1").arg(k));
        timer->setTimerType(Qt::PreciseTimer);
        timer->setInterval(intervals[k]);
        *timers[k] = timer;
    }
}

QWidget *DJPlayer::windowFrame() {
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
        return sub;
    return this;
}

void DJPlayer::HideConsole() {
    windowFrame()->hide();
}

void DJPlayer::closeEvent(QCloseEvent *event) {
    // The close box hides the console, as "Close" does; it stays loaded.
    event->ignore();
    HideConsole();
}

void DJPlayer::scheduleListClick(QListWidget *list) {
    const int k = list == List1 ? 0 : 1;
    if (listClickPending_[k])
        return;
    listClickPending_[k] = true;
    // After the list has settled its current item and selection, once per user action.
    QTimer::singleShot(0, this, [this, k] {
        listClickPending_[k] = false;
        try {
            k == 0 ? List1_Click() : List2_Click();
        } catch (const std::exception &) {
        }
    });
}

bool DJPlayer::eventFilter(QObject *watched, QEvent *event) {
    const QEvent::Type type = event->type();
    try {
        // Item lists: their viewports get the mouse, the lists the keys and the focus.
        for (int k = 0; k < 2; ++k) {
            QListWidget *list = k == 0 ? List1 : List2;
            if (watched == list->viewport() &&
                (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease)) {
                auto *me = static_cast<QMouseEvent *>(event);
                const int b = buttonCode(me->button()), s = shiftMask(me->modifiers());
                const float x = float(me->position().x() * 15), y = float(me->position().y() * 15);
                if (type == QEvent::MouseButtonPress) {
                    if (me->button() == Qt::LeftButton && list->itemAt(me->position().toPoint()))
                        scheduleListClick(list);
                    k == 0 ? List1_MouseDown(b, s, x, y) : List2_MouseDown(b, s, x, y);
                } else {
                    k == 0 ? List1_MouseUp(b, s, x, y) : List2_MouseUp(b, s, x, y);
                }
            } else if (watched == list) {
                if (type == QEvent::KeyPress) {
                    // Space, S, F and T are the player's commands on release: the list must not
                    // select or search with them (a queue's selection would collapse before Play).
                    const int key = virtualKeyCode(static_cast<QKeyEvent *>(event)->key());
                    if (key == Qt::Key_Space || key == Qt::Key_S || key == Qt::Key_F || key == Qt::Key_T)
                        return true;
                    // A key that moves the current item or the selection clicks the list.
                    const int before = list->currentRow();
                    const auto selected = list->selectionModel()->selectedRows();
                    QTimer::singleShot(0, this, [this, list, before, selected] {
                        if (list->currentRow() != before ||
                            list->selectionModel()->selectedRows() != selected)
                            scheduleListClick(list);
                    });
                } else if (type == QEvent::KeyRelease) {
                    auto *ke = static_cast<QKeyEvent *>(event);
                    if (!ke->isAutoRepeat())
                        k == 0 ? List1_KeyUp(virtualKeyCode(ke->key()), shiftMask(ke->modifiers()))
                               : List2_KeyUp(virtualKeyCode(ke->key()), shiftMask(ke->modifiers()));
                } else if (type == QEvent::FocusIn) {
                    k == 0 ? List1_GotFocus() : List2_GotFocus();
                }
            }
        }
        if (type == QEvent::MouseButtonRelease) {
            auto *me = static_cast<QMouseEvent *>(event);
            const int b = buttonCode(me->button()), s = shiftMask(me->modifiers());
            const float x = float(me->position().x() * 15), y = float(me->position().y() * 15);
            if (watched == Slider1)
                Slider1_MouseUp(b, s, x, y);
            else if (watched == Slider2)
                Slider2_MouseUp(b, s, x, y);
            else if (watched == Slider3)
                Slider3_MouseUp(b, s, x, y);
            else if (watched == Command7)
                Command7_MouseUp(b, s, x, y);
            else if (watched == Command8)
                Command8_MouseUp(b, s, x, y);
        }
        // Time boxes.
        for (int k = 0; k < 2; ++k) {
            for (int box = 0; box < 3; ++box) {
                QLineEdit *edit = box == 0 ? Text1[k] : box == 1 ? Text2[k] : Text3[k];
                if (watched != edit)
                    continue;
                if (type == QEvent::KeyPress) {
                    auto *ke = static_cast<QKeyEvent *>(event);
                    int keyAscii = ke->key() == Qt::Key_Backspace ? 8 : 0;
                    // Control characters too (Enter, Ctrl+C/V/X): the box's filter discards them.
                    if (!keyAscii && !ke->text().isEmpty() && ke->key() != Qt::Key_Tab &&
                        ke->key() != Qt::Key_Backtab && ke->key() != Qt::Key_Delete)
                        keyAscii = ke->text().at(0).unicode();
                    if (!keyAscii)
                        return false;
                    const int typed = keyAscii;
                    box == 0   ? Text1_KeyPress(k, keyAscii)
                    : box == 1 ? Text2_KeyPress(k, keyAscii)
                               : Text3_KeyPress(k, keyAscii);
                    if (keyAscii == 0)
                        return true;
                    if (keyAscii != typed) {
                        edit->insert(QString(QChar(keyAscii)));
                        return true;
                    }
                } else if (type == QEvent::FocusOut) {
                    box == 0 ? Text1_LostFocus(k) : box == 1 ? Text2_LostFocus(k) : Text3_LostFocus(k);
                }
            }
        }
    } catch (const std::exception &) {
    }
    return MdiChild::eventFilter(watched, event);
}

void DJPlayer::connectEvents() {
    auto click = [this](QAbstractButton *b, void (DJPlayer::*handler)()) {
        connect(b, &QAbstractButton::clicked, this,
                [this, handler] { guarded([&] { (this->*handler)(); }); });
    };
    auto toggled = [this](QCheckBox *b, void (DJPlayer::*handler)()) {
        connect(b, &QCheckBox::toggled, this, [this, handler] { guarded([&] { (this->*handler)(); }); });
    };
    auto timer = [this](QTimer *t, void (DJPlayer::*handler)()) {
        connect(t, &QTimer::timeout, this, [this, handler] { guarded([&] { (this->*handler)(); }); });
    };
    auto changed = [this](QSlider *s, void (DJPlayer::*handler)()) {
        connect(s, &QSlider::valueChanged, this, [this, handler] { guarded([&] { (this->*handler)(); }); });
    };

    click(Command1, &DJPlayer::Command1_Click);
    click(Command2, &DJPlayer::Command2_Click);
    click(Command3, &DJPlayer::Command3_Click);
    click(Command4, &DJPlayer::Command4_Click);
    click(Command5, &DJPlayer::Command5_Click);
    click(Command6, &DJPlayer::Command6_Click);
    click(Command7, &DJPlayer::Command7_Click);
    click(Command8, &DJPlayer::Command8_Click);
    click(Command9, &DJPlayer::Command9_Click);
    click(Command10, &DJPlayer::Command10_Click);
    click(Command12, &DJPlayer::Command12_Click);
    click(Command13, &DJPlayer::Command13_Click);
    click(Command14, &DJPlayer::Command14_Click);
    click(Command15, &DJPlayer::Command15_Click);
    click(Command16, &DJPlayer::Command16_Click);
    click(Command17, &DJPlayer::Command17_Click);
    click(Command18, &DJPlayer::Command18_Click);
    click(Command19, &DJPlayer::Command19_Click);
    for (int k = 0; k < 12; ++k)
        connect(Command11[k], &QAbstractButton::clicked, this,
                [this, k] { guarded([&] { Command11_Click(k); }); });
    toggled(Check1, &DJPlayer::Check1_Click);
    toggled(Check4, &DJPlayer::Check4_Click);

    connect(Combo1, &QComboBox::activated, this, [this] { guarded([&] { Combo1_Click(); }); });
    connect(Combo2, &QComboBox::activated, this, [this] { guarded([&] { Combo2_Click(); }); });
    connect(List1, &QListWidget::itemDoubleClicked, this, [this] { guarded([&] { List1_DblClick(); }); });
    connect(List2, &QListWidget::itemDoubleClicked, this, [this] { guarded([&] { List2_DblClick(); }); });
    for (QListWidget *list : {List1, List2}) {
        list->installEventFilter(this);
        list->viewport()->installEventFilter(this);
    }

    changed(Slider1, &DJPlayer::Slider1_Change);
    changed(Slider2, &DJPlayer::Slider2_Change);
    changed(Slider3, &DJPlayer::Slider3_Change);
    changed(Scrol1, &DJPlayer::Scrol1_Change);
    changed(Scrol2, &DJPlayer::Scrol2_Change);
    for (QSlider *s : {Scrol1, Scrol2}) {
        const auto scroll = s == Scrol1 ? &DJPlayer::Scrol1_Scroll : &DJPlayer::Scrol2_Scroll;
        connect(s, &QSlider::sliderMoved, this, [this, scroll] { guarded([&] { (this->*scroll)(); }); });
        // A page or step by click or key: the value is set once the action has run.
        connect(s, &QSlider::actionTriggered, this, [this, scroll](int action) {
            if (action == QAbstractSlider::SliderMove || action == QAbstractSlider::SliderNoAction)
                return;
            QTimer::singleShot(0, this, [this, scroll] { guarded([&] { (this->*scroll)(); }); });
        });
    }
    for (QWidget *w : std::initializer_list<QWidget *>{Slider1, Slider2, Slider3, Command7, Command8})
        w->installEventFilter(this);

    for (int k = 0; k < 2; ++k) {
        const std::array<QLineEdit *, 3> boxes = {Text1[k], Text2[k], Text3[k]};
        for (int box = 0; box < 3; ++box) {
            boxes[box]->installEventFilter(this);
            connect(boxes[box], &QLineEdit::textChanged, this, [this, k, box] {
                guarded([&] { box == 0 ? Text1_Change(k) : box == 1 ? Text2_Change(k) : Text3_Change(k); });
            });
        }
    }

    timer(Timer1, &DJPlayer::Timer1_Timer);
    timer(Timer2, &DJPlayer::Timer2_Timer);
    timer(Timer3, &DJPlayer::Timer3_Timer);
    timer(Timer4, &DJPlayer::Timer4_Timer);
    timer(Timer5, &DJPlayer::Timer5_Timer);
    timer(Timer6, &DJPlayer::Timer6_Timer);
    timer(Timer7, &DJPlayer::Timer7_Timer);
    timer(Timer8, &DJPlayer::Timer8_Timer);
    timer(Timer9, &DJPlayer::Timer9_Timer);
    timer(Timer10, &DJPlayer::Timer10_Timer);
    timer(Timer11, &DJPlayer::Timer11_Timer);

    connect(MediaPlayer1, &MediaPlayer::EndOfStream, this,
            [this](int result) { guarded([&] { MediaPlayer1_EndOfStream(result); }); });
    connect(MediaPlayer2, &MediaPlayer::EndOfStream, this,
            [this](int result) { guarded([&] { MediaPlayer2_EndOfStream(result); }); });
}
