#pragma once
// "Remote Control": a small bar on top of every window that drives the live player
// (LivePlayer) through the console's own handlers while the console is hidden.
#include <QWidget>

class QFrame;
class QLabel;
class QPushButton;
class QListWidget;

class Remote : public QWidget {
    Q_OBJECT
  public:
    Remote();

    void Form_Activate();
    void Command1_Click();  // play
    void Command5_Click();  // pause
    void Command2_Click();  // previous item
    void Command3_Click();  // next item
    void Command4_Click();  // stop
    void Command6_Click();  // restore the console
    void Command7_Click();  // choose the playlist

    // The lamp: green while the remote started the live player, else idle.
    bool lampGreen() const;
    void setLamp(bool green);

    // The remote's positions in player A's and player B's lists.
    int ItemIndexA = 0;
    int ItemIndexB = 0;

    QPushButton *Command1 = nullptr, *Command2 = nullptr, *Command3 = nullptr, *Command4 = nullptr;
    QPushButton *Command5 = nullptr, *Command6 = nullptr, *Command7 = nullptr;
    QFrame *Shape1 = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr;
    QLabel *Label4 = nullptr, *Label5 = nullptr, *Label6 = nullptr;

  protected:
    bool event(QEvent *e) override;

  private:
    // The live player's list and the remote's position in it; nullptr when no live player.
    QListWidget *liveList(int **position);
    void cue();
    void moveTo(QListWidget *list, int &position, int from, int to);

    bool activating_ = false;
    // An activation that only comes back from a window opened by the remote itself.
    bool skipActivation_ = false;
};

// The remote, created on first use (hidden); the close box unloads it, so the next use
// makes a fresh one with its positions at 0.
Remote &RemoteInstance();
// The remote when it is loaded, else nullptr.
Remote *RemoteIfLoaded();
