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

// Replaces the whole file (FileSystem::writeWhole): on failure the old file stays whole.
// A file that is Windows-1251 on disk is written in Windows-1251 again while every line
// fits; otherwise, and for a new file, in UTF-8.
void writeLines(const QString &path, const QStringList &lines);
// Writes a file that must not exist yet: it is there whole afterwards, or not at all.
void createLines(const QString &path, const QStringList &lines);
// Appends whole lines or none, creating the file when missing. The old last line is
// ended with CR LF first when it lacks its end or ends in a bare CR, so two lines are
// never glued together and no stray CR stays behind. The file stays
// readable as one encoding: a Windows-1251 file gets its lines in Windows-1251 while
// they fit; a line that Windows-1251 cannot hold has the whole file rewritten in UTF-8
// instead (through writeLines), so no name is lost. Permission bits are kept.
void appendLines(const QString &path, const QStringList &lines);

// A text that cannot be stored as one line (it holds CR or LF).
bool holdsLineBreak(const QString &text);
// A typed or pasted text made fit for one line of a file: CR and LF taken out.
QString oneLine(QString text);

}  // namespace TextFile
