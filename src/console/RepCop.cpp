#include "console/RepCop.h"

#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSet>
#include <QStyle>
#include <QVBoxLayout>
#include <map>
#include <vector>

#include "console/ConsoleGlobals.h"
#include "console/DJPlayer.h"
#include "console/ItemTexts.h"
#include "console/SelFol.h"
#include "core/ApplicationFunctions.h"
#include "core/OpenSaveFiles.h"
#include "core/WarningWindows.h"
#include "platform/FileSystem.h"
#include "platform/FixedWindow.h"
#include "platform/Settings.h"
#include "platform/TextFile.h"
#include "platform/VbError.h"

namespace {

QLabel *label(QWidget *parent, const char *name, const QString &text) {
    auto *l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

}  // namespace

void MediaFiles::SavePlaylistLog(const QString &FileName, const QString &TotalTime,
                                 const QString &PlaylistName) {
    auto setting = [](const char *key) {
        return Settings::find(QLatin1String(key)).value_or(QStringLiteral("Unknown"));
    };
    const QDate today = QDate::currentDate();
    TextFile::writeLines(FileName, {
                                       QStringLiteral("Information about the playlist ") + PlaylistName,
                                       QString(),
                                       QStringLiteral("               Date: ") + DayMonthText(today) +
                                           QLatin1Char(' ') + QString::number(today.year()),
                                       QStringLiteral("           Engineer: ") + setting("Engineer"),
                                       QStringLiteral("       Main manager: ") + setting("Manager"),
                                       QStringLiteral("       Organization: ") + setting("Organization"),
                                       QStringLiteral("Total Playlist Time: ") + TotalTime,
                                   });
}

RepCop::RepCop(DJPlayer &console, QWidget *parent) : QDialog(parent), w_(console) {
    setObjectName(QStringLiteral("RepCop"));
    setWindowTitle(QStringLiteral("Replace & Copy Files of Playlist"));
    setModal(true);

    Label2 = label(this, "Label2",
                   "All files current Playlist will be replaced or copied in the following folder.");
    Label2->setWordWrap(true);
    Label4 = label(this, "Label4", "Path:");
    Label5 = label(this, "Label5", QString());
    Command3 = new QPushButton(this);
    Command3->setObjectName(QStringLiteral("Command3"));
    Command3->setToolTip(QStringLiteral("Обзор папок"));
    Command3->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    Label1 = label(this, "Label1", "Destination Folder Name:");
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setToolTip(QStringLiteral("Название конечной папки"));
    Frame2 = new QGroupBox(QStringLiteral("Mode"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    auto *modes = new QHBoxLayout(Frame2);
    const char *captions[] = {"Replace files", "Copy files"};
    const char *tips[] = {"Переместить файлы", "Копировать файлы"};
    for (int k = 0; k < 2; ++k) {
        Option1[k] = new QRadioButton(QLatin1String(captions[k]), Frame2);
        Option1[k]->setObjectName(QStringLiteral("Option1(%1)").arg(k));
        Option1[k]->setToolTip(QString::fromUtf8(tips[k]));
        modes->addWidget(Option1[k]);
    }
    Option1[1]->setChecked(true);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setValue(0);
    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);
    Command2 = new QPushButton(QStringLiteral("Cancel"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Drive1 = new DriveList(this);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Drive1->hide();
    Dir1 = new FolderList(this);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Dir1->hide();

    auto *grid = new QGridLayout;
    grid->addWidget(Label4, 0, 0);
    grid->addWidget(Label5, 0, 1);
    grid->addWidget(Command3, 0, 2);
    grid->addWidget(Label1, 1, 0);
    grid->addWidget(Text1, 1, 1, 1, 2);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label2);
    layout->addLayout(grid);
    layout->addWidget(Frame2);
    layout->addWidget(ProgressBar1);
    layout->addLayout(buttons);
    FixedWindow::make(this);

    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    Form_Load();
}

void RepCop::Form_Load() {
    const bool a = FocusPlayer.trimmed() == QLatin1String("A");
    letter_ = a ? QStringLiteral("A") : QStringLiteral("B");
    combo_ = a ? w_.Combo1 : w_.Combo2;
    names_ = a ? w_.List1 : w_.List2;
    paths_ = a ? w_.List3 : w_.List4;
    total_ = a ? w_.Label11 : w_.Label12;
    Text1->setText(combo_->currentText());

    const std::optional<QString> stored = Settings::find(QStringLiteral("ReplaceDir"));
    try {
        // Never chosen yet: the user's home folder.
        Dir1->setPath(stored ? *stored : QDir::homePath());
        Label5->setText(Dir1->path());
    } catch (const std::exception &) {
        // A base folder that is gone: the root of the current folder's volume.
        Label5->setText(DriveList::driveOf(QDir::currentPath()));
    }
    fitPath();
}

// One size, wide enough for the whole base folder: a deep folder widens the window, up to the
// screen, instead of cutting the path.
void RepCop::fitPath() {
    QSize size = QSize(440, 240).expandedTo(layout()->minimumSize());
    if (const QScreen *s = screen())
        size = size.boundedTo(s->availableSize());
    setFixedSize(size);
}

void RepCop::Command3_Click() {
    SelFol dialog(Label5->text(), this);
    if (dialog.exec() == QDialog::Accepted && !dialog.chosen().isEmpty())
        Label5->setText(dialog.chosen());
    fitPath();
    Settings::save(QStringLiteral("ReplaceDir"), Label5->text());
}

void RepCop::Command2_Click() {
    reject();
}

void RepCop::Command1_Click() {
    Command1->setEnabled(false);
    const ApplicationFunctions &af = ApplicationFunctionsInstance();
    const QString folderName = TextFile::oneLine(Text1->text());
    const QString dest = af.OStrk(Label5->text()) + folderName;

    // One level inside the base folder; a name that is no folder name creates nothing.
    const bool validName = !folderName.isEmpty() && !folderName.contains(QLatin1Char('/')) &&
                           !TextFile::holdsLineBreak(folderName) && folderName != QLatin1String(".") &&
                           folderName != QLatin1String("..");
    if (!validName || (!QFileInfo(dest).isDir() && !QDir().mkdir(dest))) {
        WarningWindows(QStringLiteral("Unknown error in creating folder: ") + dest, 0);
        Command1->setEnabled(true);
        return;
    }
    const int count = paths_->count();
    if (count == 0) {
        accept();
        return;
    }
    const bool move = Option1[0]->isChecked();
    ProgressBar1->setMaximum(count + 1);

    // First every file is copied; the playlist then records the new places; only then do
    // the sources go (when moving). A playlist that cannot be written leaves the sources
    // where it names them and takes the new copies away again.
    struct Copy {
        QString source, target;
        QString kept;  // the file of that name that was there before, put aside
    };
    std::vector<Copy> copies;
    QStringList failures;
    QStringList paths = listTexts(paths_);
    const QStringList oldPaths = paths;
    std::map<QString, QString> gatheredFrom;  // target -> the file copied there in this run
    std::map<QString, QString> sourceTo;      // file -> its target, for a file listed twice
    // The playlist's own files: one of them already lying in the folder is never replaced.
    QSet<QString> listed;
    for (const QString &p : oldPaths)
        if (const QString c = QFileInfo(p).canonicalFilePath(); !c.isEmpty())
            listed.insert(c);
    for (int i = 0; i < count; ++i) {
        const QString p = oldPaths.at(i);
        // Repeated sources are the same file however they are spelled (links included).
        const QString source = QFileInfo(p).canonicalFilePath();
        if (auto done = sourceTo.find(source); !source.isEmpty() && done != sourceTo.end()) {
            paths[i] = done->second;
        } else if (af.CheckIsFile(p)) {
            const QString n = af.OStrk(dest) + af.FileNameFromPath(p);
            if (n == p || (QFileInfo::exists(n) && QFileInfo(n).canonicalFilePath() == source)) {
                // Already in place (also through another spelling of the same file).
                gatheredFrom[n] = source;
            } else if (gatheredFrom.count(n) || listed.contains(QFileInfo(n).canonicalFilePath())) {
                // Another file of the same name is already gathered here: replacing it would
                // give the earlier item this one's sound (or lose it when moving).
                failures << QStringLiteral("File with such name already copied: ") + p;
            } else if (QFileInfo::exists(n) && !FileSystem::isExistingFile(n)) {
                // A folder (or anything else that is not a file) in the way is the user's:
                // it is never moved aside, and this item stays where it is.
                failures << QStringLiteral("Unknown error in copying file: ") + p;
            } else {
                QString kept;
                try {
                    if (QFileInfo::exists(n)) {
                        kept = af.OStrk(dest) + QStringLiteral(".") + af.FileNameFromPath(p) +
                               QStringLiteral(".vb2old");
                        QFile::remove(kept);
                        FileSystem::renameFile(n, kept);
                    }
                    FileSystem::copyFile(p, n);
                    copies.push_back({p, n, kept});
                    gatheredFrom[n] = source;
                    sourceTo[source] = n;
                    paths[i] = n;
                } catch (const std::exception &) {
                    if (!kept.isEmpty() && !QFileInfo::exists(n))
                        QFile::rename(kept, n);
                    failures << QStringLiteral("Unknown error in copying file: ") + p;
                }
            }
        }
        ProgressBar1->setValue(i + 1);
        ProgressBar1->repaint();
    }

    const QStringList names = listTexts(names_);
    const int number = combo_->currentIndex();
    try {
        // With no playlist chosen there is no playlist file to point at the gathered files.
        if (number >= 0)
            OpenSaveFilesInstance().SavePlaylist(letter_, number, names, paths);
    } catch (const std::exception &) {
        for (const Copy &copy : copies) {
            QFile::remove(copy.target);
            if (!copy.kept.isEmpty())
                QFile::rename(copy.kept, copy.target);
        }
        failures << QStringLiteral("Unknown error in saving playlist: ") +
                        OpenSaveFiles::PlaylistPath(letter_, number);
        ProgressBar1->setValue(count + 1);
        WarningWindows(failures.join(QLatin1Char('\n')), 0);
        accept();
        return;
    }
    for (const Copy &copy : copies)
        if (!copy.kept.isEmpty())
            QFile::remove(copy.kept);
    for (int i = 0; i < count && i < paths_->count(); ++i)
        paths_->item(i)->setText(paths.at(i));
    if (move) {
        for (const Copy &copy : copies)
            if (!QFile::remove(copy.source))
                failures << QStringLiteral("Unknown error in deleting file: ") + copy.source;
    }
    const QString m3u = dest + QStringLiteral("/PLAYLIST.m3u");
    try {
        af.ConvertToM3U(names, paths, m3u);
    } catch (const std::exception &) {
        failures << QStringLiteral("Unknown error in saving file: ") + m3u;
    }
    const QString log = dest + QStringLiteral("/PLAYLIST.log");
    try {
        MediaFiles::SavePlaylistLog(log, total_->text(), combo_->currentText());
    } catch (const std::exception &) {
        failures << QStringLiteral("Unknown error in saving file: ") + log;
    }
    ProgressBar1->setValue(count + 1);
    if (!failures.isEmpty())
        WarningWindows(failures.join(QLatin1Char('\n')), 0);
    accept();
}

// "Replace/Copy Files to..." of either player's Edit popup: the window takes the player
// whose list had the focus.
void DJPlayer::rop_Click(int) {
    try {
        RepCop dialog(*this, this);
        dialog.exec();
    } catch (const std::exception &e) {
        WarningWindows(QString::fromStdString(e.what()), 0);
    }
}

void DJPlayer::rep_Click(int Index) {
    rop_Click(Index);
}
