#include "console/MediaFiles_Jingles.h"

#include <QFileInfo>
#include <QPushButton>

#include "console/DJPlayer.h"
#include "core/Globals.h"
#include "platform/ProgramFolder.h"
#include "platform/TextFile.h"

void MediaFiles::LoadJingles() {
    const QString path = ProgramFolder::file("jing.jin");
    QStringList lines;
    // A first start has no jingle set yet: twelve empty slots.
    if (QFileInfo::exists(path))
        lines = TextFile::readLines(path);
    DJPlayer &console = DJPlayerInstance();
    for (int k = 0; k < 12; ++k) {
        JinglePath[k] = lines.value(2 * k);
        JingleName[k] = lines.value(2 * k + 1);
        console.Command11[k]->setToolTip(JingleName[k]);
    }
}

void MediaFiles::SaveJingles() {
    QStringList lines;
    for (int k = 0; k < 12; ++k)
        lines << TextFile::oneLine(JinglePath[k]) << TextFile::oneLine(JingleName[k]);
    TextFile::writeLines(ProgramFolder::file("jing.jin"), lines);
    DJPlayer &console = DJPlayerInstance();
    for (int k = 0; k < 12; ++k)
        console.Command11[k]->setToolTip(JingleName[k]);
}
