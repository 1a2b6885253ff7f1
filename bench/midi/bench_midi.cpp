// Prints the MIDI figures: measuring and opening files with long tempo maps and
// damaged files, the level of a loud arrangement, the sound after Pause and
// Play, and the delay of the first MIDI file opened and played.
// `bench_midi quick` skips the files above 260 KB.
#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "media/AudioEngine.h"
#include "media/Decoder.h"
#include "media/MediaPlayer.h"
#include "midi/MidiFiles.h"

using vb2media::AudioEngine;

namespace {

void writeFile(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(bytes);
}

long statusKb(const char *field) {
    QFile f("/proc/self/status");
    f.open(QIODevice::ReadOnly);
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(strlen(field))).trimmed().split(' ').first().toLong();
    return 0;
}

long rssKb() {
    return statusKb("VmRSS:");
}

long peakRssKb() {
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// Peak memory of measuring `path` once, in a fresh process of its own (this
// program started again): its peak resident size above where it started, in MB.
double measurePeakMb(const char *self, const QString &path) {
    QProcess child;
    child.start(QString::fromLocal8Bit(self), {"measure-one", path});
    if (!child.waitForFinished(30000))
        return -1;
    return child.readAllStandardOutput().trimmed().toDouble();
}

struct Stats {
    double min, median, max;
};

Stats stats(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return {v.front(), v[v.size() / 2], v.back()};
}

std::vector<float> render(double seconds) {
    std::vector<float> out(size_t(std::llround(seconds * AudioEngine::kRate)) * 2);
    for (size_t at = 0; at < out.size(); at += size_t(AudioEngine::kBufferFrames) * 2)
        AudioEngine::instance().render(
            out.data() + at, int(std::min<size_t>(AudioEngine::kBufferFrames, (out.size() - at) / 2)));
    return out;
}

double db(double v) {
    return 20 * std::log10(std::max(v, 1e-12));
}

}  // namespace

int main(int argc, char *argv[]) {
    if (argc == 3 && QByteArray(argv[1]) == "measure-one") {
        const long before = statusKb("VmRSS:");
        double seconds = 0;
        vb2media::quickMeasure(QString::fromLocal8Bit(argv[2]), seconds);
        std::printf("%.1f\n", (statusKb("VmHWM:") - before) / 1024.0);
        return 0;
    }
    qputenv("SDL_AUDIODRIVER", qEnvironmentVariable("SDL_AUDIODRIVER", "dummy").toUtf8());
    QCoreApplication app(argc, argv);
    const bool quick = argc > 1 && QByteArray(argv[1]) == "quick";
    QTemporaryDir dir;
    AudioEngine &engine = AudioEngine::instance();
    engine.setOffline(true);

    // Players made at start-up, as the console makes its four; a playlist
    // lists the first MIDI file and the user cues and plays it a moment later.
    QElapsedTimer clock;
    clock.start();
    MediaPlayer a, b, probe;
    probe.setMeasureOnly(true);
    const QString song = dir.filePath("song.mid");
    writeFile(song, vb2test::fourPartMidi(16));
    probe.setFileName(song);
    QThread::msleep(500);
    const long rss0 = rssKb();
    clock.restart();
    a.setFileName(song);
    a.Play();
    const double firstPlayMs = clock.nsecsElapsed() / 1e6;
    render(0.1);
    const long rss1 = rssKb();
    clock.restart();
    b.setFileName(song);
    b.Play();
    const double secondPlayMs = clock.nsecsElapsed() / 1e6;
    render(0.1);
    const long rss2 = rssKb();
    a.Stop();
    b.Stop();
    render(0.05);
    std::printf("First MIDI FileName + Play on the UI thread: %.1f ms (second player %.1f ms)\n", firstPlayMs,
                secondPlayMs);
    std::printf("Memory: first MIDI player +%.1f MB, second +%.1f MB\n\n", (rss1 - rss0) / 1024.0,
                (rss2 - rss1) / 1024.0);

    // Measuring (the never-heard player) and opening (a playing player).
    std::printf("Long tempo maps and damaged files, min/median/max of 5 (ms):\n");
    std::printf("%-34s %9s %26s %9s %26s\n", "file", "bytes", "measure", "peak MB", "open");
    struct Case {
        QString name;
        QByteArray bytes;
    };
    std::vector<Case> cases;
    for (int kb : {65, 260, 650, 1300}) {
        if (quick && kb > 260)
            continue;
        cases.push_back({QString("tempo map %1 KB").arg(kb), vb2test::longTempoMapMidi(kb * 1000)});
    }
    {
        std::mt19937 rng(3);
        QByteArray noise(7'000'000, 0);
        for (char &c : noise)
            c = char(rng());
        QByteArray headed = vb2test::midiFile(1, 480, {}) + noise;
        cases.push_back({"MThd + 7 MB random", headed});
        QByteArray lying = vb2test::longTempoMapMidi(1'000'000);
        lying[25] = char(0x7F);  // the first track's length lies
        cases.push_back({"1 MB, lying chunk length", lying});
        cases.push_back({"1 MB, truncated", vb2test::longTempoMapMidi(1'000'000).left(600'000)});
        // 60,000 tracks of one note each, 10 ticks later each.
        QList<QByteArray> tracks;
        for (int i = 0; i < 60000; ++i) {
            vb2test::MidiTrack t;
            tracks << t.ev(uint32_t(i * 10), {0x90, 60, 90}).ev(5, {0x80, 60, 0}).end();
        }
        cases.push_back({"60,000 tracks", vb2test::midiFile(1, 480, tracks)});
        // Running status for 3 MB of notes after one status byte.
        QByteArray run;
        run += vb2test::midiVarLen(0) + QByteArray("\x90\x3C\x40", 3);
        while (run.size() < 3'000'000)
            run += QByteArray("\x01\x3C\x00\x01\x3C\x40", 6);
        cases.push_back({"3 MB running status", vb2test::midiFile(0, 96, {run})});
        // Nothing but tempo changes, up to the size limit, and a note.
        vb2test::MidiTrack tempos;
        tempos.ev(0, {0x90, 60, 90});
        for (int i = 0; tempos.size() < 8'000'000; ++i)
            tempos.tempo(1, 300000 + uint32_t(i % 1000));
        cases.push_back({"8 MB of tempo changes", vb2test::midiFile(0, 480, {tempos.end()})});
    }
    for (const Case &c : cases) {
        const QString path = dir.filePath("case.mid");
        writeFile(path, c.bytes);
        std::vector<double> measure, open;
        for (int r = 0; r < 5; ++r) {
            MediaPlayer probe;
            probe.setMeasureOnly(true);
            clock.restart();
            try {
                probe.setFileName(path);
                (void)probe.Duration();
            } catch (...) {
            }
            measure.push_back(clock.nsecsElapsed() / 1e6);
            MediaPlayer player;
            clock.restart();
            try {
                player.setFileName(path);
            } catch (...) {
            }
            open.push_back(clock.nsecsElapsed() / 1e6);
            if (open.back() > 10000)
                break;  // the old quadratic walk: one run is enough
        }
        const Stats m = stats(measure), o = stats(open);
        std::printf("%-34s %9lld %8.1f/%7.1f/%7.1f %9.1f %8.1f/%7.1f/%7.1f\n", qPrintable(c.name),
                    static_cast<long long>(c.bytes.size()), m.min, m.median, m.max,
                    measurePeakMb(argv[0], path), o.min, o.median, o.max);
    }
    std::printf("peak RSS of the process %.1f MB\n\n", peakRssKb() / 1024.0);

    // Level at Volume 0: the decoder's own output, before the mixer's clamp.
    {
        auto dec = vb2media::openMidiDecoder(song, AudioEngine::kRate);
        std::vector<float> buf(4096 * 2);
        double peak = 0;
        long clipped = 0;
        int n;
        while ((n = dec->read(buf.data(), 4096)) > 0) {
            for (int i = 0; i < 2 * n; ++i) {
                peak = std::max(peak, double(std::fabs(buf[size_t(i)])));
                clipped += std::fabs(buf[size_t(i)]) >= 1.0f;
            }
        }
        const QString one = dir.filePath("one.mid");
        writeFile(one, vb2test::singleNoteMidi(0, 60, 100, 2, 0));
        auto single = vb2media::openMidiDecoder(one, AudioEngine::kRate);
        std::vector<float> s(size_t(AudioEngine::kRate) * 2);
        const int got = single->read(s.data(), AudioEngine::kRate);
        double sum = 0;
        for (int i = 0; i < 2 * got; ++i)
            sum += double(s[size_t(i)]) * s[size_t(i)];
        std::printf(
            "Four-part GM file at full velocity: peak %+.2f dBFS, %ld samples at or over full scale\n",
            db(peak), clipped);
        std::printf("One piano note (velocity 100), first second: RMS %.2f dBFS\n\n",
                    db(std::sqrt(sum / std::max(1, 2 * got))));
    }

    // Pause at 1.0 s, Play again: the first second after Play against the
    // uninterrupted sound from the same place.
    {
        const QString held = dir.filePath("held.mid");
        writeFile(held, vb2test::singleNoteMidi(48, 60, 100, 8, 0));  // strings, four seconds
        const int64_t at = AudioEngine::kRate;
        MediaPlayer p;
        p.setFileName(held);
        p.Play();
        const std::vector<float> ref = render(2.5);
        p.Stop();
        render(0.05);
        p.Play();
        render(1.0);
        p.Pause();
        render(0.2);
        const int64_t from = std::llround(p.CurrentPosition() * AudioEngine::kRate);
        p.Play();
        const std::vector<float> after = render(1.0);
        p.Stop();
        render(0.05);
        double sig = 0, err = 0, early = 0, earlyRef = 0;
        const size_t skip = 240;  // the fade-in after Play
        for (size_t i = skip; i < after.size() / 2; ++i) {
            for (int c = 0; c < 2; ++c) {
                const double r = ref[size_t(2 * (from + int64_t(i)) + c)], x = after[2 * i + size_t(c)];
                sig += r * r;
                err += (x - r) * (x - r);
                if (i < size_t(AudioEngine::kRate / 50)) {
                    early += x * x;
                    earlyRef += r * r;
                }
            }
        }
        (void)at;
        std::printf(
            "Pause at 1.0 s, Play: SNR over the first second %.1f dB; level 5-20 ms after Play %.1f dB "
            "against the uninterrupted sound\n",
            10 * std::log10(sig / std::max(err, 1e-20)), 10 * std::log10(early / std::max(earlyRef, 1e-20)));
    }

    // A seek far into a dense song while stopped: the synthesiser starts again
    // and plays up to a second again on the UI thread.
    {
        const QString dense = dir.filePath("dense.mid");
        writeFile(dense, vb2test::fourPartMidi(64));
        MediaPlayer p;
        p.setFileName(dense);
        std::vector<double> ms;
        for (int i = 0; i < 9; ++i) {
            clock.restart();
            p.setCurrentPosition(4.0 + 3.0 * i);
            ms.push_back(clock.nsecsElapsed() / 1e6);
        }
        const Stats s = stats(ms);
        std::printf("Seek far into a four-part song while stopped: %.1f/%.1f/%.1f ms (min/median/max of 9)\n",
                    s.min, s.median, s.max);
    }
    return 0;
}
