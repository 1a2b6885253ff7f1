#include "platform/Settings.h"

#include <QSettings>

namespace {
constexpr auto kApplication = "Orsavine";
constexpr auto kSection = "Vantelbrook2";

// QSettings escapes '/' as a group separator; keys here are plain words.
QString keyPath(const QString &key) { return QString(kSection) + '/' + key; }
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
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, kApplication);
    store.setValue(keyPath(key), value);
    store.sync();
}

void remove(const QString &key) {
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, kApplication);
    store.remove(keyPath(key));
    store.sync();
}

}  // namespace Settings
