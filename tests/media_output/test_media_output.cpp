// The engine's output side on the dummy driver and offline: fades on every cut
// whatever the decoder has buffered, and the engine's figures read while the
// output is being reopened.
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>
#include <cmath>
#include <thread>

#include "media/AudioEngine.h"
#include "media/MediaPlayer.h"
#include "support/AudioFiles.h"
#include "support/TestEnv.h"

using vb2media::AudioEngine;

namespace {

constexpr int kRate = AudioEngine::kRate;

// Renders in the engine's own buffer size, as the real-time output would pull.
void renderInto(std::vector<float> &out, double seconds) {
    std::vector<float> buf(size_t(AudioEngine::kBufferFrames) * 2);
    for (int64_t n = std::llround(seconds * kRate); n > 0; n -= AudioEngine::kBufferFrames) {
        const int frames = int(std::min<int64_t>(n, AudioEngine::kBufferFrames));
        AudioEngine::instance().render(buf.data(), frames);
        out.insert(out.end(), buf.begin(), buf.begin() + frames * 2);
    }
}

double largestStep(const std::vector<float> &b) {
    double worst = 0;
    for (size_t i = 0; i + 2 < b.size(); i += 2)
        worst = std::max(worst, double(std::fabs(b[i + 2] - b[i])));
    return worst;
}

}  // namespace

class TestMediaOutput : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

  private slots:
    // Pause, a seek while playing and Stop, each at many points of the
    // decoder's refill cycle: the offline render fades out over the full 5 ms
    // as real time does, so no step is larger than the sine's own slope and a
    // fade's (a cut short leaves a step of up to the whole amplitude).
    void offlineCutsFadeLikeRealTime() {
        AudioEngine::instance().setOffline(true);
        const QString wav = dir_.filePath("sine.wav");
        const double amplitude = 0.8, hz = 200;
        vb2test::writePcmWav(wav, 6 * kRate, kRate, 2, [&](qint64 i, int) {
            return qint16(std::lround(amplitude * 32767 * std::sin(2 * M_PI * hz * double(i) / kRate)));
        });
        const double allowed = amplitude * 2 * M_PI * hz / kRate * 1.02 + 2 * amplitude / 240;
        MediaPlayer p;
        p.setFileName(wav);
        for (int k = 0; k < 12; ++k) {
            std::vector<float> out;
            p.Play();
            renderInto(out, 0.1 + k * 0.01);
            p.Pause();
            renderInto(out, 0.02);
            p.Play();
            renderInto(out, 0.05 + k * 0.01);
            p.setCurrentPosition(0.5 + k * 0.37);
            renderInto(out, 0.04 + k * 0.01);
            p.Stop();
            renderInto(out, 0.02);
            const double step = largestStep(out);
            QVERIFY2(step <= allowed, qPrintable(QStringLiteral("round %1: a step of %2").arg(k).arg(step)));
        }
    }

    // The output opens in the background once a player has a file, so the
    // first Play does not wait for it. The driver's name, latency and counters
    // are read on the control thread while the event thread reopens the output:
    // each reading is whole, and playback goes on to its end.
    void figuresWhileTheOutputReopens() {
        AudioEngine &e = AudioEngine::instance();
        e.setOffline(false);
        QVERIFY(e.driverName().isEmpty());
        const QString wav = dir_.filePath("rt.wav");
        vb2test::writeSineWav(wav, 1.2, kRate);
        MediaPlayer p;
        QSignalSpy ends(&p, &MediaPlayer::EndOfStream);
        p.setFileName(wav);
        QTRY_COMPARE_WITH_TIMEOUT(e.driverName(), QStringLiteral("dummy"), 3000);
        p.Play();
        const QString driver = e.driverName();
        QCOMPARE(driver, QStringLiteral("dummy"));
        std::atomic<bool> stop{false};
        std::thread losses([&] {
            while (!stop.load()) {
                e.simulateDeviceLoss();
                std::this_thread::sleep_for(std::chrono::milliseconds(30));
            }
        });
        const uint64_t reopens = e.reopens();
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 800) {
            const QString name = e.driverName();
            QVERIFY(name.isEmpty() || name == driver);
            QVERIFY(e.outputLatency() >= 0 && e.outputLatency() < 1);
            e.serverUnderflows();
            e.realtime();
            QCoreApplication::processEvents();
        }
        stop.store(true);
        losses.join();
        QVERIFY(e.reopens() > reopens);
        QVERIFY(ends.wait(5000));
        QCOMPARE(ends.count(), 1);
        e.setOffline(true);
    }
};

VB2_TEST_MAIN_CORE(TestMediaOutput)
#include "test_media_output.moc"
