#include "platform/TextFile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

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

QByteArray encode(const QString &text) { return text.toUtf8(); }

QString readAll(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw VbError(QStringLiteral("Cannot open file for reading: %1 (%2)").arg(path, f.errorString()));
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw VbError(QStringLiteral("Cannot read file: %1 (%2)").arg(path, f.errorString()));
    return decode(bytes);
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

static QByteArray joinLines(const QStringList &lines) {
    QByteArray out;
    for (const QString &line : lines) {
        out += encode(line);
        out += "\r\n";
    }
    return out;
}

void writeLines(const QString &path, const QStringList &lines) {
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        throw VbError(QStringLiteral("Cannot create file: %1 (%2)").arg(path, f.errorString()));
    const QByteArray bytes = joinLines(lines);
    if (f.write(bytes) != bytes.size()) {
        f.cancelWriting();
        throw VbError(QStringLiteral("Cannot write file: %1 (%2)").arg(path, f.errorString()));
    }
    if (!f.commit())
        throw VbError(QStringLiteral("Cannot write file: %1 (%2)").arg(path, f.errorString()));
}

void appendLines(const QString &path, const QStringList &lines) {
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite | QIODevice::Append))
        throw VbError(QStringLiteral("Cannot open file for appending: %1 (%2)").arg(path, f.errorString()));
    QByteArray bytes;
    if (f.size() > 0) {
        f.seek(f.size() - 1);
        char last = 0;
        if (f.getChar(&last) && last != '\n')
            bytes += "\r\n";
        f.seek(f.size());
    }
    bytes += joinLines(lines);
    if (f.write(bytes) != bytes.size() || !f.flush())
        throw VbError(QStringLiteral("Cannot write file: %1 (%2)").arg(path, f.errorString()));
}

bool holdsLineBreak(const QString &text) { return text.contains('\r') || text.contains('\n'); }

}  // namespace TextFile
