// The mixer: level sliders, mute keys, the crossfader with its automatic crossing,
// and the fade and crossing speeds.
#include <QAction>
#include <QCheckBox>
#include <QCursor>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include "console/ConsoleGlobals.h"
#include "console/DJPlayer.h"
#include "console/Mixer.h"
#include "console/ToolTips.h"
#include "media/MediaPlayer.h"

namespace {

constexpr int RightButton = 2;

// A level slider applies its level to its own player; the crossfader's share is
// dropped until the crossfader moves again.
void applyLevel(QSlider *slider, MediaPlayer *player, QLabel *muteLabel) {
    const Mixer::LevelEffect e = Mixer::levelLaw(slider->value());
    if (e.mute) {
        player->setMute(true);
        return;
    }
    player->setMute(false);
    player->setVolume(*e.volume);
    muteLabel->setVisible(false);
}

// The mute key and the "MUTE" label toggle each on their own.
void toggleMute(MediaPlayer *player, QLabel *muteLabel) {
    player->setMute(!player->Mute());
    muteLabel->setVisible(muteLabel->isHidden());
}

}  // namespace

void DJPlayer::Slider1_Scroll() {
    applyLevel(Slider1, MediaPlayer1, Label5);
}
void DJPlayer::Slider2_Scroll() {
    applyLevel(Slider2, MediaPlayer2, Label6);
}
void DJPlayer::Slider3_Scroll() {
    MediaFiles::ApplyCrossFader(*this);
}

// A slider's change, by the user or by code, applies the level as a drag does.
void DJPlayer::Slider1_Change() {
    Slider1_Scroll();
}
void DJPlayer::Slider2_Change() {
    Slider2_Scroll();
}
void DJPlayer::Slider3_Change() {
    Slider3_Scroll();
}

void DJPlayer::Command5_Click() {
    toggleMute(MediaPlayer1, Label5);
}
void DJPlayer::Command6_Click() {
    toggleMute(MediaPlayer2, Label6);
}

void DJPlayer::Check1_Click() {
    // Unchecking brings both players back to their own levels; a crossing under way goes on.
    if (!Check1->isChecked())
        Slider3->setValue(Mixer::CrossCentre);
}

void DJPlayer::Timer3_Timer() {
    const Mixer::Step step = Mixer::crossStep(CrossToA, Slider3->value());
    Slider3->setValue(step.value);
    if (!step.done)
        return;
    Timer3->stop();
    CrossToA ? Command14_Click() : Command13_Click();
}

void DJPlayer::Slider3_MouseUp(int Button, int, float, float) {
    if (Button == RightButton)
        cross->popup(QCursor::pos());
}

void DJPlayer::ft_Click(int Index) {
    if (Index < 221 || Index > 225)
        return;
    const int interval = Mixer::speedInterval(Index - 221);
    Timer1->setInterval(interval);
    Timer2->setInterval(interval);
    ToolTips::SetToolTips(Index - 200);
}

void DJPlayer::cro_Click(int Index) {
    if (Index < 231 || Index > 235)
        return;
    ToolTips::SetToolTips(Index - 200);
    Timer3->setInterval(Mixer::speedInterval(Index - 231));
}

void DJPlayer::ftA_Click(int Index) {
    ft_Click(Index - 300);
}
void DJPlayer::croa_Click(int Index) {
    cro_Click(Index + 170);
}
