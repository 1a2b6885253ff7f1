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
// The writer keeps at most this many lengths, each on a line of at most
// kMaxLine bytes (a path of PATH_MAX and its four fields).
constexpr int kMaxEntries = 200000;
constexpr qsizetype kMaxLine = 4096 + 96;
constexpr qint64 kMaxFileBytes = 64 * 1024 * 1024;

constexpr uint64_t kFnvBasis = 1469598103934665603ull;

uint64_t fnv1a(uint64_t h, const char *p, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        h ^= uint8_t(p[i]);
        h *= 1099511628211ull;
    }
    return h;
}

// One record: four fields, then the path, which may hold spaces.
bool parseRecord(QByteArrayView line, LengthCache::Entry &e, QString &path) {
    if (line.size() > kMaxLine)
        return false;
    qsizetype cut[4];
    qsizetype from = 0;
    for (qsizetype &c : cut) {
        c = line.indexOf(' ', from);
        if (c < 0)
            return false;
        from = c + 1;
    }
    bool a, b, c;
    e.size = line.first(cut[0]).toLongLong(&a);
    e.mtimeNs = line.sliced(cut[0] + 1, cut[1] - cut[0] - 1).toLongLong(&b);
    e.seconds = line.sliced(cut[1] + 1, cut[2] - cut[1] - 1).toDouble(&c);
    e.kind = LengthCache::Kind(line[cut[2] + 1]);
    const QByteArrayView bytes = line.sliced(cut[3] + 1);
    if (!a || !b || !c || cut[3] != cut[2] + 2 || bytes.isEmpty() || e.size < 0 || !saneSeconds(e.seconds) ||
        (e.kind != LengthCache::Kind::Sound && e.kind != LengthCache::Kind::Midi))
        return false;
    path = QString::fromUtf8(bytes);
    return true;
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

// Lines "size mtime seconds kind path", then "end count checksum". The cache
// is a hint: a count, size or field no cache of ours holds makes it damaged,
// found before anything grows with it, and the next save rebuilds it.
void LengthCache::loadLocked() {
    loaded_ = true;
    if (file_.isEmpty())
        return;
    QFile f(file_);
    if (!f.exists())
        return;
    dirty_ = true;
    if (!f.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return;
    const qint64 size = f.size();
    const qint64 head = qint64(std::strlen(kMagic)) + 1;
    if (size < head || size > kMaxFileBytes)
        return;
    // The count first, from the last line: nothing is read for a count the
    // writer never writes.
    const qint64 tailFrom = std::max(head - 1, size - 64);
    if (!f.seek(tailFrom))
        return;
    const QByteArray tail = f.read(size - tailFrom);
    const qsizetype endLine = tail.lastIndexOf("\nend ", tail.size() - 2);
    if (tail.size() != size - tailFrom || endLine < 0 || !tail.endsWith('\n'))
        return;
    const QList<QByteArray> end = tail.mid(endLine + 1).trimmed().split(' ');
    bool okCount = false, okSum = false;
    const int count = end.size() == 3 ? end[1].toInt(&okCount) : -1;
    const uint64_t sum = end.size() == 3 ? end[2].toULongLong(&okSum, 16) : 0;
    if (!okCount || !okSum || count < 0 || count > kMaxEntries)
        return;
    const qint64 body = tailFrom + endLine + 1;  // the bytes the checksum covers

    // The lines are counted first (more than the count stops the reading),
    // then read a block at a time and checked as they come.
    constexpr qint64 kBlock = 256 * 1024;
    qint64 lines = 0;
    if (!f.seek(0))
        return;
    for (qint64 at = 0; at < body;) {
        const QByteArray block = f.read(std::min(kBlock, body - at));
        if (block.isEmpty())
            return;
        at += block.size();
        lines += block.count('\n');
        if (lines > qint64(count) + 1)
            return;
    }
    if (!f.seek(0))
        return;
    QHash<QString, Entry> read;
    uint64_t hash = kFnvBasis;
    QByteArray pending;  // a line not yet ended
    qint64 at = 0;
    bool magic = false;
    int records = 0;
    while (at < body) {
        const QByteArray block = f.read(std::min(kBlock, body - at));
        if (block.isEmpty())
            return;
        at += block.size();
        hash = fnv1a(hash, block.constData(), size_t(block.size()));
        pending += block;
        qsizetype from = 0;
        for (qsizetype nl; (nl = pending.indexOf('\n', from)) >= 0; from = nl + 1) {
            const QByteArrayView line(pending.constData() + from, nl - from);
            if (!magic) {
                if (line != QByteArrayView(kMagic))
                    return;
                magic = true;
                continue;
            }
            Entry e;
            QString path;
            if (++records > count || !parseRecord(line, e, path))
                return;
            read.insert(path, e);
        }
        pending.remove(0, from);
        if (pending.size() > kMaxLine)
            return;
    }
    if (!magic || !pending.isEmpty() || records != count || read.size() != count || hash != sum)
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
    if (!saneSeconds(seconds) || path.isEmpty() || path.contains(QLatin1Char('\n')))
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
           QByteArray::number(fnv1a(kFnvBasis, out.constData(), size_t(out.size())), 16) + '\n';
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

const char kAsfMagic[4] = {0x30, 0x26, char(0xB2), 0x75};

}  // namespace

bool quickMeasure(const QString &path, double &seconds) {
    LengthCache &cache = LengthCache::shared();
    LengthCache::Stamp st;
    if (!LengthCache::stampOf(path, st))
        return false;
    LengthCache::Kind kind;
    if (cache.find(path, st, seconds, kind))
        return kind != LengthCache::Kind::Midi || QFileInfo(soundFontPath()).isFile();
    // Unbuffered: the kind of file needs 16 bytes, not a buffer's 16 KiB.
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
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
    } else if (head.size() == 16 && head.startsWith(QByteArrayView(kAsfMagic, 4))) {
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

void measureFiles(const QStringList &paths) noexcept {
    std::atomic<qsizetype> next{0};
    auto work = [&] {
        for (qsizetype i = next++; i < paths.size(); i = next++) {
            // Whatever fails here (a damaged file, memory running out) is
            // left for the probe, which measures or refuses the file itself.
            try {
                const QString &path = paths[i];
                double seconds;
                if (quickMeasure(path, seconds) || looksLikeMidi(path))
                    continue;
                // Whatever else FFmpeg reads is measured by its decoder, here
                // rather than in the probe's loop (the length does not depend
                // on the rate it would play at).
                rememberDuration(path, openFfmpegDecoder(path, 48000)->duration());
            } catch (...) {
            }
        }
    };
    const int threads =
        int(std::clamp<qsizetype>(paths.size() / 16, 1, std::min(QThread::idealThreadCount(), 8)));
    std::vector<std::thread> pool;
    try {
        for (int t = 1; t < threads; ++t)
            pool.emplace_back(work);
    } catch (...) {
        // Fewer threads measure the same files.
    }
    work();
    for (std::thread &t : pool)
        t.join();
    try {
        LengthCache::shared().save();
    } catch (...) {
    }
}

}  // namespace vb2media
