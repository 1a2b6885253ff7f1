#pragma once
// The audio engine under MediaPlayer: one output stream, one mixer, one source
// per player.
//
// Threads, and what each may wait for:
// - Control (the thread calling MediaPlayer) opens files, seeks, starts and
//   halts sources. It shares each source's decoder mutex with that source's
//   decoder thread, and the output mutex with the event thread; the mixer takes
//   neither.
// - A decoder thread per source fills the source's current ring ahead of the mixer.
// - The mixer (the output's audio callback; in offline mode render() on the
//   control thread) never locks, allocates, logs or does I/O. Control publishes each
//   source's whole playback state (ring, start frame, generation, playing or
//   not) through a lock-free triple buffer, newest wins; at the start of each
//   callback the mixer takes the newest, fades out what it replaces, and
//   acknowledges it by sequence number. Control resets and refills a ring only
//   once the mixer has acknowledged a state that no longer reads it, so every
//   ring has one writer and one reader at any moment.
// - The mix list is an immutable array swapped atomically; control frees the
//   old one once the mixer's callback counter shows it left the callback that
//   could have seen it.
// - The event thread hands ends of stream to the players and reopens a lost
//   output (a server restarted or gone, a device unplugged) until one opens.
// While no callback can run (offline, or no output open) control applies the
// state it publishes itself, holding the output mutex so no output opens meanwhile.
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

class AudioOutput;
class Decoder;
class Source;

class AudioEngine {
  public:
    static constexpr int kRate = 48000;
    static constexpr int kBufferFrames = 480;  // 10 ms

    static AudioEngine &instance();

    int rate() const { return kRate; }
    // Opens the output when it is not running (not in offline mode): a stream
    // on the sound server, else a sound device; SDL's dummy driver only when
    // SDL_AUDIODRIVER names it. VbError when no output can be opened: nothing
    // plays silently then, and the next call tries again.
    void ensureRunning();
    // Opens the server's stream on the event thread when no output is open, so
    // that the first Play finds it linked and running; one attempt, no error.
    void prepareOutput();
    // Offline mode (tests, benchmarks): the device is closed and the mix is
    // pulled by render() on the control thread.
    void setOffline(bool offline);
    bool offline() const { return offline_.load(); }
    // Mixes `frames` frames into `out` (stereo, interleaved) in offline mode,
    // decoding ahead as needed, then hands over the ends of stream it found.
    void render(float *out, int frames);

    // "pulseaudio", "pipewire", an SDL driver's name, or "offline"; empty while none is open.
    QString driverName() const;
    int bufferFrames() const { return obtainedFrames_.load(); }
    // Seconds from the mixer to the sound, as the server reports it; 0 while no output is open.
    double outputLatency() const;
    // Times the server ran out of sound, over every output opened so far.
    uint64_t serverUnderflows() const;
    // Whether the audio thread got real-time priority.
    bool realtime() const;
    uint64_t callbacks() const { return callbacks_.load(); }
    // Mixes begun so far (one under way counts).
    uint64_t mixesBegun() const { return (mixEpoch_.load() + 1) / 2; }
    // Times a source's ring had less sound than the mixer needed.
    uint64_t underruns() const { return underruns_.load(); }
    uint64_t reopens() const { return reopens_.load(); }
    // Test hook: behave as if the output had been lost.
    void simulateDeviceLoss() { lost_.store(true); }
    // Test hook: the decoders fill nothing ahead while held, as a slow disk holds them back.
    void holdDecoders(bool hold) { decodersHeld_.store(hold); }
    bool decodersHeld() const { return decodersHeld_.load(std::memory_order_relaxed); }

    void addSource(Source *s);
    void removeSource(Source *s);
    // Control side: when no callback can run, the source's newest state is
    // applied at once.
    void applyIfIdle(Source *s);

    // Audio-thread side.
    void mix(float *out, int frames);
    void countUnderrun() { underruns_.fetch_add(1, std::memory_order_relaxed); }
    void wakeEvents();  // lock-free

  private:
    // Made whole on the control side before it is swapped in; the mixer only reads it.
    struct MixList {
        std::vector<Source *> items;
    };

    AudioEngine();
    ~AudioEngine();
    // Opens an output (SDL's devices too when `withSdl`); false, with the reason, when none opens.
    bool openDeviceLocked(bool withSdl, QString *why);
    void closeDeviceLocked();
    void checkOutputLocked();
    void eventLoop();
    void deliverEnds();
    void swapMixList(const std::vector<Source *> &sources);
    static void outputCallback(void *self, float *out, int frames);
    static void outputFailed(void *self);

    mutable std::mutex outMtx_;  // control and event thread only; guards what follows up to offline_
    std::unique_ptr<AudioOutput> out_;
    QString driver_;
    bool wanted_ = false;       // an output ran: a lost one is opened again
    bool retryServer_ = false;  // a Play found no output: the server's is tried again in the background
    int attempts_ = 0;          // reopening attempts since the output was lost
    uint64_t underflowsBefore_ = 0;
    std::atomic<bool> offline_{false};
    std::atomic<bool> lost_{false};
    std::atomic<bool> prepare_{false};
    std::atomic<bool> decodersHeld_{false};
    std::atomic<int> obtainedFrames_{kBufferFrames};
    std::atomic<uint64_t> callbacks_{0};
    std::atomic<uint64_t> underruns_{0};
    std::atomic<uint64_t> reopens_{0};

    std::atomic<MixList *> mixList_;
    std::atomic<uint64_t> mixEpoch_{0};  // odd while the mixer is inside a callback
    std::vector<float> scratch_;
    std::mutex regMtx_;  // control and event thread only
    std::vector<Source *> all_;

    struct EventSignal;
    std::unique_ptr<EventSignal> events_;
    std::atomic<bool> quit_{false};
    std::thread eventThread_;
};

// One player's stream: its decoder, the decoder thread and the rings it fills,
// and the mixer's view (state, position, gain ramp).
class Source {
  public:
    using EndHandler = std::function<void(uint32_t generation)>;

    explicit Source(EndHandler onEnd);
    ~Source();
    Source(const Source &) = delete;
    Source &operator=(const Source &) = delete;

    // Opens a file, checks it and pre-rolls its first buffer, so that start(0)
    // sounds at the next callback. A measure-only source opens no decoder where
    // the length can be read without one; it opens it at start(). VbError:
    // nothing is open then.
    void open(const QString &path, bool measureOnly = false);
    void close();
    bool isOpen() const { return open_; }
    double duration() const { return duration_; }
    int64_t lengthFrames() const { return length_; }

    // Pre-rolls the buffer from `frame` while halted, so a later start(frame)
    // sounds at the next callback.
    void cue(int64_t frame);
    // Starts (or restarts) playback at `frame`.
    void start(int64_t frame);
    // Ends playback; the sound fades out over a few milliseconds.
    void halt();
    // The frame playing now (the start frame until the mixer has taken it).
    int64_t position() const;
    // False again once the file has played to its end.
    bool playing() const;
    uint32_t generation() const { return gen_.load(); }
    void setGain(float gain) { targetGain_.store(gain, std::memory_order_relaxed); }

    // Mixer side.
    void mix(float *out, int frames, float *scratch);
    void takeState();
    // Event thread.
    void deliverEnd();
    // Offline render, control thread: decodes until the ring holds `frames`
    // and a fade-out's worth more, as the decoder thread keeps it in real time.
    void fillAhead(int frames);
    // Benchmarks: monotonic nanoseconds when the first frame after start() was mixed.
    int64_t firstMixNs() const { return firstMixNs_.load(); }

  private:
    static constexpr int kRingFrames = 16384;
    static constexpr int kChunk = 1024;
    static constexpr int kPreroll = 2048;
    static constexpr int kRamp = 240;  // 5 ms at 48 kHz
    static constexpr int kTail = 240;

    // A ring of decoded sound and whether its content has reached the file's end.
    struct Slot {
        FrameRing ring{kRingFrames};
        std::atomic<bool> ended{false};
        uint64_t busyUntil = 0;  // control: the mixer may read it until it acknowledges this sequence
    };

    // What the mixer plays: written whole by control, taken whole by the mixer.
    struct State {
        uint64_t seq = 0;
        Slot *slot = nullptr;
        int64_t frame = 0;
        uint32_t gen = 0;
        bool active = false;
    };

    // Single writer, single reader; the reader gets the newest state written.
    class Mailbox {
      public:
        void publish(const State &s) {
            buf_[back_] = s;
            back_ = mid_.exchange(back_ | kDirty, std::memory_order_acq_rel) & 3;
        }
        bool take(State &out) {
            if (!(mid_.load(std::memory_order_acquire) & kDirty))
                return false;
            front_ = mid_.exchange(front_, std::memory_order_acq_rel) & 3;
            out = buf_[front_];
            return true;
        }

      private:
        static constexpr int kDirty = 4;
        State buf_[3];
        int back_ = 0;
        int front_ = 1;
        std::atomic<int> mid_{2};
    };

    void workerLoop();
    Slot *freeSlotLocked();
    void fillLocked(Slot *slot, int64_t frame, bool seek);
    void installLocked(std::unique_ptr<Decoder> dec);
    void publishLocked(Slot *slot, bool active, int64_t frame);
    void apply(const State &s);
    void captureTail();

    AudioEngine &engine_;
    EndHandler onEnd_;

    // Control and decoder side, guarded by decMtx_.
    std::mutex decMtx_;
    std::condition_variable cv_;
    std::unique_ptr<Decoder> dec_;
    std::vector<std::unique_ptr<Slot>> slots_;
    Slot *cur_ = nullptr;   // the ring the decoder fills
    Slot *live_ = nullptr;  // the ring the newest published state plays
    std::vector<float> chunk_;
    bool quit_ = false;
    bool armed_ = false;  // decode ahead only once the file was started (the probe never is)
    bool lazy_ = false;   // measured only; the decoder opens when playback starts
    QString path_;
    bool ringFresh_ = false;  // cur_ holds the file from ringStart_, none of it played
    int64_t ringStart_ = 0;

    // Control side.
    bool open_ = false;
    double duration_ = 0;
    int64_t length_ = 0;
    Mailbox mailbox_;
    uint64_t pubSeq_ = 0;
    int64_t pubFrame_ = 0;
    bool pubActive_ = false;

    // Mixer side.
    State st_;
    bool active_ = false;
    float gain_ = 0;
    float rampTarget_ = -1;
    float rampStep_ = 0;
    int rampLeft_ = 0;
    float tail_[kTail * 2] = {};
    float tailNext_[kTail * 2] = {};
    int tailLen_ = 0;
    int tailPos_ = 0;
    bool firstPending_ = false;

    // Shared.
    std::atomic<uint64_t> applied_{0};
    std::atomic<int64_t> firstMixNs_{0};
    std::atomic<float> targetGain_{1.0f};
    std::atomic<int64_t> pos_{0};
    std::atomic<bool> playing_{false};
    std::atomic<uint32_t> gen_{0};
    std::atomic<int64_t> pendingEnd_{-1};

    std::thread worker_;
};

}  // namespace vb2media
