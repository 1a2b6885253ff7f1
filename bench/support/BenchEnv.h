#pragma once
// A benchmark with windows runs headless in folders of its own, so it never touches a
// user's settings, cache or program folder. Call before the application object exists.
#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace vb2bench {

inline void isolate(const QString &root) {
    qputenv("QT_QPA_PLATFORM", qEnvironmentVariable("QT_QPA_PLATFORM", "offscreen").toUtf8());
    qputenv("SDL_AUDIODRIVER", qEnvironmentVariable("SDL_AUDIODRIVER", "dummy").toUtf8());
    qputenv("XDG_CONFIG_HOME", (root + "/config").toUtf8());
    qputenv("XDG_CACHE_HOME", (root + "/cache").toUtf8());
    qputenv("VANTELBROOK2_HOME", root.toUtf8());
}

}  // namespace vb2bench
