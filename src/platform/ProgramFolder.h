#pragma once
// The program folder: the executable's folder, or the folder named by the
// environment variable VANTELBROOK2_HOME (tests and installs).
#include <QString>

namespace ProgramFolder {
// Without a trailing slash.
QString path();
// A file or folder name inside the program folder.
QString file(const QString &name);
}  // namespace ProgramFolder
