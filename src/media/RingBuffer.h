#pragma once
// Single-producer, single-consumer ring of interleaved stereo float frames.
// The decoder thread writes, the mixer reads; neither side ever blocks. What
// the reader has read stays in the ring until it releases it, so that it can
// go back and read it again (a mix written ahead is mixed again from there).
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <vector>

namespace vb2media {

class FrameRing {
  public:
    explicit FrameRing(size_t capacityFrames) : buf_(capacityFrames * 2), cap_(capacityFrames) {}

    size_t capacity() const { return cap_; }
    // Consumer side.
    size_t readable() const {
        return size_t(w_.load(std::memory_order_acquire) - r_.load(std::memory_order_relaxed));
    }
    // Producer side.
    size_t writable() const {
        return cap_ - size_t(w_.load(std::memory_order_relaxed) - floor_.load(std::memory_order_acquire));
    }

    size_t write(const float *src, size_t frames) {
        frames = std::min(frames, writable());
        const uint64_t w = w_.load(std::memory_order_relaxed);
        const size_t at = size_t(w % cap_);
        const size_t first = std::min(frames, cap_ - at);
        std::memcpy(&buf_[at * 2], src, first * 2 * sizeof(float));
        if (frames > first)
            std::memcpy(&buf_[0], src + first * 2, (frames - first) * 2 * sizeof(float));
        w_.store(w + frames, std::memory_order_release);
        return frames;
    }

    size_t read(float *dst, size_t frames) {
        frames = std::min(frames, readable());
        const uint64_t r = r_.load(std::memory_order_relaxed);
        const size_t at = size_t(r % cap_);
        const size_t first = std::min(frames, cap_ - at);
        std::memcpy(dst, &buf_[at * 2], first * 2 * sizeof(float));
        if (frames > first)
            std::memcpy(dst + first * 2, &buf_[0], (frames - first) * 2 * sizeof(float));
        r_.store(r + frames, std::memory_order_release);
        return frames;
    }

    // Consumer side: frames read so far, and going back to an index not yet
    // released (between the last release and what was written).
    uint64_t readIndex() const { return r_.load(std::memory_order_relaxed); }
    void seekRead(uint64_t index) { r_.store(index, std::memory_order_release); }
    // Consumer side: frames before `index` will not be read again.
    void release(uint64_t index) { floor_.store(index, std::memory_order_release); }

    // Only while neither side runs.
    void reset() {
        r_.store(0, std::memory_order_relaxed);
        w_.store(0, std::memory_order_relaxed);
        floor_.store(0, std::memory_order_relaxed);
    }

  private:
    std::vector<float> buf_;
    size_t cap_;
    std::atomic<uint64_t> r_{0};
    std::atomic<uint64_t> w_{0};
    std::atomic<uint64_t> floor_{0};
};

}  // namespace vb2media
