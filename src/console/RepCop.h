#pragma once
// "Replace & Copy Files of Playlist": gathers the audio files of one player's chosen
// playlist into a new folder (copied, or moved), beside an M3U playlist and a playlist
// report, and points the playlist at the gathered files.
#include <QDialog>
#include <array>

class DJPlayer;
class DriveList;
class FolderList;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QComboBox;

class RepCop : public QDialog {
    Q_OBJECT
  public:
    explicit RepCop(DJPlayer &console, QWidget *parent = nullptr);

    void Form_Load();
    void Command1_Click();  // OK: gather the files
    void Command2_Click();  // Cancel
    void Command3_Click();  // browse for the base folder

    QLabel *Label2 = nullptr, *Label4 = nullptr, *Label5 = nullptr, *Label1 = nullptr;
    QPushButton *Command3 = nullptr;
    QLineEdit *Text1 = nullptr;
    QGroupBox *Frame2 = nullptr;
    std::array<QRadioButton *, 2> Option1{};  // 0 "Replace files" (move), 1 "Copy files"
    QProgressBar *ProgressBar1 = nullptr;
    QPushButton *Command1 = nullptr, *Command2 = nullptr;
    DriveList *Drive1 = nullptr;  // hidden: tests the stored base folder
    FolderList *Dir1 = nullptr;

  private:
    void fitPath();
    DJPlayer &w_;
    QString letter_;
    QComboBox *combo_ = nullptr;
    QListWidget *names_ = nullptr;
    QListWidget *paths_ = nullptr;
    QLabel *total_ = nullptr;
};

namespace MediaFiles {
// Writes the playlist report (PLAYLIST.log): the playlist's name, today's date, the user
// information from the settings ("Unknown" when absent) and the total time, seven lines.
// Raises VbError when it cannot be written.
void SavePlaylistLog(const QString &FileName, const QString &TotalTime, const QString &PlaylistName);
}  // namespace MediaFiles
