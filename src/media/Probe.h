#pragma once
// Fast measurement of files without decoding them.
#include <QString>
#include <cstdint>

namespace vb2media {

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

// A WAV file's plain PCM or float data: where it lies and how it is laid out.
struct WavInfo {
    bool valid = false;     // RIFF/WAVE with fmt and data chunks
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

// Durations already measured, keyed by path, size and modification time: the
// console measures thousands of files each time a playlist is chosen.
bool cachedDuration(const QString &path, double &seconds);
void rememberDuration(const QString &path, double seconds);

}  // namespace vb2media
