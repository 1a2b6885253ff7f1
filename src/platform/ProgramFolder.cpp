#include "platform/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>

namespace ProgramFolder {

QString path() {
    QString home = qEnvironmentVariable("VANTELBROOK2_HOME");
    if (home.isEmpty())
        home = QCoreApplication::applicationDirPath();
    while (home.size() > 1 && home.endsWith('/'))
        home.chop(1);
    return home;
}

QString file(const QString &name) {
    const QString base = path();
    return base == "/" ? base + name : base + '/' + name;
}

}  // namespace ProgramFolder
