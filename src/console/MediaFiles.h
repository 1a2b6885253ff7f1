#pragma once
// Procedures the console's players share: starting a file on a player, the total
// time of a playlist, dropping missing files and deleting selected items.
#include <QString>
#include <QStringList>

class DJPlayer;
class MediaPlayer;
class QComboBox;
class QAbstractButton;
class QLabel;
class QListWidget;

namespace MediaFiles {

// Loads FilePath into the player and plays it from StartPosition (seconds); shows the
// remaining time in TimeLabel. A broadcast in Prepare goes on the air first. Errors of
// the player pass to the caller.
void StartPlayer(DJPlayer &w, MediaPlayer &Player, const QString &FilePath, double StartPosition,
                 QLabel *TimeLabel);

// Shows the summed whole seconds of the files as "h:mm:ss"; "24:00:00" when a file cannot be
// measured or the sum reaches a day.
void ShowTotalTime(const QStringList &PathList, QLabel *TotalLabel, MediaPlayer &Probe);
void ShowTotalTime(const QListWidget *PathList, QLabel *TotalLabel, MediaPlayer &Probe);

// Drops the items whose file is not an existing regular file, from the last index down.
void RemoveMissingFiles(QStringList &PathList, QStringList &List);
void RemoveMissingFiles(QListWidget *PathList, QListWidget *List);

// Removes the selected items and rewrites the playlist file; resets the title, the
// Delete and Play buttons and the duration, and shows the new total. When the file cannot
// be written the lists stay as they were and VbError is raised.
void DeleteSelectedItems(QComboBox *Combo, QListWidget *List, QListWidget *PathList, const QString &Player,
                         QLabel *TitleLabel, QAbstractButton *DeleteButton, QAbstractButton *PlayButton,
                         QLabel *TimeLabel, QLabel *TotalLabel, MediaPlayer &Probe);

}  // namespace MediaFiles
