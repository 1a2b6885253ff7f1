#include <QApplication>

#include "app/About.h"

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Vantelbrook2");
    // Desktops match the window to its menu entry and icon by this name.
    QGuiApplication::setDesktopFileName("vantelbrook2");
    QApplication::setQuitOnLastWindowClosed(false);
    About about;
    about.Form_Load();
    return app.exec();
}
