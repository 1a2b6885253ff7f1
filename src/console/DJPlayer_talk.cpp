// Talk keys and their fades, the talk level menus and the right-click popups of the
// level sliders and talk keys.
#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include "console/ConsoleGlobals.h"
#include "console/DJPlayer.h"
#include "console/Faders.h"
#include "console/Mixer.h"
#include "console/ToolTips.h"
#include "platform/Settings.h"

namespace {

constexpr int RightButton = 2;

// One step of a player's talk fade; the level slider's change sets the volume.
void fadeTick(bool talkOn, QSlider *slider, int savedLevel, QTimer *fadeTimer) {
    const Mixer::Step step = Mixer::fadeStep(talkOn, slider->value(), Mixer::talkLevel(), savedLevel);
    slider->setValue(step.value);
    if (step.done)
        fadeTimer->stop();
}

}  // namespace

void DJPlayer::Command7_Click() {
    MediaFiles::ToggleTalk(TalkOnA, Slider1, TalkSavedLevelA, Timer1);
}
void DJPlayer::Command8_Click() {
    MediaFiles::ToggleTalk(TalkOnB, Slider2, TalkSavedLevelB, Timer2);
}

void DJPlayer::Timer1_Timer() {
    fadeTick(TalkOnA, Slider1, TalkSavedLevelA, Timer1);
}
void DJPlayer::Timer2_Timer() {
    fadeTick(TalkOnB, Slider2, TalkSavedLevelB, Timer2);
}

void DJPlayer::dB_Click(int Index) {
    if (Index == 211) {
        Settings::save("LastFadeLevel", "18");
        ToolTips::SetToolTips(1);
        dB[211]->setChecked(true);
        dBA[511]->setChecked(true);
    } else if (Index == 213) {
        dB[211]->setChecked(false);
        dBA[511]->setChecked(false);
        Faders::load().showTopmost(this);
    }
}

void DJPlayer::dBA_Click(int Index) {
    if (Index == 511) {
        dB_Click(211);
        ToolTips::SetToolTips(1);
        return;
    }
    // "Hold Level": the player whose level slider was right-clicked last talks at its level.
    const bool b = LastFaderIsB != 0;
    const int level = (b ? Slider2 : Slider1)->value();
    Settings::save("LastFadeLevel", QString::number(level));
    dB[211]->setChecked(false);
    dBA[511]->setChecked(false);
    (b ? TalkOnB : TalkOnA) = true;
    Faders::load().Slider1->setValue(level);
}

void DJPlayer::Slider1_MouseUp(int Button, int, float, float) {
    if (Button != RightButton)
        return;
    LastFaderIsB = 0;
    sla->popup(QCursor::pos());
}
void DJPlayer::Slider2_MouseUp(int Button, int, float, float) {
    if (Button != RightButton)
        return;
    LastFaderIsB = 1;
    sla->popup(QCursor::pos());
}
void DJPlayer::Command7_MouseUp(int Button, int, float, float) {
    if (Button == RightButton)
        sla->popup(QCursor::pos());
}
void DJPlayer::Command8_MouseUp(int Button, int, float, float) {
    if (Button == RightButton)
        sla->popup(QCursor::pos());
}
