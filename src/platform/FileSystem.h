#pragma once
// File-system operations the program needs, in place of the Windows ones.
// Operations that can fail raise VbError.
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
// Copies, overwriting an existing target.
void copyFile(const QString &from, const QString &to);
void deleteFile(const QString &path);
// Renames; never overwrites an existing target (that is an error).
void renameFile(const QString &from, const QString &to);

}  // namespace FileSystem
