#pragma once
// File-system operations the program needs, in place of the Windows ones.
// Operations that can fail raise VbError.
#include <QByteArray>
#include <QString>

namespace FileSystem {

// An existing regular file, or a link to one; folders and anything else are
// "missing". Never fails.
bool isExistingFile(const QString &path);

// Read-only is the absence of every write bit; "normal" restores the owner's.
void setReadOnly(const QString &path, bool readOnly);
bool isReadOnly(const QString &path);

// Creates one folder; an existing folder or a missing parent is an error.
void makeFolder(const QString &path);
// Copies, overwriting an existing target. The copy is made beside the target and put in
// its place only when every byte is on disk: a failed copy leaves the target as it was.
void copyFile(const QString &from, const QString &to);
void deleteFile(const QString &path);
// Renames; never overwrites an existing target (that is an error).
void renameFile(const QString &from, const QString &to);

// The one way the program writes a file. A disk that fills up, a size limit or a
// failing device never leaves a file cut short:
// Replaces the whole file (a link is followed to its file). The new bytes go to a
// temporary file in the same folder, are checked and synced, then renamed over the old
// file. On any failure the old file is untouched and VbError is raised. An existing
// read-only file is refused.
void writeWhole(const QString &path, const QByteArray &bytes);
// The same for a file that must not exist yet: an existing file is an error and stays
// as it was; on failure nothing is left behind.
void createWhole(const QString &path, const QByteArray &bytes);
// Appends all the bytes or none: a failed append is cut back to the old length, and a
// file the call created is removed again. The file is created when missing. A read-only
// file is appended to and keeps its permission bits either way.
void appendWhole(const QString &path, const QByteArray &bytes);

}  // namespace FileSystem
