#pragma once
// "Select Folder": chooses the base folder of "Replace & Copy Files of Playlist" and can
// create folders. Also home of the drive, folder and file lists the console's dialogs share.
#include <QComboBox>
#include <QDialog>
#include <QListWidget>
#include <QString>
#include <QStringList>

class QLabel;
class QPushButton;

// The drive list: "/" and the mounted volumes, each shown by its root folder.
class DriveList : public QComboBox {
    Q_OBJECT
  public:
    explicit DriveList(QWidget *parent = nullptr);
    // The root folder of the chosen volume.
    QString drive() const;
    // Chooses the volume that holds path (adds it when the list lacks it). No Change event.
    void setDrive(const QString &path);
    // The root folder of the volume that holds path.
    static QString driveOf(const QString &path);
  signals:
    // The user chose another drive.
    void Change();
};

// The folder list: the path from the root down to the open folder, each folder indented
// under its parent, then the open folder's subfolders; a double-click or Enter opens the
// folder. Items hold their folder's full path (Qt::UserRole).
class FolderList : public QListWidget {
    Q_OBJECT
  public:
    explicit FolderList(QWidget *parent = nullptr);
    QString path() const { return path_; }
    // Opens the folder; VbError when it is not a readable folder (the list stays as it was).
    void setPath(const QString &path);
    void refresh();
  signals:
    void Change();

  private:
    QString path_;
};

// The file list: the files of a folder that match the pattern ("*.mp3;*.wav"), letters in
// any case. A name that holds a line break is never offered: it could not be stored.
class FileList : public QListWidget {
    Q_OBJECT
  public:
    explicit FileList(QWidget *parent = nullptr);
    QString path() const { return path_; }
    void setPath(const QString &path);
    QString pattern() const { return pattern_; }
    void setPattern(const QString &pattern);
    // The selected file's name, "" when none is selected.
    QString fileName() const;
    // A full path: takes the list to that file's folder and selects the file.
    void setFileName(const QString &fullPath);
    void refresh();

  private:
    QString path_;
    QString pattern_ = QStringLiteral("*.*");
};

class SelFol : public QDialog {
    Q_OBJECT
  public:
    // baseFolder: the text of the caller's base folder label; chosen() gives the choice after OK.
    explicit SelFol(const QString &baseFolder, QWidget *parent = nullptr);
    QString chosen() const { return chosen_; }

    void Form_Load();
    void Drive1_Change();
    void Command1_Click();  // "New folder..."
    void Command2_Click();  // OK
    void Command3_Click();  // Cancel

    DriveList *Drive1 = nullptr;
    FolderList *Dir1 = nullptr;
    QPushButton *Command1 = nullptr, *Command2 = nullptr, *Command3 = nullptr;

  private:
    QString base_;
    QString chosen_;
};
