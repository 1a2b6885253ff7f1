#pragma once
// "Auto Start Options": the engineer picks the playlist, of player A or B, that the
// broadcast begins with. OK loads it into its player and makes that player the live
// player (LivePlayer). The choice is kept from one showing to the next.
#include <QDialog>

class QFrame;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;

class AutoSt : public QDialog {
    Q_OBJECT
  public:
    explicit AutoSt(QWidget *parent = nullptr);

    // Shows the dialog modally and returns when it closes. The remote-control window
    // shows it under its own caption and prompt; each showing starts from these.
    static void ShowModal(
        const QString &caption = QStringLiteral("Auto Start Options"),
        const QString &prompt = QStringLiteral("Select a playlist from which will begin broadcast."));

    // The choice, kept for the whole run: "" / 0 until a playlist is first clicked.
    static QString SelPlayer;
    static int SelIndex;

    void Form_Load();
    void List1_Click();
    void List2_Click();
    void List1_DblClick();
    void List2_DblClick();
    void Command1_Click();
    void Command2_Click();

    QLabel *Label1 = nullptr;
    QGroupBox *Frame1 = nullptr;
    QListWidget *List1 = nullptr;
    QGroupBox *Frame2 = nullptr;
    QListWidget *List2 = nullptr;
    QLabel *Label2 = nullptr;
    QPushButton *Command1 = nullptr;  // "OK"
    QPushButton *Command2 = nullptr;  // "Cancel"
    QFrame *Shape1 = nullptr;

  private:
    void choose(QListWidget *list, const QString &player);
};
