#include "platform/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/VbError.h"

namespace FileSystem {

bool isExistingFile(const QString &path) {
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}

void setReadOnly(const QString &path, bool readOnly) {
    QFile f(path);
    QFileDevice::Permissions p = f.permissions();
    if (readOnly)
        p &= ~(QFileDevice::WriteOwner | QFileDevice::WriteUser | QFileDevice::WriteGroup |
               QFileDevice::WriteOther);  // Qt maps WriteUser onto the owner bit too
    else
        p |= QFileDevice::WriteOwner;
    if (!f.setPermissions(p))
        throw VbError(QStringLiteral("Cannot set the attributes of %1").arg(path));
}

bool isReadOnly(const QString &path) {
    const QFileDevice::Permissions p = QFile(path).permissions();
    // WriteUser says what the current user may do (root may do anything); the bits are what count.
    return !(p & (QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther));
}

void makeFolder(const QString &path) {
    const QFileInfo info(path);
    if (info.exists())
        throw VbError(QStringLiteral("Path/File access error: %1").arg(path), 75);
    if (!QDir().mkdir(path))
        throw VbError(QStringLiteral("Path not found: %1").arg(path), 76);
}

void copyFile(const QString &from, const QString &to) {
    if (!isExistingFile(from))
        throw VbError(QStringLiteral("File not found: %1").arg(from), 53);
    if (QFileInfo(from).canonicalFilePath() == QFileInfo(to).canonicalFilePath())
        return;
    if (QFileInfo::exists(to) && !QFile::remove(to))
        throw VbError(QStringLiteral("Permission denied: %1").arg(to), 70);
    if (!QFile::copy(from, to))
        throw VbError(QStringLiteral("Cannot copy %1 to %2").arg(from, to), 75);
}

void deleteFile(const QString &path) {
    if (!isExistingFile(path))
        throw VbError(QStringLiteral("File not found: %1").arg(path), 53);
    if (!QFile::remove(path))
        throw VbError(QStringLiteral("Permission denied: %1").arg(path), 70);
}

void renameFile(const QString &from, const QString &to) {
    if (!QFileInfo::exists(from))
        throw VbError(QStringLiteral("File not found: %1").arg(from), 53);
    if (QFileInfo::exists(to))
        throw VbError(QStringLiteral("File already exists: %1").arg(to), 58);
    if (!QFile::rename(from, to))
        throw VbError(QStringLiteral("Cannot rename %1 to %2").arg(from, to), 75);
}

}  // namespace FileSystem
