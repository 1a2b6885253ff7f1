#include "platform/FixedWindow.h"

#include <xcb/xcb.h>
#include <QEvent>
#include <QGuiApplication>
#include <QLayout>
#include <QWidget>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace FixedWindow {
namespace {

// Qt writes its own Motif hints when it creates the native window, and those keep the resize
// function; ours go out on every show, before the window is mapped. A window that its caller
// left resizable (a platform dialog laid out by Qt) keeps the size it shows with while shown.
class MotifHints : public QObject {
  public:
    MotifHints(QWidget *w, Close close) : QObject(w), close_(close) { w->installEventFilter(this); }

    bool eventFilter(QObject *watched, QEvent *event) override {
        auto *w = static_cast<QWidget *>(watched);
        if (event->type() == QEvent::Show) {
            if (w->minimumSize() != w->maximumSize()) {
                freed_ = Freed{w->minimumSize(), w->maximumSize(),
                               w->layout() ? w->layout()->sizeConstraint() : QLayout::SetNoConstraint};
                // A layout would undo a fixed size at its next pass: it holds the size itself.
                if (w->layout())
                    w->layout()->setSizeConstraint(QLayout::SetFixedSize);
                else
                    w->setFixedSize(w->size());
            }
            write(w);
        } else if (event->type() == QEvent::Hide && freed_) {
            if (w->layout())
                w->layout()->setSizeConstraint(freed_->constraint);
            w->setMinimumSize(freed_->min);
            w->setMaximumSize(freed_->max);
            freed_.reset();
        }
        return false;
    }

  private:
    void write(QWidget *w) const {
        auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
        xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
        if (!connection || !w->isWindow())
            return;
        static const char name[] = "_MOTIF_WM_HINTS";
        xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr);
        if (!atom)
            return;
        using namespace Motif;
        const bool box = close_ == Close::Box;
        // flags, functions, decorations, input mode, status
        const quint32 hints[5] = {FlagFunctions | FlagDecorations, FuncMove | (box ? FuncClose : 0u),
                                  DecorBorder | DecorTitle | (box ? DecorMenu : 0u), 0, 0};
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(w->winId()),
                            atom->atom, atom->atom, 32, 5, hints);
        xcb_flush(connection);
        std::free(atom);
    }
    Close close_;
    struct Freed {
        QSize min, max;
        QLayout::SizeConstraint constraint;
    };
    std::optional<Freed> freed_;
};

}  // namespace

void make(QWidget *w, Close close) {
    const Qt::WindowFlags old = w->windowFlags();
    Qt::WindowFlags flags = (old & Qt::WindowType_Mask) == Qt::Tool ? Qt::Tool : Qt::Dialog;
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | (old & Qt::WindowStaysOnTopHint);
    if (close == Close::Box)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    w->setWindowFlags(flags);
    new MotifHints(w, close);
}

}  // namespace FixedWindow
