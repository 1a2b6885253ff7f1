#pragma once
// Line-based text files of the program (name lists, playlists, jingle set,
// reports, tips). Written as UTF-8 without byte-order mark, every line ended by
// CR LF, the last included. Read as UTF-8 when the bytes are valid UTF-8, else
// as Windows-1251, so files made by the Windows program load unchanged; lines
// may end with CR LF or LF. Every failure raises VbError.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace TextFile {

QString decode(const QByteArray &bytes);
QByteArray encode(const QString &text);

// The lines of the file; "" gives no lines, and a missing last line end is fine.
QStringList readLines(const QString &path);
// The whole file as text (decoded as above), line ends unchanged.
QString readAll(const QString &path);

// Replaces the whole file through QSaveFile: on failure the old file stays whole.
void writeLines(const QString &path, const QStringList &lines);
// Appends whole lines, creating the file when missing. A last line that lacks
// its line end gets one first, so two lines are never glued together.
void appendLines(const QString &path, const QStringList &lines);

// A text that cannot be stored as one line (it holds CR or LF).
bool holdsLineBreak(const QString &text);

}  // namespace TextFile
