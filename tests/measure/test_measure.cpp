// Measuring files: exact lengths read fast, measured once, kept between runs,
// and damaged files refused quickly in bounded memory.
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <cmath>
#include <cstring>
#include <random>

#include "media/AudioEngine.h"
#include "media/Decoder.h"
#include "media/Measure.h"
#include "media/MediaPlayer.h"
#include "media/Probe.h"
#include "platform/VbError.h"
#include "support/AudioFiles.h"
#include "support/TestEnv.h"
#include "support/TestFiles.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

using vb2media::AudioEngine;
using vb2media::LengthCache;

namespace {

// Sanitized builds make threads, exceptions and every read about ten times dearer, and
// their shadow memory counts in the process's peak.
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
constexpr int kSanitizedSlowdown = 10;
constexpr int64_t kMemoryBound = int64_t(256) << 20;
#else
constexpr int kSanitizedSlowdown = 1;
constexpr int64_t kMemoryBound = int64_t(64) << 20;
#endif

constexpr int kRate = AudioEngine::kRate;
const QString kData = QStringLiteral(VB2_TEST_DATA);

// What FFmpeg's own decoder gives for the whole file: samples at the file's rate.
struct Decoded {
    int64_t samples = 0;
    int rate = 0;
    double seconds() const { return rate ? double(samples) / rate : 0; }
};

Decoded decodeAll(const QString &path) {
    Decoded out;
    AVFormatContext *fmt = nullptr;
    if (avformat_open_input(&fmt, QFile::encodeName(path).constData(), nullptr, nullptr) < 0)
        return out;
    avformat_find_stream_info(fmt, nullptr);
    const int s = av_find_best_stream(fmt, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    const AVCodec *codec = s >= 0 ? avcodec_find_decoder(fmt->streams[s]->codecpar->codec_id) : nullptr;
    AVCodecContext *cc = codec ? avcodec_alloc_context3(codec) : nullptr;
    AVPacket *pkt = av_packet_alloc();
    AVFrame *frame = av_frame_alloc();
    if (cc && avcodec_parameters_to_context(cc, fmt->streams[s]->codecpar) >= 0 &&
        avcodec_open2(cc, codec, nullptr) >= 0) {
        out.rate = cc->sample_rate;
        auto drain = [&] {
            while (avcodec_receive_frame(cc, frame) == 0)
                out.samples += frame->nb_samples;
        };
        while (av_read_frame(fmt, pkt) >= 0) {
            if (pkt->stream_index == s && avcodec_send_packet(cc, pkt) >= 0)
                drain();
            av_packet_unref(pkt);
        }
        avcodec_send_packet(cc, nullptr);
        drain();
    }
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&cc);
    avformat_close_input(&fmt);
    return out;
}

void render(double seconds) {
    std::vector<float> out(size_t(AudioEngine::kBufferFrames) * 2);
    for (int64_t left = std::llround(seconds * kRate); left > 0; left -= AudioEngine::kBufferFrames)
        AudioEngine::instance().render(out.data(), int(std::min<int64_t>(left, AudioEngine::kBufferFrames)));
}

// The process's peak resident memory since the last reset, in bytes.
int64_t peakRss() {
    const QByteArray status = vb2test::fileBytes("/proc/self/status");
    const qsizetype at = status.indexOf("VmHWM:");
    return at < 0
               ? 0
               : status.mid(at + 6, status.indexOf('\n', at) - at - 6).trimmed().split(' ')[0].toLongLong() *
                     1024;
}

void resetPeakRss() {
    QFile f("/proc/self/clear_refs");
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

QByteArray le32(uint32_t v) {
    return QByteArray(1, char(v)) + char(v >> 8) + char(v >> 16) + char(v >> 24);
}

QByteArray riffChunk(const char *id, const QByteArray &body, int64_t claimed = -1) {
    return QByteArray(id, 4) + le32(uint32_t(claimed < 0 ? body.size() : claimed)) + body +
           (body.size() % 2 ? QByteArray(1, 0) : QByteArray());
}

// IMA ADPCM, so FFmpeg's own WAV reader would take it.
QByteArray adpcmFmt() {
    QByteArray f;
    f += QByteArray("\x11\x00\x02\x00", 4) + le32(44100) + le32(44359) + QByteArray("\x00\x08\x04\x00", 4);
    f += QByteArray("\x02\x00\xF9\x07", 4);
    return riffChunk("fmt ", f);
}

QByteArray riffWave(const QByteArray &chunks) {
    return "RIFF" + le32(uint32_t(chunks.size() + 4)) + "WAVE" + chunks;
}

// Mono IMA ADPCM at `rate` in one block of `blockAlign` bytes, which FFmpeg
// decodes as one frame of (blockAlign - 4) * 2 + 1 samples.
QByteArray adpcmWav(uint32_t rate, uint16_t blockAlign) {
    const uint16_t samples = uint16_t((blockAlign - 4) * 2 + 1);
    QByteArray f = QByteArray("\x11\x00\x01\x00", 4) + le32(rate) + le32(rate * blockAlign / samples);
    f += char(blockAlign & 0xFF);
    f += char(blockAlign >> 8);
    f += QByteArray("\x04\x00\x02\x00", 4);
    f += char(samples & 0xFF);
    f += char(samples >> 8);
    QByteArray block(4, 0);  // predictor 0, step 0
    for (int i = 4; i < blockAlign; ++i)
        block += char((i / 8) % 2 ? 0x77 : 0xFF);  // a square-ish wave
    return riffWave(riffChunk("fmt ", f) + riffChunk("data", block));
}

// A 16-bit mono PCM WAV whose header says `rate`, of `frames` frames of a low tone.
QByteArray pcmWav(uint32_t rate, int frames) {
    QByteArray data;
    for (int i = 0; i < frames; ++i) {
        const qint16 v = qint16(8000 * std::sin(i * 0.05));
        data += char(v & 0xFF);
        data += char((v >> 8) & 0xFF);
    }
    const QByteArray fmt =
        QByteArray("\x01\x00\x01\x00", 4) + le32(rate) + le32(rate * 2) + QByteArray("\x02\x00\x10\x00", 4);
    return riffWave(riffChunk("fmt ", fmt) + riffChunk("data", data));
}

// An ID3v2.4 tag of `size` bytes in all (a picture, as taggers add them).
QByteArray id3Tag(int size) {
    const int body = size - 10;
    QByteArray t("ID3\x04\x00\x00", 6);
    for (int shift : {21, 14, 7, 0})
        t += char((body >> shift) & 0x7F);
    return t + "APIC" + QByteArray(body - 4, '\x11');
}

// The checksum the length cache ends with.
uint64_t fnv1a(const QByteArray &b) {
    uint64_t h = 1469598103934665603ull;
    for (char c : b) {
        h ^= uint8_t(c);
        h *= 1099511628211ull;
    }
    return h;
}

// A length cache file of these records whose last line gives `count` and a true checksum.
QByteArray cacheFile(const QByteArray &records, int64_t count) {
    QByteArray out;
    out.reserve(records.size() + 80);  // one allocation: the records may be 62 MB
    out += "vb2-lengths 1\n";
    out += records;
    const uint64_t sum = fnv1a(out);
    out += "end " + QByteArray::number(count) + ' ' + QByteArray::number(sum, 16) + '\n';
    return out;
}

// Bytes this process has read from files so far.
int64_t bytesRead() {
    const QByteArray io = vb2test::fileBytes("/proc/self/io");
    const qsizetype at = io.indexOf("rchar:");
    return io.mid(at + 6, io.indexOf('\n', at) - at - 6).trimmed().toLongLong();
}

// The MPEG frames of an MP3 file, without its tags.
QByteArray mpegFrames(const QString &path) {
    QByteArray b = vb2test::fileBytes(path);
    if (b.startsWith("ID3")) {
        const int tag = (b[6] & 0x7F) << 21 | (b[7] & 0x7F) << 14 | (b[8] & 0x7F) << 7 | (b[9] & 0x7F);
        b = b.mid(10 + tag);
    }
    if (b.size() > 128 && b.mid(b.size() - 128, 3) == "TAG")
        b.chop(128);
    return b;
}

}  // namespace

class TestMeasure : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString tmp(const QString &name) { return dir_.filePath(name); }

  private slots:
    void initTestCase() { AudioEngine::instance().setOffline(true); }

    // The walk over frame headers counts exactly the frames FFmpeg decodes, over
    // the fixtures and over a long VBR stream with damage inside, a truncated
    // last frame and an ID3v1 tag, read in blocks.
    void headerlessLengthsMatchTheFullDecode() {
        const QByteArray frames = mpegFrames(kData + "/vbr_noxing.mp3");
        QVERIFY(frames.size() > 10000);
        std::mt19937 rng(3);
        QByteArray longFile;
        for (int i = 0; i < 120; ++i)
            longFile += frames;
        longFile += "TAG" + QByteArray(125, 'x');
        vb2test::writeBytes(tmp("long.mp3"), longFile);
        // Damage inside and a cut last frame: the walk finds the frames again
        // (the decoder may lose the frame after the damage, whose bit
        // reservoir is gone, and makes a frame of the cut one, which is not played).
        QByteArray damaged = longFile.left(longFile.size() - 128) + frames.left(300);
        for (int at : {700000, 1500000}) {
            QByteArray junk(3000 + at % 7, 0);
            for (char &c : junk)
                c = char(rng());
            damaged.insert(at, junk);
        }
        vb2test::writeBytes(tmp("damaged.mp3"), damaged);
        const int64_t found = vb2media::scanMpeg(tmp("damaged.mp3")).frames;
        const int64_t decoded = decodeAll(tmp("damaged.mp3")).samples / 1152;
        QVERIFY2(found >= decoded - 1 && found <= decoded + 2,
                 qPrintable(QString("%1 frames walked, %2 decoded").arg(found).arg(decoded)));
        // Damage across wherever the walk's blocks end: 3 MB of false frame
        // headers, one every 4 bytes, none confirmed by a frame after it, in
        // four phases, so that one lies where a block's walk stops. A file read
        // a block at a time and its bytes in memory give the same frames.
        const QByteArray falseHeader("\xFF\xFB\x90\x64", 4);  // 417 bytes: never 4-aligned again
        for (int phase = 0; phase < 4; ++phase) {
            const QByteArray b = frames.left(20000 + phase) + falseHeader.repeated(768 * 1024) + frames;
            vb2test::writeBytes(tmp("boundary.mp3"), b);
            const int64_t inMemory =
                vb2media::scanMpeg(reinterpret_cast<const uint8_t *>(b.constData()), size_t(b.size())).frames;
            QCOMPARE(vb2media::scanMpeg(tmp("boundary.mp3")).frames, inMemory);
        }
        QCOMPARE(
            vb2media::scanMpeg(reinterpret_cast<const uint8_t *>(damaged.constData()), size_t(damaged.size()))
                .frames,
            found);
        for (const QString &path : {kData + "/tone_noxing.mp3", kData + "/vbr_noxing.mp3",
                                    kData + "/clicks_noxing.mp3", tmp("long.mp3")}) {
            const vb2media::MpegInfo info = vb2media::scanMpeg(path);
            QVERIFY2(info.valid && !info.hasHeader, qPrintable(path));
            const Decoded truth = decodeAll(path);
            QCOMPARE(info.frames * 1152, truth.samples);
            QCOMPARE(info.seconds, truth.seconds());
            const QByteArray bytes = vb2test::fileBytes(path);
            QCOMPARE(
                vb2media::scanMpeg(reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size()))
                    .frames,
                info.frames);
        }
        QVERIFY(QFileInfo(tmp("long.mp3")).size() > 3 * 512 * 1024);
    }

    // A file is read once for its length: the probe measures it, the players
    // that cue and play it take that length, whether it was measured alone or
    // with its playlist.
    void lengthMeasuredOnceAcrossProbeAndPlay() {
        const QByteArray frames = mpegFrames(kData + "/vbr_noxing.mp3");
        QStringList paths;
        for (int i = 0; i < 3; ++i) {
            paths << tmp(QString("once%1.mp3").arg(i));
            vb2test::writeBytes(paths.last(), frames.repeated(i + 1));
        }
        const uint64_t before = vb2media::mpegScans();
        MediaPlayer probe;
        probe.setMeasureOnly(true);
        probe.setFileName(paths[0]);
        vb2media::measureFiles(paths);
        for (const QString &path : paths) {
            probe.setFileName(path);
            MediaPlayer deck;
            deck.setFileName(path);
            QCOMPARE(deck.Duration(), probe.Duration());
            deck.Play();
            render(0.05);
            QVERIFY(deck.CurrentPosition() > 0);
            deck.Stop();
        }
        QCOMPARE(vb2media::mpegScans() - before, uint64_t(paths.size()));
    }

    // Any number of ID3v2 tags of any size lie before the sound (a tagger that
    // prepends a tag with a picture keeps the old one): the file lists at the
    // length of its frames alone, and plays.
    void mp3TagsOfAnyNumberAndSize() {
        const struct {
            const char *name;
            QByteArray tags;
        } cases[] = {
            {"two100k", id3Tag(100 * 1024) + id3Tag(100 * 1024)},
            {"one3m", id3Tag(3 * 1024 * 1024)},
            {"forty1k", id3Tag(1024).repeated(40)},
            {"small100k", id3Tag(40) + id3Tag(100 * 1024)},
        };
        for (const char *source : {"vbr_noxing", "tone_xing"}) {
            const QByteArray frames = mpegFrames(kData + "/" + source + ".mp3");
            vb2test::writeBytes(tmp(QString("%1_bare.mp3").arg(source)), frames);
            MediaPlayer bare;
            bare.setMeasureOnly(true);
            bare.setFileName(tmp(QString("%1_bare.mp3").arg(source)));
            QVERIFY(bare.Duration() > 1.5);
            for (const auto &c : cases) {
                const QString path = tmp(QString("%1_%2.mp3").arg(source, c.name));
                vb2test::writeBytes(path, c.tags + frames);
                MediaPlayer probe;
                probe.setMeasureOnly(true);
                probe.setFileName(path);
                QCOMPARE(probe.Duration(), bare.Duration());
                MediaPlayer deck;
                deck.setFileName(path);
                QCOMPARE(deck.Duration(), bare.Duration());
                deck.Play();
                render(0.1);
                QVERIFY2(deck.isPlaying() && deck.CurrentPosition() > 0.09, qPrintable(path));
                deck.Stop();
            }
        }
    }

    // Measuring reads the header, not the file: a few KiB for a length header
    // (behind a 100 KB picture too), a WAV header (behind a long LIST too) and
    // an ASF header, so a playlist of cold files lists fast.
    void measuringReadsOnlyTheHeader() {
        const QByteArray xing = mpegFrames(kData + "/tone_xing.mp3");
        const QByteArray pcm =
            QByteArray("\x01\x00\x02\x00", 4) + le32(8000) + le32(32000) + QByteArray("\x04\x00\x10\x00", 4);
        const struct {
            const char *name;
            QByteArray bytes;
        } cases[] = {
            {"plain.mp3", xing},
            {"picture.mp3", id3Tag(100 * 1024) + xing},
            {"plain.wav", pcmWav(44100, 100000)},
            {"list.wav", riffWave(riffChunk("fmt ", pcm) + riffChunk("LIST", QByteArray(300001, 'i')) +
                                  riffChunk("data", QByteArray(200000, 0)))},
            {"plain.wma", vb2test::fileBytes(kData + "/tone.wma")},
        };
        double seconds = 0;
        vb2media::quickMeasure(kData + "/tone_xing.mp3", seconds);  // the kept lengths are read now
        for (const auto &c : cases) {
            // The least of three fresh copies: another thread of the process may read meanwhile.
            int64_t least = INT64_MAX;
            for (int copy = 0; copy < 3; ++copy) {
                const QString path = tmp(QString("read%1_%2").arg(copy).arg(c.name));
                vb2test::writeBytes(path, c.bytes);
                const int64_t before = bytesRead();
                QVERIFY2(vb2media::quickMeasure(path, seconds), c.name);
                least = std::min(least, bytesRead() - before);
            }
            QVERIFY2(least <= 12 * 1024, qPrintable(QString("%1: %2 bytes read").arg(c.name).arg(least)));
        }
    }

    // WMA's length is its sound's, as FFmpeg decodes it whole (the header's
    // includes padding), and the end of stream comes when that sound ends.
    void wmaEndsWithItsSound() {
        for (const QString &path : {kData + "/tone.wma", kData + "/sine200.wma", kData + "/clicks.wma"}) {
            const double sound = decodeAll(path).seconds();
            MediaPlayer p;
            p.setFileName(path);
            QVERIFY2(std::fabs(p.Duration() - sound) < 0.001,
                     qPrintable(path + QString::number(p.Duration())));
            QSignalSpy spy(&p, &MediaPlayer::EndOfStream);
            p.Play();
            double t = 0;
            while (p.isPlaying() && t < sound + 1) {
                render(0.001);
                t += 0.001;
            }
            QVERIFY2(std::fabs(t - sound) < 0.010, qPrintable(path + ": " + QString::number(t)));
            QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 2000);
        }
        // A file cut short is measured by the packets it holds, not longer than it plays.
        const QByteArray whole = vb2test::fileBytes(kData + "/clicks.wma");
        vb2test::writeBytes(tmp("cut.wma"), whole.left(whole.size() / 2));
        MediaPlayer cut;
        cut.setFileName(tmp("cut.wma"));
        QSignalSpy spy(&cut, &MediaPlayer::EndOfStream);
        cut.Play();
        double t = 0;
        while (cut.isPlaying() && t < 10) {
            render(0.001);
            t += 0.001;
        }
        QVERIFY2(cut.Duration() > 2.5 && cut.Duration() < 3.2, qPrintable(QString::number(cut.Duration())));
        QVERIFY2(std::fabs(t - cut.Duration()) < 0.1, qPrintable(QString::number(t)));
    }

    // A seek in WMA lands on the sample asked for: the sound after it is the
    // sound a play from the start gives there.
    void wmaSeekLandsExactly() {
        MediaPlayer p;
        p.setFileName(kData + "/sine200.wma");
        p.Play();
        std::vector<float> whole(size_t(2.8 * kRate) * 2);
        for (size_t at = 0; at < whole.size(); at += 960)
            AudioEngine::instance().render(whole.data() + at,
                                           int(std::min<size_t>(480, (whole.size() - at) / 2)));
        for (double to : {0.5, 1.2345, 2.0001, 0.07}) {
            p.setCurrentPosition(to);
            render(0.01);  // past the ramp of the jump
            const int64_t from = std::llround(to * kRate) + kRate / 100;
            std::vector<float> heard(960 * 2);
            AudioEngine::instance().render(heard.data(), 480);
            AudioEngine::instance().render(heard.data() + 960, 480);
            // The offset, in frames, at which the heard sound best matches the whole.
            int best = 0;
            double bestErr = 1e9;
            for (int off = -96; off <= 96; ++off) {
                double err = 0;
                for (size_t i = 0; i < 960; ++i)
                    err += std::fabs(heard[2 * i] - whole[size_t(2 * (from + off + int64_t(i)))]);
                if (err < bestErr) {
                    bestErr = err;
                    best = off;
                }
            }
            QVERIFY2(std::abs(best) <= 2, qPrintable(QString("at %1 s: %2 frames off").arg(to).arg(best)));
        }
    }

    // A WAV that FFmpeg would read into hundreds of megabytes (fmt, fact and a
    // LIST whose sizes lie, no data chunk), other WAV and WMA headers that lie,
    // and files at a rate no sound file has (outside 1 kHz to 768 kHz) are
    // refused at once by the probe and by a player; a true header with a long
    // LIST before its data still gives the exact length, and the rates within
    // the bounds list, start and play.
    void damagedHeadersRefusedQuicklyInBoundedMemory() {
        QByteArray list = "INFO" + QByteArray("INAM") + le32(639777946) + QByteArray(8, 'x');
        QByteArray bad = riffWave(adpcmFmt() + riffChunk("fact", le32(1000000)));
        bad += "LIST" + le32(700000000) + list;
        bad += QByteArray(int(278 - bad.size()), 0);
        QCOMPARE(bad.size(), 278);
        const QByteArray pcm =
            QByteArray("\x01\x00\x02\x00", 4) + le32(8000) + le32(32000) + QByteArray("\x04\x00\x10\x00", 4);
        const QByteArray samples(4000, 0);
        QByteArray lyingAsf = vb2test::fileBytes(kData + "/tone.wma");
        lyingAsf.replace(30 + 16, 4, le32(0x7FFFFFFF));  // the first object's size
        // A WMA stream at 1 Hz: the rate in the audio stream's format, 78 bytes
        // into the stream properties, whose type (audio) lies 24 bytes in.
        QByteArray slowAsf = vb2test::fileBytes(kData + "/tone.wma");
        const qsizetype audio = slowAsf.indexOf(QByteArray("\x40\x9E\x69\xF8\x4D\x5B\xCF\x11", 8));
        QVERIFY(audio > 24);
        slowAsf.replace(audio - 24 + 78 + 4, 4, le32(1));
        // Sun audio at 1 Hz, which FFmpeg's reader takes as it stands.
        auto be32 = [](uint32_t v) {
            return QByteArray(1, char(v >> 24)) + char(v >> 16) + char(v >> 8) + char(v);
        };
        const QByteArray slowAu =
            ".snd" + be32(24) + be32(4000) + be32(3) + be32(1) + be32(1) + QByteArray(4000, 1);
        const struct {
            const char *name;
            QByteArray bytes;
        } cases[] = {
            {"bad278.wav", bad},
            {"fmtpastend.wav", riffWave(QByteArray("fmt ") + le32(5000) + pcm)},
            {"nofmt.wav", riffWave(riffChunk("data", samples))},
            {"listpastend.wav", riffWave(riffChunk("fmt ", pcm) + riffChunk("LIST", "INFO", 90000000))},
            {"headonly.wav", QByteArray("RIFF") + le32(1000) + "WAVE"},
            {"objectsize.wma", lyingAsf},
            // Rates no sound file has: one second a sample would list a day
            // for 170 KB and resample each sample 48,000 times.
            {"rate1.wav", pcmWav(1, 2000)},
            {"rate2.wav", pcmWav(2, 2000)},
            {"rate999.wav", pcmWav(999, 2000)},
            {"rate800000.wav", pcmWav(800000, 2000)},
            {"rate1.wma", slowAsf},
            {"rate1.au", slowAu},
        };
        for (const auto &c : cases) {
            vb2test::writeBytes(tmp(c.name), c.bytes);
            for (bool measureOnly : {true, false}) {
                resetPeakRss();
                const int64_t base = peakRss();
                QElapsedTimer t;
                t.start();
                MediaPlayer p;
                p.setMeasureOnly(measureOnly);
                QVERIFY_THROWS_EXCEPTION(VbError, p.setFileName(tmp(c.name)));
                QVERIFY2(t.elapsed() < 50 * kSanitizedSlowdown, c.name);
                QVERIFY2(peakRss() - base < kMemoryBound, c.name);
            }
        }
        const QString good = tmp("longlist.wav");
        vb2test::writeBytes(good,
                            riffWave(riffChunk("fmt ", pcm) + riffChunk("LIST", QByteArray(300001, 'i')) +
                                     riffChunk("data", samples)));
        MediaPlayer p;
        p.setFileName(good);
        QCOMPARE(p.Duration(), 1000.0 / 8000);
        // The rates at the bounds and between them list and start at once, and play.
        for (uint32_t rate : {1000u, 8000u, 768000u}) {
            const QString path = tmp(QString("rate%1.wav").arg(rate));
            vb2test::writeBytes(path, pcmWav(rate, int(rate) * 2));
            QElapsedTimer t;
            t.start();
            MediaPlayer probe;
            probe.setMeasureOnly(true);
            probe.setFileName(path);
            QVERIFY2(t.elapsed() < 50, qPrintable(path));
            QCOMPARE(probe.Duration(), 2.0);
            t.restart();
            MediaPlayer deck;
            deck.setFileName(path);
            deck.Play();
            QVERIFY2(t.elapsed() < 200, qPrintable(path));
            render(0.2);
            QVERIFY2(deck.isPlaying() && deck.CurrentPosition() > 0.1, qPrintable(path));
            deck.Stop();
        }
        // At 1 kHz, a frame of 23,993 samples resamples to 1.15 million frames:
        // the file plays its sound, in bounded memory.
        const QString bigFrames = tmp("adpcm1000.wav");
        vb2test::writeBytes(bigFrames, adpcmWav(1000, 12000));
        resetPeakRss();
        const int64_t base = peakRss();
        MediaPlayer deck;
        deck.setFileName(bigFrames);
        QVERIFY(std::fabs(deck.Duration() - decodeAll(bigFrames).seconds()) < 0.01);
        deck.Play();
        double loud = 0;
        for (int i = 0; i < 10; ++i) {
            std::vector<float> out(size_t(AudioEngine::kBufferFrames) * 2);
            AudioEngine::instance().render(out.data(), AudioEngine::kBufferFrames);
            for (float x : out)
                loud = std::max(loud, double(std::fabs(x)));
        }
        QVERIFY2(deck.isPlaying() && loud > 0.01, qPrintable(QString::number(loud)));
        QVERIFY2(peakRss() - base < kMemoryBound, qPrintable(QString::number(peakRss() - base)));
    }

    // The header readers stay inside the file whatever its bytes: fixtures with
    // bytes changed, cut anywhere, or sizes set to extremes give a length or a
    // refusal (run under the address sanitizer, a read past the end fails).
    void readersSurviveMangledHeaders() {
        std::mt19937 rng(11);
        QVERIFY(vb2test::writeSineWav(tmp("s.wav"), 0.05));
        const QByteArray wav = vb2test::fileBytes(tmp("s.wav"));
        const QByteArray sources[] = {vb2test::fileBytes(kData + "/tone.wma"), wav,
                                      vb2test::fileBytes(kData + "/vbr_noxing.mp3"),
                                      vb2test::fileBytes(kData + "/tone_xing.mp3")};
        const QString path = tmp("mangled.bin");
        for (int round = 0; round < 1200; ++round) {
            QByteArray b = sources[round % 4];
            for (int k = 0, n = 1 + int(rng() % 8); k < n && !b.isEmpty(); ++k) {
                const int at = int(rng() % uint32_t(std::min<qsizetype>(b.size(), 6000)));
                switch (rng() % 3) {
                    case 0:
                        b[at] = char(rng());
                        break;
                    case 1:
                        b.replace(at, 4, rng() % 2 ? QByteArray(4, char(0xFF)) : QByteArray(4, 0));
                        break;
                    default:
                        b.truncate(at);
                        break;
                }
            }
            vb2test::writeBytes(path, b);
            const vb2media::WavInfo w = vb2media::readWavHeader(path);
            QVERIFY(!w.valid || (w.dataOffset + w.dataBytes <= b.size() && w.seconds >= 0));
            const vb2media::AsfInfo a = vb2media::readAsfHeader(path);
            QVERIFY(!a.valid || (a.seconds > 0 && std::isfinite(a.seconds)));
            const vb2media::MpegInfo m = vb2media::scanMpeg(path);
            QVERIFY(!m.valid || m.seconds >= 0);
        }
    }

    // The lengths measured are kept on disk in the user's cache folder, found
    // again by the next run, and a kept length is used only while the file's
    // size and time are unchanged.
    void lengthsKeptOnDiskAcrossARestart() {
        const QString a = tmp("kept one.mp3"), b = tmp("gardé.wma"), c = tmp("kept.wav");
        QFile::copy(kData + "/vbr_noxing.mp3", a);
        QFile::copy(kData + "/tone.wma", b);
        QVERIFY(vb2test::writeSineWav(c, 0.5));
        vb2media::measureFiles({a, b, c});
        const QString file = vb2test::env()->cache() + "/" + QCoreApplication::applicationName() + "/lengths";
        QVERIFY2(QFile::exists(file), qPrintable(file));
        LengthCache restarted(file);
        for (const QString &path : {a, b, c}) {
            LengthCache::Stamp st;
            QVERIFY(LengthCache::stampOf(path, st));
            double seconds = 0;
            LengthCache::Kind kind;
            QVERIFY2(restarted.find(path, st, seconds, kind), qPrintable(path));
            MediaPlayer deck;
            deck.setFileName(path);
            QCOMPARE(seconds, deck.Duration());
        }
        // Rewritten since: measured again, not taken from the cache.
        QVERIFY(vb2test::writeSineWav(c, 0.75));
        MediaPlayer probe;
        probe.setMeasureOnly(true);
        probe.setFileName(c);
        QCOMPARE(probe.Duration(), 0.75);
    }

    // A cache file that is damaged (cut, a byte changed, foreign or empty), or
    // whose checksum is true but whose count, size or a field no cache of ours
    // holds, is ignored without harm, in a moment and little memory, and
    // rewritten whole at the next save.
    void damagedCacheIsRebuilt() {
        const QString file = tmp("cache/lengths");
        const QString song = tmp("song.mp3");
        QFile::copy(kData + "/tone_noxing.mp3", song);
        LengthCache::Stamp st;
        QVERIFY(LengthCache::stampOf(song, st));
        {
            LengthCache first(file);
            first.insert(song, st, 1.5, LengthCache::Kind::Sound);
            first.insert(tmp("other.mid"), st, 2.25, LengthCache::Kind::Midi);
            QVERIFY(first.save());
        }
        const QByteArray good = vb2test::fileBytes(file);
        QByteArray flipped = good;
        flipped[flipped.indexOf("1.5")] = '7';
        const QByteArray record =
            QByteArray::number(qlonglong(st.size)) + ' ' + QByteArray::number(qlonglong(st.mtimeNs)) + ' ';
        // `n` records of 14 bytes, each of its own path.
        auto records = [](int n) {
            QByteArray out(qsizetype(n) * 14, Qt::Uninitialized);
            char *p = out.data();
            for (int i = 0; i < n; ++i, p += 14) {
                std::memcpy(p, "1 1 1 s ", 8);
                for (int k = 12, v = i; k >= 8; --k, v /= 26)
                    p[k] = char('a' + v % 26);
                p[13] = '\n';
            }
            return out;
        };
        QByteArray manyRecords = records(4400000);  // 62 MB; the writer keeps at most 200,000
        QVERIFY(manyRecords.size() > 60000000);
        const QByteArray damaged[] = {
            good.left(good.size() - 9),
            flipped,
            QByteArray("\x00\xFF garbage", 10),
            QByteArray(),
            good.left(20),
            good + good,
            cacheFile(record + "2 s " + song.toUtf8() + '\n', 2147483647),
            cacheFile(manyRecords, 4400000),
            cacheFile(records(250000), 200000),
            cacheFile(record + "inf s " + song.toUtf8() + '\n', 1),
            cacheFile(record + "1e300 s " + song.toUtf8() + '\n', 1),
            cacheFile(record + "nan s " + song.toUtf8() + '\n', 1),
            cacheFile(record + "-1 s " + song.toUtf8() + '\n', 1),
            cacheFile("-5 7 2 s " + song.toUtf8() + '\n', 1),
            cacheFile(record + "2 s " + song.toUtf8() + '\n', -1),
        };
        manyRecords.clear();
        manyRecords.squeeze();
        for (const QByteArray &bytes : damaged) {
            vb2test::writeBytes(file, bytes);
            resetPeakRss();
            const int64_t base = peakRss();
            QElapsedTimer t;
            t.start();
            LengthCache broken(file);
            double seconds = 0;
            LengthCache::Kind kind;
            QVERIFY(!broken.find(song, st, seconds, kind));
            QVERIFY2(t.elapsed() < 50 * kSanitizedSlowdown, qPrintable(QString("%1 ms").arg(t.elapsed())));
            QVERIFY2(peakRss() - base < kMemoryBound, qPrintable(QString("%1 bytes").arg(peakRss() - base)));
            QCOMPARE(broken.size(), 0);
            broken.insert(song, st, 3.0, LengthCache::Kind::Sound);
            QVERIFY(broken.save());
            LengthCache again(file);
            QVERIFY(again.find(song, st, seconds, kind));
            QCOMPARE(seconds, 3.0);
            QCOMPARE(again.size(), 1);
        }
    }
};

VB2_TEST_MAIN_CORE(TestMeasure)
#include "test_measure.moc"
