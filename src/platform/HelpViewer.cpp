#include "platform/HelpViewer.h"

#include <QDesktopServices>
#include <QUrl>

#include "platform/FileSystem.h"
#include "platform/ProgramFolder.h"

namespace HelpViewer {

QString helpFilePath() { return ProgramFolder::shippedFile("VLB2HELP.htm"); }

bool open() {
    const QString page = helpFilePath();
    if (!FileSystem::isExistingFile(page))
        return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(page));
}

}  // namespace HelpViewer
