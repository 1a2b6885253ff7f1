#include "media/Decoder.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vb2media {

void Decoder::setDuration(double seconds, int rate) {
    duration_ = std::max(0.0, seconds);
    length_ = std::llround(duration_ * rate);
    // Decoders may deliver a few milliseconds less than the header announces
    // (resampler edges, encoder padding); that much is made up with silence so
    // the file plays exactly for its duration. A truncated file just ends.
    padLimit_ = rate / 10;
}

int Decoder::read(float *out, int frames) {
    const int64_t left = length_ - pos_;
    if (left <= 0 || frames <= 0)
        return 0;
    const int want = int(std::min<int64_t>(frames, left));
    int n = 0;
    while (n < want) {
        const int got = readRaw(out + size_t(n) * 2, want - n);
        if (got <= 0)
            break;
        n += got;
    }
    if (n < want && length_ - (pos_ + n) <= padLimit_) {
        std::memset(out + size_t(n) * 2, 0, size_t(want - n) * 2 * sizeof(float));
        n = want;
    } else if (n < want) {
        length_ = pos_ + n;  // the data ended early: this is the end
    }
    pos_ += n;
    return n;
}

void Decoder::seek(int64_t frame) {
    pos_ = std::clamp<int64_t>(frame, 0, length_);
    seekRaw(pos_);
}

bool looksLikeMidi(const QString &path) {
    // Unbuffered: four bytes, not a buffer's 16 KiB of a file that may be cold.
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return false;
    return f.read(4) == "MThd";
}

std::unique_ptr<Decoder> openDecoder(const QString &path, int rate) {
    if (looksLikeMidi(path))
        return openMidiDecoder(path, rate);
    return openFfmpegDecoder(path, rate);
}

}  // namespace vb2media
