#pragma once
// The engine's mix pulled offline, one output buffer at a time as the device would pull it.
#include <algorithm>
#include <cmath>
#include <vector>

#include "media/AudioEngine.h"

namespace vb2test {

// `seconds` of the mix, stereo interleaved.
inline std::vector<float> renderOffline(double seconds) {
    using vb2media::AudioEngine;
    std::vector<float> out(size_t(std::llround(seconds * AudioEngine::kRate)) * 2);
    for (size_t at = 0; at < out.size(); at += size_t(AudioEngine::kBufferFrames) * 2)
        AudioEngine::instance().render(
            out.data() + at, int(std::min<size_t>(AudioEngine::kBufferFrames, (out.size() - at) / 2)));
    return out;
}

}  // namespace vb2test
