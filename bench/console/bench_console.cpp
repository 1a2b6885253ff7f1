// Chooses a playlist of 5,000 show-length audio files on player A (every file is measured
// for the total), as a station's playlists hold them: 3-5 minute encodes at 128-320 kb/s,
// a tenth of them VBR MP3 without a length header, 1 % one hour long, WMA, WAV and MIDI
// among them. A pool of a few hundred encodes, made once with ffmpeg and kept in
// VB2_BENCH_POOL (default /var/tmp/vb2-bench-pool), stands behind 5,000 distinct paths
// (hard links). Each run is a fresh process: with the files out of the page cache, with
// them in it, and after a restart (the measured lengths kept on disk).
//   bench_console [repeats]
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

#include "console/DJPlayer.h"
#include "core/OpenSaveFiles.h"
#include "media/MediaPlayer.h"
#include "media/MidiSynth.h"
#include "media/Probe.h"
#include "platform/TextFile.h"
#include "support/AudioFiles.h"

namespace {

constexpr int kItems = 5000;

double ms(const QElapsedTimer &t) {
    return double(t.nsecsElapsed()) / 1e6;
}

struct Encode {
    QString name;
    QStringList args;  // ffmpeg's output options
    int seconds;
};

// What the pool holds, by kind: regular MP3 with a length header (CBR and VBR),
// headerless VBR MP3, one-hour files, WMA and WAV.
std::vector<Encode> poolPlan() {
    std::vector<Encode> plan;
    std::mt19937 rng(12);
    auto minutes = [&rng] { return 180 + int(rng() % 121); };
    const char *cbr[] = {"128k", "160k", "192k", "256k", "320k"};
    for (int i = 0; i < 130; ++i) {
        if (i % 4 == 3)
            plan.push_back({QString("xing_vbr%1.mp3").arg(i, 3, 10, QChar('0')),
                            {"-c:a", "libmp3lame", "-q:a", QString::number(i % 3)},
                            minutes()});
        else
            plan.push_back({QString("xing_cbr%1.mp3").arg(i, 3, 10, QChar('0')),
                            {"-c:a", "libmp3lame", "-b:a", cbr[i % 5]},
                            minutes()});
    }
    for (int i = 0; i < 40; ++i)
        plan.push_back({QString("noxing_vbr%1.mp3").arg(i, 3, 10, QChar('0')),
                        {"-c:a", "libmp3lame", "-q:a", QString::number(i % 3), "-write_xing", "0"},
                        minutes()});
    for (int i = 0; i < 24; ++i)
        plan.push_back({QString("wma%1.wma").arg(i, 3, 10, QChar('0')),
                        {"-c:a", "wmav2", "-b:a", i % 2 ? "192k" : "128k"},
                        minutes()});
    for (int i = 0; i < 6; ++i)
        plan.push_back({QString("wav%1.wav").arg(i, 3, 10, QChar('0')), {"-c:a", "pcm_s16le"}, minutes()});
    plan.push_back({"hour_noxing.mp3", {"-c:a", "libmp3lame", "-q:a", "2", "-write_xing", "0"}, 3600});
    plan.push_back({"hour_noxing320.mp3", {"-c:a", "libmp3lame", "-b:a", "320k", "-write_xing", "0"}, 3600});
    plan.push_back({"hour_xing.mp3", {"-c:a", "libmp3lame", "-b:a", "192k"}, 3600});
    return plan;
}

// Makes the missing encodes of the pool, three at a time.
bool makePool(const QString &dir) {
    QDir().mkpath(dir);
    const std::vector<Encode> plan = poolPlan();
    std::vector<const Encode *> todo;
    for (const Encode &e : plan)
        if (!QFileInfo::exists(dir + "/" + e.name))
            todo.push_back(&e);
    if (todo.empty())
        return true;
    std::printf("making %zu encodes in %s (once)...\n", todo.size(), qPrintable(dir));
    std::fflush(stdout);
    QElapsedTimer t;
    t.start();
    std::vector<std::unique_ptr<QProcess>> running;
    size_t next = 0;
    int seed = 1;
    bool ok = true;
    while (next < todo.size() || !running.empty()) {
        while (next < todo.size() && running.size() < 3) {
            const Encode &e = *todo[next++];
            const QString d = QString::number(e.seconds);
            const QString tmp = dir + "/part_" + e.name;
            QStringList args = {"-v",
                                "error",
                                "-y",
                                "-f",
                                "lavfi",
                                "-i",
                                QString("anoisesrc=d=%1:c=pink:a=0.1:r=44100:s=%2").arg(d).arg(seed++),
                                "-f",
                                "lavfi",
                                "-i",
                                QString("sine=f=%1:d=%2:sample_rate=44100").arg(110 + seed * 7).arg(d),
                                "-filter_complex",
                                "[0][1]amix=inputs=2,aformat=channel_layouts=stereo"};
            args += e.args;
            args << "-f" << QFileInfo(e.name).suffix().replace("wma", "asf") << tmp;
            auto p = std::make_unique<QProcess>();
            p->setProperty("tmp", tmp);
            p->setProperty("final", dir + "/" + e.name);
            p->start("ffmpeg", args);
            running.push_back(std::move(p));
        }
        for (auto it = running.begin(); it != running.end();) {
            if ((*it)->waitForFinished(50)) {
                if ((*it)->exitCode() != 0) {
                    std::fprintf(stderr, "ffmpeg failed: %s\n", (*it)->readAllStandardError().constData());
                    ok = false;
                }
                QFile::rename((*it)->property("tmp").toString(), (*it)->property("final").toString());
                it = running.erase(it);
            } else {
                ++it;
            }
        }
    }
    std::printf("made in %.0f s\n", ms(t) / 1000);
    return ok;
}

// The pool's files for the 5,000 items, by the shares a station's playlists hold.
QStringList itemSources(const QString &pool, int &midiCount) {
    QStringList xing, noxing, wma, wav, hours;
    QDirIterator it(pool, QDir::Files);
    while (it.hasNext()) {
        const QString f = it.next();
        const QString n = QFileInfo(f).fileName();
        if (n.startsWith("part_"))
            continue;
        if (n.startsWith("hour_"))
            hours << f;
        else if (n.startsWith("xing_"))
            xing << f;
        else if (n.startsWith("noxing_"))
            noxing << f;
        else if (n.endsWith(".wma"))
            wma << f;
        else if (n.endsWith(".wav"))
            wav << f;
    }
    for (QStringList *l : {&xing, &noxing, &wma, &wav, &hours})
        l->sort();
    QStringList out;
    midiCount = 0;
    for (int i = 0; i < kItems; ++i) {
        const int k = i % 100;
        if (k < 10)
            out << noxing[i % noxing.size()];
        else if (k == 10)
            out << hours[(i / 100) % hours.size()];
        else if (k < 16)
            out << wma[i % wma.size()];
        else if (k < 18)
            out << wav[i % wav.size()];
        else if (k == 18) {
            out << QString();  // a MIDI file of its own
            ++midiCount;
        } else
            out << xing[i % xing.size()];
    }
    return out;
}

// Drops the pool's files from the page cache (only these files, not the machine's).
void evict(const QString &pool) {
    QDirIterator it(pool, QDir::Files);
    while (it.hasNext()) {
        const int fd = ::open(QFile::encodeName(it.next()).constData(), O_RDONLY);
        if (fd < 0)
            continue;
        ::fdatasync(fd);
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
    }
}

// What this process has read so far: through read calls (page cache or not),
// and from the disk itself.
struct ReadBytes {
    qint64 calls = 0, disk = 0;
};

ReadBytes readBytes() {
    QFile file("/proc/self/io");
    const QByteArray io = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    auto field = [&io](const char *name) {
        const qsizetype at = io.indexOf(name);
        return at < 0 ? 0
                      : io.mid(at + qstrlen(name), io.indexOf('\n', at) - at - qstrlen(name))
                            .trimmed()
                            .toLongLong();
    };
    return {field("rchar:"), field("read_bytes:")};
}

// The child: chooses the playlist twice, then plays a few items.
int runChoose(int argc, char *argv[]) {
    QApplication app(argc, argv);
    DJPlayer &w = DJPlayerInstance();
    w.Show();
    // A playlist is chosen after the console is open: the soundfont it reads
    // in the background at start is read by then.
    QElapsedTimer settle;
    settle.start();
    while (vb2media::soundFontReads() == 0 && settle.elapsed() < 5000)
        QThread::msleep(10);
    w.Combo1->setCurrentIndex(0);
    const ReadBytes before = readBytes();
    QElapsedTimer t;
    t.start();
    w.Combo1_Click();
    const double first = ms(t);
    const ReadBytes after = readBytes();
    const QString total = w.Label11->text();
    t.restart();
    w.Combo1_Click();
    const double second = ms(t);
    std::vector<double> press;
    for (int k = 0; k < 10; ++k) {
        w.List1->clearSelection();
        w.List1->setCurrentRow(k * 100 + 3);  // headerless VBR items
        w.List1_Click();
        t.restart();
        w.Command9_Click();
        press.push_back(ms(t));
        w.Command13_Click();
        QCoreApplication::processEvents();
    }
    std::sort(press.begin(), press.end());
    std::printf("%.3f %.3f %.3f %s %d %lld %lld\n", first, second, press[press.size() / 2], qPrintable(total),
                w.List1->count(), after.calls - before.calls, after.disk - before.disk);
    return 0;
}

struct Stats {
    std::vector<double> v;
    QString text() const {
        if (v.empty())
            return "-";
        std::vector<double> s = v;
        std::sort(s.begin(), s.end());
        return QString::asprintf("%8.1f %8.1f %8.1f", s.front(), s[s.size() / 2], s.back());
    }
};

}  // namespace

int main(int argc, char *argv[]) {
    if (argc > 1 && QByteArray(argv[1]) == "--choose")
        return runChoose(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER"))
        qputenv("SDL_AUDIODRIVER", "dummy");
    QCoreApplication app(argc, argv);
    const int repeats = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 3;
    const QString pool = qEnvironmentVariable("VB2_BENCH_POOL", "/var/tmp/vb2-bench-pool");
    if (!makePool(pool))
        return 1;

    // 5,000 distinct paths next to the pool (hard links need the same file system).
    QTemporaryDir root(pool + "/../vb2-bench-run-XXXXXX");
    for (const char *sub : {"home", "config", "audio"})
        QDir(root.path()).mkpath(sub);
    qputenv("VANTELBROOK2_HOME", (root.path() + "/home").toUtf8());
    qputenv("XDG_CONFIG_HOME", (root.path() + "/config").toUtf8());
    int midi = 0;
    const QStringList sources = itemSources(pool, midi);
    QStringList lines;
    qint64 bytes = 0;
    for (int i = 0; i < kItems; ++i) {
        const QString name = QString("item%1").arg(i, 4, 10, QChar('0'));
        QString path;
        if (sources[i].isEmpty()) {
            path = root.path() + "/audio/" + name + ".mid";
            vb2test::writeMidi(path, 200 + i % 300);
        } else {
            path = root.path() + "/audio/" + name + "." + QFileInfo(sources[i]).suffix();
            if (::link(QFile::encodeName(sources[i]).constData(), QFile::encodeName(path).constData()) != 0)
                QFile::copy(sources[i], path);
        }
        bytes += QFileInfo(path).size();
        lines << name << path;
    }
    OpenSaveFiles::AppendComboName("A", "Big");
    TextFile::writeLines(OpenSaveFiles::PlaylistPath("A", 0), lines);
    std::printf("5,000 items (%d MIDI) over %lld MB of audio; load: %s\n", midi, (long long)(bytes >> 20),
                qPrintable(QString(TextFile::readAll("/proc/loadavg")).trimmed()));

    // One child per run; the measured lengths kept on disk go to a cache folder of our own.
    auto child = [&](const QString &cacheDir, double out[5]) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CACHE_HOME", cacheDir);
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(QCoreApplication::applicationFilePath(), {"--choose"});
        p.waitForFinished(600000);
        const QList<QByteArray> f = p.readAllStandardOutput().trimmed().split(' ');
        if (f.size() < 7) {
            std::fprintf(stderr, "child failed\n");
            return false;
        }
        for (int i = 0; i < 3; ++i)
            out[i] = f[i].toDouble();
        out[3] = f[5].toDouble() / 1048576;
        out[4] = f[6].toDouble() / 1048576;
        static bool shown = false;
        if (!shown) {
            std::printf("total shown %s, %s items\n", f[3].constData(), f[4].constData());
            shown = true;
        }
        return true;
    };
    Stats coldFirst, coldAgain, warmFirst, warmAgain, restartFirst, restartAgain, play, coldRead, coldDisk;
    for (int r = 0; r < repeats; ++r) {
        double v[5];
        QTemporaryDir cache(root.path() + "/cache-XXXXXX");
        evict(pool);
        if (!child(cache.path(), v))
            return 1;
        coldFirst.v.push_back(v[0]);
        coldAgain.v.push_back(v[1]);
        coldRead.v.push_back(v[3]);
        coldDisk.v.push_back(v[4]);
        QTemporaryDir cache2(root.path() + "/cache-XXXXXX");
        if (!child(cache2.path(), v))
            return 1;
        warmFirst.v.push_back(v[0]);
        warmAgain.v.push_back(v[1]);
        if (!child(cache2.path(), v))
            return 1;
        restartFirst.v.push_back(v[0]);
        restartAgain.v.push_back(v[1]);
        play.v.push_back(v[2]);
    }
    std::printf("\nchoose 5,000 items, ms (%d runs)        min   median      max\n", repeats);
    std::printf("first, files off the page cache     %s\n", qPrintable(coldFirst.text()));
    std::printf("first, warm page cache              %s\n", qPrintable(warmFirst.text()));
    std::printf("again, same process                 %s\n", qPrintable(warmAgain.text()));
    std::printf("first after a restart               %s\n", qPrintable(restartFirst.text()));
    std::printf("again after a restart               %s\n", qPrintable(restartAgain.text()));
    std::printf("Play of a headerless VBR item (press, median of 10) %s\n", qPrintable(play.text()));
    std::printf("first choose off the page cache, MB read by calls   %s\n", qPrintable(coldRead.text()));
    std::printf("                                   MB from the disk  %s\n", qPrintable(coldDisk.text()));

    // One headerless hour, measured as the probe measures it (warm page cache).
    for (const char *name : {"hour_noxing.mp3", "hour_noxing320.mp3"}) {
        Stats hour;
        double seconds = 0;
        for (int r = 0; r < 15; ++r) {
            QElapsedTimer t;
            t.start();
            seconds = vb2media::scanMpeg(pool + "/" + name).seconds;
            hour.v.push_back(ms(t));
        }
        std::printf("%-20s (%.3f s, %lld MB) scanned in ms  %s\n", name, seconds,
                    (long long)(QFileInfo(pool + "/" + name).size() >> 20), qPrintable(hour.text()));
    }
    std::printf("load after: %s\n", qPrintable(QString(TextFile::readAll("/proc/loadavg")).trimmed()));
    return 0;
}
