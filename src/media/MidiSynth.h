#pragma once
// The General MIDI soundfont, read once and shared by the synthesisers of
// every MIDI player, and synthesisers kept ready for the next files: reading
// the soundfont takes tens of milliseconds and megabytes that each player
// would otherwise spend again.
#include <QString>
#include <cstdint>
#include <memory>

typedef struct _fluid_synth_t fluid_synth_t;
typedef struct _fluid_hashtable_t fluid_settings_t;
typedef struct _fluid_sfont_t fluid_sfont_t;

namespace vb2media {

class MidiSynth {
  public:
    MidiSynth(fluid_sfont_t *font, int rate);
    ~MidiSynth();
    MidiSynth(const MidiSynth &) = delete;
    MidiSynth &operator=(const MidiSynth &) = delete;

    bool ok() const { return synth_ != nullptr; }
    fluid_synth_t *get() const { return synth_; }
    fluid_sfont_t *font() const { return font_; }
    int rate() const { return rate_; }
    bool used() const { return written_ > 0; }
    // Renders `frames` stereo frames; messages sent before take effect at the
    // synthesiser's next block of 64 frames.
    void write(float *out, int frames);
    // Every note and controller back to the start; what was rendered ahead of
    // the next block is drained, so the blocks start at the next frame written.
    void reset();

  private:
    fluid_settings_t *settings_ = nullptr;
    fluid_synth_t *synth_ = nullptr;
    fluid_sfont_t *font_;
    int rate_;
    int64_t written_ = 0;
};

// Starts reading the soundfont on a thread of its own (once) and readies a
// synthesiser for `rate`; returns at once.
void preloadMidi(int rate);
// The same when `path` is named as a MIDI file is and nothing was read yet:
// the soundfont is read while a MIDI file is listed or cued, never at start-up
// for a station that plays none. Costs no file access.
void preloadMidiFor(const QString &path, int rate);
// A synthesiser with the soundfont that has played nothing yet; waits for a
// reading under way. Null when the soundfont cannot be read.
std::unique_ptr<MidiSynth> takeMidiSynth(int rate);
// One like `like` (its soundfont, its rate) that has played nothing yet.
std::unique_ptr<MidiSynth> takeMidiSynth(const MidiSynth &like);
// How many times a soundfont file was read in this process.
int soundFontReads();
// Whether a synthesiser for `rate` stands ready, the soundfont read.
bool midiSynthReady(int rate);

}  // namespace vb2media
