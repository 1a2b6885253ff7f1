// Start-up, repeated in fresh processes (min/median/max): time from the start-up
// routine to the console shown inside the frame (tip of the day off), the
// process's CPU time then and after it has settled (background work included),
// and the first Play right after start: a MIDI file and, beside it, a WAV file
// listed in the measuring player as a playlist lists them, then cued on the
// deck players and played after a moment (0 ms: at once; 300 ms: a click).
// Each run has its own program folder and settings store; uses the platform
// given by QT_QPA_PLATFORM (offscreen if unset).
//   bench_startup [runs]      default 7
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "app/About.h"
#include "app/Base.h"
#include "console/DJPlayer.h"
#include "media/MediaPlayer.h"
#include "midi/MidiFiles.h"
#include "platform/Settings.h"
#include "support/BenchEnv.h"

namespace {

double cpuSeconds() {
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void settle(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
}

// 2 s of a 440 Hz tone, 48 kHz 16-bit stereo.
QByteArray toneWav() {
    const int rate = 48000, frames = 2 * rate;
    QByteArray pcm(frames * 4, '\0');
    auto *s = reinterpret_cast<int16_t *>(pcm.data());
    for (int i = 0; i < frames; ++i)
        s[2 * i] = s[2 * i + 1] = int16_t(8000 * std::sin(2 * M_PI * 440 * i / rate));
    auto le = [](uint32_t v, int n) {
        QByteArray b;
        for (int i = 0; i < n; ++i)
            b.append(char(v >> (8 * i)));
        return b;
    };
    return "RIFF" + le(uint32_t(36 + pcm.size()), 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(2, 2) +
           le(rate, 4) + le(rate * 4, 4) + le(4, 2) + le(16, 2) + "data" + le(uint32_t(pcm.size()), 4) + pcm;
}

double playMs(MediaPlayer *p, const QString &path) {
    QElapsedTimer t;
    t.start();
    p->setFileName(path);
    p->Play();
    return t.nsecsElapsed() / 1e6;
}

// One start-up in this process; prints "shownMs cpuShown cpuSettled midiMs wavMs".
int once(int argc, char *argv[], int cueAfterMs) {
    QTemporaryDir root;
    vb2bench::isolate(root.path());
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    Settings::save("Show Tips", "0");
    const QString midi = root.filePath("song.mid"), wav = root.filePath("tone.wav");
    for (const auto &[path, bytes] : {std::pair{midi, vb2test::fourPartMidi(8)}, std::pair{wav, toneWav()}}) {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
    }

    QElapsedTimer clock;
    clock.start();
    About about;
    about.Form_Load();
    const double shownMs = clock.nsecsElapsed() / 1e6;
    const double cpuShown = cpuSeconds();
    DJPlayer &dj = DJPlayerInstance();
    if (!dj.isVisible() || !BaseInstance().isVisible())
        return 1;
    settle(1500);
    const double cpuSettled = cpuSeconds();

    // A playlist with both files is listed, then the user cues and plays.
    for (const QString &path : {midi, wav})
        dj.MediaPlayer3->setFileName(path);
    settle(cueAfterMs);
    const double midiMs = playMs(dj.MediaPlayer1, midi);
    const double wavMs = playMs(dj.MediaPlayer2, wav);
    dj.MediaPlayer1->Stop();
    dj.MediaPlayer2->Stop();
    std::printf("%.2f %.4f %.4f %.2f %.2f\n", shownMs, cpuShown, cpuSettled, midiMs, wavMs);
    return 0;
}

void line(const char *what, std::vector<double> v, double scale, const char *unit) {
    std::sort(v.begin(), v.end());
    std::printf("  %-44s %8.3f / %8.3f / %8.3f %s\n", what, v.front() * scale, v[v.size() / 2] * scale,
                v.back() * scale, unit);
}

}  // namespace

int main(int argc, char *argv[]) {
    if (argc == 3 && QByteArray(argv[1]) == "once")
        return once(argc, argv, atoi(argv[2]));
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 7;
    std::printf("start-up, %d runs each, min / median / max (target: console shown under 300 ms)\n", runs);
    for (int cueAfter : {0, 300}) {
        std::vector<double> shown, cpuShown, cpuSettled, midi, wav;
        for (int i = 0; i < runs; ++i) {
            QProcess child;
            child.start(QString::fromLocal8Bit(argv[0]), {"once", QString::number(cueAfter)});
            if (!child.waitForFinished(60000) || child.exitCode() != 0) {
                std::printf("run %d failed: console not shown\n", i);
                return 1;
            }
            const QList<QByteArray> f = child.readAllStandardOutput().trimmed().split('\n').last().split(' ');
            if (f.size() != 5)
                return 1;
            shown.push_back(f[0].toDouble());
            cpuShown.push_back(f[1].toDouble());
            cpuSettled.push_back(f[2].toDouble());
            midi.push_back(f[3].toDouble());
            wav.push_back(f[4].toDouble());
        }
        std::printf("files cued %d ms after they were listed:\n", cueAfter);
        line("console shown", shown, 1, "ms");
        line("CPU time at console shown", cpuShown, 1, "s");
        line("CPU time 1.5 s later (all threads)", cpuSettled, 1, "s");
        line("first MIDI FileName + Play", midi, 1, "ms");
        line("first WAV FileName + Play (beside it)", wav, 1, "ms");
    }
    return 0;
}
