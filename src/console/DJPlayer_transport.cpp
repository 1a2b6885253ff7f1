// Deck transport: Play/Pause, Stop, the position slider and its clock, the running light.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPalette>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include "console/ConsoleGlobals.h"
#include "console/DJPlayer.h"
#include "console/Deck.h"
#include "console/MediaFiles.h"
#include "core/ApplicationFunctions.h"
#include "core/WarningWindows.h"
#include "media/MediaPlayer.h"

namespace {

void showAll(const auto &widgets, bool visible) {
    for (QWidget *w : widgets)
        if (w)
            w->setVisible(visible);
}

// The remote-control window, when it has been made: Stop of either player withdraws its
// Stop and Pause and puts out its lamp.
void resetRemote() {
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (top->objectName() != QLatin1String("Remote"))
            continue;
        if (auto *b = top->findChild<QWidget *>(QStringLiteral("Command4")))
            b->setEnabled(false);
        if (auto *b = top->findChild<QWidget *>(QStringLiteral("Command5")))
            b->setEnabled(false);
        if (auto *lamp = top->findChild<QWidget *>(QStringLiteral("Label3"))) {
            QPalette pal = lamp->palette();
            pal.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
            lamp->setPalette(pal);
        }
    }
}

}  // namespace

namespace Deck {

void playPause(DeckRefs d) {
    // Space, the remote and the automatic start can press Play with nothing cued; an item
    // still loaded in the player can be paused and resumed after its cue was cleared.
    const bool loaded = d.InUse && d.path->text() == d.player->FileName();
    if (d.path->text().isEmpty() || (!d.st.cued && !loaded))
        return;
    try {
        DJPlayer &w = d.w;
        const QString cuedPath = d.path->text();
        w.MediaPlayer3->setFileName(cuedPath);
        d.slider->setMaximum(RoundSeconds(w.MediaPlayer3->Duration()));

        d.del->setEnabled(false);
        d.stop->setEnabled(true);
        d.InUse = true;
        d.remaining->setVisible(true);

        if (d.Playing) {
            d.light->stop();
            d.clock->stop();
            if (cuedPath == d.player->FileName()) {
                d.Position = d.player->CurrentPosition();
                d.player->Pause();
                d.play->setText(QStringLiteral("Play"));
                d.Playing = false;
                showAll(d.playMark, false);
                showAll(d.pauseMark, true);
            } else {
                // Another item was cued during play: stop the playing one (its line is
                // written from what the deck kept when it started), then start the new one.
                const QString newTitle = d.title->text();
                d.title->setText(d.PrevTitle);
                stop(d);
                d.title->setText(newTitle);
                playPause(d);
            }
            return;
        }

        d.light->start();
        QAction *alarm = w.Toolbar1Button(QStringLiteral("Alarm"));
        if (alarm && alarm->isChecked()) {
            alarm->setChecked(false);
            w.Emerg();
        }
        if (cuedPath != d.player->FileName()) {
            d.slider->setValue(0);
            // A paused item replaced by another gets no line, whether or not the new one starts.
            d.st.aired = false;
        }
        if (w.Check1->checkState() != Qt::Unchecked) {
            CrossToA = d.deck == 0;
            w.Timer3->start();
        }
        MediaFiles::StartPlayer(w, *d.player, cuedPath, d.slider->value(), d.remaining);
        d.clock->start();
        d.play->setText(QStringLiteral("Pause"));
        d.Playing = true;
        showAll(d.playMark, true);
        showAll(d.pauseMark, false);
        if (d.stopMark)
            d.stopMark->setVisible(false);
        itemStarted(d);
    } catch (const std::exception &) {
        WarningWindows(QStringLiteral("Your computer have not any sound device."), 0);
    }
}

void stop(DeckRefs d) {
    // Only an item that played has a line: Stop of an idle player writes none.
    itemEnded(d);
    d.del->setEnabled(true);
    d.InUse = false;
    d.clock->stop();
    d.light->stop();
    showAll(d.lamps, false);
    d.RunLightStep = 0;
    try {
        d.player->Stop();
    } catch (const std::exception &) {
    }
    d.slider->setValue(0);
    d.Position = 0;
    d.play->setText(QStringLiteral("Play"));
    d.Playing = false;
    showAll(d.playMark, false);
    showAll(d.pauseMark, false);
    if (d.stopMark)
        d.stopMark->setVisible(true);
    d.remaining->setVisible(false);
    d.stop->setEnabled(false);
    resetRemote();
}

void clockTick(DeckRefs d) {
    try {
        d.slider->setValue(d.slider->value() + 1);
        int left = RoundSeconds(d.player->Duration() - d.player->CurrentPosition());
        d.remaining->setText(ApplicationFunctionsInstance().TimeForm(left));
    } catch (const std::exception &) {
    }
}

void seek(DeckRefs d) {
    try {
        d.player->setCurrentPosition(d.slider->sliderPosition());
    } catch (const std::exception &) {
    }
}

void runLight(DeckRefs d) {
    int &step = d.RunLightStep;
    if (step < 0 || step > 5)
        step = 0;
    d.lamps[static_cast<std::size_t>(step)]->setVisible(true);
    d.lamps[static_cast<std::size_t>(step == 0 ? 5 : step - 1)]->setVisible(false);
    step = step + 1 == 6 ? 0 : step + 1;
}

}  // namespace Deck

void DJPlayer::Command9_Click() {
    Deck::playPause(deckRefs(*this, 0));
}
void DJPlayer::Command10_Click() {
    Deck::playPause(deckRefs(*this, 1));
}
void DJPlayer::Command13_Click() {
    Deck::stop(deckRefs(*this, 0));
}
void DJPlayer::Command14_Click() {
    Deck::stop(deckRefs(*this, 1));
}
void DJPlayer::Scrol1_Scroll() {
    Deck::seek(deckRefs(*this, 0));
}
void DJPlayer::Scrol2_Scroll() {
    Deck::seek(deckRefs(*this, 1));
}
// Values set by code (the clock, Stop, a cue) must not seek: only the user's moves do.
void DJPlayer::Scrol1_Change() {}
void DJPlayer::Scrol2_Change() {}
void DJPlayer::Timer4_Timer() {
    Deck::clockTick(deckRefs(*this, 0));
}
void DJPlayer::Timer5_Timer() {
    Deck::clockTick(deckRefs(*this, 1));
}
void DJPlayer::Timer10_Timer() {
    Deck::runLight(deckRefs(*this, 0));
}
void DJPlayer::Timer11_Timer() {
    Deck::runLight(deckRefs(*this, 1));
}
void DJPlayer::List1_DblClick() {
    Command9_Click();
}
void DJPlayer::List2_DblClick() {
    Command10_Click();
}
