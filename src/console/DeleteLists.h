#pragma once
// "Delete Playlist": the playlists of both players as check-box lists; the checked ones
// are deleted with their files, and the later files move down so that file n keeps
// matching line n of the player's name list.
#include <QDialog>
#include <QString>
#include <vector>

class DJPlayer;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;

// Removing playlist file `number` of `player` (of `count` playlists) with the later files
// moved down by one. The removed file is only put aside until commit(), so undo() brings
// everything back when the name list cannot be written; a step that fails undoes the
// moves already made, so the numbering never ends half shifted.
class PlaylistRemoval {
  public:
    PlaylistRemoval(int count, int number, const QString &player);
    // Raises VbError when a file cannot be deleted or moved (the moves made are undone first).
    void run();
    // Deletes the file put aside: the removal is final.
    void commit() noexcept;
    // Moves the files that run() moved down back up and returns the removed one.
    void undo() noexcept;

  private:
    int count_;
    int number_;
    QString player_;
    std::vector<bool> existed_;  // later files present before the run, by number
    QString kept_;               // where the removed file waits for commit()
};

class DeleteLists : public QDialog {
    Q_OBJECT
  public:
    explicit DeleteLists(DJPlayer &console);

    QLabel *Label1 = nullptr;
    QGroupBox *Frame1 = nullptr, *Frame2 = nullptr;
    QListWidget *List1 = nullptr, *List2 = nullptr;
    QPushButton *Command1 = nullptr;  // "Delete"
    QPushButton *Command2 = nullptr;  // "Cancel"

    void Form_Load();
    void List1_Click();
    void List2_Click();
    void List1_KeyUp(int KeyCode, int Shift);
    void List2_KeyUp(int KeyCode, int Shift);
    void Command1_Click();
    void Command2_Click();
    // Deletes the checked playlists of one player (deck 0 = A, 1 = B) and resets that player.
    // Failures are added to `failures`, one message each.
    void DeleteCheckedItems(int deck, QListWidget *List, QStringList &failures);

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    bool anyChecked() const;
    DJPlayer &w_;
};
