#pragma once
// The multiple-document frame: holds the console and the script box as child
// windows, shows the broadcast clocks in its status bar and closes the program.
// While a child is shown the menu bar carries that child's menus; with none it
// carries the frame's own File, Process and Help menus.
#include <QFont>
#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <vector>

#include "core/Frame.h"

class MdiChild;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QAction;

class Base : public QMainWindow, public Frame {
    Q_OBJECT
  public:
    Base();

    // Adds a child window to the frame and brings the frame up.
    QMdiSubWindow *addChild(MdiChild *child) override;
    // Status-bar panels 1..3 (prepare time, current time, overtime).
    void setPanelText(int panel, const QString &text) override;
    QString panelText(int panel) const;
    // 0 cascade, 1 tile horizontally (stacked), 2 tile vertically (side by side), 3 arrange icons.
    // A child of fixed size (the console) keeps it and is never covered: cascading puts it in
    // front, tiling gives the others the room left around it.
    void Arrange(int how);
    // Moves a child window into the area's visible part (and a resizable one larger than
    // the area down to its size).
    void keepInside(QMdiSubWindow *sub);
    // The child windows' Window menu: 31 tile horizontally, 32 tile vertically, 33 cascade,
    // 34 arrange icons; any other index does nothing.
    void ArrangeFromWindowMenu(int index) override;
    // Closes the program unless a child refuses; false when one refused.
    bool ext_Click(int Index = 1);
    // Windows unloaded before the children are asked (talk level, remote control).
    void addUnloadFirst(std::function<void()> closer) override;

    QMdiArea *mdiArea() const override { return MDIArea; }
    QWidget *frameWindow() override { return this; }
    void showConsole() override { oppl_Click(11); }
    void showRemoteControl() override;
    void showScriptBox() override { opsc_Click(12); }
    void openScriptFile(QWidget *dialogParent) override;
    void showStatistics() override { opss_Click(22); }
    void showAbout() override { abo_Click(52); }

    void MDIForm_Load() {}
    void MDIForm_Activate();
    void scf_Click(int Index = 21);
    void opss_Click(int Index = 22);
    void oppl_Click(int Index = 11);
    void opsc_Click(int Index = 12);
    void cnt_Click(int Index = 50);
    void Tp_Click(int Index = 51);
    void abo_Click(int Index = 52);

    QMdiArea *MDIArea = nullptr;
    QLabel *Panels[3] = {};
    QMenu *FF = nullptr;
    QMenu *pr = nullptr;
    QMenu *Help = nullptr;
    QAction *scf = nullptr;
    QAction *opss = nullptr;
    QAction *w = nullptr;
    QAction *Ext = nullptr;
    QAction *oppl = nullptr;
    QAction *opsc = nullptr;
    QAction *cnt = nullptr;
    QAction *Tp = nullptr;
    QAction *sep = nullptr;
    QAction *Abo = nullptr;

  protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    void buildMenus();
    void updateMenus();
    MdiChild *shownChild() const;

    std::vector<std::function<void()>> unloadFirst_;
    QList<QMenu *> shownMenus_;
    bool closingDown_ = false;
};

// The frame, created on first use and kept until the process ends.
Base &BaseInstance();
