#include "console/DeleteLists.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "console/DJPlayer.h"
#include "console/Deck.h"
#include "console/ItemTexts.h"
#include "core/ApplicationFunctions.h"
#include "core/OpenSaveFiles.h"
#include "core/WarningWindows.h"
#include "platform/FileSystem.h"
#include "platform/FixedWindow.h"

// ---- PlaylistRemoval ----

PlaylistRemoval::PlaylistRemoval(int count, int number, const QString &player)
    : count_(count), number_(number), player_(player) {
    for (int k = 0; k < count_; ++k)
        existed_.push_back(k > number_ && QFileInfo::exists(OpenSaveFiles::PlaylistPath(player_, k)));
    const QFileInfo doomed(OpenSaveFiles::PlaylistPath(player_, number_));
    kept_ = doomed.absolutePath() + QStringLiteral("/.") + doomed.fileName() + QStringLiteral(".vb2old");
}

void PlaylistRemoval::run() {
    // The playlist is only put aside until its name is gone from the name list.
    const QString doomed = OpenSaveFiles::PlaylistPath(player_, number_);
    if (FileSystem::isExistingFile(doomed)) {
        QFile::remove(kept_);
        FileSystem::renameFile(doomed, kept_);
    }
    try {
        OpenSaveFilesInstance().DeleteCheckedFiles(count_, number_, player_);
    } catch (...) {
        undo();
        throw;
    }
}

void PlaylistRemoval::commit() noexcept {
    QFile::remove(kept_);
}

void PlaylistRemoval::undo() noexcept {
    // Highest first: each file that moved down from k sits at k-1 while k is free.
    for (int k = count_ - 1; k > number_; --k) {
        try {
            const QString here = OpenSaveFiles::PlaylistPath(player_, k);
            const QString below = OpenSaveFiles::PlaylistPath(player_, k - 1);
            if (existed_[static_cast<std::size_t>(k)] && !QFileInfo::exists(here) && QFileInfo::exists(below))
                FileSystem::renameFile(below, here);
        } catch (...) {
        }
    }
    try {
        const QString doomed = OpenSaveFiles::PlaylistPath(player_, number_);
        if (QFileInfo::exists(kept_) && !QFileInfo::exists(doomed))
            FileSystem::renameFile(kept_, doomed);
    } catch (...) {
    }
}

// ---- DeleteLists ----

namespace {

QPushButton *makeButton(QWidget *parent, const char *name, const QString &text) {
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

}  // namespace

DeleteLists::DeleteLists(DJPlayer &console) : QDialog(&console), w_(console) {
    setObjectName(QStringLiteral("DeleteLists"));
    setWindowTitle(QStringLiteral("Delete Playlist"));
    FixedWindow::make(this);
    setFixedSize(416, 272);  // 6240 x 4080 twips

    Label1 = new QLabel(QStringLiteral("Select Item(s) you want to delete from playlists"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(8, 6, 400, 20);

    for (int k = 0; k < 2; ++k) {
        auto *frame = new QGroupBox(k == 0 ? QStringLiteral("Player A") : QStringLiteral("Player B"), this);
        frame->setObjectName(k == 0 ? QStringLiteral("Frame1") : QStringLiteral("Frame2"));
        frame->setGeometry(8 + k * 204, 28, 196, 200);
        auto *list = new QListWidget(frame);
        list->setObjectName(k == 0 ? QStringLiteral("List1") : QStringLiteral("List2"));
        auto *layout = new QVBoxLayout(frame);
        layout->setContentsMargins(6, 6, 6, 6);
        layout->addWidget(list);
        list->installEventFilter(this);
        (k == 0 ? Frame1 : Frame2) = frame;
        (k == 0 ? List1 : List2) = list;
    }

    Command1 = makeButton(this, "Command1", QStringLiteral("Delete"));
    Command1->setToolTip(QStringLiteral("Удалить"));
    Command1->setGeometry(216, 238, 92, 26);
    Command1->setEnabled(false);
    Command2 = makeButton(this, "Command2", QStringLiteral("Cancel"));
    Command2->setGeometry(316, 238, 92, 26);

    // A check mark changed by mouse or by the space bar both count as a click.
    connect(List1, &QListWidget::itemChanged, this, [this] { List1_Click(); });
    connect(List2, &QListWidget::itemChanged, this, [this] { List2_Click(); });
    connect(List1, &QListWidget::itemClicked, this, [this] { List1_Click(); });
    connect(List2, &QListWidget::itemClicked, this, [this] { List2_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });

    Form_Load();
}

void DeleteLists::Form_Load() {
    for (int k = 0; k < 2; ++k) {
        QListWidget *list = k == 0 ? List1 : List2;
        QStringList names;
        ApplicationFunctionsInstance().CopyListToList(comboTexts(k == 0 ? w_.Combo1 : w_.Combo2), names);
        const QSignalBlocker quiet(list);
        for (const QString &name : names) {
            auto *item = new QListWidgetItem(name, list);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Unchecked);
        }
    }
}

bool DeleteLists::anyChecked() const {
    for (const QListWidget *list : {List1, List2})
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->checkState() == Qt::Checked)
                return true;
    return false;
}

void DeleteLists::List1_Click() {
    Command1->setEnabled(anyChecked());
}
void DeleteLists::List2_Click() {
    Command1->setEnabled(anyChecked());
}

void DeleteLists::List1_KeyUp(int KeyCode, int) {
    if (KeyCode == 46)
        Command1_Click();
}
void DeleteLists::List2_KeyUp(int KeyCode, int) {
    if (KeyCode == 46)
        Command1_Click();
}

bool DeleteLists::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::KeyRelease && (watched == List1 || watched == List2)) {
        auto *ke = static_cast<QKeyEvent *>(event);
        if (!ke->isAutoRepeat() && ke->key() == Qt::Key_Delete) {
            try {
                watched == List1 ? List1_KeyUp(46, 0) : List2_KeyUp(46, 0);
            } catch (const std::exception &) {
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void DeleteLists::Command1_Click() {
    try {
        if (WarningWindows(QStringLiteral("Are you sure you want to delete this playlist(s)?"), 2) != 2)
            return;
        QStringList failures;
        DeleteCheckedItems(0, List1, failures);
        DeleteCheckedItems(1, List2, failures);
        for (int k = 0; k < 2; ++k) {
            DeckRefs d = deckRefs(w_, k);
            d.selFrame->setEnabled(false);
            d.selTotal->setText(QStringLiteral("0:00:00"));
            d.selTotal->setEnabled(false);
            d.names->setEnabled(false);
            d.up->setEnabled(false);
            d.down->setEnabled(false);
        }
        Command1->setEnabled(false);
        if (QAction *button7 = w_.Toolbar1Button(7))
            button7->setEnabled(false);
        if (w_.del)
            w_.del->setEnabled(false);
        accept();
        for (const QString &failure : failures)
            WarningWindows(failure, 0);
    } catch (const std::exception &) {
    }
}

void DeleteLists::Command2_Click() {
    reject();
}

void DeleteLists::DeleteCheckedItems(int deck, QListWidget *List, QStringList &failures) {
    DeckRefs d = deckRefs(w_, deck);
    bool &unreadable = deck == 0 ? w_.NameListUnreadableA : w_.NameListUnreadableB;
    const QString lap = OpenSaveFiles::NameListPath(d.letter);
    // A name list that could not be read is never rewritten: its chooser is empty, so
    // nothing of it can be checked either.
    if (!unreadable) {
        QStringList names = comboTexts(d.combo);
        const int n = List->count();
        int count = static_cast<int>(names.size());
        for (int i = n - 1; i >= 0; --i) {
            if (i >= List->count() || List->item(i)->checkState() != Qt::Checked)
                continue;
            if (i >= names.size())
                continue;
            // Files and names change together: a playlist whose files cannot be renumbered,
            // or whose name cannot be taken out of the list, keeps its line, and the run stops.
            PlaylistRemoval removal(count, i, d.letter);
            try {
                removal.run();
            } catch (const std::exception &) {
                failures << QStringLiteral("Unknown error in writing file: ") +
                                OpenSaveFiles::PlaylistPath(d.letter, i);
                break;
            }
            QStringList left = names;
            left.removeAt(i);
            try {
                OpenSaveFilesInstance().SaveCombo(left, d.letter);
            } catch (const std::exception &) {
                removal.undo();
                failures << QStringLiteral("Unknown error in writing file: ") + lap;
                break;
            }
            removal.commit();
            names = left;
            --count;
            delete List->takeItem(i);
        }
        try {
            OpenSaveFilesInstance().SaveCombo(names, d.letter);
        } catch (const std::exception &) {
            // Each removal has already written its own list; this rewrite only repeats it.
        }
    }
    d.names->clear();
    d.paths->clear();
    d.combo->clear();
    if (!unreadable) {
        QStringList names;
        try {
            OpenSaveFilesInstance().OpenCombo(names, d.letter);
            d.combo->addItems(names);
        } catch (const std::exception &) {
            unreadable = true;
            failures << QStringLiteral("Unknown error in opening file: ") + lap;
        }
    }
    d.combo->setCurrentIndex(-1);
    d.add->setEnabled(false);
    d.del->setEnabled(false);
}
