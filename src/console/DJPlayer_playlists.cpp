// A player's playlists: choose, create, add files, delete items.
#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QSlider>

#include "console/DJPlayer.h"
#include "console/Deck.h"
#include "console/ItemTexts.h"
#include "console/MediaFiles.h"
#include "core/ApplicationFunctions.h"
#include "core/OpenSaveFiles.h"
#include "core/WarningWindows.h"
#include "platform/TextFile.h"
#include "platform/TextPrompt.h"
#include "platform/VbError.h"

namespace {

void resetSelectTotal(DeckRefs &d) {
    d.selFrame->setEnabled(false);
    d.selTotal->setText(QStringLiteral("0:00:00"));
    d.selTotal->setEnabled(false);
}

}  // namespace

namespace Deck {

void choose(DeckRefs d) {
    const int n = d.combo->currentIndex();
    if (n < 0)
        return;
    QString failure;
    {
        WaitPointer wait(&d.w);
        d.names->clear();
        d.paths->clear();
        QStringList names;
        QStringList paths;
        try {
            OpenSaveFilesInstance().OpenPlaylist(n, d.letter, names, paths);
        } catch (const std::exception &) {
            // A playlist that cannot be read is never written back: with no playlist chosen,
            // no command of the player rewrites its file from the empty lists.
            d.combo->setCurrentIndex(-1);
            d.add->setEnabled(false);
            d.del->setEnabled(false);
            resetSelectTotal(d);
            d.total->setText(QStringLiteral("0:00:00"));
            failure =
                QStringLiteral("Unknown error in opening file: ") + OpenSaveFiles::PlaylistPath(d.letter, n);
        }
        if (failure.isEmpty()) {
            MediaFiles::RemoveMissingFiles(paths, names);
            d.names->addItems(names);
            d.paths->addItems(paths);
            try {
                OpenSaveFilesInstance().SavePlaylist(d.letter, n, names, paths);
            } catch (const std::exception &) {
                failure = QStringLiteral("Unknown error in writing file: ") +
                          OpenSaveFiles::PlaylistPath(d.letter, n);
            }
            d.del->setEnabled(false);
            d.add->setEnabled(true);
            MediaFiles::ShowTotalTime(paths, d.total, *d.w.MediaPlayer3);
            resetSelectTotal(d);
        }
    }
    if (d.combo->currentIndex() == n) {
        if (QAction *button7 = d.w.Toolbar1Button(7))
            button7->setEnabled(true);
        if (d.w.del)
            d.w.del->setEnabled(true);
        d.names->setEnabled(true);
    }
    if (!failure.isEmpty())
        WarningWindows(failure, 0);
}

void create(DeckRefs d) {
    try {
        QString name;
        for (;;) {
            name = TextPrompt::InputBox(QStringLiteral("Enter name of new playlist"),
                                        QStringLiteral("Vantelbrook2"), QString(), &d.w);
            // A name is one line of the name list.
            name = TextFile::oneLine(name).trimmed();
            if (name.isEmpty())
                return;
            if (!d.w.dsc || !d.w.dsc->isChecked())
                break;
            bool again = false;
            for (int i = 0; i < d.combo->count(); ++i) {
                if (d.combo->itemText(i) == name) {
                    again = WarningWindows(d.duplicateQuestion, 2) != 2;
                    break;
                }
            }
            if (!again)
                break;
        }
        // With a name list that could not be read the chooser's numbers do not match the
        // files: a new name would take the number of a playlist that exists.
        if (d.deck == 0 ? d.w.NameListUnreadableA : d.w.NameListUnreadableB) {
            WarningWindows(
                QStringLiteral("Unknown error in opening file: ") + OpenSaveFiles::NameListPath(d.letter), 0);
            return;
        }
        // The empty playlist file first: a name is listed only once its file exists, so the
        // names and the numbered files never go out of step. A name that cannot be added
        // takes its file away again (no list names a file of that number).
        const int n = d.combo->count();
        const QString playlist = OpenSaveFiles::PlaylistPath(d.letter, n);
        QString failed = playlist;
        try {
            TextFile::writeLines(playlist, {});
            failed = OpenSaveFiles::NameListPath(d.letter);
            OpenSaveFiles::AppendComboName(d.letter, name);
        } catch (const std::exception &) {
            if (failed != playlist)
                QFile::remove(playlist);
            WarningWindows(QStringLiteral("Unknown error in writing file: ") + failed, 0);
            return;
        }
        d.combo->addItem(name);
        d.combo->setCurrentIndex(n);
        choose(d);
    } catch (const std::exception &) {
    }
}

void addFiles(DeckRefs d) {
    const int n = d.combo->currentIndex();
    if (n < 0)
        return;
    QStringList files;
    try {
        files = ChooseAudioFiles(&d.w);
    } catch (const std::exception &) {
        return;
    }
    if (files.isEmpty())
        return;
    const int before = d.names->count();
    try {
        for (const QString &file : files) {
            // A name with a line break cannot be stored in the playlist file.
            if (TextFile::holdsLineBreak(file))
                throw VbError(QStringLiteral("Bad file name or number"), 52);
            const QString name = ApplicationFunctionsInstance().FileNameOnly(QFileInfo(file).fileName());
            d.names->addItem(name);
            d.paths->addItem(file);
        }
        const QStringList names = listTexts(d.names);
        const QStringList paths = listTexts(d.paths);
        if (files.size() == 1) {
            OpenSaveFilesInstance().SavePlaylist(d.letter, n, names, paths);
            MediaFiles::ShowTotalTime(paths, d.total, *d.w.MediaPlayer3);
        } else {
            MediaFiles::ShowTotalTime(paths, d.total, *d.w.MediaPlayer3);
            OpenSaveFilesInstance().SavePlaylist(d.letter, n, names, paths);
        }
    } catch (const std::exception &) {
        // The lists keep showing what the playlist file holds.
        while (d.names->count() > before)
            delete d.names->takeItem(d.names->count() - 1);
        while (d.paths->count() > before)
            delete d.paths->takeItem(d.paths->count() - 1);
        MediaFiles::ShowTotalTime(d.paths, d.total, *d.w.MediaPlayer3);
        WarningWindows(d.addFailure, 0);
    }
}

void deleteItems(DeckRefs d) {
    if (d.combo->currentIndex() < 0)
        return;
    if (WarningWindows(QStringLiteral("Are you sure you want to delete this item from playlist?"), 2) != 2)
        return;
    try {
        MediaFiles::DeleteSelectedItems(d.combo, d.names, d.paths, d.letter, d.title, d.del, d.play,
                                        d.duration, d.total, *d.w.MediaPlayer3);
    } catch (const std::exception &) {
        WarningWindows(QStringLiteral("Unknown error in writing file: ") +
                           OpenSaveFiles::PlaylistPath(d.letter, d.combo->currentIndex()),
                       0);
        return;
    }
    d.st.cued = false;
    if (d.stopMark)
        d.stopMark->setVisible(false);
    d.slider->setEnabled(false);
    resetSelectTotal(d);
    d.up->setEnabled(false);
    d.down->setEnabled(false);
}

}  // namespace Deck

void DJPlayer::Combo1_Click() {
    Deck::choose(deckRefs(*this, 0));
}
void DJPlayer::Combo2_Click() {
    Deck::choose(deckRefs(*this, 1));
}
void DJPlayer::plaa_Click(int) {
    Deck::create(deckRefs(*this, 0));
}
void DJPlayer::plab_Click(int) {
    Deck::create(deckRefs(*this, 1));
}
void DJPlayer::Command1_Click() {
    Deck::addFiles(deckRefs(*this, 0));
}
void DJPlayer::Command3_Click() {
    Deck::addFiles(deckRefs(*this, 1));
}
void DJPlayer::Command2_Click() {
    Deck::deleteItems(deckRefs(*this, 0));
}
void DJPlayer::Command4_Click() {
    Deck::deleteItems(deckRefs(*this, 1));
}
