#include "media/Probe.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <vector>

namespace vb2media {
namespace {

// A regular file opened for reading, closed when it goes.
class OpenFile {
  public:
    explicit OpenFile(const QString &path) {
        fd_ = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        struct stat st;
        if (fd_ >= 0 && ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
            size_ = size_t(st.st_size);
    }
    ~OpenFile() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    OpenFile(const OpenFile &) = delete;
    OpenFile &operator=(const OpenFile &) = delete;

    int fd() const { return fd_; }
    size_t size() const { return size_; }
    // Reads up to `want` bytes at `from`; the bytes read.
    size_t read(uint8_t *to, size_t from, size_t want) const {
        want = std::min(want, size_ - std::min(size_, from));
        size_t got = 0;
        while (got < want) {
            const ssize_t n = ::pread(fd_, to + got, want - got, off_t(from + got));
            if (n <= 0)
                break;
            got += size_t(n);
        }
        return got;
    }

  private:
    int fd_ = -1;
    size_t size_ = 0;
};

// Small pieces of a file at any offset, read through a window: a header costs
// the page or two it lies in, and a long walk through many small pieces (a WAV
// of a million tiny chunks) reads ever larger windows. A file changed while it
// is read gives short reads, never a fault.
class ByteView {
  public:
    explicit ByteView(const OpenFile &file) : file_(&file), size_(file.size()) {}

    size_t size() const { return size_; }
    // `len` bytes at `off` (at most a page), or null past the end.
    const uint8_t *at(size_t off, size_t len) {
        if (off > size_ || len > size_ - off || len > kPage)
            return nullptr;
        if (off < start_ || off + len > start_ + held_) {
            // Two windows of a page, then each twice the one before.
            const size_t window = kPage << std::clamp(refills_, 1, 5) >> 1;
            ++refills_;
            if (buf_.size() < window)
                buf_.resize(window);
            // From the start of the page, unless the piece would then not fit.
            start_ = off & ~size_t(kPage - 1);
            if (off + len > start_ + window)
                start_ = off;
            held_ = file_->read(buf_.data(), start_, window);
            if (off + len > start_ + held_)
                return nullptr;
        }
        return buf_.data() + (off - start_);
    }

  private:
    static constexpr size_t kPage = 4096;
    const OpenFile *file_ = nullptr;
    size_t size_ = 0;
    std::vector<uint8_t> buf_;
    size_t start_ = 0;
    size_t held_ = 0;
    int refills_ = 0;
};

uint16_t le16(const uint8_t *p) {
    return uint16_t(p[0] | p[1] << 8);
}
uint32_t le32(const uint8_t *p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint64_t le64(const uint8_t *p) {
    return uint64_t(le32(p)) | uint64_t(le32(p + 4)) << 32;
}

struct Header {
    uint8_t bytes[4] = {};  // as they lie in the file
    int version = 0;        // 1, 2 or 25 (2.5)
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
    std::copy_n(p, 4, h.bytes);
    return h.length >= 4;
}

bool sameStream(const Header &a, const Header &b) {
    return a.version == b.version && a.layer == b.layer && a.sampleRate == b.sampleRate;
}

uint32_t be32(const uint8_t *p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// The bytes an MPEG walk looks at: a file read a piece at a time, or bytes
// already in memory. Both give the walk the same view of the same bytes, so a
// file measures the same whichever way it is read.
class MpegBytes {
  public:
    virtual ~MpegBytes() = default;
    size_t size() const { return size_; }
    // `len` bytes (a few hundred at most) at `off`, or null where they run past the end.
    virtual const uint8_t *at(size_t off, size_t len) = 0;
    // The bytes from `off` on, as many as one block holds; their count in `len`.
    virtual const uint8_t *block(size_t off, size_t &len) = 0;

  protected:
    size_t size_ = 0;
};

class MemoryBytes : public MpegBytes {
  public:
    MemoryBytes(const uint8_t *d, size_t size) : d_(d) { size_ = d ? size : 0; }
    const uint8_t *at(size_t off, size_t len) override {
        return off <= size_ && len <= size_ - off ? d_ + off : nullptr;
    }
    const uint8_t *block(size_t off, size_t &len) override {
        len = off < size_ ? size_ - off : 0;
        return d_ + std::min(off, size_);
    }

  private:
    const uint8_t *d_;
};

// Headers through a small window; the frames of a file without a length header
// in large blocks (read, not mapped: a file cut short by a copy while it is
// walked must not fault).
class FileBytes : public MpegBytes {
  public:
    explicit FileBytes(const OpenFile &file) : file_(file), view_(file) { size_ = file.size(); }
    const uint8_t *at(size_t off, size_t len) override { return view_.at(off, len); }
    const uint8_t *block(size_t off, size_t &len) override {
        constexpr size_t kBlock = 1024 * 1024;
        thread_local std::vector<uint8_t> buf(kBlock);
        if (!sequential_ && size_ - std::min(size_, off) > kBlock) {
            ::posix_fadvise(file_.fd(), off_t(off), 0, POSIX_FADV_SEQUENTIAL);
            sequential_ = true;
        }
        len = file_.read(buf.data(), off, kBlock);
        return buf.data();
    }

  private:
    const OpenFile &file_;
    ByteView view_;
    bool sequential_ = false;
};

// A frame whose successor (or the end of the data) confirms it.
bool frameAt(MpegBytes &b, size_t at, Header &h) {
    const uint8_t *p = b.at(at, 4);
    if (!p || !parseHeader(p, h))
        return false;
    const size_t next = at + size_t(h.length);
    const uint8_t *q = b.at(next, 4);
    if (!q)
        return next <= b.size();
    Header h2;
    return parseHeader(q, h2) && sameStream(h, h2);
}

// Bytes past the end of a block a frame walk may look at (the largest frame
// and the header after it) before the next block is read.
constexpr size_t kWalkMargin = 4096 + 8;

// Skips any number of ID3v2 tags of any size; the offset of the first byte
// after them (may lie beyond the end).
size_t afterId3(MpegBytes &b) {
    size_t at = 0;
    while (const uint8_t *d = b.at(at, 10)) {
        if (d[0] != 'I' || d[1] != 'D' || d[2] != '3')
            break;
        const size_t tag = size_t(d[6] & 0x7F) << 21 | size_t(d[7] & 0x7F) << 14 | size_t(d[8] & 0x7F) << 7 |
                           size_t(d[9] & 0x7F);
        at += 10 + tag + ((d[5] & 0x10) ? 10 : 0);
    }
    return at;
}

// The first frame confirmed by the two after it and its length header, if any.
// On return without a header, `at` is the first frame holding audio.
MpegInfo findStart(MpegBytes &b, size_t &at, Header &first) {
    MpegInfo info;
    const size_t size = b.size();
    const size_t searchEnd = std::min(size, at + 64 * 1024);
    for (; at + 4 <= searchEnd; ++at) {
        Header h2;
        if (frameAt(b, at, first) &&
            (at + first.length + 4 > size || frameAt(b, at + size_t(first.length), h2)))
            break;
    }
    if (at + 4 > searchEnd)
        return info;
    info.valid = true;
    info.sampleRate = first.sampleRate;

    // Xing/Info or VBRI in the first frame: its bytes, up to where the longest
    // header ends (it may run past a small frame), clipped to the file.
    constexpr size_t kSpan = 4 + 32 + 8 + 4 + 4 + 100 + 4 + 24;
    const size_t held = std::min(std::max(kSpan, size_t(first.length)), size - at);
    const uint8_t *d = b.at(at, held);
    if (!d)
        return info;
    const size_t side = first.version == 1 ? (first.mono ? 17 : 32) : (first.mono ? 9 : 17);
    const size_t xing = 4 + side;
    if (first.layer == 3 && xing + 8 <= held && size_t(first.length) <= size - at &&
        (std::equal(d + xing, d + xing + 4, "Xing") || std::equal(d + xing, d + xing + 4, "Info"))) {
        const uint32_t flags = be32(d + xing + 4);
        size_t p = xing + 8;
        int64_t frames = -1;
        if ((flags & 1) && p + 4 <= held) {
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
        if (p + 24 <= held && (std::equal(d + p, d + p + 4, "LAME") || std::equal(d + p, d + p + 4, "Lavf") ||
                               std::equal(d + p, d + p + 4, "Lavc"))) {
            delay = (d[p + 21] << 4) | (d[p + 22] >> 4);
            padding = ((d[p + 22] & 0x0F) << 8) | d[p + 23];
        }
        const int64_t samples = frames * first.samplesPerFrame - delay - padding;
        const double seconds = double(std::max<int64_t>(samples, 0)) / first.sampleRate;
        // A count past any show's length is damage: the frames are walked instead.
        if (frames > 0 && saneSeconds(seconds)) {
            info.hasHeader = true;
            info.frames = frames;
            info.seconds = seconds;
            return info;
        }
        at += size_t(first.length);  // an Info frame without a count holds no audio
    } else if (36 + 18 <= held && std::equal(d + 36, d + 40, "VBRI")) {
        const int64_t frames = be32(d + 36 + 14);
        const double seconds = double(frames * first.samplesPerFrame) / first.sampleRate;
        if (frames > 0 && saneSeconds(seconds)) {
            info.hasHeader = true;
            info.frames = frames;
            info.seconds = seconds;
            return info;
        }
    }
    return info;
}

// Counts the frames of a file without a length header (a bitrate estimate is
// far off on VBR), over a block at a time. Within one stream a frame's length
// depends only on its bitrate and padding, so the lengths are worked out once,
// not parsed per frame.
class FrameWalk {
  public:
    explicit FrameWalk(const Header &first) {
        const uint8_t *firstWord = first.bytes;
        stream_ = be32(firstWord) & kStreamBits;
        for (int bri = 1; bri < 15; ++bri) {
            const uint8_t probe[4] = {firstWord[0], firstWord[1], uint8_t((firstWord[2] & 0x0C) | bri << 4),
                                      firstWord[3]};
            Header ph;
            lengths_[bri] = parseHeader(probe, ph) ? ph.length : 0;
        }
    }

    // Walks d[at..size); stops kWalkMargin before the end unless `last` (the
    // block ends where the file does). `at` is left where the walk stopped,
    // and a search for the next frame after damage goes on in the next block.
    void run(const uint8_t *d, size_t size, size_t &at, bool last) {
        const size_t stop = last ? size : (size > kWalkMargin ? size - kWalkMargin : 0);
        // Each header lies in a line of memory of its own: the lines ahead are
        // asked for early, so the walk is bound by the memory's speed, not its latency.
        size_t ahead = at;
        while (at + 4 <= size && at < stop) {
            if (!searching_) {
                for (; ahead < std::min(size, at + 4096); ahead += 64)
                    __builtin_prefetch(d + ahead);
                const int length = lengthAt(d + at);
                if (length) {
                    if (at + size_t(length) > size)
                        return;  // a truncated last frame does not decode
                    ++frames_;
                    at += size_t(length);
                    continue;
                }
                if (last && d[at] == 'T' && at + 128 == size)
                    return;  // ID3v1
                // Damage: resynchronise on the next confirmed frame.
                searching_ = true;
                ++at;
                ahead = at;
            }
            const size_t end = std::min(size - 3, stop);
            const void *ff = at < end ? std::memchr(d + at, 0xFF, end - at) : nullptr;
            if (!ff) {
                at = std::max(at, end);
                continue;
            }
            at = size_t(static_cast<const uint8_t *>(ff) - d);
            if (confirmed(d, size, at)) {
                searching_ = false;
                ahead = at;
            } else {
                ++at;
            }
        }
    }

    int64_t frames() const { return frames_; }

  private:
    // A frame of this stream at `at` whose successor (or the end of the data) confirms it.
    bool confirmed(const uint8_t *d, size_t size, size_t at) const {
        const int length = lengthAt(d + at);
        if (!length)
            return false;
        const size_t next = at + size_t(length);
        return next + 4 > size ? next <= size : lengthAt(d + next) != 0;
    }
    int lengthAt(const uint8_t *p) const {
        const uint32_t word = be32(p);
        const int bri = int(word >> 12) & 15;
        return (word & kStreamBits) == stream_ && lengths_[bri] ? lengths_[bri] + int((word >> 9) & 1) : 0;
    }

    static constexpr uint32_t kStreamBits = 0xFFFE0C00;  // sync, version, layer, sample rate
    uint32_t stream_ = 0;
    int lengths_[16] = {};
    int64_t frames_ = 0;
    bool searching_ = false;
};

// The one walk, over a file or over bytes in memory.
MpegInfo scan(MpegBytes &b) {
    size_t at = afterId3(b);
    Header first;
    MpegInfo info = findStart(b, at, first);
    if (!info.valid || info.hasHeader)
        return info;
    FrameWalk walk(first);
    while (at + 4 <= b.size()) {
        size_t len = 0;
        const uint8_t *d = b.block(at, len);
        const bool last = at + len >= b.size();
        size_t walked = 0;
        walk.run(d, len, walked, last);
        if (last || walked == 0)
            break;
        at += walked;
    }
    info.frames = walk.frames();
    info.seconds = double(info.frames * first.samplesPerFrame) / first.sampleRate;
    if (!saneSeconds(info.seconds))
        return {};  // no sound file plays that long
    return info;
}

std::atomic<uint64_t> scans{0};

}  // namespace

MpegInfo scanMpeg(const uint8_t *d, size_t size) {
    MemoryBytes b(d, size);
    return scan(b);
}

uint64_t mpegScans() {
    return scans.load();
}

MpegInfo scanMpeg(const QString &path) {
    ++scans;
    const OpenFile file(path);
    if (!file.size())
        return {};
    FileBytes b(file);
    return scan(b);
}

namespace {

WavInfo parseWav(ByteView &v) {
    WavInfo w;
    const size_t size = v.size();
    const uint8_t *d = v.at(0, 12);
    if (!d || !std::equal(d, d + 4, "RIFF") || !std::equal(d + 8, d + 12, "WAVE"))
        return w;
    w.riffWave = true;
    bool haveFmt = false;
    int subFormat = 0;
    size_t at = 12;
    // Every chunk before the data must lie inside the file: a size that points
    // past its end is damage, and nothing after it can be trusted.
    while (at + 8 <= size) {
        const uint8_t *ch = v.at(at, 8);
        if (!ch)
            return w;
        const uint64_t len = le32(ch + 4);
        const size_t body = at + 8;
        if (std::equal(ch, ch + 4, "data")) {
            if (!haveFmt)
                return w;
            w.dataOffset = int64_t(body);
            // A streaming writer leaves the length at 0 or all ones, and a cut
            // download holds less than it says: the data runs to the end.
            const uint64_t avail = size - body;
            w.dataBytes = int64_t((len == 0 || len == 0xFFFFFFFF || len > avail) ? avail : len);
            w.valid = true;
            break;
        }
        if (len > size - body)
            return w;
        if (std::equal(ch, ch + 4, "fmt ")) {
            const uint8_t *fmt = v.at(body, std::min<size_t>(len, 26));
            if (len < 16 || haveFmt || !fmt)
                return w;
            w.formatTag = le16(fmt);
            w.channels = le16(fmt + 2);
            w.sampleRate = int(std::min<uint32_t>(le32(fmt + 4), 1u << 30));
            w.blockAlign = le16(fmt + 12);
            w.bitsPerSample = le16(fmt + 14);
            if (w.formatTag == 0xFFFE && len >= 26)
                subFormat = le16(fmt + 24);
            haveFmt = true;
        }
        at = body + size_t(len) + (len & 1);
    }
    // A rate, channel count or length no sound file has is damage (a rate
    // of 1 Hz would list a 200 KB file as a day long and resample it for minutes).
    if (!w.valid || !saneChannels(w.channels) || !saneRate(w.sampleRate) || w.blockAlign <= 0 ||
        !saneSeconds(double(w.dataBytes / w.blockAlign) / w.sampleRate)) {
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

}  // namespace

WavInfo readWavHeader(const QString &path) {
    const OpenFile file(path);
    ByteView v(file);
    return parseWav(v);
}

namespace {

// ASF's object identifiers as they lie in the file (the first three fields little-endian).
const uint8_t kAsfHeader[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
const uint8_t kAsfFileProperties[16] = {0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11,
                                        0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
const uint8_t kAsfStreamProperties[16] = {0x91, 0x07, 0xDC, 0xB7, 0xB7, 0xA9, 0xCF, 0x11,
                                          0x8E, 0xE6, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
const uint8_t kAsfAudioMedia[16] = {0x40, 0x9E, 0x69, 0xF8, 0x4D, 0x5B, 0xCF, 0x11,
                                    0xA8, 0xFD, 0x00, 0x80, 0x5F, 0x5C, 0x44, 0x2B};

bool sameGuid(const uint8_t *p, const uint8_t (&g)[16]) {
    return std::equal(g, g + 16, p);
}

// Samples in one frame of WMA 1 and 2, by sample rate (the codec's own rule).
int wmaFrameLength(int formatTag, int sampleRate) {
    if (sampleRate <= 16000)
        return 512;
    if (sampleRate <= 22050 || (sampleRate <= 32000 && formatTag == 0x160))
        return 1024;
    return 2048;
}

}  // namespace

namespace {

AsfInfo parseAsf(ByteView &v) {
    AsfInfo a;
    const uint8_t *d = v.at(0, 30);
    if (!d || !sameGuid(d, kAsfHeader))
        return a;
    a.asf = true;
    const uint64_t declaredHeader = le64(d + 16);
    const uint64_t headerSize = std::min<uint64_t>(declaredHeader, v.size());
    const uint32_t objects = le32(d + 24);
    size_t at = 30;
    bool haveFile = false, haveAudio = false, broadcast = false;
    uint64_t playDuration = 0, preroll = 0, packets = 0, packetSize = 0;
    for (uint32_t i = 0; i < objects && at + 24 <= headerSize; ++i) {
        const uint8_t *o = v.at(at, 24);
        const uint64_t len = o ? le64(o + 16) : 0;
        if (len < 24 || len > headerSize - at) {
            a.broken = true;
            return a;
        }
        const bool file = sameGuid(o, kAsfFileProperties) && len >= 104;
        const bool stream = sameGuid(o, kAsfStreamProperties) && len >= 78 + 16 && !haveAudio;
        if (file && (o = v.at(at, 104))) {
            packets = le64(o + 56);
            playDuration = le64(o + 64);
            preroll = le64(o + 80);
            packetSize = le32(o + 92) == le32(o + 96) ? le32(o + 96) : 0;
            broadcast = le32(o + 88) & 1;
            haveFile = true;
        } else if (stream && (o = v.at(at, 78 + 16)) && sameGuid(o + 24, kAsfAudioMedia)) {
            const uint32_t specific = le32(o + 64);
            if (specific >= 16 && 78 + uint64_t(specific) <= len) {
                const uint8_t *wf = o + 78;
                a.formatTag = le16(wf);
                a.channels = le16(wf + 2);
                a.sampleRate = int(std::min<uint32_t>(le32(wf + 4), 1u << 30));
                if (!saneChannels(a.channels) || !saneRate(a.sampleRate)) {
                    a.broken = true;  // no decoder is asked to play that
                    return a;
                }
                haveAudio = true;
            }
        }
        at += size_t(len);
    }
    a.broken = !haveFile;
    if (!haveFile || !haveAudio || broadcast)
        return a;
    // Play time in 100 ns, preroll in ms.
    double seconds = double(playDuration) / 1e7 - double(preroll) / 1000;
    if (!(seconds > 0) || !saneSeconds(seconds))
        return a;
    // A file cut short (a broken download) holds fewer of its fixed-size packets
    // than the header counts: it plays for its share of the length.
    const uint64_t dataStart = declaredHeader + 50;
    const uint64_t held = packetSize && v.size() > dataStart ? (v.size() - dataStart) / packetSize : 0;
    if (packetSize && packets && held < packets) {
        a.seconds = seconds * double(held) / double(packets);
        a.valid = a.seconds > 0;
        return a;
    }
    if (a.formatTag == 0x160 || a.formatTag == 0x161) {
        // The header counts whole frames (its packets carry millisecond stamps); the
        // decoder's first frame only primes its overlap and sounds nothing.
        const int frame = wmaFrameLength(a.formatTag, a.sampleRate);
        a.frameLength = frame;
        const double frames = seconds * a.sampleRate / frame;
        const double whole = std::nearbyint(frames);
        if (whole >= 2 && std::fabs(frames - whole) * frame <= a.sampleRate * 0.003)
            seconds = (whole - 1) * frame / a.sampleRate;
    }
    a.seconds = seconds;
    a.valid = true;
    return a;
}

}  // namespace

AsfInfo readAsfHeader(const QString &path) {
    const OpenFile file(path);
    ByteView v(file);
    return parseAsf(v);
}

}  // namespace vb2media
