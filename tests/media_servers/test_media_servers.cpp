// The console's sound on the servers a Linux desktop runs: a private server
// (VB2_TEST_SERVER: pulseaudio or pipewire) with a null sink, its monitor
// recorded. The first Play after start-up, a queue of three, a level change and
// a Stop, a long tone beside a parallel build, and a server restart in the
// middle of an item, heard where a listener would hear them.
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

#include "media/AudioEngine.h"
#include "media/MediaPlayer.h"
#include "platform/VbError.h"
#include "support/AudioFiles.h"
#include "support/SoundServer.h"
#include "support/TestEnv.h"

using vb2media::AudioEngine;
using vb2test::MonitorRecorder;
using vb2test::nowNs;

namespace {

constexpr int kRate = 48000;
constexpr double kLevel = 0.5;

void writeTone(const QString &path, double seconds) {
    vb2test::writePcmWav(path, std::llround(seconds * kRate), kRate, 2, [](qint64 i, int) {
        return qint16(std::lround(kLevel * 32767 * std::sin(2 * M_PI * 440 * double(i) / kRate)));
    });
}

double ms(int64_t ns) {
    return double(ns) / 1e6;
}

}  // namespace

class TestMediaServers : public QObject {
    Q_OBJECT

    QTemporaryDir tmp;
    std::unique_ptr<vb2test::SoundServer> server;
    MonitorRecorder rec;
    QString item, longItem, toneItem;

    // A server that cannot start fails under CI and skips elsewhere, saying why.
    bool startServer(QString *why) {
        if (server->start(why))
            return true;
        if (qEnvironmentVariable("CI") == QLatin1String("true"))
            QTest::qFail(qPrintable(*why), __FILE__, __LINE__);
        else
            QTest::qSkip(qPrintable(QStringLiteral("no %1 server here: %2").arg(server->kind(), *why)),
                         __FILE__, __LINE__);
        return false;
    }

    // Where the monitor was silent from `from`, for a failure's message.
    void describe(int64_t from) {
        qWarning("recorded %lld frames from %lld; server underflows %llu, ring underruns %llu",
                 (long long)rec.frames(), (long long)from,
                 (unsigned long long)AudioEngine::instance().serverUnderflows(),
                 (unsigned long long)AudioEngine::instance().underruns());
        for (const auto &r : rec.silentRuns(from, rec.frames(), 24))
            qWarning("silent from %lld for %lld frames", (long long)r.first, (long long)r.second);
    }

    void recordedPast(int64_t ns) { QVERIFY2(rec.waitPast(ns), "the monitor's recording lags"); }

    // A silent run is the engine's fault unless the machine stalled where the
    // engine could not help it: a graph cycle PipeWire logged as missed since
    // `mark` (one each), a PipeWire server thread kept off the CPU (its graph
    // has one cycle to run each node), or, on PulseAudio, a server thread, the
    // engine's real-time audio thread or the whole machine kept off the CPU for
    // longer than the queue lasts, in the half second before the silence.
    bool machineStalledAsOften(const std::vector<std::pair<int64_t, int64_t>> &silentRuns, qint64 mark,
                               vb2test::StallWatch &watch) {
        watch.stop();
        if (silentRuns.empty())
            return true;
        int missed = server->cyclesMissedSince(mark);
        const bool realtime = AudioEngine::instance().realtime();
        bool all = true;
        for (const auto &run : silentRuns) {
            const int64_t heard = rec.timeOf(run.first);
            const vb2test::StallWatch::Stall *cause = nullptr;
            const bool pipewire = server->kind() == QLatin1String("pipewire");
            const int64_t queueNs = int64_t(AudioEngine::instance().outputLatency() * 1e9);
            for (const auto &s : watch.stalls()) {
                const bool serverThread = s.who == vb2test::StallWatch::Who::Server;
                if ((realtime || s.who != vb2test::StallWatch::Who::Audio) &&
                    (s.ns >= queueNs || (pipewire && serverThread)) && s.fromNs > heard - 500'000'000 &&
                    s.fromNs < heard)
                    cause = &s;
            }
            static const char *const whose[] = {"a server thread", "the engine's audio thread",
                                                "the real-time watch itself"};
            if (cause)
                qWarning("silent for %lld frames: %s waited %.1f ms for the CPU %.0f ms before",
                         (long long)run.second, whose[int(cause->who)], double(cause->ns) / 1e6,
                         double(heard - cause->fromNs) / 1e6);
            else if (missed > 0)
                qWarning("silent for %lld frames: a graph cycle the server missed (%d left)",
                         (long long)run.second, --missed);
            else
                all = false;
        }
        if (!all)
            qWarning(
                "a silent run with no stall of the machine before it; the engine's audio thread (%s) "
                "waited %.1f ms at most",
                realtime ? "real-time" : "not real-time", watch.audioLongestMs());
        return all;
    }

  private slots:
    void initTestCase() {
        server =
            std::make_unique<vb2test::SoundServer>(qEnvironmentVariable("VB2_TEST_SERVER", "pulseaudio"));
        item = tmp.filePath("item.wav");
        longItem = tmp.filePath("long.wav");
        writeTone(item, 1.5);
        writeTone(longItem, 4.0);
        toneItem = tmp.filePath("tone.wav");
        writeTone(toneItem, 20.0);
        // Only the private server may answer: no dummy driver, no device of the machine.
        server->exportToClients();
        QFile(tmp.filePath("asound.conf")).open(QIODevice::WriteOnly);
        qputenv("ALSA_CONFIG_PATH", tmp.filePath("asound.conf").toUtf8());
        qputenv("JACK_NO_START_SERVER", "1");
    }

    // With no sound output at all Play fails and nothing plays; once a server
    // runs, the engine opens it by itself and the next Play uses it without a
    // restart: it is heard within the latency, at the file's level, for the
    // file's length, and its end of stream comes as its last sound is heard.
    void noOutputThenAServerAppears() {
        MediaPlayer p;
        QSignalSpy ends(&p, &MediaPlayer::EndOfStream);
        p.setFileName(item);
        QVERIFY_THROWS_EXCEPTION(VbError, p.Play());
        QVERIFY(!p.isPlaying());
        QVERIFY(AudioEngine::instance().driverName().isEmpty());

        QString why;
        if (!startServer(&why))
            return;
        QVERIFY2(rec.start(server->server(), &why), qPrintable(why));
        // The failed Play left the engine looking for a server: its stream is
        // open before the next Play.
        QTRY_COMPARE_WITH_TIMEOUT(AudioEngine::instance().driverName(), server->kind(), 3000);
        QTest::qWait(300);
        const qint64 mark = server->logMark();
        vb2test::StallWatch watch(server->session());
        const int64_t t0 = nowNs();
        p.Play();
        QVERIFY(p.isPlaying());
        QCOMPARE(AudioEngine::instance().driverName(), server->kind());
        QVERIFY(ends.wait(4000));
        const double endAfter = ms(nowNs() - t0);
        recordedPast(nowNs());
        const auto items = rec.items(rec.frameAt(t0), 1, int64_t(1.5 * kRate));
        if (items.size() != 1)
            describe(rec.frameAt(t0));
        QCOMPARE(items.size(), size_t(1));
        const auto &it = items.front();
        const double soundAfter = ms(rec.timeOf(it.start) - t0);
        const double heard = double(it.end - it.start) * 1000 / kRate;
        const double level = rec.rms(it.start + kRate / 10, it.end - kRate / 10) * std::sqrt(2.0);
        qInfo(
            "%s: heard %.1f ms after Play for %.1f ms at %.3f; end of stream %.1f ms after Play; "
            "latency %.1f ms",
            qPrintable(server->kind()), soundAfter, heard, level, endAfter,
            AudioEngine::instance().outputLatency() * 1000);
        QVERIFY2(soundAfter <= 100, "the first Play is heard late");
        QVERIFY(std::fabs(heard - 1500) <= 30);
        QVERIFY(machineStalledAsOften(it.dropouts, mark, watch));
        QVERIFY(std::fabs(level - kLevel) < kLevel * 0.03);
        // The end is told as it is about to sound, not when it was mixed ahead.
        QVERIFY(std::fabs(endAfter - (soundAfter + heard)) <= 50);
        // The queue outlasts a stalled machine, and yet the Play above was heard at once.
        QVERIFY(AudioEngine::instance().outputLatency() >= 0.150);
    }

  private slots:
    // Three items, each started from the end of the one before as the queue
    // does: all three sound whole, without a silent run inside any of them,
    // and the gaps between them are no longer than two of the server's requests
    // (and the few quiet frames of the fades at their edges).
    void queueOfThree() {
        if (!server->running())
            QSKIP("no server");
        MediaPlayer p;
        int played = 0;
        connect(&p, &MediaPlayer::EndOfStream, this, [&] {
            if (++played < 3)
                p.Play();
        });
        const int64_t from = rec.frames();
        const qint64 mark = server->logMark();
        vb2test::StallWatch watch(server->session());
        p.setFileName(item);
        p.Play();
        QTRY_COMPARE_WITH_TIMEOUT(played, 3, 8000);
        recordedPast(nowNs());
        const auto items = rec.items(from, 3, int64_t(1.5 * kRate));
        if (items.size() != 3)
            describe(from);
        QCOMPARE(items.size(), size_t(3));
        std::vector<std::pair<int64_t, int64_t>> dropouts;
        for (size_t k = 0; k < items.size(); ++k) {
            for (const auto &d : items[k].dropouts)
                qWarning(
                    "item %zu: silent for %lld frames at %lld; server underflows %llu, ring underruns %llu",
                    k, (long long)d.second, (long long)(d.first - items[k].start),
                    (unsigned long long)AudioEngine::instance().serverUnderflows(),
                    (unsigned long long)AudioEngine::instance().underruns());
            dropouts.insert(dropouts.end(), items[k].dropouts.begin(), items[k].dropouts.end());
            if (k > 0) {
                const int64_t gap = items[k].start - items[k - 1].end;
                qInfo("gap %zu: %.2f ms", k, double(gap) * 1000 / kRate);
                QVERIFY(gap <= 2 * AudioEngine::instance().bufferFrames() + kRate / 1000);
            }
        }
        QVERIFY(machineStalledAsOften(dropouts, mark, watch));
    }

    // The stream is written far ahead, yet a level change and a Stop are heard
    // as soon as a Play is (within 100 ms): written over what is queued, not after it. The same
    // with a station's own queue length (PULSE_LATENCY_MSEC), which the client
    // library would otherwise turn into the server's own buffers.
    void changesHeardAtOnce() {
        if (!server->running())
            QSKIP("no server");
        AudioEngine &engine = AudioEngine::instance();
        for (const char *station : {"", "300"}) {
            if (*station) {
                qputenv("PULSE_LATENCY_MSEC", station);
                vb2media::takeServerQueueSetting();
                QVERIFY(qgetenv("PULSE_LATENCY_MSEC").isEmpty());
                const uint64_t reopens = engine.reopens();
                engine.simulateDeviceLoss();
                QTRY_COMPARE_WITH_TIMEOUT(engine.reopens(), reopens + 1, 3000);
            }
            MediaPlayer p;
            p.setFileName(longItem);
            p.Play();
            QTest::qWait(1000);
            const int64_t lowered = nowNs();
            p.setVolume(-2000);  // 0.5 to 0.05
            QTest::qWait(500);
            const int64_t stopped = nowNs();
            p.Stop();
            recordedPast(nowNs());
            const int64_t loud = rec.lastSound(rec.frameAt(lowered), rec.frameAt(stopped), 0.1f);
            const int64_t last = rec.lastSound(rec.frameAt(stopped), rec.frames());
            QVERIFY(loud >= 0 && last >= 0);
            const double levelAfter = ms(rec.timeOf(loud) - lowered),
                         stopAfter = ms(rec.timeOf(last) - stopped);
            qInfo("%s: level heard %.1f ms after it changed, Stop %.1f ms after; queue %.1f ms",
                  qPrintable(server->kind()), levelAfter, stopAfter, engine.outputLatency() * 1000);
            QVERIFY(levelAfter <= 100);
            QVERIFY(stopAfter <= 100);
            QVERIFY(engine.outputLatency() >= (*station ? 0.250 : 0.150));
        }
        vb2media::takeServerQueueSetting();
        const uint64_t reopens = engine.reopens();
        engine.simulateDeviceLoss();
        QTRY_COMPARE_WITH_TIMEOUT(engine.reopens(), reopens + 1, 3000);
    }

    // A 20 s tone while a parallel build (make -j8 of a small generated tree)
    // loads the machine as a show machine's encoder or browser does: the
    // engine's ring never runs dry, and no cycle of its sound is lost but where
    // the server's own threads stalled.
    void toneBesideBuild() {
        if (!server->running())
            QSKIP("no server");
        vb2test::BuildLoad build;
        QString why;
        QVERIFY2(build.start(25, 8, &why), qPrintable(why));
        QTest::qWait(1500);  // the compilers are under way
        MediaPlayer p;
        QSignalSpy ends(&p, &MediaPlayer::EndOfStream);
        p.setFileName(toneItem);
        const int64_t from = rec.frames();
        const qint64 mark = server->logMark();
        vb2test::StallWatch watch(server->session());
        const uint64_t underflows = AudioEngine::instance().serverUnderflows();
        const uint64_t underruns = AudioEngine::instance().underruns();
        p.Play();
        QVERIFY(ends.wait(23000));
        const double load = vb2test::loadAverage();
        build.stop();
        recordedPast(nowNs());
        const int64_t first = rec.firstSound(from);
        QVERIFY(first >= 0);
        const int64_t last = rec.lastSound(first, rec.frames());
        const auto runs = rec.silentRuns(first, last + 1, 32);
        qInfo(
            "%s beside the build (load average %.1f): heard %.2f s, %zu silent runs; server underflows "
            "%llu, ring underruns %llu",
            qPrintable(server->kind()), load, double(last + 1 - first) / kRate, runs.size(),
            (unsigned long long)(AudioEngine::instance().serverUnderflows() - underflows),
            (unsigned long long)(AudioEngine::instance().underruns() - underruns));
        for (const auto &r : runs)
            qWarning("silent for %lld frames %.3f s in", (long long)r.second,
                     double(r.first - first) / kRate);
        QCOMPARE(AudioEngine::instance().underruns(), underruns);
        QVERIFY(machineStalledAsOften(runs, mark, watch));
        // Every frame played once: a stall's silence may have been added to the length.
        int64_t silent = 0;
        for (const auto &r : runs)
            silent += r.second;
        QVERIFY(std::fabs(double(last + 1 - first) / kRate - 20.0) < 0.05 + double(silent) / kRate);
    }

    // The server stops in the middle of an item and comes back: the sound
    // resumes by itself within a second of the server's return, from where it
    // stopped, the player plays on all the while, and the item ends once.
    void serverRestartMidItem() {
        if (!server->running())
            QSKIP("no server");
        AudioEngine &engine = AudioEngine::instance();
        MediaPlayer p;
        QSignalSpy ends(&p, &MediaPlayer::EndOfStream);
        p.setFileName(longItem);
        p.Play();
        QTest::qWait(1000);
        const uint64_t reopens = engine.reopens();
        rec.stop();
        server->stop();
        QTest::qWait(300);
        QVERIFY(p.isPlaying());
        const double at = p.CurrentPosition();
        QString why;
        QVERIFY2(server->start(&why), qPrintable(why));
        const int64_t back = nowNs();
        MonitorRecorder again;
        QVERIFY2(again.start(server->server(), &why), qPrintable(why));
        // On a loaded machine the engine may be back before the recorder: what
        // it played before then is not in the recording.
        const double unrecorded = std::max(0.0, p.CurrentPosition() - engine.outputLatency() - at);
        QTRY_VERIFY_WITH_TIMEOUT(again.firstSound(0) >= 0, 3000);
        const double resumedAfter = ms(again.timeOf(again.firstSound(0)) - back);
        qInfo("sound again %.1f ms after the server is back; position %.3f s when it went", resumedAfter, at);
        QVERIFY(resumedAfter < 1000);
        QCOMPARE(engine.reopens(), reopens + 1);
        QVERIFY(p.isPlaying());
        // Nothing was skipped: what was left of the item still plays in full.
        QVERIFY(p.CurrentPosition() < at + 1.0);
        QVERIFY(ends.wait(5000));
        QTest::qWait(200);
        QCOMPARE(ends.count(), 1);
        const double heardAfter = double(again.lastSound(0, again.frames()) - again.firstSound(0)) / kRate;
        QVERIFY2(
            std::fabs(heardAfter - (4.0 - at - unrecorded)) < 0.3,
            qPrintable(QStringLiteral("%1 s heard after the restart, %2 s were left, %3 s before recording")
                           .arg(heardAfter)
                           .arg(4.0 - at)
                           .arg(unrecorded)));
        again.stop();
    }

    void cleanupTestCase() {
        rec.stop();
        server->stop();
    }
};

VB2_TEST_MAIN_CORE(TestMediaServers)
#include "test_media_servers.moc"
