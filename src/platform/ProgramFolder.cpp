#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

namespace ProgramFolder {

namespace {
QString withoutTrailingSlash(QString folder) {
    while (folder.size() > 1 && folder.endsWith('/'))
        folder.chop(1);
    return folder;
}

QString inFolder(const QString &folder, const QString &name) {
    return folder == "/" ? folder + name : folder + '/' + name;
}

bool isRegularFile(const QString &path) {
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}
}  // namespace

QString path() {
    const QString home = qEnvironmentVariable("VANTELBROOK2_HOME");
    if (!home.isEmpty())
        return withoutTrailingSlash(home);
    // The program's own name, whatever the running executable calls itself.
    return withoutTrailingSlash(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                                "/Vantelbrook2");
}

QString file(const QString &name) {
    return inFolder(path(), name);
}

bool make() {
    return QDir().mkpath(path());
}

QString shippedFile(const QString &name) {
    const QString own = file(name);
    if (isRegularFile(own))
        return own;
    QStringList places;
    const QString share = qEnvironmentVariable("VANTELBROOK2_SHARE");
    if (!share.isEmpty()) {
        places << share;
    } else {
        const QString exeDir = QCoreApplication::applicationDirPath();
        places << QDir::cleanPath(exeDir + "/../share/vantelbrook2") << exeDir;
    }
    for (const QString &place : places) {
        const QString candidate = inFolder(withoutTrailingSlash(place), name);
        if (isRegularFile(candidate))
            return candidate;
    }
    return own;
}

}  // namespace ProgramFolder
