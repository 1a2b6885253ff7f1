#pragma once
// A decoder turns one file into interleaved stereo float frames at the engine's
// rate. It runs on the source's decoder thread (and on the caller's thread while
// the file is opened or sought), never in the audio callback.
#include <QString>
#include <cstdint>
#include <memory>

namespace vb2media {

class Decoder {
  public:
    virtual ~Decoder() = default;

    // Seconds the file plays for; reads stop exactly there.
    double duration() const { return duration_; }
    int64_t lengthFrames() const { return length_; }

    // Up to `frames` frames; fewer only at the end (then 0 on every later call).
    int read(float *out, int frames);
    // The next read starts at `frame` (clamped to the length).
    void seek(int64_t frame);

  protected:
    void setDuration(double seconds, int rate);
    virtual int readRaw(float *out, int frames) = 0;
    virtual void seekRaw(int64_t frame) = 0;

  private:
    double duration_ = 0;
    int64_t length_ = 0;
    int64_t pos_ = 0;
    int64_t padLimit_ = 0;
};

// Opens and checks a file: its length is known and its first audio decoded.
// Throws VbError when it cannot be opened or decoded.
std::unique_ptr<Decoder> openDecoder(const QString &path, int rate);

// The FFmpeg decoder (MP3, WMA, WAV and whatever else FFmpeg reads) and the
// MIDI renderer; both throw VbError.
std::unique_ptr<Decoder> openFfmpegDecoder(const QString &path, int rate);
std::unique_ptr<Decoder> openMidiDecoder(const QString &path, int rate);
bool looksLikeMidi(const QString &path);
QString soundFontPath();

// The length of a file that can be measured without opening a decoder (plain
// WAV, MPEG audio with a run of valid frames, MIDI with the soundfont present,
// or any file measured before and unchanged since). False: open a decoder.
bool quickMeasure(const QString &path, double &seconds);

}  // namespace vb2media
