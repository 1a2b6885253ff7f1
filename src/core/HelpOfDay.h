#pragma once
// The tip of the day: one line of Tips.tps at a time, "Next Tip" walking the
// lines in file order, and the choice whether the window comes up at start-up.
#include <QDialog>
#include <QStringList>

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;

class HelpOfDay : public QDialog {
    Q_OBJECT
  public:
    explicit HelpOfDay(QWidget *parent = nullptr);

    // Shows the window modally; returns when it is closed.
    static void ShowModal();
    // The setting "Show Tips" (missing: 1) read as a number equals 1; a value
    // that is no number counts as not 1.
    static bool ShowTipsSetting();

    bool LoadTips(const QString &sFile);
    void DisplayCurrentTip();
    void ShowNextTip();

    void Form_Load();
    void cmdNextTip_Click();
    void cmdOK_Click();
    void chkLoadTipsAtStartup_Click();

    QLabel *lblTipText = nullptr;
    QCheckBox *chkLoadTipsAtStartup = nullptr;
    QPushButton *cmdNextTip = nullptr;
    QPushButton *cmdOK = nullptr;
    QLabel *Image1 = nullptr;
    QFrame *Shape1 = nullptr;

    // Kept for the whole run: a later showing goes on after the last tip shown.
    static QStringList TipList;
    static int TipIndex;

  protected:
    void changeEvent(QEvent *event) override;

  private:
    void paintBox();
};
