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

}  // namespace vb2media
