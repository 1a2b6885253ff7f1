#pragma once
// A child window of the frame `Base`. The frame shows the active child's menus
// in its menu bar and asks every child before the program closes.
#include <QList>
#include <QWidget>

class QMenu;

class MdiChild : public QWidget {
    Q_OBJECT
  public:
    using QWidget::QWidget;
    // The menus the frame shows while this child is active, in menu-bar order.
    virtual QList<QMenu *> childMenus() const = 0;
    // Asked when the frame unloads: false refuses (the child shows its own message).
    // Nothing changes on the screen here: every child is asked before any of them goes.
    virtual bool QueryUnload() = 0;
    // Every child agreed: the child goes (hides, forgets its document).
    virtual void Unload() {}
};
