#include "media/MidiFile.h"

#include <algorithm>
#include <map>

namespace vb2media {
namespace {

struct RawEvent {
    int64_t tick;
    int order;
    uint8_t status, data1, data2;
};

class Reader {
  public:
    Reader(const uint8_t *p, size_t n) : p_(p), n_(n) {}
    bool more() const { return at_ < n_; }
    bool byte(uint8_t &v) {
        if (at_ >= n_)
            return false;
        v = p_[at_++];
        return true;
    }
    bool varLen(uint32_t &v) {
        v = 0;
        for (int i = 0; i < 4; ++i) {
            uint8_t b;
            if (!byte(b))
                return false;
            v = (v << 7) | (b & 0x7F);
            if (!(b & 0x80))
                return true;
        }
        return false;
    }
    bool skip(uint32_t len) {
        if (len > n_ - at_)
            return false;
        at_ += len;
        return true;
    }
    const uint8_t *here() const { return p_ + at_; }
    size_t left() const { return n_ - at_; }

  private:
    const uint8_t *p_;
    size_t n_;
    size_t at_ = 0;
};

uint32_t be(const uint8_t *p, int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = (v << 8) | p[i];
    return v;
}

// Reads one track; false when it ended before its end-of-track event.
bool readTrack(Reader r, int &order, std::vector<RawEvent> &events, std::map<int64_t, uint32_t> &tempos,
               int64_t &lastTick) {
    int64_t tick = 0;
    uint8_t running = 0;
    while (r.more()) {
        uint32_t delta;
        if (!r.varLen(delta))
            return false;
        tick += delta;
        uint8_t status;
        if (!r.byte(status))
            return false;
        if (status == 0xFF) {
            uint8_t type;
            uint32_t len;
            if (!r.byte(type) || !r.varLen(len) || len > r.left())
                return false;
            if (type == 0x51 && len == 3)
                tempos[tick] = be(r.here(), 3);
            r.skip(len);
            lastTick = std::max(lastTick, tick);
            if (type == 0x2F)
                return true;
            continue;
        }
        if (status == 0xF0 || status == 0xF7) {
            uint32_t len;
            if (!r.varLen(len) || !r.skip(len))
                return false;
            lastTick = std::max(lastTick, tick);
            continue;
        }
        uint8_t d1 = 0, d2 = 0;
        if (status < 0x80) {
            if (!running)
                return false;
            d1 = status;
            status = running;
        } else {
            if (status >= 0xF0)
                return false;  // system messages do not belong in a file
            running = status;
            if (!r.byte(d1))
                return false;
        }
        const uint8_t kind = status & 0xF0;
        if (kind != 0xC0 && kind != 0xD0 && !r.byte(d2))
            return false;
        events.push_back({tick, order++, status, uint8_t(d1 & 0x7F), uint8_t(d2 & 0x7F)});
        lastTick = std::max(lastTick, tick);
    }
    return false;
}

}  // namespace

bool parseMidi(const QByteArray &bytes, MidiSong &song) {
    const auto *p = reinterpret_cast<const uint8_t *>(bytes.constData());
    const size_t n = size_t(bytes.size());
    if (n < 14 || !std::equal(p, p + 4, "MThd"))
        return false;
    const uint32_t headerLen = be(p + 4, 4);
    if (headerLen < 6 || headerLen > n - 8)
        return false;
    const uint16_t division = uint16_t(be(p + 12, 2));
    if (division == 0)
        return false;

    std::vector<RawEvent> events;
    std::map<int64_t, uint32_t> tempos;
    int64_t lastTick = 0;
    int order = 0;
    size_t at = 8 + headerLen;
    while (at + 8 <= n) {
        const uint32_t len = be(p + at + 4, 4);
        const bool isTrack = std::equal(p + at, p + at + 4, "MTrk");
        size_t body = std::min<size_t>(len, n - at - 8);
        if (body < len)
            song.damaged = true;  // a chunk that runs past the end of the file
        if (isTrack && !readTrack(Reader(p + at + 8, body), order, events, tempos, lastTick))
            song.damaged = true;
        at += 8 + body;
    }

    // Ticks to seconds through the tempo map (SMPTE division: fixed ticks per second).
    std::vector<std::pair<int64_t, uint32_t>> map(tempos.begin(), tempos.end());
    auto seconds = [&](int64_t tick) {
        if (division & 0x8000) {
            int fps = -int(int8_t(division >> 8));
            const double rate = (fps == 29 ? 29.97 : fps) * (division & 0xFF);
            return rate > 0 ? double(tick) / rate : 0.0;
        }
        double s = 0;
        int64_t from = 0;
        uint32_t usPerQuarter = 500000;
        for (const auto &[t, tempo] : map) {
            if (t >= tick)
                break;
            s += double(t - from) * usPerQuarter / 1e6 / division;
            from = t;
            usPerQuarter = tempo ? tempo : usPerQuarter;
        }
        return s + double(tick - from) * usPerQuarter / 1e6 / division;
    };

    std::stable_sort(events.begin(), events.end(), [](const RawEvent &a, const RawEvent &b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });
    song.messages.clear();
    song.messages.reserve(events.size());
    for (const RawEvent &e : events)
        song.messages.push_back({seconds(e.tick), e.status, e.data1, e.data2});
    song.seconds = seconds(lastTick);
    return true;
}

}  // namespace vb2media
