#include <QApplication>

#include "app/About.h"
#include "media/AudioEngine.h"

int main(int argc, char *argv[]) {
    vb2media::takeServerQueueSetting();
    QApplication app(argc, argv);
    QApplication::setApplicationName("Vantelbrook2");
    // Desktops match the window to its menu entry and icon by this name.
    QGuiApplication::setDesktopFileName("vantelbrook2");
    QApplication::setQuitOnLastWindowClosed(false);
    About about;
    about.Form_Load();
    return app.exec();
}
