#include "media/MidiFile.h"

#include <algorithm>

namespace vb2media {
namespace {

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

// A tempo change; `order` keeps the file's order among changes at one tick.
struct Tempo {
    int64_t tick;
    uint32_t order;
    uint32_t usPerQuarter;
};

// What a file holds, handed event by event to a visitor with
//   void message(int64_t tick, uint8_t status, uint8_t data1, uint8_t data2)
// while the tempo changes and the last tick are gathered here.
struct Walk {
    uint16_t division = 0;
    std::vector<Tempo> tempos;
    int64_t lastTick = 0;
    bool damaged = false;
};

// Reads one track; false when it ended before its end-of-track event.
template <class Visitor>
bool readTrack(Reader r, Walk &w, Visitor &visit) {
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
                w.tempos.push_back({tick, uint32_t(w.tempos.size()), be(r.here(), 3)});
            r.skip(len);
            w.lastTick = std::max(w.lastTick, tick);
            if (type == 0x2F)
                return true;
            continue;
        }
        if (status == 0xF0 || status == 0xF7) {
            uint32_t len;
            if (!r.varLen(len) || !r.skip(len))
                return false;
            w.lastTick = std::max(w.lastTick, tick);
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
        visit.message(tick, status, uint8_t(d1 & 0x7F), uint8_t(d2 & 0x7F));
        w.lastTick = std::max(w.lastTick, tick);
    }
    return false;
}

// False when the bytes are no MIDI file. Tracks are visited one after the other.
template <class Visitor>
bool walkFile(const QByteArray &bytes, Walk &w, Visitor &visit) {
    const auto *p = reinterpret_cast<const uint8_t *>(bytes.constData());
    const size_t n = size_t(bytes.size());
    if (n < 14 || int64_t(n) > kMaxMidiBytes || !std::equal(p, p + 4, "MThd"))
        return false;
    const uint32_t headerLen = be(p + 4, 4);
    if (headerLen < 6 || headerLen > n - 8)
        return false;
    w.division = uint16_t(be(p + 12, 2));
    if (w.division == 0)
        return false;
    // Room for as many tempo changes as the bytes can hold (seven bytes each):
    // the vector never moves, and only what is used is touched.
    w.tempos.reserve(n / 7 + 1);
    size_t at = 8 + size_t(headerLen);
    while (at + 8 <= n) {
        const uint32_t len = be(p + at + 4, 4);
        const bool isTrack = std::equal(p + at, p + at + 4, "MTrk");
        const size_t body = std::min<size_t>(len, n - at - 8);
        if (body < len)
            w.damaged = true;  // a chunk that runs past the end of the file
        if (isTrack && !readTrack(Reader(p + at + 8, body), w, visit))
            w.damaged = true;
        at += 8 + body;
    }
    return true;
}

// Ticks to seconds for ticks asked in rising order: one walk through the tempo
// map, whatever its length. SMPTE division: a fixed number of ticks a second.
class Clock {
  public:
    explicit Clock(Walk &w) : division_(w.division), map_(w.tempos) {
        const auto earlier = [](const Tempo &a, const Tempo &b) {
            return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
        };
        if (!std::is_sorted(map_.begin(), map_.end(), earlier))  // tempo changes in several tracks
            std::sort(map_.begin(), map_.end(), earlier);
        if (division_ & 0x8000) {
            const int fps = -int(int8_t(division_ >> 8));
            ticksPerSecond_ = (fps == 29 ? 29.97 : fps) * (division_ & 0xFF);
        }
    }

    double seconds(int64_t tick) {
        if (division_ & 0x8000)
            return ticksPerSecond_ > 0 ? double(tick) / ticksPerSecond_ : 0.0;
        while (next_ < map_.size() && map_[next_].tick <= tick) {
            const Tempo &t = map_[next_++];
            base_ += span(t.tick - baseTick_);
            baseTick_ = t.tick;
            if (t.usPerQuarter)
                usPerQuarter_ = t.usPerQuarter;
        }
        return base_ + span(tick - baseTick_);
    }

  private:
    double span(int64_t ticks) const { return double(ticks) * usPerQuarter_ / 1e6 / division_; }

    uint16_t division_;
    std::vector<Tempo> &map_;
    double ticksPerSecond_ = 0;
    size_t next_ = 0;
    int64_t baseTick_ = 0;
    double base_ = 0;
    uint32_t usPerQuarter_ = 500000;  // 120 beats a minute until a tempo is set
};

bool isNoteOn(uint8_t status, uint8_t velocity) {
    return (status & 0xF0) == 0x90 && velocity;
}

}  // namespace

bool parseMidi(const QByteArray &bytes, MidiSong &song) {
    struct RawEvent {
        int64_t tick;
        uint32_t order;
        uint8_t status, data1, data2;
    };
    struct Collect {
        std::vector<RawEvent> events;
        void message(int64_t tick, uint8_t status, uint8_t d1, uint8_t d2) {
            events.push_back({tick, uint32_t(events.size()), status, d1, d2});
        }
    } collect;
    collect.events.reserve(size_t(bytes.size()) / 2);  // two bytes at least an event
    Walk w;
    song.messages.clear();
    song.seconds = 0;
    song.damaged = false;
    if (!walkFile(bytes, w, collect))
        return false;
    std::vector<RawEvent> &events = collect.events;
    std::sort(events.begin(), events.end(), [](const RawEvent &a, const RawEvent &b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });
    Clock clock(w);
    song.messages.reserve(events.size());
    for (const RawEvent &e : events)
        song.messages.push_back({clock.seconds(e.tick), e.status, e.data1, e.data2});
    song.seconds = clock.seconds(w.lastTick);
    song.damaged = w.damaged;
    return true;
}

bool measureMidi(const QByteArray &bytes, double &seconds) {
    struct Notes {
        bool any = false;
        void message(int64_t, uint8_t status, uint8_t, uint8_t d2) { any = any || isNoteOn(status, d2); }
    } notes;
    Walk w;
    if (!walkFile(bytes, w, notes) || !notes.any)
        return false;
    Clock clock(w);
    const double s = clock.seconds(w.lastTick);
    if (!(s > 0 && s <= kMaxMidiSeconds))
        return false;
    seconds = s;
    return true;
}

bool playable(const MidiSong &song) {
    if (!(song.seconds > 0 && song.seconds <= kMaxMidiSeconds))
        return false;
    return std::any_of(song.messages.begin(), song.messages.end(),
                       [](const MidiMessage &m) { return isNoteOn(m.status, m.data2); });
}

}  // namespace vb2media
