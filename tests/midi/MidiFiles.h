#pragma once
// Standard MIDI Files written by the MIDI tests and the MIDI benchmark.
#include <QByteArray>
#include <QList>
#include <cstdint>

namespace vb2test {

inline QByteArray midiVarLen(uint32_t v) {
    QByteArray out(1, char(v & 0x7F));
    while (v >>= 7)
        out.prepend(char((v & 0x7F) | 0x80));
    return out;
}

inline QByteArray midiChunk(const char *id, const QByteArray &body) {
    QByteArray b(id, 4);
    const uint32_t n = uint32_t(body.size());
    b.append(char(n >> 24)).append(char(n >> 16)).append(char(n >> 8)).append(char(n));
    return b + body;
}

// A whole file: header (format, ticks a quarter) and the tracks' bodies.
inline QByteArray midiFile(int format, int division, const QList<QByteArray> &tracks) {
    QByteArray head;
    head.append(char(0)).append(char(format));
    head.append(char(tracks.size() >> 8)).append(char(tracks.size()));
    head.append(char(division >> 8)).append(char(division));
    QByteArray out = midiChunk("MThd", head);
    for (const QByteArray &t : tracks)
        out += midiChunk("MTrk", t);
    return out;
}

// Events of one track, each after a delta in ticks.
class MidiTrack {
  public:
    MidiTrack &ev(uint32_t delta, std::initializer_list<int> bytes) {
        body_ += midiVarLen(delta);
        for (int b : bytes)
            body_.append(char(b));
        return *this;
    }
    MidiTrack &tempo(uint32_t delta, uint32_t usPerQuarter) {
        return ev(delta, {0xFF, 0x51, 0x03, int(usPerQuarter >> 16) & 0xFF, int(usPerQuarter >> 8) & 0xFF,
                          int(usPerQuarter) & 0xFF});
    }
    QByteArray end(uint32_t delta = 0) {
        ev(delta, {0xFF, 0x2F, 0x00});
        return body_;
    }
    int size() const { return int(body_.size()); }

  private:
    QByteArray body_;
};

// About `bytes` long: a tempo track whose tempo changes every 12 ticks (half of
// its events) beside a track of short notes. 480 ticks a quarter.
inline QByteArray longTempoMapMidi(int bytes) {
    MidiTrack tempo, notes;
    notes.ev(0, {0xC0, 0x00});
    int i = 0;
    while (tempo.size() + notes.size() < bytes - 40) {
        tempo.tempo(12, 400000 + uint32_t(i % 200) * 1000);
        notes.ev(0, {0x90, 48 + i % 24, 80}).ev(12, {0x80, 48 + i % 24, 0});
        ++i;
    }
    return midiFile(1, 480, {tempo.end(), notes.end()});
}

// Four General MIDI parts, one line each, every note at full velocity, for
// `quarters` quarters at 120 beats a minute: piano, strings, trumpet and bass
// playing a chord together.
inline QByteArray fourPartMidi(int quarters) {
    MidiTrack t;
    t.tempo(0, 500000);
    const int programs[4] = {0, 48, 56, 33};
    for (int ch = 0; ch < 4; ++ch)
        t.ev(0, {0xC0 | ch, programs[ch]});
    const int chords[4][4] = {{72, 64, 67, 36}, {72, 65, 69, 41}, {71, 62, 67, 43}, {72, 64, 67, 36}};
    for (int q = 0; q < quarters; ++q) {
        const int *c = chords[(q / 2) % 4];
        for (int ch = 0; ch < 4; ++ch)
            t.ev(0, {0x90 | ch, c[ch], 127});
        for (int ch = 0; ch < 4; ++ch)
            t.ev(ch == 0 ? 480 : 0, {0x80 | ch, c[ch], 0});
    }
    return midiFile(0, 480, {t.end()});
}

// Sharp attacks, many at once, all at full velocity, for `quarters` quarters at
// 120 beats a minute: every eighth a hit of the General MIDI kit (kick, snares,
// toms, crash and hi-hats together) with a staccato piano chord on top.
inline QByteArray percussiveMidi(int quarters) {
    MidiTrack t;
    t.ev(0, {0xC0, 0});
    const int drums[] = {35, 36, 38, 40, 41, 43, 45, 47, 49, 57, 42, 46};
    const int chord[] = {36, 48, 60, 64, 67, 72};
    for (int e = 0; e < quarters * 2; ++e) {
        for (int k : drums)
            t.ev(0, {0x99, k, 127});
        for (int k : chord)
            t.ev(0, {0x90, k, 127});
        for (int k : chord)
            t.ev(k == chord[0] ? 60 : 0, {0x80, k, 0});
        for (int k : drums)
            t.ev(k == drums[0] ? 180 : 0, {0x89, k, 0});
    }
    return midiFile(0, 480, {t.end()});
}

// One note of `program` on channel 0, key and velocity given, held for
// `heldQuarters` quarters, then `restQuarters` of silence (120 beats a minute,
// no tempo event: the default tempo).
inline QByteArray singleNoteMidi(int program, int key, int velocity, int heldQuarters, int restQuarters) {
    MidiTrack t;
    t.ev(0, {0xC0, program}).ev(0, {0x90, key, velocity}).ev(uint32_t(480 * heldQuarters), {0x80, key, 0});
    return midiFile(0, 480, {t.end(uint32_t(480 * restQuarters))});
}

}  // namespace vb2test
