#include "media/Measure.h"

#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "media/Decoder.h"
#include "media/MidiFile.h"
#include "media/Probe.h"

namespace vb2media {
namespace {

constexpr char kMagic[] = "vb2-lengths 1";
constexpr int kMaxEntries = 200000;

uint64_t fnv1a(const char *p, size_t n) {
    uint64_t h = 1469598103934665603ull;
    for (size_t i = 0; i < n; ++i) {
        h ^= uint8_t(p[i]);
        h *= 1099511628211ull;
    }
    return h;
}

}  // namespace

LengthCache::LengthCache(const QString &file) : file_(file) {}

bool LengthCache::stampOf(const QString &path, Stamp &stamp) {
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    stamp.size = st.st_size;
    stamp.mtimeNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return true;
}

// Lines "size mtime seconds kind path", then "end count checksum".
void LengthCache::loadLocked() {
    loaded_ = true;
    if (file_.isEmpty())
        return;
    QFile f(file_);
    if (!f.exists())
        return;
    // Anything unreadable is rebuilt: the next save rewrites the file whole.
    dirty_ = true;
    if (!f.open(QIODevice::ReadOnly) || f.size() > 64 * 1024 * 1024)
        return;
    const QByteArray all = f.readAll();
    const qsizetype tail = all.lastIndexOf("\nend ", all.size() - 2);
    if (!all.startsWith(QByteArray(kMagic) + '\n') || tail < 0 || !all.endsWith('\n'))
        return;
    const QList<QByteArray> end = all.mid(tail + 1).trimmed().split(' ');
    bool okCount = false, okSum = false;
    const int count = end.size() == 3 ? end[1].toInt(&okCount) : -1;
    const uint64_t sum = end.size() == 3 ? end[2].toULongLong(&okSum, 16) : 0;
    if (!okCount || !okSum || sum != fnv1a(all.constData(), size_t(tail + 1)))
        return;
    QHash<QString, Entry> read;
    read.reserve(count);
    qsizetype at = qsizetype(std::strlen(kMagic)) + 1;
    while (at <= tail) {
        const qsizetype nl = all.indexOf('\n', at);
        const QByteArray line = all.mid(at, nl - at);
        at = nl + 1;
        // Four fields, then the path, which may hold spaces.
        qsizetype cut[4];
        qsizetype from = 0;
        for (qsizetype &c : cut) {
            c = line.indexOf(' ', from);
            if (c < 0)
                return;
            from = c + 1;
        }
        bool a, b, c;
        const Entry e{line.left(cut[0]).toLongLong(&a),
                      line.mid(cut[0] + 1, cut[1] - cut[0] - 1).toLongLong(&b),
                      line.mid(cut[1] + 1, cut[2] - cut[1] - 1).toDouble(&c), Kind(line[cut[2] + 1])};
        const QByteArray path = line.mid(cut[3] + 1);
        if (!a || !b || !c || cut[3] != cut[2] + 2 || path.isEmpty() || !(e.seconds >= 0) ||
            (e.kind != Kind::Sound && e.kind != Kind::Midi))
            return;
        read.insert(QString::fromUtf8(path), e);
    }
    if (read.size() != count)
        return;
    entries_ = std::move(read);
    dirty_ = false;
}

bool LengthCache::find(const QString &path, const Stamp &stamp, double &seconds, Kind &kind) {
    std::lock_guard<std::mutex> g(mtx_);
    if (!loaded_)
        loadLocked();
    const auto it = entries_.constFind(path);
    if (it == entries_.constEnd() || it->size != stamp.size || it->mtimeNs != stamp.mtimeNs)
        return false;
    seconds = it->seconds;
    kind = it->kind;
    return true;
}

void LengthCache::insert(const QString &path, const Stamp &stamp, double seconds, Kind kind) {
    if (!(seconds >= 0) || path.contains(QLatin1Char('\n')))
        return;
    std::lock_guard<std::mutex> g(mtx_);
    if (!loaded_)
        loadLocked();
    if (entries_.size() >= kMaxEntries)
        entries_.clear();
    entries_.insert(path, {stamp.size, stamp.mtimeNs, seconds, kind});
    dirty_ = true;
}

int LengthCache::size() {
    std::lock_guard<std::mutex> g(mtx_);
    if (!loaded_)
        loadLocked();
    return int(entries_.size());
}

bool LengthCache::save() {
    QByteArray out;
    int count = 0;
    {
        std::lock_guard<std::mutex> g(mtx_);
        if (!dirty_ || file_.isEmpty())
            return true;
        out.reserve(entries_.size() * 96 + 64);
        out += kMagic;
        out += '\n';
        for (auto it = entries_.constBegin(); it != entries_.constEnd(); ++it) {
            out += QByteArray::number(qlonglong(it->size)) + ' ' +
                   QByteArray::number(qlonglong(it->mtimeNs)) + ' ' +
                   QByteArray::number(it->seconds, 'g', 17) + ' ' + char(it->kind) + ' ' + it.key().toUtf8() +
                   '\n';
            ++count;
        }
        dirty_ = false;
    }
    out += "end " + QByteArray::number(count) + ' ' +
           QByteArray::number(fnv1a(out.constData(), size_t(out.size())), 16) + '\n';
    QDir().mkpath(QFileInfo(file_).path());
    QSaveFile f(file_);
    if (!f.open(QIODevice::WriteOnly) || f.write(out) != out.size() || !f.flush() || !f.commit()) {
        std::lock_guard<std::mutex> g(mtx_);
        dirty_ = true;
        return false;
    }
    return true;
}

LengthCache &LengthCache::shared() {
    static LengthCache cache(QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
                             QStringLiteral("/lengths"));
    return cache;
}

bool cachedDuration(const QString &path, double &seconds) {
    LengthCache::Stamp st;
    LengthCache::Kind kind;
    return LengthCache::stampOf(path, st) && LengthCache::shared().find(path, st, seconds, kind) &&
           kind == LengthCache::Kind::Sound;
}

void rememberDuration(const QString &path, double seconds) {
    LengthCache::Stamp st;
    if (LengthCache::stampOf(path, st) && !looksLikeMidi(path))
        LengthCache::shared().insert(path, st, seconds, LengthCache::Kind::Sound);
}

namespace {

// A MIDI file is measured only when it can be played: the soundfont is there and a note sounds.
bool midiLength(const QString &path, double &seconds) {
    if (!QFileInfo(soundFontPath()).isFile())
        return false;
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && f.size() <= kMaxMidiBytes && measureMidi(f.readAll(), seconds);
}

const uint8_t kAsfMagic[4] = {0x30, 0x26, 0xB2, 0x75};

}  // namespace

bool quickMeasure(const QString &path, double &seconds) {
    LengthCache &cache = LengthCache::shared();
    LengthCache::Stamp st;
    if (!LengthCache::stampOf(path, st))
        return false;
    LengthCache::Kind kind;
    if (cache.find(path, st, seconds, kind))
        return kind != LengthCache::Kind::Midi || QFileInfo(soundFontPath()).isFile();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(16);
    f.close();
    kind = LengthCache::Kind::Sound;
    if (head.startsWith("MThd")) {
        if (!midiLength(path, seconds))
            return false;
        kind = LengthCache::Kind::Midi;
    } else if (head.startsWith("RIFF")) {
        const WavInfo w = readWavHeader(path);
        if (!w.valid || !w.plainPcm || w.dataBytes < w.blockAlign)
            return false;
        seconds = w.seconds;
    } else if (head.size() == 16 && std::equal(kAsfMagic, kAsfMagic + 4, head.constData())) {
        // WMA's header holds the length; other codecs in ASF are checked by a decoder.
        const AsfInfo a = readAsfHeader(path);
        if (!a.valid || a.formatTag < 0x160 || a.formatTag > 0x163)
            return false;
        seconds = a.seconds;
    } else {
        const QString ext = QFileInfo(path).suffix().toLower();
        if (ext != "mp3" && ext != "mp2" && ext != "mpga")
            return false;
        const MpegInfo m = scanMpeg(path);
        if (!m.valid || m.seconds <= 0)
            return false;
        seconds = m.seconds;
    }
    cache.insert(path, st, seconds, kind);
    return true;
}

void measureFiles(const QStringList &paths) {
    std::atomic<qsizetype> next{0};
    auto work = [&] {
        for (qsizetype i = next++; i < paths.size(); i = next++) {
            const QString &path = paths[i];
            double seconds;
            if (quickMeasure(path, seconds) || looksLikeMidi(path))
                continue;
            try {
                // Whatever else FFmpeg reads is measured by its decoder, here
                // rather than in the probe's loop (the length does not depend
                // on the rate it would play at).
                rememberDuration(path, openFfmpegDecoder(path, 48000)->duration());
            } catch (const std::exception &) {
                // Left for the probe, which refuses it.
            }
        }
    };
    const int threads =
        int(std::clamp<qsizetype>(paths.size() / 16, 1, std::min(QThread::idealThreadCount(), 8)));
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t)
        pool.emplace_back(work);
    work();
    for (std::thread &t : pool)
        t.join();
    LengthCache::shared().save();
}

}  // namespace vb2media
