// Prints the output's figures on a real sound server (a private PulseAudio or
// PipeWire with a null sink whose monitor is recorded) or on the dummy driver:
// the delay from the first Play after start-up to its sound, the gap between
// queued items, the latency the server reports, and dropouts over a long queue
// while busy loops load every core.
//   bench_output pulseaudio|pipewire|dummy [--repeats N] [--load-seconds S] [--sdl-driver NAME]
// --sdl-driver plays through that SDL driver instead (SDL_AUDIODRIVER), for comparison.
//
// The latency sweep: for each server and each setting (queue length / request
// size [/ guard, the part of the queue never written over], ms), a tone of S seconds played through the
// engine in a fresh process, its silent runs (32 frames or more) counted on the monitor, quiet and beside a
// parallel build (make -j8 of a generated C++ tree, in a loop), and the delay
// from that first Play to its sound. Beside the build, a setting's takes stop at
// the first one with a silent run; once a setting held them all, the settings
// above it get one take each.
//   bench_output sweep [--take S] [--takes N] [--quiet-takes N] [--servers a,b] [--settings 80/10,...]
#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <thread>

#include "media/AudioEngine.h"
#include "media/MediaPlayer.h"
#include "support/AudioFiles.h"
#include "support/SoundServer.h"

using vb2media::AudioEngine;
using vb2test::nowNs;

namespace {

constexpr int kRate = 48000;

void writeTone(const QString &path, double seconds) {
    vb2test::writePcmWav(path, std::llround(seconds * kRate), kRate, 2, [](qint64 i, int) {
        return qint16(std::lround(0.5 * 32767 * std::sin(2 * M_PI * 440 * double(i) / kRate)));
    });
}

struct Stats {
    std::vector<double> v;
    void add(double x) { v.push_back(x); }
    QString text(int decimals = 1) const {
        if (v.empty())
            return QStringLiteral("n/a");
        std::vector<double> s = v;
        std::sort(s.begin(), s.end());
        return QStringLiteral("min %1 / median %2 / max %3 (n=%4)")
            .arg(s.front(), 0, 'f', decimals)
            .arg(s[s.size() / 2], 0, 'f', decimals)
            .arg(s.back(), 0, 'f', decimals)
            .arg(s.size());
    }
};

// Waits for the player's end of stream; the time it arrived, or 0 after `ms`.
int64_t waitEnd(MediaPlayer &p, int ms) {
    int64_t at = 0;
    QEventLoop loop;
    auto c = QObject::connect(&p, &MediaPlayer::EndOfStream, &loop, [&] {
        at = nowNs();
        loop.quit();
    });
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    QObject::disconnect(c);
    return at;
}

// Plays `files` one after another as the console's queue does (the next Play
// from the end of stream of the one before); the Play and end times.
struct QueueRun {
    std::vector<int64_t> plays, ends;
};
QueueRun playQueue(const std::vector<QString> &files, double itemSeconds) {
    QueueRun run;
    MediaPlayer p;
    size_t next = 0;
    QEventLoop loop;
    auto playNext = [&] {
        p.setFileName(files[next++]);
        run.plays.push_back(nowNs());
        p.Play();
    };
    QObject::connect(&p, &MediaPlayer::EndOfStream, &loop, [&] {
        run.ends.push_back(nowNs());
        if (next < files.size())
            playNext();
        else
            loop.quit();
    });
    playNext();
    QTimer::singleShot(int((itemSeconds * double(files.size()) + 10) * 1000), &loop, &QEventLoop::quit);
    loop.exec();
    return run;
}

// The latencies the server reports for our playback stream, from its own tool.
QString serverLatency(const QString &server) {
    QProcess p;
    p.start(QStringLiteral("pactl"),
            {QStringLiteral("-s"), server, QStringLiteral("list"), QStringLiteral("sink-inputs")});
    p.waitForFinished(3000);
    QStringList parts;
    for (const QByteArray &line : p.readAllStandardOutput().split('\n')) {
        const QByteArray t = line.trimmed();
        if (t.startsWith("Buffer Latency:") || t.startsWith("Sink Latency:"))
            parts << QString::fromUtf8(t);
    }
    return parts.join(QStringLiteral(", "));
}

// One first Play in a fresh process: prints "FIRST <Play to sound ms> <Play to end minus length ms>".
int firstPlayChild(const QString &server, const QString &file) {
    vb2test::MonitorRecorder rec;
    QString why;
    if (!server.isEmpty() && !rec.start(server, &why, 10)) {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        return 1;
    }
    QThread::msleep(300);  // the recorder runs; the program has just started
    MediaPlayer p;
    p.setFileName(file);
    const int64_t t0 = nowNs();
    p.Play();
    const int64_t end = waitEnd(p, 8000);
    double toSound = -1;
    if (!server.isEmpty()) {
        rec.waitPast(nowNs());
        const int64_t f = rec.firstSound(rec.frameAt(t0));
        if (f >= 0)
            toSound = double(rec.timeOf(f) - t0) / 1e6;
    }
    std::printf("FIRST %.1f %.1f\n", toSound, end ? double(end - t0) / 1e6 - 1500 : -1);
    return 0;
}

// One take in a fresh process, at the setting VB2_SERVER_LATENCY names: prints
// "TAKE <first Play to sound ms> <silent runs> <longest run ms> <server underflows> <ring underruns>
// <realtime>".
int takeChild(const QString &server, const QString &tone) {
    vb2test::MonitorRecorder rec;
    QString why;
    MediaPlayer p;
    p.setFileName(tone);
    const double seconds = p.Duration();
    if (!rec.start(server, &why, seconds + 15)) {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        return 1;
    }
    QThread::msleep(300);
    const int64_t t0 = nowNs();
    p.Play();
    waitEnd(p, int((seconds + 10) * 1000));
    rec.waitPast(nowNs());
    AudioEngine &engine = AudioEngine::instance();
    const int64_t first = rec.firstSound(rec.frameAt(t0));
    if (first < 0) {
        std::fprintf(stderr, "no sound on the monitor\n");
        return 1;
    }
    const int64_t last = rec.lastSound(first, rec.frames());
    const auto runs = rec.silentRuns(first, last + 1, 32);
    int64_t longest = 0;
    for (const auto &r : runs)
        longest = std::max(longest, r.second);
    std::printf("TAKE %.1f %zu %.1f %llu %llu %d\n", double(rec.timeOf(first) - t0) / 1e6, runs.size(),
                double(longest) * 1000 / kRate, (unsigned long long)engine.serverUnderflows(),
                (unsigned long long)engine.underruns(), engine.realtime() ? 1 : 0);
    rec.stop();
    return 0;
}

struct Take {
    bool ok = false;
    double firstMs = 0, longestMs = 0, load = 0;
    int runs = 0;
    unsigned long long underflows = 0, underruns = 0;
    bool realtime = false;
};

Take runTake(const QString &self, const QString &server, const QString &setting, const QString &tone,
             double seconds) {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VB2_SERVER_LATENCY"), setting);
    child.setProcessEnvironment(env);
    child.start(self, {QStringLiteral("--take"), server, tone});
    child.waitForFinished(int((seconds + 40) * 1000));
    Take t;
    t.load = vb2test::loadAverage();
    const QStringList f = QString::fromUtf8(child.readAllStandardOutput()).trimmed().split(' ');
    if (f.size() == 7 && f[0] == QLatin1String("TAKE")) {
        t.ok = true;
        t.firstMs = f[1].toDouble();
        t.runs = f[2].toInt();
        t.longestMs = f[3].toDouble();
        t.underflows = f[4].toULongLong();
        t.underruns = f[5].toULongLong();
        t.realtime = f[6] == QLatin1String("1");
        std::fprintf(stderr, "take %s: %d silent runs (longest %.1f ms), first sound %.1f ms, load %.1f\n",
                     qPrintable(setting), t.runs, t.longestMs, t.firstMs, t.load);
    } else {
        std::fprintf(stderr, "take failed: %s\n", child.readAllStandardError().constData());
    }
    return t;
}

// Silent runs of each take, "0 0 3"; the load averages' range; first sound.
struct Cell {
    QStringList runs;
    Stats first, load;
    int lost = 0;
    bool realtime = true;
    void add(const Take &t) {
        if (!t.ok) {
            runs << QStringLiteral("fail");
            ++lost;
            return;
        }
        // A silent run's longest length; u: the server told of underflows, r: a decoder fell behind.
        QString cell = QString::number(t.runs);
        if (t.runs > 0)
            cell += QStringLiteral("(%1ms)").arg(t.longestMs, 0, 'f', 1);
        if (t.underflows > 0)
            cell += QStringLiteral("u%1").arg(t.underflows);
        if (t.underruns > 0)
            cell += QStringLiteral("r%1").arg(t.underruns);
        runs << cell;
        lost += t.runs;
        first.add(t.firstMs);
        load.add(t.load);
        realtime = realtime && t.realtime;
    }
    QString text() const {
        return QStringLiteral("%1 [load %2-%3]")
            .arg(runs.join(QLatin1Char(' ')))
            .arg(load.v.empty() ? 0 : *std::min_element(load.v.begin(), load.v.end()), 0, 'f', 1)
            .arg(load.v.empty() ? 0 : *std::max_element(load.v.begin(), load.v.end()), 0, 'f', 1);
    }
};

int sweep(const QCoreApplication &app, const QStringList &args) {
    double takeSeconds = 60;
    int takes = 5, quietTakes = 1;
    QStringList servers{QStringLiteral("pulseaudio"), QStringLiteral("pipewire")};
    QStringList settings = QStringLiteral("80/10,120/10,200/10,200/10/20,300/10").split(',');
    for (int i = 2; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--take"))
            takeSeconds = args[i + 1].toDouble();
        if (args[i] == QLatin1String("--takes"))
            takes = args[i + 1].toInt();
        if (args[i] == QLatin1String("--quiet-takes"))
            quietTakes = args[i + 1].toInt();
        if (args[i] == QLatin1String("--servers"))
            servers = args[i + 1].split(',');
        if (args[i] == QLatin1String("--settings"))
            settings = args[i + 1].split(',');
    }
    QTemporaryDir tmp;
    const QString tone = tmp.filePath(QStringLiteral("tone.wav"));
    writeTone(tone, takeSeconds);
    std::printf(
        "latency sweep: %.0f s takes; %d quiet, up to %d beside make -j8 (stopping at a loss); "
        "load average now %.1f\n",
        takeSeconds, quietTakes, takes, vb2test::loadAverage());
    std::printf(
        "server      setting  quiet: silent runs per take    beside the build: silent runs per take"
        "    first Play to sound ms\n");
    std::fflush(stdout);
    QStringList table;
    for (const QString &kind : servers) {
        vb2test::SoundServer server(kind);
        QString why;
        if (!server.start(&why)) {
            std::fprintf(stderr, "%s\n", qPrintable(why));
            continue;
        }
        server.exportToClients();  // the takes' processes find this server alone
        std::vector<Cell> quiet(size_t(settings.size())), busy(size_t(settings.size()));
        for (int k = 0; k < settings.size(); ++k)
            for (int r = 0; r < quietTakes; ++r)
                quiet[size_t(k)].add(
                    runTake(app.applicationFilePath(), server.server(), settings[k], tone, takeSeconds));
        {
            vb2test::BuildLoad build;
            const int seconds = int(double(settings.size() * takes) * (takeSeconds + 5) + 60);
            if (!build.start(seconds, 8, &why)) {
                std::fprintf(stderr, "%s\n", qPrintable(why));
                return 1;
            }
            QThread::sleep(5);  // the compilers are under way
            // Up to `takes` at each setting until one holds them all; one take at each above it.
            bool held = false;
            for (int k = 0; k < settings.size(); ++k) {
                for (int r = 0; r < (held ? 1 : takes) && busy[size_t(k)].lost == 0; ++r)
                    busy[size_t(k)].add(
                        runTake(app.applicationFilePath(), server.server(), settings[k], tone, takeSeconds));
                held = held || busy[size_t(k)].lost == 0;
            }
        }
        for (int k = 0; k < settings.size(); ++k) {
            Stats first = quiet[size_t(k)].first;
            for (double v : busy[size_t(k)].first.v)
                first.add(v);
            const QString row = QStringLiteral("%1 %2 %3 %4 %5%6")
                                    .arg(kind, -11)
                                    .arg(settings[k], -8)
                                    .arg(quiet[size_t(k)].text(), -30)
                                    .arg(busy[size_t(k)].text(), -40)
                                    .arg(first.text())
                                    .arg(quiet[size_t(k)].realtime && busy[size_t(k)].realtime
                                             ? QString()
                                             : QStringLiteral(" (no real-time priority)"));
            std::printf("%s\n", qPrintable(row));
            std::fflush(stdout);
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 4 && args[1] == QLatin1String("--first-play"))
        return firstPlayChild(args[2] == QLatin1String("-") ? QString() : args[2], args[3]);
    if (args.size() >= 4 && args[1] == QLatin1String("--take"))
        return takeChild(args[2], args[3]);
    if (args.size() >= 2 && args[1] == QLatin1String("sweep"))
        return sweep(app, args);
    if (args.size() < 2) {
        std::fprintf(stderr,
                     "usage: bench_output pulseaudio|pipewire|dummy [--repeats N] [--load-seconds S]\n"
                     "       bench_output sweep [--take S] [--takes N] [--quiet-takes N] [--servers a,b] "
                     "[--settings 80/10,...]\n");
        return 2;
    }
    const QString kind = args[1];
    int repeats = 7, loadSeconds = 60;
    QString sdlDriver;
    for (int i = 2; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--repeats"))
            repeats = args[i + 1].toInt();
        if (args[i] == QLatin1String("--load-seconds"))
            loadSeconds = args[i + 1].toInt();
        if (args[i] == QLatin1String("--sdl-driver"))
            sdlDriver = args[i + 1];
    }
    const bool real = kind != QLatin1String("dummy");
    vb2test::SoundServer server(kind);
    QString why;
    if (real) {
        if (!server.start(&why)) {
            std::fprintf(stderr, "%s\n", qPrintable(why));
            return 1;
        }
        server.exportToClients();
        if (!sdlDriver.isEmpty())
            qputenv("SDL_AUDIODRIVER", sdlDriver.toUtf8());
    } else {
        qputenv("SDL_AUDIODRIVER", "dummy");
    }
    QTemporaryDir tmp;
    const QString item = tmp.filePath(QStringLiteral("item.wav"));
    writeTone(item, 1.5);
    std::FILE *load = std::fopen("/proc/loadavg", "r");
    char loadText[64] = {};
    if (load) {
        std::fgets(loadText, sizeof loadText, load);
        std::fclose(load);
    }
    std::printf("bench_output on %s; load average %s", qPrintable(kind), loadText);

    // First Play after start-up, each in a fresh process.
    Stats toSound, toEnd;
    for (int r = 0; r < repeats; ++r) {
        QProcess child;
        child.start(app.applicationFilePath(),
                    {QStringLiteral("--first-play"), real ? server.server() : QStringLiteral("-"), item});
        child.waitForFinished(20000);
        const QStringList f = QString::fromUtf8(child.readAllStandardOutput()).split(' ');
        if (f.size() == 3) {
            if (f[1].toDouble() >= 0)
                toSound.add(f[1].toDouble());
            toEnd.add(f[2].toDouble());
        } else {
            std::fprintf(stderr, "first-play run failed: %s\n", child.readAllStandardError().constData());
        }
    }
    std::printf("first Play to its first sample on the monitor, ms: %s\n", qPrintable(toSound.text()));
    std::printf("first Play to EndOfStream minus the file's 1500 ms, ms: %s\n", qPrintable(toEnd.text()));

    vb2test::MonitorRecorder rec;
    if (real && !rec.start(server.server(), &why, loadSeconds + 60)) {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        return 1;
    }
    AudioEngine &engine = AudioEngine::instance();

    // Gaps between queued items, and the latency reported while one plays.
    Stats gapsMonitor, gapsEnd;
    QString latency;
    Stats engineLatency;
    for (int r = 0; r < repeats; ++r) {
        const int64_t from = real ? rec.frames() : 0;
        QTimer::singleShot(700, [&] {
            if (real && latency.isEmpty())
                latency = serverLatency(server.server());
            engineLatency.add(engine.outputLatency() * 1000);
        });
        const QueueRun run = playQueue({item, item, item}, 1.5);
        for (size_t k = 1; k < run.ends.size(); ++k)
            gapsEnd.add(double(run.ends[k] - run.ends[k - 1]) / 1e6 - 1500);
        if (real) {
            rec.waitPast(nowNs());
            const auto items = rec.items(from, 3, int64_t(1.5 * kRate));
            for (size_t k = 1; k < items.size(); ++k)
                gapsMonitor.add(double(items[k].start - items[k - 1].end) * 1000 / kRate);
        }
    }
    std::printf("gap between queued items on the monitor, ms: %s\n", qPrintable(gapsMonitor.text(2)));
    std::printf("end-to-end time of queued items minus 1500 ms, ms: %s\n", qPrintable(gapsEnd.text(2)));
    if (real)
        std::printf("server's latencies for the stream: %s\n", qPrintable(latency));
    std::printf("latency the engine reads from the output while playing, ms: %s\n",
                qPrintable(engineLatency.text()));
    std::printf("engine: driver %s, buffer %d frames, real-time priority %s\n",
                qPrintable(engine.driverName()), engine.bufferFrames(), engine.realtime() ? "yes" : "no");

    // A long queue while 8 busy loops load every core.
    if (loadSeconds > 0) {
        const QString longItem = tmp.filePath(QStringLiteral("long.wav"));
        const double itemSeconds = 10;
        writeTone(longItem, itemSeconds);
        std::atomic<bool> stop{false};
        std::vector<std::thread> busy;
        for (int i = 0; i < 8; ++i)
            busy.emplace_back([&] {
                volatile uint64_t x = 0;
                while (!stop.load(std::memory_order_relaxed))
                    x = x + 1;
            });
        const uint64_t underruns = engine.underruns();
        const uint64_t underflows = engine.serverUnderflows();
        const int64_t from = real ? rec.frames() : 0;
        const int count = std::max(1, int(std::ceil(loadSeconds / itemSeconds)));
        const QueueRun run = playQueue(std::vector<QString>(size_t(count), longItem), itemSeconds);
        stop.store(true);
        for (auto &t : busy)
            t.join();
        int dropouts = 0;
        double longest = 0;
        if (real) {
            rec.waitPast(nowNs());
            const auto items = rec.items(from, count, int64_t(itemSeconds * kRate));
            for (const auto &it : items)
                for (const auto &d : it.dropouts) {
                    ++dropouts;
                    longest = std::max(longest, double(d.second) * 1000 / kRate);
                }
            std::printf("under load: %d of %d items found on the monitor\n", int(items.size()), count);
        }
        std::printf(
            "under load (%d s, 8 busy loops): %d dropouts on the monitor (longest %.1f ms), engine "
            "underruns %llu, server underflows %llu, %zu of %d items ended\n",
            count * int(itemSeconds), dropouts, longest, (unsigned long long)(engine.underruns() - underruns),
            (unsigned long long)(engine.serverUnderflows() - underflows), run.ends.size(), count);
    }
    rec.stop();
    return 0;
}
