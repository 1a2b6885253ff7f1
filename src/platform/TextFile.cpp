#include "platform/TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>
#include <optional>

#include "platform/FileSystem.h"

#include "platform/VbError.h"

namespace TextFile {

QString decode(const QByteArray &bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) {
        if (text.startsWith(QChar(0xFEFF)))
            text.remove(0, 1);
        return text;
    }
    QStringDecoder cp1251("windows-1251");
    if (cp1251.isValid())
        return cp1251.decode(bytes);
    return QString::fromLatin1(bytes);
}

QByteArray encode(const QString &text) {
    return text.toUtf8();
}

namespace {

bool validUtf8(const QByteArray &bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);  // decoding happens on conversion
    return !utf8.hasError();
}

QByteArray joinLines(const QStringList &lines) {
    QByteArray out;
    for (const QString &line : lines) {
        out += encode(line);
        out += "\r\n";
    }
    return out;
}

// The lines in Windows-1251, or nothing when one of them holds a character it lacks.
std::optional<QByteArray> joinLines1251(const QStringList &lines) {
    QStringEncoder cp1251("windows-1251");
    QStringDecoder back("windows-1251");
    if (!cp1251.isValid() || !back.isValid())
        return std::nullopt;
    QByteArray out;
    for (const QString &line : lines) {
        const QByteArray bytes = cp1251.encode(line);
        if (cp1251.hasError() || QString(back.decode(bytes)) != line)
            return std::nullopt;
        out += bytes;
        out += "\r\n";
    }
    return out;
}

QByteArray readBytes(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw VbError(QStringLiteral("Cannot open file for reading: %1 (%2)").arg(path, f.errorString()));
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw VbError(QStringLiteral("Cannot read file: %1 (%2)").arg(path, f.errorString()));
    return bytes;
}

}  // namespace

QString readAll(const QString &path) {
    return decode(readBytes(path));
}

QStringList readLines(const QString &path) {
    const QString text = readAll(path);
    QStringList lines;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype nl = text.indexOf('\n', start);
        qsizetype end = nl < 0 ? text.size() : nl;
        qsizetype lineEnd = end;
        if (lineEnd > start && text.at(lineEnd - 1) == '\r')
            --lineEnd;
        lines << text.mid(start, lineEnd - start);
        if (nl < 0)
            break;
        start = nl + 1;
    }
    return lines;
}

void writeLines(const QString &path, const QStringList &lines) {
    // A file the Windows program wrote stays readable there: its encoding is the one it
    // has on disk, whoever read it and however it was decoded.
    std::optional<QByteArray> bytes;
    if (FileSystem::isExistingFile(path)) {
        const QByteArray old = readBytes(path);
        if (!old.isEmpty() && !validUtf8(old))
            bytes = joinLines1251(lines);
    }
    FileSystem::writeWhole(path, bytes ? *bytes : joinLines(lines));
}

void createLines(const QString &path, const QStringList &lines) {
    FileSystem::createWhole(path, joinLines(lines));
}

void appendLines(const QString &path, const QStringList &lines) {
    const QByteArray old = QFileInfo::exists(path) ? readBytes(path) : QByteArray();
    // A last line without its end, or ended by a bare CR, gets CR LF first: a bare CR
    // would otherwise stay on that line as an invisible character.
    QByteArray lineEnd;
    if (old.endsWith('\r'))
        lineEnd = "\n";
    else if (!old.isEmpty() && !old.endsWith('\n'))
        lineEnd = "\r\n";
    if (old.isEmpty() || validUtf8(old)) {
        FileSystem::appendWhole(path, lineEnd + joinLines(lines));
        return;
    }
    // A file made by the Windows program.
    if (const std::optional<QByteArray> bytes = joinLines1251(lines)) {
        FileSystem::appendWhole(path, lineEnd + *bytes);
        return;
    }
    const QStringList all = readLines(path) + lines;
    const bool readOnly = FileSystem::isReadOnly(path);
    if (readOnly)
        FileSystem::setReadOnly(path, false);
    try {
        FileSystem::writeWhole(path, joinLines(all));
    } catch (...) {
        if (readOnly)
            FileSystem::setReadOnly(path, true);
        throw;
    }
    if (readOnly)
        FileSystem::setReadOnly(path, true);
}

bool holdsLineBreak(const QString &text) {
    return text.contains('\r') || text.contains('\n');
}

QString oneLine(QString text) {
    text.remove(QLatin1Char('\r'));
    text.remove(QLatin1Char('\n'));
    return text;
}

}  // namespace TextFile
