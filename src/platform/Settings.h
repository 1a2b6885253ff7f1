#pragma once
// The per-user settings store: application "Orsavine", section "Vantelbrook2",
// string values. XDG_CONFIG_HOME is honoured, so tests use a temporary folder.
#include <QString>
#include <optional>

namespace Settings {
// The stored value, or std::nullopt when the key is missing (an empty value is "").
std::optional<QString> find(const QString &key);
// The stored value, or defaultValue when the key is missing.
QString get(const QString &key, const QString &defaultValue = QString());
void save(const QString &key, const QString &value);
void remove(const QString &key);
}  // namespace Settings
