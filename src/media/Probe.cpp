#include "media/Probe.h"

#include <sys/stat.h>
#include <QFile>
#include <QHash>
#include <algorithm>
#include <mutex>

namespace vb2media {
namespace {

struct Header {
    int version = 0;  // 1, 2 or 25 (2.5)
    int layer = 0;
    int sampleRate = 0;
    int samplesPerFrame = 0;
    int length = 0;  // bytes
    bool mono = false;
};

bool parseHeader(const uint8_t *p, Header &h) {
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0)
        return false;
    const int ver = (p[1] >> 3) & 3;  // 0: 2.5, 2: 2, 3: 1
    const int lay = (p[1] >> 1) & 3;  // 1: III, 2: II, 3: I
    const int bri = (p[2] >> 4) & 15;
    const int sri = (p[2] >> 2) & 3;
    const int pad = (p[2] >> 1) & 1;
    if (ver == 1 || lay == 0 || bri == 0 || bri == 15 || sri == 3)
        return false;
    static const int kRates[3] = {44100, 48000, 32000};
    static const int kBitrates[2][3][15] = {
        {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
         {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
         {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
        {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
    h.version = ver == 3 ? 1 : ver == 2 ? 2 : 25;
    h.layer = 4 - lay;
    h.sampleRate = kRates[sri] >> (ver == 3 ? 0 : ver == 2 ? 1 : 2);
    const int br = kBitrates[h.version == 1 ? 0 : 1][h.layer - 1][bri] * 1000;
    if (h.layer == 1) {
        h.samplesPerFrame = 384;
        h.length = (12 * br / h.sampleRate + pad) * 4;
    } else if (h.layer == 2 || h.version == 1) {
        h.samplesPerFrame = 1152;
        h.length = 144 * br / h.sampleRate + pad;
    } else {
        h.samplesPerFrame = 576;
        h.length = 72 * br / h.sampleRate + pad;
    }
    h.mono = ((p[3] >> 6) & 3) == 3;
    return h.length >= 4;
}

bool sameStream(const Header &a, const Header &b) {
    return a.version == b.version && a.layer == b.layer && a.sampleRate == b.sampleRate;
}

uint32_t be32(const uint8_t *p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// A frame whose successor (or the end of the data) confirms it.
bool frameAt(const uint8_t *d, size_t size, size_t at, Header &h) {
    if (at + 4 > size || !parseHeader(d + at, h))
        return false;
    const size_t next = at + size_t(h.length);
    if (next + 4 > size)
        return next <= size;
    Header h2;
    return parseHeader(d + next, h2) && sameStream(h, h2);
}

}  // namespace

MpegInfo scanMpeg(const uint8_t *d, size_t size) {
    MpegInfo info;
    size_t at = 0;
    while (at + 10 <= size && d[at] == 'I' && d[at + 1] == 'D' && d[at + 2] == '3') {
        const size_t tag = size_t(d[at + 6] & 0x7F) << 21 | size_t(d[at + 7] & 0x7F) << 14 |
                           size_t(d[at + 8] & 0x7F) << 7 | size_t(d[at + 9] & 0x7F);
        at += 10 + tag + ((d[at + 5] & 0x10) ? 10 : 0);
    }
    // The first frame confirmed by the two after it.
    Header first;
    const size_t searchEnd = std::min(size, at + 64 * 1024);
    for (; at + 4 <= searchEnd; ++at) {
        Header h2;
        if (frameAt(d, size, at, first) &&
            (at + first.length + 4 > size || frameAt(d, size, at + size_t(first.length), h2)))
            break;
    }
    if (at + 4 > searchEnd)
        return info;
    info.valid = true;
    info.sampleRate = first.sampleRate;

    // Xing/Info or VBRI in the first frame.
    const size_t side = first.version == 1 ? (first.mono ? 17 : 32) : (first.mono ? 9 : 17);
    const size_t xing = at + 4 + side;
    if (first.layer == 3 && xing + 8 <= size && at + size_t(first.length) <= size &&
        (std::equal(d + xing, d + xing + 4, "Xing") || std::equal(d + xing, d + xing + 4, "Info"))) {
        const uint32_t flags = be32(d + xing + 4);
        size_t p = xing + 8;
        int64_t frames = -1;
        if ((flags & 1) && p + 4 <= size) {
            frames = be32(d + p);
            p += 4;
        }
        if (flags & 2)
            p += 4;
        if (flags & 4)
            p += 100;
        if (flags & 8)
            p += 4;
        int delay = 0, padding = 0;
        // LAME tag: encoder delay and padding, 12 bits each, 21 bytes in.
        if (p + 24 <= size && (std::equal(d + p, d + p + 4, "LAME") || std::equal(d + p, d + p + 4, "Lavf") ||
                               std::equal(d + p, d + p + 4, "Lavc"))) {
            delay = (d[p + 21] << 4) | (d[p + 22] >> 4);
            padding = ((d[p + 22] & 0x0F) << 8) | d[p + 23];
        }
        if (frames > 0) {
            info.hasHeader = true;
            info.frames = frames;
            const int64_t samples = frames * first.samplesPerFrame - delay - padding;
            info.seconds = double(std::max<int64_t>(samples, 0)) / first.sampleRate;
            return info;
        }
        at += size_t(first.length);  // an Info frame without a count holds no audio
    } else if (at + 36 + 18 <= size && std::equal(d + at + 36, d + at + 40, "VBRI")) {
        const int64_t frames = be32(d + at + 36 + 14);
        if (frames > 0) {
            info.hasHeader = true;
            info.frames = frames;
            info.seconds = double(frames * first.samplesPerFrame) / first.sampleRate;
            return info;
        }
    }

    // No header: every frame is counted (a bitrate estimate is far off on VBR).
    int64_t frames = 0;
    int64_t samples = 0;
    Header h;
    while (at + 4 <= size) {
        if (parseHeader(d + at, h) && sameStream(h, first)) {
            if (at + size_t(h.length) > size)
                break;  // a truncated last frame does not decode
            ++frames;
            samples += h.samplesPerFrame;
            at += size_t(h.length);
            continue;
        }
        if (d[at] == 'T' && at + 128 == size)
            break;  // ID3v1
        // Damage: resynchronise on the next confirmed frame.
        size_t next = at + 1;
        while (next + 4 <= size && !frameAt(d, size, next, h))
            ++next;
        at = next;
    }
    info.frames = frames;
    info.seconds = double(samples) / first.sampleRate;
    return info;
}

MpegInfo scanMpeg(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const qint64 size = f.size();
    if (size <= 0)
        return {};
    const uchar *map = f.map(0, size);
    if (map)
        return scanMpeg(map, size_t(size));
    const QByteArray all = f.readAll();
    return scanMpeg(reinterpret_cast<const uint8_t *>(all.constData()), size_t(all.size()));
}

WavInfo readWavHeader(const QString &path) {
    WavInfo w;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return w;
    const qint64 size = f.size();
    const QByteArray head = f.read(12);
    if (head.size() < 12 || !head.startsWith("RIFF") || head.mid(8, 4) != "WAVE")
        return w;
    auto le = [](const QByteArray &b, int at, int bytes) {
        uint32_t v = 0;
        for (int i = bytes - 1; i >= 0; --i)
            v = (v << 8) | uint8_t(b[at + i]);
        return v;
    };
    bool haveFmt = false;
    int subFormat = 0;
    qint64 at = 12;
    while (at + 8 <= size) {
        f.seek(at);
        const QByteArray ch = f.read(8);
        if (ch.size() < 8)
            break;
        const qint64 len = le(ch, 4, 4);
        if (ch.startsWith("fmt ") && len >= 16) {
            const QByteArray fmt = f.read(std::min<qint64>(len, 40));
            if (fmt.size() < 16)
                return w;
            w.formatTag = int(le(fmt, 0, 2));
            w.channels = int(le(fmt, 2, 2));
            w.sampleRate = int(le(fmt, 4, 4));
            w.blockAlign = int(le(fmt, 12, 2));
            w.bitsPerSample = int(le(fmt, 14, 2));
            if (w.formatTag == 0xFFFE && fmt.size() >= 26)
                subFormat = int(le(fmt, 24, 2));
            haveFmt = true;
        } else if (ch.startsWith("data")) {
            if (!haveFmt)
                return w;
            w.dataOffset = at + 8;
            // A streaming writer leaves the length at 0 or all ones: the data runs to the end.
            const qint64 avail = size - w.dataOffset;
            w.dataBytes = (len == 0 || len == 0xFFFFFFFF || len > avail) ? avail : len;
            w.valid = true;
            break;
        }
        at += 8 + len + (len & 1);
    }
    if (!w.valid || w.channels <= 0 || w.sampleRate <= 0 || w.blockAlign <= 0) {
        w.valid = false;
        return w;
    }
    const int tag = w.formatTag == 0xFFFE ? subFormat : w.formatTag;
    const int bytes = w.bitsPerSample / 8;
    if (tag == 1 && w.bitsPerSample % 8 == 0 && w.blockAlign == bytes * w.channels) {
        static const char *const kInt[] = {nullptr, "u8", "s16le", "s24le", "s32le"};
        if (bytes >= 1 && bytes <= 4)
            w.rawFormat = kInt[bytes];
    } else if (tag == 3 && w.blockAlign == bytes * w.channels) {
        w.rawFormat = bytes == 4 ? "f32le" : bytes == 8 ? "f64le" : nullptr;
    }
    w.plainPcm = w.rawFormat != nullptr && w.channels <= 8;
    w.seconds = double(w.dataBytes / w.blockAlign) / w.sampleRate;
    return w;
}

namespace {
struct CacheEntry {
    int64_t size;
    int64_t mtimeNs;
    double seconds;
};
std::mutex cacheMtx;
QHash<QString, CacheEntry> &cache() {
    static QHash<QString, CacheEntry> c;
    return c;
}
bool fileStamp(const QString &path, int64_t &size, int64_t &mtimeNs) {
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    size = st.st_size;
    mtimeNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return true;
}
}  // namespace

bool cachedDuration(const QString &path, double &seconds) {
    int64_t size, mtime;
    if (!fileStamp(path, size, mtime))
        return false;
    std::lock_guard<std::mutex> g(cacheMtx);
    const auto it = cache().constFind(path);
    if (it == cache().constEnd() || it->size != size || it->mtimeNs != mtime)
        return false;
    seconds = it->seconds;
    return true;
}

void rememberDuration(const QString &path, double seconds) {
    int64_t size, mtime;
    if (!fileStamp(path, size, mtime))
        return;
    std::lock_guard<std::mutex> g(cacheMtx);
    if (cache().size() > 100000)
        cache().clear();
    cache().insert(path, {size, mtime, seconds});
}

}  // namespace vb2media
