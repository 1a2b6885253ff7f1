#pragma once
// A Standard MIDI File read into one timeline: channel messages with their
// times in seconds (tempo map applied) and the file's length from its own tick
// count, which is where playback ends.
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

// False when the bytes are not a MIDI file at all (no valid header).
bool parseMidi(const QByteArray &bytes, MidiSong &song);

}  // namespace vb2media
