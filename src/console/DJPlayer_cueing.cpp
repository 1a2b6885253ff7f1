// Cueing an item or a play queue from the list, and what a player does when its file ends.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListWidget>
#include <QPalette>
#include <QSlider>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "console/ConsoleGlobals.h"
#include "console/ConsoleLook.h"
#include "console/DJPlayer.h"
#include "console/Deck.h"
#include "console/MediaFiles.h"
#include "core/ApplicationFunctions.h"
#include "core/WarningWindows.h"
#include "media/MediaPlayer.h"

namespace {

std::vector<int> selectedRows(const QListWidget *list) {
    std::vector<int> rows;
    for (const QListWidgetItem *item : list->selectedItems())
        rows.push_back(list->row(item));
    std::sort(rows.begin(), rows.end());
    return rows;
}

bool validRow(const QListWidget *list, int row) {
    return row >= 0 && row < list->count();
}

void showItemEntries(DeckRefs &d, bool visible) {
    for (QAction *a : {d.rnm, d.sep, d.prps})
        if (a)
            a->setVisible(visible);
}

QString durationText(double seconds) {
    int whole = RoundSeconds(seconds);
    return ApplicationFunctionsInstance().TimeForm(whole);
}

void markCued(QLabel *title) {
    QPalette pal = title->palette();
    pal.setColor(QPalette::Window, QColor(255, 255, 192));
    // A dark palette's light text would vanish on the light yellow.
    pal.setColor(QPalette::WindowText,
                 ConsoleLook::textOn(QColor(255, 255, 192), pal.color(QPalette::WindowText)));
    title->setPalette(pal);
    title->setAutoFillBackground(true);
}

// Puts the item of `row` into the cue labels with its measured duration.
void showCue(DeckRefs &d, int row, bool colour, double seconds) {
    d.title->setText(Deck::itemText(d.names, row));
    if (colour)
        markCued(d.title);
    d.path->setText(Deck::itemText(d.paths, row));
    d.duration->setText(durationText(seconds));
    d.st.cued = true;
}

// Puts the item of `row` into the cue labels and measures it; returns its duration.
double cueRow(DeckRefs &d, int row, bool colour) {
    const double seconds = Deck::probeDuration(*d.w.MediaPlayer3, Deck::itemText(d.paths, row));
    showCue(d, row, colour, seconds);
    return seconds;
}

int queueLast(DeckRefs &d) {
    const int selected = static_cast<int>(d.names->selectedItems().size());
    const int built = d.Queue.empty() ? 0 : static_cast<int>(d.Queue.size()) - 1;
    return std::min(selected, built) - 1;
}

// The end of a queue: the deck stopped, the queue's first item cued again.
void cueQueueStart(DeckRefs &d) {
    d.QueuePos = 0;
    if (d.Queue.empty() || !validRow(d.names, d.Queue[0]))
        return;
    const double seconds = cueRow(d, d.Queue[0], false);
    d.slider->setMaximum(RoundSeconds(seconds));
}

// Takes the queued item at QueuePos out of the selection and out of the queue, so the
// positions keep matching the selection.
void dropQueued(DeckRefs &d) {
    const int row = d.Queue[static_cast<std::size_t>(d.QueuePos)];
    if (validRow(d.names, row))
        d.names->item(row)->setSelected(false);
    d.Queue.erase(d.Queue.begin() + d.QueuePos);
}

const QString PlayFailure = QStringLiteral("Your computer have not any sound device.");

// Names the items the queue skipped, once the handler has finished (the next item is
// already sounding); a message box inside the handler would let the next end of stream in.
void tellSkipped(DJPlayer &w, const QStringList &paths) {
    if (paths.isEmpty())
        return;
    const QString text = PlayFailure + QLatin1Char('\n') + paths.join(QLatin1Char('\n'));
    QTimer::singleShot(0, &w, [text] {
        try {
            WarningWindows(text, 0);
        } catch (const std::exception &) {
        }
    });
}

// The queue moves on to the next item that exists and starts. On the air nothing may
// leave dead air: an item that cannot be measured or opened is skipped like a missing
// one and named afterwards. Off the air the player stops on it with Play's message.
void advanceQueue(DeckRefs &d) {
    Deck::itemEnded(d);
    ++d.QueuePos;
    QStringList skipped;
    for (;;) {
        if (d.QueuePos > queueLast(d) || d.QueuePos < 0) {
            Deck::stop(d);
            cueQueueStart(d);
            tellSkipped(d.w, skipped);
            return;
        }
        const int row = d.Queue[static_cast<std::size_t>(d.QueuePos)];
        const QString path = Deck::itemText(d.paths, row);
        if (!validRow(d.names, row) || !ApplicationFunctionsInstance().CheckIsFile(path)) {
            dropQueued(d);
            continue;
        }
        double seconds = 0;
        try {
            d.w.MediaPlayer3->setFileName(path);
            seconds = d.w.MediaPlayer3->Duration();
        } catch (const std::exception &) {
            if (Deck::onAir(d.w)) {
                skipped << path;
                dropQueued(d);
                continue;
            }
        }
        if (!std::isfinite(seconds) || seconds < 0)
            seconds = 0;
        showCue(d, row, false, seconds);
        d.slider->setMaximum(RoundSeconds(seconds));
        d.slider->setValue(0);
        d.Position = d.slider->value();
        try {
            MediaFiles::StartPlayer(d.w, *d.player, path, d.Position, d.remaining);
        } catch (const std::exception &) {
            // A file the player opened did not start: the output failed, not the item.
            // (A broadcast in Prepare is on the air by now.)
            if (Deck::onAir(d.w) && d.player->FileName() != path) {
                skipped << path;
                dropQueued(d);
                continue;
            }
            Deck::stop(d);
            tellSkipped(d.w, skipped);
            WarningWindows(PlayFailure, 0);
            return;
        }
        Deck::itemStarted(d);
        tellSkipped(d.w, skipped);
        return;
    }
}

}  // namespace

namespace Deck {

void click(DeckRefs d) {
    try {
        d.PrevTitle = d.title->text();
        if (!d.stop->isEnabled())
            d.del->setEnabled(true);
        const std::vector<int> selected = selectedRows(d.names);
        const int row = activeRow(d.names);
        // With one item selected the commands act on it: make it the current one too.
        if (selected.size() == 1 && d.names->currentRow() != row)
            d.names->selectionModel()->setCurrentIndex(d.names->model()->index(row, 0),
                                                       QItemSelectionModel::NoUpdate);
        if (d.names->count() > 0 && !ApplicationFunctionsInstance().CheckIsFile(itemText(d.paths, row))) {
            WarningWindows(
                QStringLiteral("File is not found. Probably it is removed or moved to other folder."), 0);
            showItemEntries(d, false);
        } else if (d.names->count() > 0) {
            Deck::WaitPointer wait(&d.w);
            if (selected.size() == 1) {
                showItemEntries(d, true);
                d.up->setEnabled(true);
                d.down->setEnabled(true);
                d.selFrame->setEnabled(false);
                d.selTotal->setText(QStringLiteral("0:00:00"));
                d.selTotal->setEnabled(false);
                if (!d.stop->isEnabled() && d.stopMark)
                    d.stopMark->setVisible(true);
                cueRow(d, row, true);
            } else {
                const std::size_t n = selected.size();
                if (n >= 1) {
                    d.up->setEnabled(false);
                    d.down->setEnabled(false);
                    showItemEntries(d, false);
                }
                d.selFrame->setEnabled(true);
                d.selTotal->setEnabled(true);
                d.Queue.resize(n + 1, 0);
                double total = 0;
                for (std::size_t k = 0; k < n; ++k) {
                    d.Queue[k] = selected[k];
                    total += probeDuration(*d.w.MediaPlayer3, itemText(d.paths, selected[k]));
                }
                if (!d.stop->isEnabled()) {
                    if (d.stopMark)
                        d.stopMark->setVisible(true);
                    // A new queue on a stopped player starts from its first item.
                    d.QueuePos = 0;
                }
                if (validRow(d.names, d.Queue[0]))
                    cueRow(d, d.Queue[0], true);
                try {
                    d.selTotal->setText(ApplicationFunctionsInstance().TimeFormHour(total));
                } catch (const std::exception &) {
                    d.selTotal->setText(QStringLiteral("24:00:00"));
                }
            }
            d.play->setEnabled(true);
        }
    } catch (const std::exception &) {
    }
    d.slider->setEnabled(true);
}

void endOfStream(DeckRefs d) {
    try {
        if (!d.InUse)
            return;
        if (d.repeat->isChecked()) {
            itemEnded(d);
            // Play takes its starting path.
            d.Playing = false;
            d.slider->setValue(0);
            d.Position = d.slider->value();
            d.clock->stop();
            playPause(d);
            return;
        }
        if (d.names->selectedItems().size() == 1) {
            stop(d);
            return;
        }
        if (d.QueuePos < queueLast(d)) {
            advanceQueue(d);
            return;
        }
        stop(d);
        cueQueueStart(d);
    } catch (const std::exception &) {
    }
}

}  // namespace Deck

void DJPlayer::List1_Click() {
    Deck::click(deckRefs(*this, 0));
}
void DJPlayer::List2_Click() {
    Deck::click(deckRefs(*this, 1));
}
void DJPlayer::MediaPlayer1_EndOfStream(int) {
    Deck::endOfStream(deckRefs(*this, 0));
}
void DJPlayer::MediaPlayer2_EndOfStream(int) {
    Deck::endOfStream(deckRefs(*this, 1));
}
