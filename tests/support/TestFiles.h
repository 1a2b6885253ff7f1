#pragma once
// Files read and written byte for byte by the tests.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringEncoder>
#include <QStringList>
#include <QtTest>

namespace vb2test {

// The file's bytes, or nothing when it cannot be read.
inline QByteArray fileBytes(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Writes (replaces) the file; the calling test fails when it cannot.
inline void writeBytes(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// The lines as a text file stores them: UTF-8, each ended by CR LF.
inline QByteArray crlf(const QStringList &lines) {
    QByteArray out;
    for (const QString &l : lines)
        out += l.toUtf8() + "\r\n";
    return out;
}

// The same lines as the Windows program writes them: Windows-1251, CR LF.
inline QByteArray cp1251(const QStringList &lines) {
    QStringEncoder enc("windows-1251");
    QByteArray out;
    for (const QString &l : lines)
        out += QByteArray(enc.encode(l)) + "\r\n";
    return out;
}

}  // namespace vb2test
