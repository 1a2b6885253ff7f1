// Editing a player's playlist: items up and down, the list's "Edit" popup (copy or move a
// playlist to the other player, rename it, select all, rename an item, properties), the
// list's keys and which player's list had the focus last.
#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListWidget>
#include <QMenu>

#include "console/ConsoleGlobals.h"
#include "console/DJPlayer.h"
#include "console/Deck.h"
#include "console/DeleteLists.h"
#include "console/ItemTexts.h"
#include "console/Property.h"
#include "core/OpenSaveFiles.h"
#include "core/WarningWindows.h"
#include "platform/FileSystem.h"
#include "platform/Guarded.h"
#include "platform/TextFile.h"
#include "platform/TextPrompt.h"

namespace {

bool nameListUnreadable(const DeckRefs &d) {
    return d.deck == 0 ? d.w.NameListUnreadableA : d.w.NameListUnreadableB;
}

QString writeFailure(const QString &path) {
    return QStringLiteral("Unknown error in writing file: ") + path;
}
QString readFailure(const QString &path) {
    return QStringLiteral("Unknown error in opening file: ") + path;
}

void runClick(DeckRefs &d) {
    d.deck == 0 ? d.w.List1_Click() : d.w.List2_Click();
}
void runChoose(DeckRefs &d) {
    d.deck == 0 ? d.w.Combo1_Click() : d.w.Combo2_Click();
}

void selectOnly(QListWidget *list, int row) {
    const QModelIndex index = list->model()->index(row, 0);
    list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
}

bool onlySelected(const QListWidget *list, int row) {
    const auto items = list->selectedItems();
    return items.size() == 1 && list->row(items.first()) == row;
}

void swapRows(QListWidget *list, int a, int b) {
    const QString first = list->item(a)->text();
    list->item(a)->setText(list->item(b)->text());
    list->item(b)->setText(first);
}

// The player's chosen playlist written from its lists; false (after a message) when it
// could not be written.
bool savePlaylist(DeckRefs &d) {
    const int n = d.combo->currentIndex();
    if (n < 0)
        return true;
    try {
        OpenSaveFilesInstance().SavePlaylist(d.letter, n, listTexts(d.names), listTexts(d.paths));
        return true;
    } catch (const std::exception &) {
        WarningWindows(writeFailure(OpenSaveFiles::PlaylistPath(d.letter, n)), 0);
        return false;
    }
}

}  // namespace

namespace Editing {

// One place up (step -1) or down (step +1); the playlist file is written in every case.
void moveItem(DeckRefs d, int step) {
    try {
        const int i = Deck::activeRow(d.names);
        const int j = i + step;
        const bool moves =
            i >= 0 && j >= 0 && j < d.names->count() && i < d.paths->count() && j < d.paths->count();
        if (moves) {
            const bool wasOnlySelected = onlySelected(d.names, i);
            swapRows(d.names, i, j);
            swapRows(d.paths, i, j);
            selectOnly(d.names, j);
            if (!savePlaylist(d)) {
                // The lists keep showing what the file holds.
                swapRows(d.names, i, j);
                swapRows(d.paths, i, j);
                selectOnly(d.names, i);
                return;
            }
            // A selection made here is cued as a click would cue it.
            if (!wasOnlySelected)
                runClick(d);
            return;
        }
        savePlaylist(d);
    } catch (const std::exception &) {
    }
}

// Copies (or moves) the chosen playlist to the other player as its last playlist and
// chooses it there. Nothing changes unless the copy and the other player's name list are
// written; a move then takes the playlist out of this player, or puts everything back.
void sendPlaylist(DeckRefs d, DeckRefs o, bool move) {
    const int k = d.combo->currentIndex();
    if (k < 0 || k >= d.combo->count())
        return;
    // A live item's playlist stays where it is (the entry is disabled while the player is in use).
    if (move && d.stop->isEnabled())
        return;
    if (nameListUnreadable(o) || (move && nameListUnreadable(d))) {
        WarningWindows(readFailure(OpenSaveFiles::NameListPath(nameListUnreadable(o) ? o.letter : d.letter)),
                       0);
        return;
    }
    const QString name = d.combo->itemText(k);
    const QStringList ownNames = comboTexts(d.combo);
    const QStringList otherNames = comboTexts(o.combo);
    const int c = static_cast<int>(ownNames.size());
    const int n = static_cast<int>(otherNames.size());
    const QString source = OpenSaveFiles::PlaylistPath(d.letter, k);
    const QString target = OpenSaveFiles::PlaylistPath(o.letter, n);
    if (!FileSystem::isExistingFile(source)) {
        WarningWindows(readFailure(source), 0);
        return;
    }
    try {
        FileSystem::copyFile(source, target);
    } catch (const std::exception &) {
        QFile::remove(target);
        WarningWindows(writeFailure(target), 0);
        return;
    }
    try {
        OpenSaveFilesInstance().SaveCombo(otherNames + QStringList{name}, o.letter);
    } catch (const std::exception &) {
        QFile::remove(target);
        WarningWindows(writeFailure(OpenSaveFiles::NameListPath(o.letter)), 0);
        return;
    }
    if (move) {
        PlaylistRemoval removal(c, k, d.letter);
        QString failed;
        try {
            failed = source;
            removal.run();
            QStringList left = ownNames;
            left.removeAt(k);
            failed = OpenSaveFiles::NameListPath(d.letter);
            OpenSaveFilesInstance().SaveCombo(left, d.letter);
        } catch (const std::exception &) {
            // Back as it was: this player's files in their places, the other player's list
            // without the name; the copy goes only once no list names it.
            removal.undo();
            try {
                OpenSaveFilesInstance().SaveCombo(otherNames, o.letter);
                QFile::remove(target);
            } catch (const std::exception &) {
                o.combo->addItem(name);
            }
            WarningWindows(writeFailure(failed), 0);
            return;
        }
        removal.commit();
        d.combo->removeItem(k);
        d.combo->setCurrentIndex(-1);
        d.names->clear();
        d.paths->clear();
    }
    o.combo->addItem(name);
    o.combo->setCurrentIndex(n);
    runChoose(o);
}

void renamePlaylist(DeckRefs d) {
    const int k = d.combo->currentIndex();
    const QString answer =
        TextFile::oneLine(TextPrompt::InputBox(QStringLiteral("Enter new name of the playlist."),
                                               QStringLiteral("Rename Playlist"), QString(), &d.w));
    if (answer.isEmpty() || k < 0 || k >= d.combo->count() || nameListUnreadable(d))
        return;
    QStringList names = comboTexts(d.combo);
    names[k] = answer;
    try {
        OpenSaveFilesInstance().SaveCombo(names, d.letter);
    } catch (const std::exception &) {
        WarningWindows(writeFailure(OpenSaveFiles::NameListPath(d.letter)), 0);
        return;
    }
    // Only the name changed: the playlist is not loaded again.
    d.combo->setItemText(k, answer);
    d.combo->setCurrentIndex(k);
}

void selectAll(DeckRefs d) {
    if (d.names->count() == 0)
        return;
    d.names->selectAll();
    // The cue reads the current item: with none, the first one.
    if (d.names->currentRow() < 0)
        d.names->selectionModel()->setCurrentIndex(d.names->model()->index(0, 0),
                                                   QItemSelectionModel::NoUpdate);
    runClick(d);
}

void renameItem(DeckRefs d) {
    const int i = Deck::activeRow(d.names);
    if (i < 0)
        return;
    const QString old = Deck::itemText(d.names, i);
    const QString answer = TextFile::oneLine(TextPrompt::InputBox(
        QStringLiteral("Enter new name of the item."), QStringLiteral("Rename Item"), old, &d.w));
    // The list may have changed while the prompt was up.
    if (answer.isEmpty() || i >= d.names->count() || d.names->item(i)->text() != old)
        return;
    const QString oldTitle = d.title->text();
    d.names->item(i)->setText(answer);
    d.title->setText(answer);
    if (!savePlaylist(d)) {
        d.names->item(i)->setText(old);
        d.title->setText(oldTitle);
    }
}

void keyUp(DeckRefs d, int KeyCode, int Shift) {
    if (KeyCode == 32)
        d.deck == 0 ? d.w.Command9_Click() : d.w.Command10_Click();
    if (KeyCode == 83)
        d.deck == 0 ? d.w.Command13_Click() : d.w.Command14_Click();
    if (KeyCode == 46 && !d.names->selectedItems().isEmpty())
        d.deck == 0 ? d.w.Command2_Click() : d.w.Command4_Click();
    if (KeyCode == 65 && Shift == 2)
        d.deck == 0 ? d.w.selal_Click(3) : d.w.ssel_Click(2);
    if (KeyCode == 70) {
        try {
            QListWidget *other = d.deck == 0 ? d.w.List2 : d.w.List1;
            if (other->isEnabled() && other->isVisible())
                other->setFocus(Qt::OtherFocusReason);
        } catch (const std::exception &) {
        }
    }
    if (KeyCode == 84) {
        try {
            d.deck == 0 ? d.w.Command7_Click() : d.w.Command8_Click();
        } catch (const std::exception &) {
        }
    }
}

void mouseDown(DeckRefs d, int Button) {
    if (Button != 2)
        return;
    d.names->setFocus(Qt::MouseFocusReason);
    // A window that is not active takes no focus; the right press still names the player.
    if (!d.names->hasFocus())
        d.deck == 0 ? d.w.List1_GotFocus() : d.w.List2_GotFocus();
}

void mouseUp(DeckRefs d, int Button, float X, float Y) {
    if (Button != 2)
        return;
    const bool stopped = !d.stop->isEnabled();
    QMenu *popup = d.deck == 0 ? d.w.edd : d.w.eddd;
    auto &entries = d.deck == 0 ? d.w.cor : d.w.cop;
    QAction *files = d.deck == 0 ? d.w.rop : d.w.rep;
    for (QAction *a : {entries[2], files, d.rnm})
        if (a)
            a->setEnabled(stopped);
    if (popup) {
        const QPoint at(static_cast<int>(X / 15), static_cast<int>(Y / 15));
        popup->popup(d.names->viewport()->mapToGlobal(at));
    }
}

}  // namespace Editing

void DJPlayer::Command16_Click() {
    Editing::moveItem(deckRefs(*this, 0), -1);
}
void DJPlayer::Command17_Click() {
    Editing::moveItem(deckRefs(*this, 0), +1);
}
void DJPlayer::Command18_Click() {
    Editing::moveItem(deckRefs(*this, 1), -1);
}
void DJPlayer::Command19_Click() {
    Editing::moveItem(deckRefs(*this, 1), +1);
}

namespace {
void playlistCommand(DJPlayer &w, int deck, int Index) {
    try {
        if (Index == 1 || Index == 2)
            Editing::sendPlaylist(deckRefs(w, deck), deckRefs(w, 1 - deck), Index == 2);
        else if (Index == 3)
            Editing::renamePlaylist(deckRefs(w, deck));
    } catch (const std::exception &) {
    }
}
}  // namespace

void DJPlayer::cor_Click(int Index) {
    playlistCommand(*this, 0, Index);
}
void DJPlayer::cop_Click(int Index) {
    playlistCommand(*this, 1, Index);
}
void DJPlayer::selal_Click(int) {
    guarded([this] { Editing::selectAll(deckRefs(*this, 0)); });
}
void DJPlayer::ssel_Click(int) {
    guarded([this] { Editing::selectAll(deckRefs(*this, 1)); });
}
void DJPlayer::rnma_Click(int) {
    guarded([this] { Editing::renameItem(deckRefs(*this, 0)); });
}
void DJPlayer::rnmb_Click(int) {
    guarded([this] { Editing::renameItem(deckRefs(*this, 1)); });
}
void DJPlayer::List1_GotFocus() {
    FocusPlayer = QStringLiteral("A");
}
void DJPlayer::List2_GotFocus() {
    FocusPlayer = QStringLiteral("B");
}
void DJPlayer::List1_MouseDown(int Button, int, float, float) {
    guarded([&] { Editing::mouseDown(deckRefs(*this, 0), Button); });
}
void DJPlayer::List2_MouseDown(int Button, int, float, float) {
    guarded([&] { Editing::mouseDown(deckRefs(*this, 1), Button); });
}
void DJPlayer::List1_MouseUp(int Button, int, float X, float Y) {
    guarded([&] { Editing::mouseUp(deckRefs(*this, 0), Button, X, Y); });
}
void DJPlayer::List2_MouseUp(int Button, int, float X, float Y) {
    guarded([&] { Editing::mouseUp(deckRefs(*this, 1), Button, X, Y); });
}
void DJPlayer::List1_KeyUp(int KeyCode, int Shift) {
    guarded([&] { Editing::keyUp(deckRefs(*this, 0), KeyCode, Shift); });
}
void DJPlayer::List2_KeyUp(int KeyCode, int Shift) {
    guarded([&] { Editing::keyUp(deckRefs(*this, 1), KeyCode, Shift); });
}
void DJPlayer::del_Click(int) {
    guarded([this] {
        DeleteLists dialog(*this);
        dialog.exec();
    });
}
void DJPlayer::prps_Click(int) {
    guarded([this] { Property::ShowFor(*this); });
}
void DJPlayer::prp_Click(int) {
    guarded([this] { Property::ShowFor(*this); });
}
