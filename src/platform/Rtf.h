#pragma once
// Rich text in the RTF form other editors exchange: a reader of the subset
// scripts use (fonts, colours, bold, italic, underline, strikethrough, sizes,
// paragraphs, line breaks, tabs, alignment and indents, Unicode and code-page
// bytes) and a writer of the same subset. The reader never fails: unknown words
// and destinations are skipped and unbalanced braces tolerated.
#include <QByteArray>

class QString;
class QTextCharFormat;
class QTextCursor;
class QTextDocument;

namespace Rtf {

// The bytes start as an RTF document does ("{\rtf").
bool isRtf(const QByteArray &bytes);

// Replaces the document's content with the RTF text. Past the first 16 font names
// the system lacks, text is shown in the document's default family; the writer
// still saves it under the name it had.
void read(const QByteArray &rtf, QTextDocument *document);

// Inserts the RTF text at the cursor, replacing its selection.
void insert(const QByteArray &rtf, QTextCursor &cursor);

// Gives text of the format another font family (merged onto text, it also drops
// the name the text's font had in the file it was read from).
void setFontFamily(QTextCharFormat &format, const QString &family);

// The whole document as RTF: Windows-1251 bytes, other characters as \u.
QByteArray write(const QTextDocument *document);

// The cursor's selection as RTF.
QByteArray writeSelection(const QTextCursor &cursor);

}  // namespace Rtf
