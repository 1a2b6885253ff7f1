#include "console/MediaFiles.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPalette>
#include <QPushButton>
#include <cmath>
#include <set>

#include "console/DJPlayer.h"
#include "core/ApplicationFunctions.h"
#include "core/OpenSaveFiles.h"
#include "media/Measure.h"
#include "media/MediaPlayer.h"
#include "platform/FileSystem.h"
#include "platform/VbError.h"

namespace MediaFiles {

void StartPlayer(DJPlayer &w, MediaPlayer &Player, const QString &FilePath, double StartPosition,
                 QLabel *TimeLabel) {
    // A broadcast in Prepare goes on the air with its first item.
    if (w.Command15->isEnabled() && w.Command15->property("Tag").toString() == QLatin1String("Cancel"))
        w.Command12_Click();
    Player.setFileName(FilePath);
    Player.setSelectionStart(StartPosition);
    Player.Play();
    int left = RoundSeconds(Player.SelectionEnd() - Player.CurrentPosition());
    TimeLabel->setText(ApplicationFunctionsInstance().TimeForm(left));
}

void ShowTotalTime(const QStringList &PathList, QLabel *TotalLabel, MediaPlayer &Probe) {
    // Measured ahead on worker threads; the probe then finds each length at once, in order.
    vb2media::measureFiles(PathList);
    try {
        double sum = 0;
        for (const QString &path : PathList) {
            Probe.setFileName(path);
            sum += std::floor(Probe.Duration());
            if (sum < 0)
                sum = 0;
        }
        TotalLabel->setText(ApplicationFunctionsInstance().TimeFormHour(sum));
    } catch (const std::exception &) {
        TotalLabel->setText(QStringLiteral("24:00:00"));
    }
}

void ShowTotalTime(const QListWidget *PathList, QLabel *TotalLabel, MediaPlayer &Probe) {
    QStringList paths;
    paths.reserve(PathList->count());
    for (int i = 0; i < PathList->count(); ++i)
        paths << PathList->item(i)->text();
    ShowTotalTime(paths, TotalLabel, Probe);
}

void RemoveMissingFiles(QStringList &PathList, QStringList &List) {
    for (qsizetype i = PathList.size() - 1; i >= 0; --i) {
        if (FileSystem::isExistingFile(PathList.at(i)))
            continue;
        PathList.removeAt(i);
        if (i < List.size())
            List.removeAt(i);
    }
}

void RemoveMissingFiles(QListWidget *PathList, QListWidget *List) {
    for (int i = PathList->count() - 1; i >= 0; --i) {
        if (FileSystem::isExistingFile(PathList->item(i)->text()))
            continue;
        delete PathList->takeItem(i);
        if (i < List->count())
            delete List->takeItem(i);
    }
}

void DeleteSelectedItems(QComboBox *Combo, QListWidget *List, QListWidget *PathList, const QString &Player,
                         QLabel *TitleLabel, QAbstractButton *DeleteButton, QAbstractButton *PlayButton,
                         QLabel *TimeLabel, QLabel *TotalLabel, MediaPlayer &Probe) {
    // With one item selected that item goes, never an unselected current row.
    std::set<int> doomed;
    for (const QListWidgetItem *item : List->selectedItems())
        doomed.insert(List->row(item));
    QStringList names;
    QStringList paths;
    for (int i = 0; i < List->count(); ++i) {
        if (doomed.count(i))
            continue;
        names << List->item(i)->text();
        paths << (i < PathList->count() ? PathList->item(i)->text() : QString());
    }
    // The file first: when it cannot be written, lists and file stay as they were.
    OpenSaveFilesInstance().SavePlaylist(Player, Combo->currentIndex(), names, paths);
    for (auto it = doomed.rbegin(); it != doomed.rend(); ++it) {
        if (*it < PathList->count())
            delete PathList->takeItem(*it);
        delete List->takeItem(*it);
    }
    TitleLabel->setText(QString());
    QPalette pal = TitleLabel->palette();
    pal.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
    TitleLabel->setPalette(pal);
    DeleteButton->setEnabled(false);
    PlayButton->setEnabled(false);
    TimeLabel->setText(QStringLiteral("00:00"));
    ShowTotalTime(paths, TotalLabel, Probe);
}

}  // namespace MediaFiles
