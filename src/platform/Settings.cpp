#include "platform/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSettings>
#include <functional>

#include "platform/FileSystem.h"

namespace {
constexpr auto kApplication = "Orsavine";
constexpr auto kSection = "Vantelbrook2";

// QSettings escapes '/' as a group separator; keys here are plain words.
QString keyPath(const QString &key) {
    return QString(kSection) + '/' + key;
}

QByteArray bytesOf(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QMap<QString, QString> valuesOf(QSettings &store) {
    QMap<QString, QString> out;
    for (const QString &key : store.allKeys())
        out[key] = store.value(key).toString();
    return out;
}

// QSettings replaces its file without noticing a full disk: the file ends cut short and
// sync() reports no error, and every setting after the cut is gone. So a change is made
// in a scratch copy, read back from a second copy, and put in place through the safe
// write path only when it reads back whole; otherwise the stored settings stay as they were.
void change(const std::function<void(QSettings &)> &edit) {
    const QString path = QSettings(QSettings::NativeFormat, QSettings::UserScope, kApplication).fileName();
    static int serial = 0;
    // Names used once, so no settings object of this process has them cached.
    const QString stem =
        path + QStringLiteral(".vb2edit-%1-%2-").arg(QCoreApplication::applicationPid()).arg(++serial);
    const QString work = stem + QLatin1Char('a');
    const QString check = stem + QLatin1Char('b');
    try {
        QDir().mkpath(QFileInfo(path).absolutePath());
        FileSystem::writeWhole(work, bytesOf(path));
        QMap<QString, QString> expected;
        {
            QSettings scratch(work, QSettings::IniFormat);
            edit(scratch);
            scratch.sync();
            expected = valuesOf(scratch);
        }
        const QByteArray bytes = bytesOf(work);
        FileSystem::writeWhole(check, bytes);
        QSettings readBack(check, QSettings::IniFormat);
        if (readBack.status() == QSettings::NoError && valuesOf(readBack) == expected)
            FileSystem::writeWhole(path, bytes);
    } catch (const std::exception &) {
    }
    QFile::remove(work);
    QFile::remove(check);
}
}  // namespace

namespace Settings {

std::optional<QString> find(const QString &key) {
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, kApplication);
    const QVariant v = store.value(keyPath(key));
    if (!v.isValid())
        return std::nullopt;
    return v.toString();
}

QString get(const QString &key, const QString &defaultValue) {
    return find(key).value_or(defaultValue);
}

void save(const QString &key, const QString &value) {
    change([&](QSettings &store) { store.setValue(keyPath(key), value); });
}

void remove(const QString &key) {
    change([&](QSettings &store) { store.remove(keyPath(key)); });
}

}  // namespace Settings
