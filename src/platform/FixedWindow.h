#pragma once
// A fixed window: a title bar with no minimise or maximise button and one size. Qt's window
// flags alone do not reach every window manager, so on X11 the window's Motif hints are
// written too, each time it is shown.
class QWidget;

namespace FixedWindow {

enum class Close { Box, None };

// Makes w a fixed top-level window (a dialog, or a tool window when it is one); its caller
// gives it its one size (setFixedSize), else it keeps the size it shows with. Close::None also takes away the
// close box (the message box, answered only by its own buttons).
void make(QWidget *w, Close close = Close::Box);

// The Motif hint bits the window manager reads (_MOTIF_WM_HINTS).
namespace Motif {
constexpr unsigned FlagFunctions = 1, FlagDecorations = 2;
constexpr unsigned FuncAll = 1, FuncResize = 2, FuncMove = 4, FuncMinimize = 8, FuncMaximize = 16,
                   FuncClose = 32;
constexpr unsigned DecorAll = 1, DecorBorder = 2, DecorResize = 4, DecorTitle = 8, DecorMenu = 16,
                   DecorMinimize = 32, DecorMaximize = 64;
}  // namespace Motif

}  // namespace FixedWindow
