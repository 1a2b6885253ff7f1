#pragma once
// Fast measurement of files without decoding them. Every reader here costs time
// in proportion to the bytes it looks at and a fixed buffer of memory, whatever
// the bytes hold; a file cut short while it is read gives a short read, never a fault.
#include <QString>
#include <cstdint>

namespace vb2media {

// What a sound file can hold. A header outside these bounds is damage: the
// file is refused when it is listed, before anything grows with its numbers.
constexpr int kMinSampleRate = 1000;
constexpr int kMaxSampleRate = 768000;
constexpr int kMaxChannels = 64;
// Longer than any show runs (115 days), shorter than any header's overflow.
constexpr double kMaxSeconds = 1e7;

inline bool saneRate(int64_t rate) {
    return rate >= kMinSampleRate && rate <= kMaxSampleRate;
}
inline bool saneChannels(int64_t channels) {
    return channels >= 1 && channels <= kMaxChannels;
}
inline bool saneSeconds(double seconds) {
    return seconds >= 0 && seconds <= kMaxSeconds;
}

struct MpegInfo {
    bool valid = false;      // a run of valid MPEG audio frames was found
    bool hasHeader = false;  // Xing/Info or VBRI frame count
    int sampleRate = 0;
    int64_t frames = 0;  // MPEG frames holding audio
    double seconds = 0;  // what the decoder plays, encoder delay and padding removed
};

// Reads an MPEG audio file's length from its Xing/Info (with the LAME delay and
// padding) or VBRI header, or else by walking every frame header.
MpegInfo scanMpeg(const QString &path);
MpegInfo scanMpeg(const uint8_t *data, size_t size);
// How many files scanMpeg(path) has read (tests and benchmarks check that a
// file is measured once).
uint64_t mpegScans();

// A WAV file's plain PCM or float data: where it lies and how it is laid out.
struct WavInfo {
    bool riffWave = false;  // the file says it is RIFF/WAVE
    bool valid = false;     // ... and holds fmt and data chunks that fit in the file
    bool plainPcm = false;  // integer PCM or IEEE float, which FFmpeg's raw demuxers read
    int formatTag = 0;
    int channels = 0;
    int sampleRate = 0;
    int bitsPerSample = 0;
    int blockAlign = 0;
    int64_t dataOffset = 0;
    int64_t dataBytes = 0;  // clipped to the file
    double seconds = 0;
    const char *rawFormat = nullptr;  // FFmpeg's demuxer for the data ("s16le", ...)
};

WavInfo readWavHeader(const QString &path);

// A Windows Media (ASF) file's first audio stream and length, from its header.
struct AsfInfo {
    bool asf = false;    // the file begins with an ASF header object
    bool valid = false;  // ... holding file properties and an audio stream
    // ... whose objects lie about their sizes, or that lacks the file
    // properties every ASF file has
    bool broken = false;
    int formatTag = 0;  // 0x160 WMA 1, 0x161 WMA 2, ...
    int channels = 0;
    int sampleRate = 0;
    int frameLength = 0;  // samples in one codec frame, where every frame has the same (WMA 1, 2)
    // The length of the sound a decoder gives: the header's play time less the
    // preroll, less the codec's first frame, which WMA 1 and 2 decoders give no
    // sound for (the header counts it); of a file cut short, the share its
    // packets hold.
    double seconds = 0;
};

AsfInfo readAsfHeader(const QString &path);

// Lengths already measured, keyed by path, size and modification time, and kept
// on disk between runs (media/Measure.h): the console measures thousands of
// files each time a playlist is chosen.
bool cachedDuration(const QString &path, double &seconds);
void rememberDuration(const QString &path, double seconds);

}  // namespace vb2media
