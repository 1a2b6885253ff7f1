// Time to write and read a 5,000-item playlist (display names and full paths of
// realistic length, a third of them Cyrillic), as the console does when a playlist
// is chosen and saved. Prints the median and the slowest of several runs.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "core/OpenSaveFiles.h"
#include "platform/TextFile.h"

namespace {

constexpr int Items = 5000;
constexpr int Runs = 25;

void makeItems(QStringList &names, QStringList &paths) {
    for (int i = 0; i < Items; ++i) {
        QString name;
        QString folder;
        switch (i % 3) {
            case 0:
                name = QString("Исполнитель %1 - Песня о далёкой дороге, часть %2").arg(i % 97).arg(i);
                folder = QString("/home/engineer/Музыка/Сборники/Лучшее %1/CD%2")
                             .arg(1990 + i % 30)
                             .arg(i % 4 + 1);
                break;
            case 1:
                name = QString("The Example Band - Evening Theme (Live at the Hall) %1").arg(i);
                folder =
                    QString("/srv/show/audio/Jingles and Beds/Season %1/Episode %2").arg(i % 12).arg(i % 40);
                break;
            default:
                name = QString("Café Orchestra - Prélude nº %1").arg(i);
                folder =
                    QString("/media/engineer/USB DISK/Theatre/Act %1/Scene %2").arg(i % 5 + 1).arg(i % 9);
                break;
        }
        names << name;
        paths << folder + '/' + name + ".mp3";
    }
}

struct Figures {
    double median, slowest;
};

Figures measure(const std::function<void()> &work) {
    std::vector<double> ms;
    work();  // warm-up: page cache, allocator
    for (int r = 0; r < Runs; ++r) {
        QElapsedTimer t;
        t.start();
        work();
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

void print(const char *what, Figures f) {
    std::printf("%-44s median %7.2f ms   slowest %7.2f ms\n", what, f.median, f.slowest);
}

}  // namespace

int main(int argc, char *argv[]) {
    QTemporaryDir dir;
    qputenv("VANTELBROOK2_HOME", dir.path().toUtf8());
    QCoreApplication app(argc, argv);
    OpenSaveFiles &osf = OpenSaveFilesInstance();

    QStringList names, paths;
    makeItems(names, paths);

    const Figures save = measure([&] { osf.SavePlaylist("A", 0, names, paths); });
    const qint64 bytes = QFile(OpenSaveFiles::PlaylistPath("A", 0)).size();

    QStringList n, p;
    const Figures open = measure([&] {
        n.clear();
        p.clear();
        osf.OpenPlaylist(0, "A", n, p);
    });
    if (n != names || p != paths) {
        std::fprintf(stderr, "round trip changed the playlist\n");
        return 1;
    }

    // A file of the Windows program: Windows-1251, so every read falls back from UTF-8.
    QStringList legacyLines;
    for (int i = 0; i < Items; ++i) {
        // Windows-1251 holds Cyrillic but not every Latin letter used above.
        legacyLines << QString(names.at(i)).replace(QString("é"), "e").replace(QString("º"), "o");
        legacyLines << QString(paths.at(i)).replace(QString("é"), "e").replace(QString("º"), "o");
    }
    QByteArray legacy;
    QStringEncoder cp1251("windows-1251");
    for (const QString &line : legacyLines)
        legacy += QByteArray(cp1251.encode(line)) + "\r\n";
    {
        QFile f(OpenSaveFiles::PlaylistPath("A", 1));
        f.open(QIODevice::WriteOnly);
        f.write(legacy);
    }
    const Figures openLegacy = measure([&] {
        n.clear();
        p.clear();
        osf.OpenPlaylist(1, "A", n, p);
    });

    std::printf("Playlist of %d items, %lld bytes (UTF-8, CR LF), %d runs each\n", Items, bytes, Runs);
    print("SavePlaylist (QSaveFile, whole file)", save);
    print("OpenPlaylist (UTF-8)", open);
    print("OpenPlaylist (Windows-1251 file)", openLegacy);
    return 0;
}
