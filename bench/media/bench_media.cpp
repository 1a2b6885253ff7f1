// Prints the engine's figures: probe time per format, the delay from Play to
// the file's first sample leaving the mixer, CPU per second of sound with three
// players sounding, and memory.
#include <sys/resource.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>
#include <map>

#include "media/AudioEngine.h"
#include "media/MediaPlayer.h"
#include "support/AudioFiles.h"

using vb2media::AudioEngine;

namespace {

const QString kData = QStringLiteral(VB2_TEST_DATA);

void writeSineWav(const QString &path, double seconds, int rate = 44100) {
    vb2test::writePcmWav(path, std::llround(seconds * rate), rate, 2, [=](qint64 i, int) {
        return qint16(std::lround(0.3 * 32767 * std::sin(2 * M_PI * 440 * double(i) / rate)));
    });
}

// A five-minute MP3 without a length header: the frames of a fixture repeated.
void writeLongMp3(const QString &path, double seconds) {
    QFile in(kData + "/tone_noxing.mp3");
    in.open(QIODevice::ReadOnly);
    const QByteArray one = in.readAll();
    const double oneSeconds = 78 * 1152.0 / 44100;
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    for (double t = 0; t < seconds; t += oneSeconds)
        f.write(one);
}

double cpuSeconds() {
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

long rssKb() {
    QFile f("/proc/self/status");
    f.open(QIODevice::ReadOnly);
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return 0;
}

// CPU nanoseconds of each thread, by name.
std::map<QString, double> threadCpuMs() {
    std::map<QString, double> out;
    for (const QString &tid : QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm("/proc/self/task/" + tid + "/comm"), sched("/proc/self/task/" + tid + "/schedstat");
        if (!comm.open(QIODevice::ReadOnly) || !sched.open(QIODevice::ReadOnly))
            continue;
        out[QString::fromUtf8(comm.readAll().trimmed()) + "#" + tid] +=
            sched.readAll().split(' ').first().toDouble() / 1e6;
    }
    return out;
}

int64_t nowNs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

}  // namespace

int main(int argc, char *argv[]) {
    qputenv("SDL_AUDIODRIVER", qEnvironmentVariable("SDL_AUDIODRIVER", "dummy").toUtf8());
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString wav = dir.filePath("probe.wav"), longMp3 = dir.filePath("long.mp3"),
                  longWav = dir.filePath("long.wav");
    writeSineWav(wav, 3);
    writeLongMp3(longMp3, 300);
    writeSineWav(longWav, 60);
    const long rssStart = rssKb();

    AudioEngine &engine = AudioEngine::instance();
    engine.setOffline(true);
    std::printf("Machine: %d cores (shared VM), engine %d Hz, buffer %d frames\n\n",
                QThread::idealThreadCount(), engine.rate(), AudioEngine::kBufferFrames);

    const bool cpuOnly = argc > 1 && QByteArray(argv[1]) == "cpu";
    if (!cpuOnly) {
        // Probe: FileName then Duration on the never-heard player, as the
        // console does for every file of a playlist: distinct files the first
        // time, then the same files again.
        std::printf("Probe (FileName + Duration), per file, first time / again:\n");
        MediaPlayer probe;
        probe.setMeasureOnly(true);
        struct P {
            const char *label;
            QString path;
            int copies;
        };
        const QString shortWav = dir.filePath("short.wav");
        writeSineWav(shortWav, 0.5);
        const P probes[] = {{"WAV", shortWav, 250},
                            {"MP3 with Xing header", kData + "/tone_xing.mp3", 250},
                            {"MP3 without header (2 s)", kData + "/tone_noxing.mp3", 250},
                            {"MP3 without header (5 min)", longMp3, 10},
                            {"WMA", kData + "/tone.wma", 250}};
        double firstTotal = 0, againTotal = 0;
        int files = 0;
        for (const P &p : probes) {
            QStringList paths;
            for (int i = 0; i < p.copies; ++i) {
                const QString c =
                    dir.filePath(QString("copy%1_%2.%3").arg(files).arg(i).arg(QFileInfo(p.path).suffix()));
                QFile::copy(p.path, c);
                paths << c;
            }
            probe.setFileName(p.path);  // libraries loaded, page cache warm
            double d = 0, times[2];
            for (int pass = 0; pass < 2; ++pass) {
                QElapsedTimer t;
                t.start();
                for (const QString &c : paths) {
                    probe.setFileName(c);
                    d = probe.Duration();
                }
                times[pass] = double(t.nsecsElapsed()) / 1e6 / p.copies;
            }
            if (p.copies > 10) {
                firstTotal += times[0] * p.copies;
                againTotal += times[1] * p.copies;
                files += p.copies;
            }
            std::printf("  %-28s %8.3f ms / %6.3f ms   (duration %.3f s)\n", p.label, times[0], times[1], d);
        }
        std::printf("  5,000 files of that mix: %.2f s the first time, %.2f s again\n",
                    firstTotal / files * 5, againTotal / files * 5);

        // Play to the first sample: offline, the frame at which the file's sound
        // begins in the first buffer mixed after Play; on the dummy driver, the
        // wall-clock time from Play's return to the callback that mixed it.
        {
            MediaPlayer player;
            player.setFileName(wav);
            player.Play();
            std::vector<float> buf(size_t(AudioEngine::kBufferFrames) * 2);
            engine.render(buf.data(), AudioEngine::kBufferFrames);
            int first = -1;
            for (int i = 0; i < AudioEngine::kBufferFrames && first < 0; ++i)
                if (buf[size_t(i) * 2] != 0 || buf[size_t(i) * 2 + 1] != 0)
                    first = i;
            std::printf("\nPlay to first sample, offline: frame %d of the first buffer after Play\n", first);
            player.Stop();
            engine.setOffline(false);
            player.Play();  // opens the device
            QThread::msleep(100);
            // Wall-clock time from Play until the mixer has mixed the file's
            // first frames, after a new FileName and after a Stop.
            auto waitMixed = [&](int64_t t0) {
                while (player.CurrentPosition() == 0 && nowNs() - t0 < 100000000)
                    QThread::usleep(100);
                return double(nowNs() - t0) / 1e6;
            };
            const int rounds = 50;
            for (bool afterStop : {false, true}) {
                double worst = 0, sum = 0, openSum = 0, openWorst = 0, callWorst = 0;
                int within = 0, firstCallback = 0;
                for (int i = 0; i < rounds; ++i) {
                    player.Stop();
                    if (!afterStop) {
                        const int64_t o0 = nowNs();
                        player.setFileName(i % 2 ? wav : longMp3);
                        const double ms = double(nowNs() - o0) / 1e6;
                        openSum += ms;
                        openWorst = std::max(openWorst, ms);
                    }
                    QThread::msleep(3 + i % 7);
                    const uint64_t begun = engine.mixesBegun();
                    const int64_t t0 = nowNs();
                    player.Play();
                    callWorst = std::max(callWorst, double(nowNs() - t0) / 1e6);
                    const double ms = waitMixed(t0);
                    within += ms <= 10.0 ? 1 : 0;
                    firstCallback += engine.mixesBegun() == begun + 1 ? 1 : 0;
                    worst = std::max(worst, ms);
                    sum += ms;
                }
                std::printf(
                    "Play to first frames mixed, %s (%s, buffer %d frames = %.1f ms): mean %.2f ms, worst "
                    "%.2f ms, %d of %d within 10 ms, %d of %d by the first callback begun after Play; Play "
                    "returns in %.3f ms at worst\n",
                    afterStop ? "after Stop" : "after FileName", qPrintable(engine.driverName()),
                    engine.bufferFrames(), engine.bufferFrames() * 1000.0 / engine.rate(), sum / rounds,
                    worst, within, rounds, firstCallback, rounds, callWorst);
                if (!afterStop)
                    std::printf(
                        "  FileName on a playing player (open, check, pre-roll; WAV and MP3 by turns): "
                        "mean %.2f ms, worst %.2f ms\n",
                        openSum / rounds, openWorst);
            }
            player.Stop();
        }
    }
    engine.setOffline(false);

    // CPU: players A and B on MP3, the jingle player on a WAV, in real time.
    {
        MediaPlayer a, b, jingles(nullptr, true);
        a.setFileName(longMp3);
        b.setFileName(longMp3);
        b.setCurrentPosition(100);
        a.setVolume(-600);
        b.setVolume(-1800);
        a.Play();
        b.Play();
        jingles.setFileName(longWav);
        QThread::msleep(300);
        const double seconds = 10;
        const auto threads0 = threadCpuMs();
        const double c0 = cpuSeconds();
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < seconds * 1000) {
            app.processEvents();
            QThread::msleep(100);
        }
        const double cpu = cpuSeconds() - c0;
        const double wall = double(t.elapsed()) / 1000;
        std::printf(
            "\nCPU, A and B on MP3 + jingle player on WAV, real time on %s: %.3f s CPU in %.1f s = %.2f%% of "
            "one core\n",
            qPrintable(engine.driverName()), cpu, wall, cpu / wall * 100);
        for (const auto &[name, ms] : threadCpuMs()) {
            const auto it = threads0.find(name);
            const double used = ms - (it == threads0.end() ? 0 : it->second);
            if (used > 1)
                std::printf("  thread %-24s %7.1f ms\n", qPrintable(name), used);
        }
        std::printf("Underruns: %llu, callbacks: %llu\n", (unsigned long long)engine.underruns(),
                    (unsigned long long)engine.callbacks());
        std::printf(
            "\nMemory: resident %ld KB at start, %ld KB with four players sounding or open (+%ld KB)\n",
            rssStart, rssKb(), rssKb() - rssStart);
        a.Stop();
        b.Stop();
        jingles.Stop();
    }
    engine.setOffline(true);
    return 0;
}
