#pragma once
// The audio engine under MediaPlayer: one output stream, one mixer, one source
// per player. Real-time rules: the mixer (audio callback) never locks,
// allocates, logs or does I/O; decoder threads fill lock-free rings ahead of it
// and commands reach it under the output's lock, which is held only for a few
// field writes, never while decoding.
#include <QString>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "media/RingBuffer.h"

namespace vb2media {

class Decoder;
class Source;

class AudioEngine {
  public:
    static constexpr int kRate = 48000;
    static constexpr int kBufferFrames = 480;  // 10 ms

    static AudioEngine &instance();

    int rate() const { return kRate; }
    // Opens the output when it is not running (not in offline mode): the sound
    // device, or SDL's dummy driver in real time when there is none. VbError
    // when no output at all can run.
    void ensureRunning();
    // Offline mode (tests, benchmarks): the device is closed and the mix is
    // pulled by render() on the caller's thread.
    void setOffline(bool offline);
    bool offline() const { return offline_.load(); }
    // Mixes `frames` frames into `out` (stereo, interleaved) in offline mode,
    // decoding ahead as needed, then hands over the ends of stream it found.
    void render(float *out, int frames);

    QString driverName() const;
    int bufferFrames() const { return obtainedFrames_.load(); }
    uint64_t callbacks() const { return callbacks_.load(); }
    uint64_t underruns() const { return underruns_.load(); }
    uint64_t reopens() const { return reopens_.load(); }
    // Test hook: behave as if the device had been lost.
    void simulateDeviceLoss() { lost_.store(true); }

    // Keeps the mixer out while a source's playback state changes.
    void lock();
    void unlock();

    void addSource(Source *s);
    void removeSource(Source *s);

    // Audio-thread side.
    void mix(float *out, int frames);
    void countUnderrun() { underruns_.fetch_add(1, std::memory_order_relaxed); }
    void wakeEvents();  // lock-free

  private:
    AudioEngine();
    ~AudioEngine();
    void openDeviceLocked();
    void closeDeviceLocked();
    void eventLoop();
    void deliverEnds();
    static void sdlCallback(void *self, uint8_t *stream, int len);

    std::mutex outMtx_;
    uint32_t dev_ = 0;
    std::atomic<bool> offline_{false};
    std::atomic<bool> lost_{false};
    std::atomic<int> obtainedFrames_{kBufferFrames};
    std::atomic<uint64_t> callbacks_{0};
    std::atomic<uint64_t> underruns_{0};
    std::atomic<uint64_t> reopens_{0};
    QString driver_;

    std::vector<Source *> mixList_;  // changed only under lock()
    std::vector<float> scratch_;
    std::mutex regMtx_;
    std::vector<Source *> all_;

    struct EventSignal;
    std::unique_ptr<EventSignal> events_;
    std::atomic<bool> quit_{false};
    std::thread eventThread_;
};

// One player's stream: its decoder, the decoder thread and the ring it fills,
// and the mixer's view (state, position, gain ramp).
class Source {
  public:
    using EndHandler = std::function<void(uint32_t generation)>;

    explicit Source(EndHandler onEnd);
    ~Source();
    Source(const Source &) = delete;
    Source &operator=(const Source &) = delete;

    // Opens a file and decodes its first buffer. VbError: nothing is open then.
    void open(const QString &path);
    void close();
    bool isOpen() const { return open_; }
    double duration() const { return duration_; }
    int64_t lengthFrames() const { return length_; }

    // Starts (or restarts) playback at `frame`.
    void start(int64_t frame);
    // Ends playback; the sound fades out over a few milliseconds.
    void halt();
    int64_t position() const { return pos_.load(std::memory_order_acquire); }
    // False again once the file has played to its end.
    bool playing() const { return playing_.load(std::memory_order_acquire); }
    uint32_t generation() const { return gen_.load(); }
    void setGain(float gain) { targetGain_.store(gain, std::memory_order_relaxed); }

    // Engine side.
    void mix(float *out, int frames, float *scratch);
    void deliverEnd();
    void fillAhead(int frames);
    // Benchmarks: monotonic nanoseconds when the first frame after start() was mixed.
    int64_t firstMixNs() const { return firstMixNs_.load(); }

  private:
    static constexpr int kRingFrames = 16384;
    static constexpr int kChunk = 1024;
    static constexpr int kPreroll = 2048;
    static constexpr int kRamp = 240;  // 5 ms at 48 kHz
    static constexpr int kTail = 240;

    void workerLoop();
    void prerollLocked();
    void installLocked(std::unique_ptr<Decoder> dec);
    void stopLocked();  // under the engine lock
    void captureTailLocked();

    AudioEngine &engine_;
    EndHandler onEnd_;
    FrameRing ring_{kRingFrames};

    // Decoder side, guarded by decMtx_.
    std::mutex decMtx_;
    std::condition_variable cv_;
    std::unique_ptr<Decoder> dec_;
    std::vector<float> chunk_;
    bool quit_ = false;
    bool armed_ = false;
    bool lazy_ = false;       // measured only; the decoder opens when playback starts
    QString path_;            // decode ahead only once the file was started (the probe never is)
    bool ringFresh_ = false;  // the ring holds the file from ringStart_, untouched
    int64_t ringStart_ = 0;
    std::atomic<bool> decEnded_{false};

    // UI side.
    bool open_ = false;
    double duration_ = 0;
    int64_t length_ = 0;

    // Mixer side (written by others only under the engine lock).
    bool active_ = false;
    float gain_ = 0;
    float rampTarget_ = -1;
    float rampStep_ = 0;
    int rampLeft_ = 0;
    float tail_[kTail * 2] = {};
    int tailLen_ = 0;
    int tailPos_ = 0;
    bool firstPending_ = false;
    std::atomic<int64_t> firstMixNs_{0};
    std::atomic<float> targetGain_{1.0f};
    std::atomic<int64_t> pos_{0};
    std::atomic<bool> playing_{false};
    std::atomic<uint32_t> gen_{0};
    std::atomic<int64_t> pendingEnd_{-1};

    std::thread worker_;
};

}  // namespace vb2media
