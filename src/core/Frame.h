#pragma once
// What the windows inside the program's frame may ask of it. The console and the
// script box reach the frame, and each other, only through this; the frame window
// of the program's top layer implements it and registers itself.
#include <QFont>
#include <QString>
#include <functional>

class MdiChild;
class QMdiArea;
class QMdiSubWindow;
class QWidget;

class Frame {
  public:
    virtual ~Frame() = default;

    // Adds a child window to the frame and brings the frame up.
    virtual QMdiSubWindow *addChild(MdiChild *child) = 0;
    virtual QMdiArea *mdiArea() const = 0;
    // The frame's own window (its position places the remote-control bar).
    virtual QWidget *frameWindow() = 0;
    // Status-bar panels 1..3 (prepare time, current time, overtime).
    virtual void setPanelText(int panel, const QString &text) = 0;
    // The child windows' Window menu: 31 tile horizontally, 32 tile vertically, 33 cascade,
    // 34 arrange icons; any other index does nothing.
    virtual void ArrangeFromWindowMenu(int index) = 0;
    // Windows unloaded before the children are asked when the program closes.
    virtual void addUnloadFirst(std::function<void()> closer) = 0;

    // The commands one child gives to bring up another.
    virtual void showConsole() = 0;
    virtual void showRemoteControl() = 0;
    virtual void showScriptBox() = 0;
    // "Open Script File": asks for a file and loads it into the script box.
    virtual void openScriptFile(QWidget *dialogParent) = 0;
    virtual void showStatistics() = 0;
    virtual void showAbout() = 0;
};

// The program's frame, made on first use by the factory the top layer registers.
Frame &FrameInstance();
void SetFrameFactory(Frame &(*make)());

// The font the windows are designed in: Tahoma 8.25 pt. Where Tahoma is missing
// the nearest narrow sans takes its place (and QFont("Tahoma") anywhere resolves
// to it too), so captions sized for Tahoma still fit.
QFont DesignFont();

// The help command of the frame, the console and the script box: opens the help
// page; a type 0 message when it cannot be opened.
void ShowHelpContents();
