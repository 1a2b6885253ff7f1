#pragma once
// A Standard MIDI File read into one timeline: channel messages with their
// times in seconds (tempo map applied) and the file's length from its own tick
// count, which is where playback ends.
//
// Reading costs time in proportion to the file's size: the tempo map is walked
// once, alongside the events in time order.
#include <QByteArray>
#include <cstdint>
#include <vector>

namespace vb2media {

struct MidiMessage {
    double seconds;
    uint8_t status;
    uint8_t data1;
    uint8_t data2;
};

struct MidiSong {
    std::vector<MidiMessage> messages;  // in time order
    double seconds = 0;                 // time of the last event of any track
    bool damaged = false;               // a chunk or track ended early; what came before is kept
};

// Larger files are refused unread: real songs are a few hundred kilobytes,
// and playing costs about 40 bytes an event (up to three events a byte).
constexpr int64_t kMaxMidiBytes = 8 * 1024 * 1024;
// A longer song comes from a damaged file (deltas and tempos far out of range).
constexpr double kMaxMidiSeconds = 24 * 3600;

// False when the bytes are not a MIDI file at all (no valid header).
bool parseMidi(const QByteArray &bytes, MidiSong &song);

// The length in seconds of a file that holds something to play (a note, a
// length within kMaxMidiSeconds), without keeping its events: memory for its
// tempo changes only. False when it is no MIDI file or there is nothing to play.
// Gives exactly the length parseMidi gives.
bool measureMidi(const QByteArray &bytes, double &seconds);

// Whether a song read by parseMidi can be played (see measureMidi).
bool playable(const MidiSong &song);

}  // namespace vb2media
