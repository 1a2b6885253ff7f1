// Jingles: the twelve jingle buttons and the "Jingle Custom" dialog.
#include <QPushButton>

#include "console/AddJingle.h"
#include "console/DJPlayer.h"
#include "core/Globals.h"
#include "core/WarningWindows.h"
#include "media/MediaPlayer.h"

void DJPlayer::Command11_Click(int Index) {
    if (Index < 0 || Index > 11)
        return;
    // A jingle already sounding gives way to the new one; players A and B are not touched.
    try {
        MediaPlayer4->setFileName(JinglePath[Index]);
        MediaPlayer4->Play();
    } catch (const std::exception &) {
        // The file opened (the player holds it) but nothing can sound: the
        // jingle is fine, the sound output is missing.
        if (MediaPlayer4->FileName() == JinglePath[Index] && !JinglePath[Index].isEmpty()) {
            WarningWindows(QStringLiteral("Your computer have not any sound device."), 0);
            return;
        }
        WarningWindows(QStringLiteral("Error. File with jingle is not found."), 0);
        Command11[Index]->setEnabled(false);
    }
}

void DJPlayer::jnc_Click(int) {
    try {
        AddJingle dialog(this);
        dialog.exec();
    } catch (const std::exception &e) {
        WarningWindows(QString::fromStdString(e.what()), 0);
    }
}
