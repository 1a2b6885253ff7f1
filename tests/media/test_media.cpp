// The media player and its engine, measured on the offline render (and, for
// real-time behaviour, on SDL's dummy driver).
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <cmath>
#include <functional>
#include <random>

#include "media/AudioEngine.h"
#include "media/MediaPlayer.h"
#include "media/MidiFile.h"
#include "media/Probe.h"
#include "platform/VbError.h"
#include "support/AudioFiles.h"
#include "support/OfflineRender.h"
#include "support/TestEnv.h"
#include "support/TestFiles.h"

using vb2media::AudioEngine;

namespace {

constexpr int kRate = AudioEngine::kRate;
const QString kData = QStringLiteral(VB2_TEST_DATA);

using vb2test::writeBytes;

// 16-bit PCM; `sample(frame, channel)` in -1..1.
void writeWav(const QString &path, int64_t frames, int rate, int channels,
              const std::function<double(int64_t, int)> &sample) {
    QVERIFY(vb2test::writePcmWav(path, frames, rate, channels, [&](qint64 i, int c) {
        return qint16(std::lround(std::clamp(sample(i, c), -1.0, 1.0) * 32767));
    }));
}

void writeSine(const QString &path, double seconds, double amplitude = 0.5, double freq = 1000,
               int rate = kRate) {
    writeWav(path, std::llround(seconds * rate), rate, 2,
             [=](int64_t i, int) { return amplitude * std::sin(2 * M_PI * freq * double(i) / rate); });
}

QByteArray varLen(uint32_t v) {
    QByteArray out(1, char(v & 0x7F));
    while (v >>= 7)
        out.prepend(char((v & 0x7F) | 0x80));
    return out;
}

QByteArray chunk(const char *id, const QByteArray &body) {
    QByteArray b(id);
    const uint32_t n = uint32_t(body.size());
    b.append(char(n >> 24)).append(char(n >> 16)).append(char(n >> 8)).append(char(n));
    return b + body;
}

// Format 1, 480 ticks a quarter: a tempo track (120 BPM, then 240 BPM from
// tick 960) and a track of notes whose last event is at tick 2880:
// 960 ticks at 0.5 s/quarter = 1.0 s, then 1920 ticks at 0.25 s/quarter = 1.0 s.
QByteArray knownMidi() {
    QByteArray tempo;
    tempo += varLen(0) + QByteArray("\xFF\x51\x03\x07\xA1\x20", 6);
    tempo += varLen(960) + QByteArray("\xFF\x51\x03\x03\xD0\x90", 6);
    tempo += varLen(0) + QByteArray("\xFF\x2F\x00", 3);
    QByteArray notes;
    notes += varLen(0) + QByteArray("\xC0\x00", 2);
    for (int i = 0; i < 6; ++i) {
        notes += varLen(0) + QByteArray("\x90", 1) + char(60 + i) + char(100);
        notes += varLen(480) + QByteArray("\x80", 1) + char(60 + i) + char(0);
    }
    notes += varLen(0) + QByteArray("\xFF\x2F\x00", 3);
    return chunk("MThd", QByteArray("\x00\x01\x00\x02\x01\xE0", 6)) + chunk("MTrk", tempo) +
           chunk("MTrk", notes);
}

std::vector<float> render(double seconds) {
    return vb2test::renderOffline(seconds);
}

double rms(const std::vector<float> &v, size_t from = 0) {
    double s = 0;
    for (size_t i = from; i < v.size(); ++i)
        s += double(v[i]) * v[i];
    return std::sqrt(s / double(v.size() - from));
}

// Where each click of a click track starts: the first frame of each run of
// loud frames, at least 100 ms after the previous click.
std::vector<int64_t> clickOnsets(const std::vector<float> &b, int64_t from = 0) {
    std::vector<int64_t> out;
    for (size_t i = size_t(from); i < b.size() / 2; ++i) {
        if (std::fabs(b[2 * i]) < 0.3f)
            continue;
        if (out.empty() || int64_t(i) - out.back() > kRate / 10)
            out.push_back(int64_t(i));
    }
    return out;
}

// The largest step between neighbouring left samples from frame `from`.
double largestStep(const std::vector<float> &b, size_t from = 0) {
    double worst = 0;
    for (size_t i = 2 * from; i + 2 < b.size(); i += 2)
        worst = std::max(worst, double(std::fabs(b[i + 2] - b[i])));
    return worst;
}

void pump() {
    QCoreApplication::processEvents();
}

// Renders until the player's end of stream arrives (or `limit` seconds);
// returns the seconds rendered and checks the sound stayed sane.
double playToEnd(MediaPlayer &p, QSignalSpy &spy, double limit) {
    double t = 0;
    while (spy.isEmpty() && t < limit) {
        const std::vector<float> b = render(0.05);
        for (float x : b) {
            if (!std::isfinite(x) || std::fabs(x) > 1.0f) {
                qWarning("insane sample");
                return -1;
            }
        }
        t += 0.05;
        pump();
    }
    Q_UNUSED(p);
    return t;
}

}  // namespace

class TestMedia : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString tmp(const QString &name) { return dir_.filePath(name); }

  private slots:
    void initTestCase() { AudioEngine::instance().setOffline(true); }

    // Each format's duration against a file of known length, and it plays exactly that long.
    void durationsOfEveryFormat() {
        const QString wav = tmp("len.wav");
        writeWav(wav, 54419, 44100, 1, [](int64_t i, int) { return 0.3 * std::sin(i * 0.05); });
        const QString mid = tmp("known.mid");
        writeBytes(mid, knownMidi());
        // Two tags of 100 KB (pictures) before the file's own tag and its frames.
        const QString tagged = tmp("tagged.mp3");
        const QByteArray tag = QByteArray("ID3\x04\x00\x00\x00\x06\x1F\x76", 10) + QByteArray(102390, 'p');
        writeBytes(tagged, tag + tag + vb2test::fileBytes(kData + "/vbr_noxing.mp3"));
        struct Case {
            QString path;
            double known, tolerance;
        };
        const Case cases[] = {{wav, 54419.0 / 44100, 1e-9},
                              {kData + "/tone_xing.mp3", 2.0, 0.05},
                              {kData + "/tone_noxing.mp3", 2.0, 0.05},
                              {kData + "/vbr_noxing.mp3", 3.0, 0.05},
                              {tagged, 3.0, 0.05},
                              {kData + "/tone.wma", 2.0, 0.05},
                              {mid, 2.0, 0.1}};
        for (const Case &c : cases) {
            MediaPlayer p;
            p.setFileName(c.path);
            const double d = p.Duration();
            QVERIFY2(std::fabs(d - c.known) <= c.tolerance,
                     qPrintable(c.path + ": " + QString::number(d, 'f', 6)));
            QSignalSpy spy(&p, &MediaPlayer::EndOfStream);
            p.Play();
            const double played = playToEnd(p, spy, d + 1);
            QCOMPARE(spy.count(), 1);
            QVERIFY2(played >= d - 0.001 && played <= d + 0.06, qPrintable(c.path));
        }
    }

    // The MP3 frame walk is exact and counts frames without a header.
    void mp3ScanWithoutHeader() {
        const vb2media::MpegInfo plain = vb2media::scanMpeg(kData + "/tone_noxing.mp3");
        QVERIFY(plain.valid && !plain.hasHeader);
        QCOMPARE(plain.frames, int64_t(78));
        QCOMPARE(plain.seconds, 78 * 1152.0 / 44100);
        const vb2media::MpegInfo xing = vb2media::scanMpeg(kData + "/tone_xing.mp3");
        QVERIFY(xing.valid && xing.hasHeader);
        QCOMPARE(xing.seconds, 2.0);
    }

    // 10^(Volume/2000) within 0.05 dB at the console's levels; Mute is digital silence.
    void gainLawAndMute() {
        const QString wav = tmp("sine.wav");
        writeSine(wav, 2.0);
        MediaPlayer p;
        p.setFileName(wav);
        p.Play();
        render(0.05);
        const double ref = rms(render(0.2));
        for (int v : {-600, -1800, -4100, -8400}) {
            p.setVolume(v);
            render(0.02);  // past the ramp
            const double db = 20 * std::log10(rms(render(0.2)) / ref);
            QVERIFY2(std::fabs(db - v / 100.0) < 0.05, qPrintable(QString::number(db)));
        }
        p.setMute(true);
        render(0.02);
        for (float x : render(0.2))
            QCOMPARE(x, 0.0f);
        // Both are the player's own and outlive a new file, Stop and Play.
        p.Stop();
        p.setFileName(wav);
        p.Play();
        QCOMPARE(p.Volume(), -8400);
        QVERIFY(p.Mute());
        for (float x : render(0.1))
            QCOMPARE(x, 0.0f);
        p.setMute(false);
        p.setVolume(0);
        render(0.02);
        QVERIFY(std::fabs(rms(render(0.1)) - ref) < ref * 0.01);
    }

    // A level step is ramped: no jump between samples beyond the ramp's slope.
    void levelStepsNeverClick() {
        const QString wav = tmp("sine2.wav");
        writeSine(wav, 1.0, 0.8, 100);
        MediaPlayer p;
        p.setFileName(wav);
        p.Play();
        std::vector<float> all = render(0.1);
        const double sineSlope = 0.8 * 2 * M_PI * 100 / kRate;
        for (int v : {-4100, 0, -8400, -600}) {
            p.setVolume(v);
            const std::vector<float> b = render(0.03);
            all.insert(all.end(), b.begin(), b.end());
        }
        p.setMute(true);
        std::vector<float> b = render(0.03);
        all.insert(all.end(), b.begin(), b.end());
        double worst = 0;
        for (size_t i = 2 * 300; i + 2 < all.size(); i += 2)
            worst = std::max(worst, double(std::fabs(all[i + 2] - all[i])));
        // A full-scale gain change spread over 240 frames adds 0.8/240 per frame at most.
        QVERIFY2(worst <= sineSlope + 0.8 / 240 + 1e-4, qPrintable(QString::number(worst)));
        // Pause and Stop fade out as well.
        p.setMute(false);
        render(0.02);
        std::vector<float> before = render(0.01);
        p.Pause();
        std::vector<float> after = render(0.01);
        QVERIFY(std::fabs(after[0] - before[before.size() - 2]) <= sineSlope + 0.8 / 240 + 1e-3);
        QCOMPARE(after.back(), 0.0f);
    }

    // SelectionStart, seeks in every state, FileName read back.
    void selectionSeekAndFileName() {
        // Left channel tells the frame it came from.
        const QString wav = tmp("ramp.wav");
        const int64_t total = 2 * kRate;
        writeWav(wav, total, kRate, 2, [&](int64_t i, int c) { return c == 0 ? double(i) / total : 0.0; });
        auto frameHeard = [&](const std::vector<float> &b, int at) {
            return b[size_t(at) * 2] * double(total);
        };

        MediaPlayer p;
        p.setCurrentPosition(3);  // no file: nothing happens
        QCOMPARE(p.CurrentPosition(), 0.0);
        QVERIFY_THROWS_EXCEPTION(VbError, p.Play());
        p.setFileName(wav);
        QCOMPARE(p.FileName(), wav);
        p.setSelectionStart(1.0);
        p.Play();
        QCOMPARE(p.CurrentPosition(), 1.0);
        QCOMPARE(p.SelectionEnd(), p.Duration());
        std::vector<float> b = render(0.1);
        QVERIFY(std::fabs(frameHeard(b, 300) - (kRate + 300)) < 4);
        QVERIFY(std::fabs(p.CurrentPosition() - 1.1) < 1e-9);

        p.Pause();
        QVERIFY(std::fabs(p.CurrentPosition() - 1.1) < 1e-9);
        render(0.1);
        QVERIFY(std::fabs(p.CurrentPosition() - 1.1) < 1e-9);
        p.setCurrentPosition(0.25);  // paused
        QCOMPARE(p.CurrentPosition(), 0.25);
        p.Play();
        b = render(0.05);
        QVERIFY(std::fabs(frameHeard(b, 300) - (kRate / 4 + 300)) < 4);

        p.setCurrentPosition(1.5);  // playing
        QCOMPARE(p.CurrentPosition(), 1.5);
        b = render(0.05);
        QVERIFY(std::fabs(frameHeard(b, 300) - (kRate * 3 / 2 + 300)) < 4);

        p.Stop();
        QCOMPARE(p.FileName(), wav);
        p.setCurrentPosition(0.5);  // stopped
        QCOMPARE(p.CurrentPosition(), 0.5);
        p.Play();
        b = render(0.05);
        QVERIFY(std::fabs(frameHeard(b, 300) - (kRate / 2 + 300)) < 4);

        QSignalSpy spy(&p, &MediaPlayer::EndOfStream);
        playToEnd(p, spy, 3);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(p.FileName(), wav);
        QVERIFY(!p.isPlaying());
    }

    // A jump in an MP3 sounds at once: no gap while the decoder refills its bit reservoir.
    void mp3SeekHasNoGap() {
        MediaPlayer p;
        p.setFileName(kData + "/tone_xing.mp3");
        p.Play();
        render(0.1);
        const double steady = rms(render(0.1));
        for (double at : {1.0, 0.5, 1.5}) {
            p.setCurrentPosition(at);
            QVERIFY(std::fabs(rms(render(0.03), 2 * 300) - steady) < steady * 0.05);
        }
    }

    // One end of stream per natural end; none after Stop or a new file, even
    // when the end was already found before they came.
    void endOfStreamOncePerEnd() {
        const QString wav = tmp("short.wav");
        writeSine(wav, 0.3);
        MediaPlayer p;
        QSignalSpy spy(&p, &MediaPlayer::EndOfStream);
        p.setFileName(wav);
        p.Play();
        render(1.0);
        QCOMPARE(spy.count(), 0);  // queued, never inside a call
        pump();
        QCOMPARE(spy.count(), 1);
        render(0.5);
        pump();
        QCOMPARE(spy.count(), 1);

        p.Play();  // again after the end
        render(0.25);
        p.Stop();
        render(0.5);
        pump();
        QCOMPARE(spy.count(), 1);

        p.Play();
        render(0.5);  // the end is found, not yet delivered
        p.Stop();
        pump();
        QCOMPARE(spy.count(), 1);

        p.Play();
        render(0.5);
        p.setFileName(wav);
        pump();
        QCOMPARE(spy.count(), 1);

        p.setSelectionStart(5);  // past the end: it ends at once, once
        p.Play();
        render(0.1);
        pump();
        QCOMPARE(spy.count(), 2);
    }

    // The jingle player starts on FileName; a new file replaces the sounding one.
    void autoStartReplaces() {
        const QString a = tmp("a.wav"), b = tmp("b.wav");
        writeSine(a, 0.5, 0.5, 1000);
        writeSine(b, 0.3, 0.25, 500);
        MediaPlayer p(nullptr, true);
        QSignalSpy spy(&p, &MediaPlayer::EndOfStream);
        p.setFileName(a);
        QVERIFY(p.isPlaying());
        QVERIFY(std::fabs(rms(render(0.1), 600) - 0.5 / std::sqrt(2)) < 0.01);
        p.setFileName(b);
        QVERIFY(std::fabs(rms(render(0.1), 600) - 0.25 / std::sqrt(2)) < 0.01);
        render(0.5);
        pump();
        QCOMPARE(spy.count(), 1);
    }

    // Remembered durations follow the file: a rewritten file is measured
    // again, and a file gone since it was measured cannot be played.
    void measuredDurationsFollowTheFile() {
        const QString wav = tmp("changing.wav");
        writeSine(wav, 0.5);
        MediaPlayer p;
        p.setFileName(wav);
        QCOMPARE(p.Duration(), 0.5);
        writeSine(wav, 0.75);
        p.setFileName(wav);
        QCOMPARE(p.Duration(), 0.75);
        QFile::remove(wav);
        QVERIFY_THROWS_EXCEPTION(VbError, p.Play());
        QVERIFY(!p.isPlaying());
        QVERIFY_THROWS_EXCEPTION(VbError, p.setFileName(wav));
        QCOMPARE(p.FileName(), QString());
    }

    // Damaged and odd files fail at FileName or play what decodes, then end once.
    void badInputs() {
        const QByteArray mp3 = vb2test::fileBytes(kData + "/tone_xing.mp3");
        const QByteArray wma = vb2test::fileBytes(kData + "/tone.wma");
        QByteArray midi = knownMidi();
        QByteArray brokenMidi = midi;
        brokenMidi[25] = char(0x7F);  // first track's length runs far past the end
        const QByteArray noise = vb2test::randomBytes(20000, 7);
        QByteArray headerOnly;
        {
            const QString w = tmp("h.wav");
            writeWav(w, 0, 44100, 2, [](int64_t, int) { return 0.0; });
            headerOnly = vb2test::fileBytes(w);
        }
        struct Case {
            QString name;
            QByteArray bytes;
            bool mustFail;
        };
        const Case cases[] = {{"truncated.mp3", mp3.left(mp3.size() * 2 / 5), false},
                              {"random.mp3", noise, true},
                              {"empty.wav", QByteArray(), true},
                              {"nodata.wav", headerOnly, true},
                              {"half.wma", wma.left(wma.size() / 2), false},
                              {"broken.mid", brokenMidi, false},
                              {"notes.mid", midi.left(60), false}};
        for (const Case &c : cases) {
            const QString path = tmp(c.name);
            writeBytes(path, c.bytes);
            MediaPlayer p;
            QSignalSpy spy(&p, &MediaPlayer::EndOfStream);
            try {
                p.setFileName(path);
            } catch (const VbError &) {
                QCOMPARE(p.FileName(), QString());
                QCOMPARE(p.Duration(), 0.0);
                QVERIFY_THROWS_EXCEPTION(VbError, p.Play());
                continue;
            }
            QVERIFY2(!c.mustFail, qPrintable(c.name));
            p.Play();
            const double t = playToEnd(p, spy, p.Duration() + 1);
            QVERIFY2(t >= 0 && spy.count() == 1, qPrintable(c.name));
        }
    }

    // A file deleted or rewritten while it plays: it ends, once, without noise.
    void fileGoneOrChangedWhilePlaying() {
        const QByteArray noise = vb2test::randomBytes(200000, 11);
        for (const QString &src : {kData + "/tone_noxing.mp3", kData + "/tone.wma"}) {
            for (bool rewrite : {false, true}) {
                const QString path = tmp("moving" + src.right(4));
                QFile::remove(path);
                QVERIFY(QFile::copy(src, path));
                MediaPlayer p;
                QSignalSpy spy(&p, &MediaPlayer::EndOfStream);
                p.setFileName(path);
                p.Play();
                render(0.1);
                if (rewrite)
                    writeBytes(path, noise);
                else
                    QFile::remove(path);
                QVERIFY(playToEnd(p, spy, p.Duration() + 1) >= 0);
                QCOMPARE(spy.count(), 1);
            }
        }
    }

    // A decoder held back for a moment (a slow disk) is an underrun, not the end: the
    // player goes on, the underrun is counted, and the end comes once, after every frame
    // of the file was heard.
    void underrunIsNotTheEnd() {
        const QString wav = tmp("steady.wav");
        const int64_t total = kRate;  // a constant level, so every frame heard can be counted
        writeWav(wav, total, kRate, 2, [](int64_t, int) { return 0.5; });
        AudioEngine &e = AudioEngine::instance();
        MediaPlayer p;
        QSignalSpy spy(&p, &MediaPlayer::EndOfStream);
        p.setFileName(wav);
        p.Play();
        int64_t heard = 0;
        auto listen = [&](double seconds) {
            for (float x : render(seconds))
                heard += x > 0.25f;  // left and right: two per frame
            pump();
        };
        listen(0.2);
        const uint64_t underruns = e.underruns();
        e.holdDecoders(true);
        listen(0.6);  // longer than the decoder reads ahead
        e.holdDecoders(false);
        QVERIFY2(e.underruns() > underruns, "the starved decoder was not counted");
        QCOMPARE(spy.count(), 0);
        QVERIFY(p.isPlaying());
        for (int i = 0; i < 40 && spy.isEmpty(); ++i)
            listen(0.05);
        QCOMPARE(spy.count(), 1);
        // The fade-in of the first 5 ms is below the threshold.
        QVERIFY2(std::llabs(heard / 2 - total) <= kRate / 200, qPrintable(QString::number(heard / 2)));
        listen(0.3);
        QCOMPARE(spy.count(), 1);
    }

    // A MIDI file without a tempo event plays at 120 beats a minute: at 480 ticks a
    // quarter, a note at tick 480 sounds at 0.5 s and 960 ticks last 1.0 s.
    void midiWithoutTempoPlaysAt120() {
        QByteArray notes;
        notes += varLen(0) + QByteArray("\xC0\x00", 2);
        notes += varLen(0) + QByteArray("\x90\x48\x70", 3);
        notes += varLen(60) + QByteArray("\x80\x48\x00", 3);
        notes += varLen(420) + QByteArray("\x90\x48\x70", 3);
        notes += varLen(60) + QByteArray("\x80\x48\x00", 3);
        notes += varLen(420) + QByteArray("\xFF\x2F\x00", 3);
        const QString mid = tmp("notempo.mid");
        writeBytes(mid, chunk("MThd", QByteArray("\x00\x00\x00\x01\x01\xE0", 6)) + chunk("MTrk", notes));
        MediaPlayer p;
        p.setFileName(mid);
        QVERIFY2(std::fabs(p.Duration() - 1.0) < 1e-6, qPrintable(QString::number(p.Duration(), 'f', 6)));
        QSignalSpy spy(&p, &MediaPlayer::EndOfStream);
        p.Play();
        const std::vector<float> b = render(0.7);
        auto level = [&](double from, double to) {
            std::vector<float> part(b.begin() + 2 * std::llround(from * kRate),
                                    b.begin() + 2 * std::llround(to * kRate));
            return rms(part);
        };
        // Silence between the notes until 0.49 s, the second note's attack from 0.5 s.
        const double before = level(0.40, 0.49), after = level(0.50, 0.56);
        QVERIFY2(after > 10 * before, qPrintable(QString("%1 %2").arg(before).arg(after)));
        const double rest = playToEnd(p, spy, 1.0);
        QCOMPARE(spy.count(), 1);
        QVERIFY2(std::fabs(0.7 + rest - 1.0) <= 0.05, qPrintable(QString::number(0.7 + rest)));
    }

    // MIDI: rendered with the soundfont, ends at its own length; without the soundfont it fails to open.
    void midiPlaysAndNeedsSoundfont() {
        const QString mid = tmp("song.mid");
        writeBytes(mid, knownMidi());
        vb2media::MidiSong song;
        QVERIFY(vb2media::parseMidi(knownMidi(), song));
        QVERIFY(std::fabs(song.seconds - 2.0) < 1e-9);
        MediaPlayer p;
        p.setFileName(mid);
        p.Play();
        QVERIFY(rms(render(0.5)) > 0.005);
        p.setCurrentPosition(1.5);
        QCOMPARE(p.CurrentPosition(), 1.5);
        QVERIFY(rms(render(0.2)) > 0.005);
        qputenv("VB2_SOUNDFONT", "/nonexistent/none.sf2");
        MediaPlayer q;
        QVERIFY_THROWS_EXCEPTION(VbError, q.setFileName(mid));
        qunsetenv("VB2_SOUNDFONT");
    }

    // Play sounds from the first buffer the mixer takes after it, without any
    // decoding ahead in between: after FileName, Stop, Pause and a seek while
    // stopped, and on the jingle player.
    void playSoundsInTheFirstBuffer() {
        const QString wav = tmp("first.wav");
        const int64_t total = 2 * kRate;
        writeWav(wav, total, kRate, 2,
                 [&](int64_t i, int c) { return c == 0 ? 0.1 + 0.8 * i / total : 0.0; });
        AudioEngine &e = AudioEngine::instance();
        std::vector<float> buf(size_t(AudioEngine::kBufferFrames) * 2);
        // The mixer alone, as the audio callback calls it: the left channel tells the frame heard.
        auto mixedFrom = [&]() -> double {
            e.mix(buf.data(), AudioEngine::kBufferFrames);
            return (buf[2 * 300] - 0.1) / 0.8 * double(total) - 300;  // past the fade-in
        };
        MediaPlayer p;
        p.setFileName(wav);
        p.Play();
        QVERIFY(std::fabs(mixedFrom() - 0) < 4);
        p.Pause();
        e.mix(buf.data(), AudioEngine::kBufferFrames);
        const double pausedAt = p.CurrentPosition() * kRate;
        p.Play();
        QVERIFY(std::fabs(mixedFrom() - pausedAt) < 4);
        p.Stop();
        p.Play();
        QVERIFY(std::fabs(mixedFrom() - 0) < 4);
        p.Stop();
        p.setCurrentPosition(1.25);
        p.Play();
        QVERIFY(std::fabs(mixedFrom() - 1.25 * kRate) < 4);
        p.Stop();
        p.setSelectionStart(0.5);
        p.Play();
        QVERIFY(std::fabs(mixedFrom() - 0.5 * kRate) < 4);
        p.Stop();
        MediaPlayer jingles(nullptr, true);
        jingles.setFileName(wav);
        QVERIFY(std::fabs(mixedFrom() - 0) < 4);
    }

    // A WMA file plays and seeks as smoothly as the sine it holds: no step
    // between samples beyond the sine's own slope and the 5 ms fades.
    void wmaPlaysAndSeeksSmoothly() {
        MediaPlayer p;
        p.setFileName(kData + "/sine200.wma");  // 200 Hz at 0.8
        p.Play();
        const double sineSlope = 0.8 * 2 * M_PI * 200 / kRate * 1.15;  // with the codec's error
        QVERIFY(largestStep(render(2.8), kRate / 100) <= sineSlope);
        for (double at : {0.3, 1.0, 0.55, 1.37, 0.8123, 0.05, 1.6, 2.5}) {
            p.setCurrentPosition(at);
            const double step = largestStep(render(0.1));
            QVERIFY2(step <= sineSlope + 2 * 0.8 / 240, qPrintable(QString("%1: %2").arg(at).arg(step)));
        }
    }

    // After a seek the sound heard is the sound at CurrentPosition: the clicks
    // of a click track sound at the positions where playing from the start
    // puts them, in MP3 (with and without a length header), WMA and WAV.
    void positionMatchesTheSoundAfterSeeks() {
        const QString wav = tmp("clicks.wav");
        writeWav(wav, 6 * kRate, 44100, 2, [](int64_t i, int) {
            const double t = double(i) / 44100;
            return std::fmod(t, 0.25) < 0.004 ? 0.8 * std::sin(2 * M_PI * 1500 * t) : 0.0;
        });
        for (const QString &path :
             {kData + "/clicks_xing.mp3", kData + "/clicks_noxing.mp3", kData + "/clicks.wma", wav}) {
            MediaPlayer p;
            p.setFileName(path);
            p.Play();
            const std::vector<int64_t> truth = clickOnsets(render(5.5));
            QVERIFY2(truth.size() >= 20, qPrintable(path));
            int64_t worst = 0;
            for (double at : {3.1, 0.6, 4.37, 1.9001, 2.55}) {
                p.setCurrentPosition(at);
                const int64_t from = p.CurrentPosition() * kRate;
                const std::vector<int64_t> heard = clickOnsets(render(0.3), kRate / 50);
                QVERIFY(!heard.empty());
                const int64_t when = from + heard.front();
                int64_t nearest = kRate;
                for (int64_t t : truth)
                    if (std::llabs(t - when) < std::llabs(nearest))
                        nearest = t - when;
                worst = std::max<int64_t>(worst, std::llabs(nearest));
            }
            QVERIFY2(worst <= kRate / 500, qPrintable(path + ": " + QString::number(worst)));  // 2 ms
        }
    }

    // Commands while the output runs in real time: players made and dropped,
    // files replaced, seeks, pauses and level changes in quick succession,
    // and a lost device; every call keeps its meaning and the end of stream
    // still comes once.
    void commandsWhileTheOutputRuns() {
        AudioEngine &e = AudioEngine::instance();
        e.setOffline(false);
        const QString wav = tmp("busy.wav"), shortWav = tmp("busyshort.wav");
        writeSine(wav, 3.0, 0.5, 440);
        writeSine(shortWav, 0.3, 0.5, 440);
        const QString files[] = {wav, kData + "/tone_xing.mp3", kData + "/tone.wma"};
        std::mt19937 rng(5);
        MediaPlayer a, b, jingles(nullptr, true);
        MediaPlayer *players[] = {&a, &b, &jingles};
        for (MediaPlayer *p : players)
            p->setFileName(files[0]);
        const uint64_t callbacks = e.callbacks();
        for (int i = 0; i < 400; ++i) {
            MediaPlayer &p = *players[rng() % 3];
            switch (rng() % 8) {
                case 0:
                    p.setFileName(files[rng() % 3]);
                    break;
                case 1:
                case 2:
                    p.Play();
                    QVERIFY(p.isPlaying());
                    break;
                case 3: {
                    const double at = (rng() % 900) / 1000.0 * p.Duration();
                    p.setCurrentPosition(at);
                    const double target = std::llround(at * kRate) / double(kRate);
                    if (p.isPlaying()) {
                        // The output runs on: a callback may already have played on from there.
                        QVERIFY(p.CurrentPosition() >= target && p.CurrentPosition() <= target + 0.05);
                    } else {
                        QCOMPARE(p.CurrentPosition(), target);
                    }
                    break;
                }
                case 4:
                    p.Pause();
                    QVERIFY(!p.isPlaying());
                    break;
                case 5:
                    p.Stop();
                    QCOMPARE(p.CurrentPosition(), 0.0);
                    break;
                case 6:
                    p.setVolume(-int(rng() % 4200));
                    p.setMute(rng() % 4 == 0);
                    break;
                case 7: {
                    MediaPlayer brief;
                    brief.setFileName(files[rng() % 3]);
                    brief.Play();
                    break;
                }
            }
            QVERIFY(p.CurrentPosition() >= 0 && p.CurrentPosition() <= p.Duration());
            if (i == 200)
                e.simulateDeviceLoss();
            if (i % 8 == 0)
                QTest::qWait(2);
        }
        QVERIFY(e.callbacks() > callbacks);
        for (MediaPlayer *p : players)
            p->Stop();
        QSignalSpy spy(&a, &MediaPlayer::EndOfStream);
        a.setFileName(shortWav);
        a.setCurrentPosition(0.1);
        a.Play();
        QVERIFY(spy.wait(3000));
        QTest::qWait(50);
        QCOMPARE(spy.count(), 1);
        e.setOffline(true);
    }

    // Real time on the dummy driver: Play sounds at once, the end arrives by
    // itself, and a lost device is reopened while playback goes on.
    void realTimeOnDummyDriver() {
        AudioEngine &e = AudioEngine::instance();
        e.setOffline(false);
        const QString wav = tmp("rt.wav");
        writeSine(wav, 0.6);
        MediaPlayer p;
        QSignalSpy spy(&p, &MediaPlayer::EndOfStream);
        p.setFileName(wav);
        p.Play();
        QVERIFY(!e.driverName().isEmpty());
        QVERIFY(e.bufferFrames() <= kRate / 100);
        QTest::qWait(200);
        QVERIFY(p.CurrentPosition() > 0.05);
        const uint64_t reopens = e.reopens();
        e.simulateDeviceLoss();
        QVERIFY(spy.wait(3000));
        QCOMPARE(spy.count(), 1);
        QVERIFY(e.reopens() == reopens + 1);
        p.Play();
        QVERIFY(spy.wait(3000));
        QCOMPARE(spy.count(), 2);
        e.setOffline(true);
    }
};

VB2_TEST_MAIN_CORE(TestMedia)
#include "test_media.moc"
