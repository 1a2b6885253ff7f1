// The broadcast clock: the strip's show and hide, Prepare, On Air, Cancel and Stop,
// the countdown with the automatic start, the on-air clock with overtime and the
// automatic stop, and the on-air lamp.
#include <QAction>
#include <QCheckBox>
#include <QColor>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>

#include "console/AutoSt.h"
#include "console/Broadcast.h"
#include "console/ConsoleGlobals.h"
#include "console/ConsoleLook.h"
#include "console/DJPlayer.h"
#include "core/Frame.h"
#include "core/WarningWindows.h"
#include "platform/Guarded.h"

namespace {

// Colours as the console's design gives them, 0x00BBGGRR.
constexpr unsigned LightYellow = 0x00C0FFFF;
constexpr unsigned Red = 0x000000FF;

const QString PrepareReset = QStringLiteral(" Prepare Time: 0:00:00");
const QString CurrentReset = QStringLiteral(" Current Time: 0:00:00");
const QString OvertimeReset = QStringLiteral(" Overtime: 0:00:00");

// The day's second of the countdown's last tick (or of entering Prepare), -1 for none.
int lastCountdownTick = -1;

QColor fromBgr(unsigned bgr) {
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

// The lamp's fill and colour are kept as the shape's properties "BackStyle" (1 opaque,
// 0 transparent) and "BackColor"; it paints itself from them.
void setLamp(QFrame *lamp, bool opaque, unsigned color) {
    lamp->setProperty("BackStyle", opaque ? 1 : 0);
    lamp->setProperty("BackColor", color);
    lamp->update();
}

bool lampOpaque(const QFrame *lamp) {
    return lamp->property("BackStyle").toInt() == 1;
}

unsigned lampColor(const QFrame *lamp) {
    const QVariant c = lamp->property("BackColor");
    return c.isValid() ? c.toUInt() : LightYellow;
}

void setStatus(QLabel *label, const QString &text, bool onAir) {
    label->setText(text);
    QFont f = label->font();
    f.setBold(onAir);
    label->setFont(f);
    QPalette p = label->palette();
    // "Prepare" stands on the light yellow lamp: a dark palette's light button text would
    // vanish on it, so it then reads in black, as on a light palette.
    const QColor buttonText = label->parentWidget()->palette().color(QPalette::ButtonText);
    p.setColor(QPalette::WindowText,
               onAir ? fromBgr(0x00FFFFFF) : ConsoleLook::textOn(fromBgr(LightYellow), buttonText));
    label->setPalette(p);
}

void setBoxesEnabled(DJPlayer &w, int index, bool enabled) {
    w.Text1[index]->setEnabled(enabled);
    w.Text2[index]->setEnabled(enabled);
    w.Text3[index]->setEnabled(enabled);
}

// A timer already running keeps its phase.
void keepRunning(QTimer *t) {
    if (!t->isActive())
        t->start();
}

void panel(int n, const QString &text) {
    FrameInstance().setPanelText(n, text);
}

}  // namespace

namespace Broadcast {

void fitBand(DJPlayer &w) {
    QAction *strip = w.Toolbar1Button(QStringLiteral("Broadcon"));
    w.FitDesignedSize((strip && strip->isChecked()) || !w.Frame10->isHidden());
}

}  // namespace Broadcast

void DJPlayer::bctrl_Click(int) {
    QAction *strip = Toolbar1Button(QStringLiteral("Broadcon"));
    const bool show = !strip->isChecked();
    // Setting the button by code does not run BroadC.
    strip->setChecked(show);
    bctrl->setCheckable(true);
    bctrl->setChecked(show);
    Broadcast::fitBand(*this);
}

void DJPlayer::BroadC() {
    const bool show = Toolbar1Button(QStringLiteral("Broadcon"))->isChecked();
    bctrl->setCheckable(true);
    bctrl->setChecked(show);
    Broadcast::fitBand(*this);
}

void DJPlayer::Command12_Click() {
    if ((LivePlayer == QLatin1String("A") && Label1->text().isEmpty()) ||
        (LivePlayer == QLatin1String("B") && Label2->text().isEmpty())) {
        WarningWindows(QStringLiteral("Selected Player is not ready. Select items from Playlist."), 0);
        return;
    }
    Command15->setEnabled(true);
    if (Command12->property("Tag").toString() == QLatin1String("E")) {
        // Prepare: the countdown to the begin time.
        setBoxesEnabled(*this, 0, false);
        Command12->setText(QStringLiteral("On Air"));
        Command12->setProperty("Tag", QStringLiteral("A"));
        setStatus(Label21, QStringLiteral("Prepare"), false);
        setLamp(Shape3, true, lampColor(Shape3));
        lastCountdownTick = Broadcast::SecondsOfDay();
        keepRunning(Timer8);
        return;
    }
    // On Air.
    Command15->setText(QStringLiteral("Stop"));
    Command15->setProperty("Tag", QStringLiteral("Stop"));
    setLamp(Shape3, lampOpaque(Shape3), Red);
    setStatus(Label21, QStringLiteral("On Air"), true);
    setBoxesEnabled(*this, 1, false);
    Check4->setChecked(false);
    Check4->setEnabled(false);
    Timer8->stop();
    panel(1, PrepareReset);
    keepRunning(Timer6);
    keepRunning(Timer7);
    Command12->setEnabled(false);
}

void DJPlayer::Command15_Click() {
    if (Command15->property("Tag").toString() == QLatin1String("Cancel")) {
        Command15->setEnabled(false);
        Command12->setProperty("Tag", QStringLiteral("E"));
        setLamp(Shape3, false, lampColor(Shape3));
        Label21->setText(QString());
        setBoxesEnabled(*this, 0, true);
        Timer8->stop();
        panel(1, PrepareReset);
        return;
    }
    // Stop: the player is stopped while the state still reads "Stop", so its item is
    // written to the report. Whatever that stop meets, the broadcast goes back to idle.
    guarded([this] {
        if (PlayerAInUse)
            Command13_Click();
        else if (PlayerBInUse)
            Command14_Click();
    });
    Command12->setProperty("Tag", QStringLiteral("E"));
    Command15->setEnabled(false);
    Check4->setEnabled(true);
    Command15->setText(QStringLiteral("Cancel"));
    Command15->setProperty("Tag", QStringLiteral("Cancel"));
    setLamp(Shape3, false, LightYellow);
    setStatus(Label21, QString(), false);
    setBoxesEnabled(*this, 0, true);
    setBoxesEnabled(*this, 1, true);
    Timer8->stop();
    panel(1, PrepareReset);
    Timer7->stop();
    panel(2, CurrentReset);
    panel(3, OvertimeReset);
    Timer6->stop();
    Command12->setEnabled(true);
    OnAirSeconds = 0;
}

void DJPlayer::Timer8_Timer() {
    const int now = Broadcast::SecondsOfDay();
    const int previous = lastCountdownTick;
    lastCountdownTick = now;
    // The begin second is caught on the tick that reaches or passes it, once.
    const bool reached = Broadcast::beginReached(previous, now, BeginSeconds);
    const int left = reached ? 0 : Broadcast::remaining(BeginSeconds, now);
    panel(1, QStringLiteral(" Prepare Time: ") + Broadcast::clockForm(left));
    if (!reached || !Check4->isChecked())
        return;
    // The live player's selected items are cued and played; the broadcast goes on the air
    // whatever the player did.
    guarded([this] {
        if (LivePlayer == QLatin1String("A")) {
            List1_Click();
            Command9_Click();
        } else if (LivePlayer == QLatin1String("B")) {
            List2_Click();
            Command10_Click();
        }
    });
    Command12_Click();
}

void DJPlayer::Timer6_Timer() {
    setLamp(Shape3, !lampOpaque(Shape3), lampColor(Shape3));
}

void DJPlayer::Timer7_Timer() {
    OnAirSeconds += 1;
    panel(2, QStringLiteral(" Current Time: ") + Broadcast::clockForm(OnAirSeconds));
    if (OnAirSeconds > LimitSeconds) {
        if (!Check5->isChecked())
            panel(3, QStringLiteral(" Overtime: ") + Broadcast::clockForm(OnAirSeconds - LimitSeconds));
        else
            Command15_Click();
    }
}

void DJPlayer::Check4_Click() {
    if (Check4->isChecked())
        AutoSt::ShowModal();
    // No live player chosen: the box cannot stay ticked.
    if (LivePlayer.isEmpty())
        Check4->setChecked(false);
}
