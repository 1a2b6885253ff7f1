// Measures one file at a time as the console's probe does (a measure-only
// player's FileName), for generated worst cases of each format the console
// accepts, each up to 10 MB: long tempo maps, many tracks, damaged headers,
// chunk sizes that lie, random bytes, rates no sound file has, and kept-length
// files that lie. Each measurement runs in a process of its
// own, so its peak memory (VmHWM) is its own; a process that measures nothing
// gives the baseline.
//   bench_measure [repeats]
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

#include "media/MediaPlayer.h"
#include "platform/VbError.h"
#include "support/TestFiles.h"

namespace {

constexpr int kMax = 10 * 1024 * 1024;
const QString kData = QStringLiteral(VB2_TEST_DATA);

QByteArray be32(uint32_t v) {
    char b[4];
    qToBigEndian(v, b);
    return QByteArray(b, 4);
}
QByteArray le32(uint32_t v) {
    char b[4];
    qToLittleEndian(v, b);
    return QByteArray(b, 4);
}
QByteArray le64(uint64_t v) {
    return le32(uint32_t(v)) + le32(uint32_t(v >> 32));
}

QByteArray randomBytes(int n, uint32_t seed) {
    std::mt19937 rng(seed);
    QByteArray b(n, 0);
    for (char &c : b)
        c = char(rng());
    return b;
}

QByteArray fill(QByteArray head, const QByteArray &unit, int size = kMax) {
    head.reserve(size);
    while (head.size() + unit.size() <= size)
        head += unit;
    return head;
}

QByteArray mpegFrames() {
    QByteArray b = vb2test::fileBytes(kData + "/vbr_noxing.mp3");
    if (b.startsWith("ID3"))
        b = b.mid(10 + ((b[6] & 0x7F) << 21 | (b[7] & 0x7F) << 14 | (b[8] & 0x7F) << 7 | (b[9] & 0x7F)));
    return b;
}

QByteArray midiTrack(const QByteArray &events) {
    return "MTrk" + be32(uint32_t(events.size() + 4)) + events + QByteArray("\x00\xFF\x2F\x00", 4);
}
QByteArray midiHeader(int format, int tracks, int division = 480) {
    return QByteArray("MThd\x00\x00\x00\x06", 8) + char(0) + char(format) + char(tracks >> 8) + char(tracks) +
           char(division >> 8) + char(division);
}
QByteArray note(int delta, int key) {
    return QByteArray(1, char(delta)) + char(0x90) + char(key) + char(100) + char(delta) + char(0x80) +
           char(key) + char(0);
}

QByteArray riff(const QByteArray &chunks) {
    return "RIFF" + le32(uint32_t(chunks.size() + 4)) + "WAVE" + chunks;
}
QByteArray pcmFmt() {
    return QByteArray("fmt ") + le32(16) + QByteArray("\x01\x00\x02\x00", 4) + le32(44100) + le32(176400) +
           QByteArray("\x04\x00\x10\x00", 4);
}

const uint8_t kAsfHeaderGuid[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                    0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};

struct Case {
    const char *name;
    const char *ext;
    std::function<QByteArray()> make;
    // The kept lengths the measuring program finds on disk (none if empty).
    std::function<QByteArray()> cache = {};
};

// A length cache file of these records, its last line giving `count` and a true checksum.
QByteArray cacheFile(const QByteArray &records, int64_t count) {
    const QByteArray body = "vb2-lengths 1\n" + records;
    uint64_t h = 1469598103934665603ull;
    for (char c : body) {
        h ^= uint8_t(c);
        h *= 1099511628211ull;
    }
    return body + "end " + QByteArray::number(count) + ' ' + QByteArray::number(h, 16) + '\n';
}

QByteArray id3Tag(int size) {
    const int body = size - 10;
    return QByteArray("ID3\x04\x00\x00", 6) + char((body >> 21) & 0x7F) + char((body >> 14) & 0x7F) +
           char((body >> 7) & 0x7F) + char(body & 0x7F) + QByteArray(body, 'p');
}

std::vector<Case> cases() {
    const QByteArray frames = mpegFrames();
    const QByteArray wma = vb2test::fileBytes(kData + "/tone.wma");
    const QByteArray asfGuid(reinterpret_cast<const char *>(kAsfHeaderGuid), 16);
    return {
        {"MP3 random bytes", "mp3", [] { return randomBytes(kMax, 1); }},
        {"MP3 headerless, 10 MB of frames", "mp3", [=] { return fill({}, frames); }},
        {"MP3 damage every 4 KB", "mp3",
         [=] {
             QByteArray out;
             for (int i = 0; out.size() < kMax - 30000; ++i)
                 out += frames.mid((i * 997) % 20000, 4096) + randomBytes(200, uint32_t(i));
             return out;
         }},
        {"MP3 false sync everywhere", "mp3", [] { return fill({}, QByteArray("\xFF\xFB\x90\x64", 4)); }},
        {"MP3 ID3 tag size lies", "mp3",
         [=] { return QByteArray("ID3\x04\x00\x00\x7F\x7F\x7F\x7F", 10) + frames.left(5000); }},
        {"MP3 9 MB ID3 tag, then frames", "mp3",
         [=] {
             const int tag = 9 * 1024 * 1024;
             return QByteArray("ID3\x04\x00\x00", 6) + char((tag >> 21) & 0x7F) + char((tag >> 14) & 0x7F) +
                    char((tag >> 7) & 0x7F) + char(tag & 0x7F) + QByteArray(tag, 0) +
                    frames.left(kMax - tag - 20);
         }},
        {"WMA random bytes", "wma", [] { return randomBytes(kMax, 2); }},
        {"WMA header, then random bytes", "wma",
         [=] { return wma.left(wma.indexOf("\x36\x26\xB2\x75")) + randomBytes(kMax - 6000, 3); }},
        {"WMA header sizes lie", "wma",
         [=] {
             QByteArray b = wma;
             b.replace(16, 8, le64(~0ull >> 1));
             b.replace(24, 4, le32(0xFFFFFFFF));
             return b;
         }},
        {"WMA 400k empty header objects", "wma",
         [=] {
             QByteArray objects = fill({}, QByteArray(16, 'o') + le64(24), kMax - 30);
             return asfGuid + le64(uint64_t(objects.size() + 30)) + le32(uint32_t(objects.size() / 24)) +
                    QByteArray("\x01\x02", 2) + objects;
         }},
        {"WMA cut after its header", "wma", [=] { return wma.left(5200); }},
        {"WAV fmt, fact, LIST that lie, no data (278 B)", "wav",
         [] {
             QByteArray fmt = QByteArray("\x11\x00\x02\x00", 4) + le32(44100) + le32(44359) +
                              QByteArray("\x00\x08\x04\x00\x02\x00\xF9\x07", 8);
             QByteArray b = riff("fmt " + le32(20) + fmt + "fact" + le32(4) + le32(1000000));
             b += "LIST" + le32(700000000) + "INFO" + "INAM" + le32(639777946) + QByteArray(8, 'x');
             return b + QByteArray(278 - b.size(), 0);
         }},
        {"WAV 1.3 M tiny chunks, no data", "wav",
         [] { return fill(riff({}), QByteArray("junk\0\0\0\0", 8)); }},
        {"WAV data size lies (4 GB)", "wav",
         [] { return riff(pcmFmt() + "data" + le32(0xFFFFFFF0) + randomBytes(kMax - 100, 4)); }},
        {"WAV ADPCM, LIST size lies", "wav",
         [] {
             QByteArray fmt = QByteArray("\x11\x00\x02\x00", 4) + le32(44100) + le32(44359) +
                              QByteArray("\x00\x08\x04\x00\x02\x00\xF9\x07", 8);
             return riff("fmt " + le32(20) + fmt + "LIST" + le32(0x7FFFFFF0) + "INFO" +
                         randomBytes(kMax - 100, 5));
         }},
        {"WAV random bytes", "wav", [] { return randomBytes(kMax, 6); }},
        {"MIDI tempo change every tick", "mid",
         [] {
             QByteArray tempo;
             while (tempo.size() < kMax - 2000)
                 tempo += QByteArray("\x01\xFF\x51\x03\x07\xA1\x20", 7);
             QByteArray notes;
             for (int i = 0; i < 100; ++i)
                 notes += note(100, 60 + i % 12);
             return midiHeader(1, 2) + midiTrack(tempo) + midiTrack(notes);
         }},
        {"MIDI 65,535 tracks", "mid",
         [] {
             QByteArray b = midiHeader(1, 65535);
             QByteArray events;
             for (int i = 0; i < 18; ++i)
                 events += note(10, 60 + i);
             const QByteArray track = midiTrack(events);
             for (int t = 0; t < 65535 && b.size() + track.size() <= kMax; ++t)
                 b += track;
             return b;
         }},
        {"MIDI 10 MB of notes", "mid",
         [] {
             QByteArray events;
             while (events.size() < kMax - 100)
                 events += note(1, 60);
             return midiHeader(0, 1) + midiTrack(events);
         }},
        {"MIDI track lengths lie", "mid",
         [] {
             QByteArray b = midiHeader(1, 3) + "MTrk" + be32(0xFFFFFFF0);
             return fill(b, note(5, 64));
         }},
        {"MIDI header, then random bytes", "mid",
         [] { return midiHeader(1, 16) + "MTrk" + be32(kMax) + randomBytes(kMax - 30, 7); }},
        {"MP3 two 100 KB ID3 tags, then frames", "mp3", [=] { return id3Tag(102400).repeated(2) + frames; }},
        {"MP3 100,000 empty ID3 tags, then frames", "mp3",
         [=] { return id3Tag(10).repeated(100000) + frames; }},
        {"WAV at 1 Hz (200 KB)", "wav",
         [] {
             return riff("fmt " + le32(16) + QByteArray("\x01\x00\x01\x00", 4) + le32(1) + le32(2) +
                         QByteArray("\x02\x00\x10\x00", 4) + "data" + le32(200000) + randomBytes(200000, 8));
         }},
        {"WMA stream at 1 Hz", "wma",
         [=] {
             QByteArray b = wma;
             const qsizetype audio = b.indexOf(QByteArray("\x40\x9E\x69\xF8\x4D\x5B\xCF\x11", 8));
             return b.replace(audio - 24 + 78 + 4, 4, le32(1));
         }},
        {"cache: count 2147483647 (57 B)", "wav",
         [] { return riff(pcmFmt() + "data" + le32(4000) + QByteArray(4000, 1)); },
         [] { return cacheFile("1 1 2 s /a.wav\n", 2147483647); }},
        {"cache: 4.4 million records (62 MB)", "wav",
         [] { return riff(pcmFmt() + "data" + le32(4000) + QByteArray(4000, 1)); },
         [] {
             QByteArray records;
             records.reserve(62000000);
             for (int i = 0; i < 4400000; ++i)
                 records += "1 1 1 s " + QByteArray::number(i, 36).rightJustified(5, '0') + '\n';
             return cacheFile(records, 4400000);
         }},
        {"cache: a length of inf", "wav",
         [] { return riff(pcmFmt() + "data" + le32(4000) + QByteArray(4000, 1)); },
         [] { return cacheFile("1 1 inf s /a.wav\n", 1); }},
    };
}

// The child: measures one file as the probe does and prints ms, peak KB and what it found.
int measureOne(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    const QString path = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    QElapsedTimer t;
    t.start();
    QString outcome = "-";
    if (!path.isEmpty()) {
        MediaPlayer probe;
        probe.setMeasureOnly(true);
        try {
            probe.setFileName(path);
            outcome = QString::number(probe.Duration(), 'f', 3) + " s";
        } catch (const std::exception &) {
            outcome = "refused";
        }
    }
    const double ms = double(t.nsecsElapsed()) / 1e6;
    // The peak of this program's own memory (ru_maxrss would count the
    // parent's, which it inherits through fork).
    const QByteArray status = vb2test::fileBytes("/proc/self/status");
    const qsizetype at = status.indexOf("VmHWM:");
    const long kb =
        at < 0 ? 0 : status.mid(at + 6, status.indexOf('\n', at) - at - 6).trimmed().split(' ')[0].toLong();
    std::printf("%.3f %ld %s\n", ms, kb, qPrintable(outcome));
    return 0;
}

}  // namespace

int main(int argc, char *argv[]) {
    if (argc > 1 && QByteArray(argv[1]) == "--one")
        return measureOne(argc, argv);
    qputenv("SDL_AUDIODRIVER", "dummy");
    QCoreApplication app(argc, argv);
    const int repeats = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 5;
    QTemporaryDir dir;
    auto run = [&](const QString &path, const QByteArray &kept, double &ms, long &kb, QString &outcome) {
        QTemporaryDir cache;  // nothing measured before, or what the case keeps
        if (!kept.isEmpty()) {
            QDir(cache.path()).mkpath(QCoreApplication::applicationName());
            QFile f(cache.path() + "/" + QCoreApplication::applicationName() + "/lengths");
            if (!f.open(QIODevice::WriteOnly) || f.write(kept) != kept.size())
                return false;
        }
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CACHE_HOME", cache.path());
        p.setProcessEnvironment(env);
        QStringList args = {"--one"};
        if (!path.isEmpty())
            args << path;
        p.start(QCoreApplication::applicationFilePath(), args);
        if (!p.waitForFinished(120000)) {
            p.kill();
            p.waitForFinished();
        }
        const QList<QByteArray> f = p.readAllStandardOutput().trimmed().split(' ');
        if (f.size() < 3)
            return false;
        ms = f[0].toDouble();
        kb = f[1].toLong();
        outcome = QString::fromUtf8(f.mid(2).join(' '));
        return true;
    };
    double ms;
    long baseKb = 0, kb;
    QString outcome;
    for (int r = 0; r < 3; ++r)
        if (run({}, {}, ms, kb, outcome))
            baseKb = std::max(baseKb, kb);
    std::printf("load: %s", vb2test::fileBytes("/proc/loadavg").constData());
    std::printf("baseline process (measures nothing): peak %.1f MB\n\n", baseKb / 1024.0);
    std::printf("%-46s %7s  %23s  %9s %9s  %s\n", "case", "size", "ms min / median / max", "peak MB",
                "over base", "found");
    int index = 0;
    for (const Case &c : cases()) {
        const QString path = dir.filePath(QString("case%1.%2").arg(index++).arg(c.ext));
        const QByteArray bytes = c.make();
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return 1;
        f.close();
        const QByteArray kept = c.cache ? c.cache() : QByteArray();
        std::vector<double> times;
        long peak = 0;
        for (int r = 0; r < repeats; ++r) {
            if (!run(path, kept, ms, kb, outcome)) {
                outcome = "child failed";
                break;
            }
            times.push_back(ms);
            peak = std::max(peak, kb);
        }
        std::sort(times.begin(), times.end());
        if (times.empty())
            times.push_back(-1);
        std::printf("%-46s %5.2f MB  %7.2f %7.2f %7.2f  %9.1f %9.1f  %s\n", c.name, bytes.size() / 1048576.0,
                    times.front(), times[times.size() / 2], times.back(), peak / 1024.0,
                    (peak - baseKb) / 1024.0, qPrintable(outcome));
        std::fflush(stdout);
    }
    std::printf("\nload after: %s", vb2test::fileBytes("/proc/loadavg").constData());
    return 0;
}
