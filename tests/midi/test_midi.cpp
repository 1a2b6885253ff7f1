// MIDI files: measured in time proportional to their size, damaged ones
// refused or measured safely, and the sound: level, Pause and Play, the end,
// and one soundfont read once in the background for every player.
#include <fluidsynth.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <cmath>
#include <random>

#include "media/AudioEngine.h"
#include "media/Decoder.h"
#include "media/MediaPlayer.h"
#include "media/MidiFile.h"
#include "media/MidiSynth.h"
#include "midi/MidiFiles.h"
#include "platform/VbError.h"
#include "support/OfflineRender.h"
#include "support/TestEnv.h"
#include "support/TestFiles.h"

using vb2media::AudioEngine;
using vb2test::MidiTrack;

namespace {

constexpr int kRate = AudioEngine::kRate;

// Time limits stretch under the sanitizers, which slow plain code several
// times; the faults they guard against cost hundreds of times more.
#if defined(__SANITIZE_THREAD__)
constexpr double kSlow = 10;
#elif defined(__SANITIZE_ADDRESS__)
constexpr double kSlow = 4;
#else
constexpr double kSlow = 1;
#endif

std::vector<float> render(double seconds) {
    return vb2test::renderOffline(seconds);
}

// Everything a decoder gives for the file, from its start.
std::vector<float> decodeAll(const QString &path) {
    auto dec = vb2media::openMidiDecoder(path, kRate);
    std::vector<float> out(size_t(dec->lengthFrames()) * 2);
    out.resize(size_t(dec->read(out.data(), int(dec->lengthFrames()))) * 2);
    return out;
}

// Mean power in dB of frames [from, to) of interleaved stereo.
double levelDb(const std::vector<float> &v, double fromSeconds, double toSeconds) {
    const size_t a = size_t(std::llround(fromSeconds * kRate)) * 2,
                 b = size_t(std::llround(toSeconds * kRate)) * 2;
    double s = 0;
    for (size_t i = a; i < b && i < v.size(); ++i)
        s += double(v[i]) * v[i];
    return 10 * std::log10(s / double(b - a) + 1e-30);
}

// Best of three: FileName and Duration on the never-heard player, as the
// console measures a playlist's files. Refused files count as measured.
double measureMs(const QString &path, double &seconds) {
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        MediaPlayer probe;
        probe.setMeasureOnly(true);
        QElapsedTimer t;
        t.start();
        try {
            probe.setFileName(path);
            seconds = probe.Duration();
        } catch (const VbError &) {
            seconds = -1;
        }
        best = std::min(best, t.nsecsElapsed() / 1e6);
    }
    return best;
}

}  // namespace

class TestMidi : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString write(const QString &name, const QByteArray &bytes) {
        const QString path = dir_.filePath(name);
        vb2test::writeBytes(path, bytes);
        return path;
    }

  private slots:
    void initTestCase() { AudioEngine::instance().setOffline(true); }

    // First, while no MIDI file was opened in this process: the players made at
    // start-up leave the soundfont alone (start-up stays light); the first MIDI
    // file listed starts its reading in the background, once for every player,
    // without waiting for it; the first MIDI file's FileName and Play then do
    // not wait for it either.
    void soundfontReadOnceInTheBackground() {
        QCOMPARE(vb2media::soundFontReads(), 0);
        MediaPlayer a, b;
        QThread::msleep(300);
        QCOMPARE(vb2media::soundFontReads(), 0);

        const QString song = write("first.mid", vb2test::fourPartMidi(8));
        MediaPlayer probe;
        probe.setMeasureOnly(true);
        QElapsedTimer t;
        t.start();
        probe.setFileName(song);
        const double listMs = t.nsecsElapsed() / 1e6;
        QCOMPARE(probe.Duration(), 4.0);
        qInfo("first MIDI file listed: %.1f ms", listMs);
        QVERIFY2(listMs < 50 * kSlow, qPrintable(QString::number(listMs)));
        while (vb2media::soundFontReads() == 0 && t.elapsed() < 5000 * kSlow)
            QThread::msleep(5);
        QCOMPARE(vb2media::soundFontReads(), 1);
        // The user takes a moment to cue it, while a synthesiser is made ready.
        while (!vb2media::midiSynthReady(kRate) && t.elapsed() < 10000 * kSlow)
            QThread::msleep(5);
        QVERIFY(vb2media::midiSynthReady(kRate));

        t.restart();
        a.setFileName(song);
        a.Play();
        const double firstMs = t.nsecsElapsed() / 1e6;
        qInfo("first MIDI FileName + Play: %.1f ms", firstMs);
        QVERIFY2(firstMs < 50 * kSlow, qPrintable(QString::number(firstMs)));
        b.setFileName(song);
        b.Play();
        QVERIFY(levelDb(render(0.3), 0.1, 0.3) > -40);  // both sound
        QCOMPARE(vb2media::soundFontReads(), 1);
        a.Stop();
        b.Stop();
        render(0.05);
    }

    // Long tempo maps are measured in well under 50 ms, with the length that
    // playing the file gives; no tempo event means 120 beats a minute.
    void measuringTakesTimeInProportionToSize() {
        for (int kb : {65, 260, 650, 1300}) {
            const QByteArray bytes = vb2test::longTempoMapMidi(kb * 1000);
            const QString path = write(QString("tempo%1.mid").arg(kb), bytes);
            double seconds = 0;
            const double ms = measureMs(path, seconds);
            qInfo("%d KB: %.2f ms, %.3f s", kb, ms, seconds);
            QVERIFY2(ms < 50 * kSlow, qPrintable(QString("%1 KB: %2 ms").arg(kb).arg(ms)));
            vb2media::MidiSong song;
            QVERIFY(vb2media::parseMidi(bytes, song));
            QCOMPARE(seconds, song.seconds);
            if (kb == 65) {
                // Worked out by hand: 12 ticks at the default tempo, then 12
                // ticks at each tempo but the last, which comes at the end.
                const uint32_t tempoTrack = uint32_t(uchar(bytes[18])) << 24 |
                                            uint32_t(uchar(bytes[19])) << 16 |
                                            uint32_t(uchar(bytes[20])) << 8 | uchar(bytes[21]);
                const int changes = int(tempoTrack - 4) / 7;
                double us = 500000;
                for (int i = 0; i + 1 < changes; ++i)
                    us += 400000 + (i % 200) * 1000;
                QVERIFY2(std::fabs(seconds - us * 12 / 480 / 1e6) < 1e-6,
                         qPrintable(QString::number(seconds)));
            }
        }

        // Tempo changes in two tracks, the later one in time read first: 240
        // ticks at 0.5 s a quarter, 240 at 1 s, 480 at 0.25 s.
        MidiTrack first, second;
        const QByteArray twoMaps = vb2test::midiFile(
            1, 480,
            {first.tempo(480, 250000).end(480),
             second.tempo(240, 1000000).ev(0, {0x90, 60, 100}).ev(720, {0x80, 60, 0}).end()});
        double twoMapsSeconds = 0;
        QVERIFY(vb2media::measureMidi(twoMaps, twoMapsSeconds));
        QCOMPARE(twoMapsSeconds, 1.0);

        // 960 ticks at 480 a quarter with no tempo: 1.0 s, the note from 0.5 s.
        MidiTrack t;
        t.ev(0, {0xC0, 0}).ev(480, {0x90, 60, 100}).ev(480, {0x80, 60, 0});
        const QString plain = write("notempo.mid", vb2test::midiFile(0, 480, {t.end()}));
        double seconds = 0;
        measureMs(plain, seconds);
        QCOMPARE(seconds, 1.0);
        const std::vector<float> v = decodeAll(plain);
        QCOMPARE(v.size(), size_t(kRate) * 2);
        QVERIFY(levelDb(v, 0, 0.49) < -90);
        QVERIFY(levelDb(v, 0.505, 0.6) > -50);
    }

    // Damaged and hostile files: refused, or measured and played to the same
    // length, each in well under 50 ms, never a crash or a hang.
    void damagedFilesAreRefusedOrMeasuredSafely() {
        const QByteArray good = vb2test::longTempoMapMidi(200000);
        std::mt19937 rng(5);
        auto randomBytes = [&](int n) {
            QByteArray b(n, 0);
            for (char &c : b)
                c = char(rng());
            return b;
        };
        QByteArray lying = good;
        lying[25] = char(0x7F);  // the first track claims 2 GB
        QByteArray manyTracks = good;
        manyTracks[10] = char(0xFF);  // the header claims 65,535 tracks
        manyTracks[11] = char(0xFF);
        QList<QByteArray> tiny;
        for (int i = 0; i < 20000; ++i) {
            MidiTrack tr;
            tiny << tr.ev(uint32_t(i), {0x90, 60, 90}).ev(5, {0x80, 60, 0}).end();
        }
        // Data bytes before any status; running status across a meta event.
        const QByteArray noStatus("\x00\x3C\x40\x00\x3C\x00", 6);
        const QByteArray acrossMeta("\x00\x90\x3C\x40\x60\xFF\x01\x00\x00\x3C\x00\x00\xFF\x2F\x00", 15);
        QByteArray endless;  // every delta the largest there is, the slowest tempo
        endless += MidiTrack().tempo(0, 0xFFFFFF).ev(0, {0x90, 60, 90}).end();
        for (int i = 0; i < 2000; ++i)
            endless.prepend(QByteArray("\x8F\xFF\xFF\x7F\xB0\x07\x64", 7));
        QByteArray smpte = good;
        smpte[12] = char(0xE7);  // -25 frames a second
        smpte[13] = char(40);
        QByteArray zeroDivision = good;
        zeroDivision[12] = zeroDivision[13] = 0;

        struct Case {
            const char *name;
            QByteArray bytes;
            bool refused = false;
        };
        const Case cases[] = {
            {"lying chunk length", lying},
            {"truncated track", good.left(good.size() * 3 / 5)},
            {"truncated header", good.left(13), true},
            {"header claims 65535 tracks", manyTracks},
            {"20000 tracks", vb2test::midiFile(1, 480, tiny)},
            {"running status abuse", vb2test::midiFile(1, 480, {noStatus, acrossMeta})},
            {"beyond a day", vb2test::midiFile(0, 1, {endless}), true},
            {"SMPTE division", smpte},
            {"zero division", zeroDivision, true},
            {"random after the header", vb2test::midiFile(1, 480, {}) + randomBytes(2'000'000)},
            {"random track", vb2test::midiFile(1, 480, {randomBytes(300'000)})},
            {"over the size limit", good + QByteArray(9 << 20, '\0'), true},
        };
        for (const Case &c : cases) {
            const QString path = write("damaged.mid", c.bytes);
            double measured = 0;
            const double ms = measureMs(path, measured);
            QVERIFY2(ms < 50 * kSlow, qPrintable(QString("%1: %2 ms").arg(c.name).arg(ms)));
            MediaPlayer p;
            try {
                p.setFileName(path);
            } catch (const VbError &) {
                QVERIFY2(measured < 0, c.name);  // refused alike
                continue;
            }
            QVERIFY2(!c.refused, c.name);
            QVERIFY2(measured > 0 && measured <= vb2media::kMaxMidiSeconds, c.name);
            QVERIFY2(std::fabs(p.Duration() - measured) < 1e-6, c.name);
            p.Play();
            for (float x : render(0.1))
                QVERIFY2(std::isfinite(x) && std::fabs(x) <= 1.0f, c.name);
            p.Stop();
        }

        // Bytes changed at random in a small file: what measuring and playing
        // read agrees, and nothing breaks.
        const QByteArray small = vb2test::fourPartMidi(4);
        for (int i = 0; i < 2000; ++i) {
            QByteArray m = small;
            for (int k = 0; k < 1 + i % 4; ++k)
                m[int(rng() % uint32_t(m.size()))] = char(rng());
            double seconds = -1;
            const bool measured = vb2media::measureMidi(m, seconds);
            vb2media::MidiSong song;
            const bool parsed = vb2media::parseMidi(m, song) && vb2media::playable(song);
            QCOMPARE(measured, parsed);
            if (measured)
                QCOMPARE(seconds, song.seconds);
        }
    }

    // A loud arrangement at Volume 0, held chords or sharp attacks, stays at or
    // below the limiter's ceiling (-1 dBFS), while one voice is as loud as the
    // synthesiser made it before the limiter (gain 0.6), within 3 dB.
    void levelWithHeadroom() {
        const double ceiling = std::pow(10.0, -1.0 / 20);
        for (const auto &[name, bytes] : {std::pair{"tutti", vb2test::fourPartMidi(16)},
                                          std::pair{"drums", vb2test::percussiveMidi(16)}}) {
            const std::vector<float> v = decodeAll(write(QString("%1.mid").arg(name), bytes));
            float peak = 0;
            for (float x : v)
                peak = std::max(peak, std::fabs(x));
            qInfo("%s at full velocity: peak %.2f dBFS", name, 20 * std::log10(peak));
            QVERIFY2(peak <= ceiling, qPrintable(QString("%1: %2").arg(name).arg(peak)));
            QVERIFY2(peak > 0.5f, name);  // loud, not squashed
        }

        const std::vector<float> one = decodeAll(write("one.mid", vb2test::singleNoteMidi(0, 60, 100, 4, 0)));
        fluid_settings_t *settings = new_fluid_settings();
        fluid_settings_setnum(settings, "synth.sample-rate", kRate);
        fluid_settings_setnum(settings, "synth.gain", 0.6);
        fluid_synth_t *synth = new_fluid_synth(settings);
        QVERIFY(fluid_synth_sfload(synth, QFile::encodeName(vb2media::soundFontPath()).constData(), 1) >= 0);
        fluid_synth_program_change(synth, 0, 0);
        fluid_synth_noteon(synth, 0, 60, 100);
        std::vector<float> before(size_t(kRate) * 2);
        fluid_synth_write_float(synth, kRate, before.data(), 0, 2, before.data(), 1, 2);
        delete_fluid_synth(synth);
        delete_fluid_settings(settings);
        const double change = levelDb(one, 0, 1) - levelDb(before, 0, 1);
        qInfo("one voice: %.2f dB against before", change);
        QVERIFY2(std::fabs(change) < 3, qPrintable(QString::number(change)));

        // Through the player at Volume 0: no sample reaches full scale.
        MediaPlayer p;
        p.setFileName(dir_.filePath("tutti.mid"));
        p.Play();
        for (float x : render(4.0))
            QVERIFY(std::fabs(x) < 1.0f);
        p.Stop();
        render(0.05);
    }

    // Pause then Play goes on with the notes that were held, exactly as without
    // the pause, early in the note (the synthesiser could start again from the
    // note's start) and 3 s in (only what was rendered is exact); a seek far into
    // a held note while stopped sounds it within 20 ms.
    void heldNotesSoundAgainAfterPause() {
        const QString held = write("held.mid", vb2test::singleNoteMidi(48, 60, 100, 16, 0));  // strings, 8 s
        MediaPlayer p;
        p.setFileName(held);
        p.Play();
        const std::vector<float> ref = render(5.0);
        p.Stop();
        render(0.05);

        for (double pauseAt : {1.0, 3.0}) {
            p.Play();
            render(pauseAt);
            p.Pause();
            render(0.2);
            const int64_t from = std::llround(p.CurrentPosition() * kRate);
            p.Play();
            const std::vector<float> after = render(1.0);
            double sig = 0, err = 0;
            for (size_t i = 240; i < after.size() / 2; ++i) {  // past the fade-in
                for (size_t c = 0; c < 2; ++c) {
                    const double r = ref[2 * (size_t(from) + i) + c], x = after[2 * i + c];
                    sig += r * r;
                    err += (x - r) * (x - r);
                }
            }
            const double snr = 10 * std::log10(sig / std::max(err, 1e-30));
            qInfo("Pause %.0f s in, Play: %.1f dB SNR over the next second", pauseAt, snr);
            QVERIFY2(snr > 60, qPrintable(QString("%1 s: %2 dB").arg(pauseAt).arg(snr)));
            p.Stop();
            render(0.05);
        }

        p.setCurrentPosition(4.0);
        p.Play();
        const std::vector<float> seek = render(0.02);
        const double level = levelDb(seek, 0.005, 0.02), refLevel = levelDb(ref, 4.005, 4.02);
        qInfo("seek into the note: %.1f dB against the uninterrupted sound", level - refLevel);
        QVERIFY2(level > refLevel - 6, qPrintable(QString::number(level - refLevel)));
        p.Stop();
        render(0.05);
    }

    // A note held to the file's end fades with its release within the file's
    // length, instead of being cut in its last milliseconds.
    void lastNotesFadeWithTheirRelease() {
        const std::vector<float> v = decodeAll(write("end.mid", vb2test::singleNoteMidi(48, 60, 100, 8, 0)));
        QCOMPARE(v.size(), size_t(4 * kRate) * 2);
        const double held = levelDb(v, 3.5, 3.65), fading = levelDb(v, 3.84, 3.86),
                     last = levelDb(v, 3.99, 4.0);
        qInfo("held %.1f dB, 150 ms before the end %.1f dB, last 10 ms %.1f dB", held, fading, last);
        QVERIFY2(fading < held - 3 && fading > held - 20, qPrintable(QString::number(fading - held)));
        QVERIFY2(last < held - 40, qPrintable(QString::number(last - held)));
    }
};

VB2_TEST_MAIN_APP(TestMidi, QCoreApplication)
#include "test_midi.moc"
