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
// A server's stream is written about 200 ms ahead, so that a busy machine
// keeping the server or us off the CPU that long loses no sound. A change
// (start, stop, level) must still be heard at once: the mixer keeps each
// source's state at every 10 ms block it wrote, and when a change comes it
// goes back to the first block not yet sounding, applies the change there and
// mixes again what follows, which the output writes over its queue. Rings keep
// what was read until it is sounding. Positions and ends of stream are told
// from that first block, not from what was mixed ahead.
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

// First thing in main, before any thread starts: PULSE_LATENCY_MSEC (what a
// station sets for every PulseAudio client) becomes the length of the queue
// the engine keeps on the server, and leaves the environment, because the
// client library would otherwise let the server size its own buffers from it
// and a change would then be heard that much later on PipeWire.
void takeServerQueueSetting();

class AudioEngine {
  public:
    static constexpr int kRate = 48000;
    static constexpr int kBufferFrames = 480;  // 10 ms
    // A change written over the queue starts on such a block.
    static constexpr int kBlock = 480;
    // Blocks whose state is kept, and the most a rewrite may go back (250 ms).
    static constexpr int kHistory = 64;
    static constexpr int kMaxRewrite = 12000;

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
    // For an output that writes ahead, before each write: the last `unheard`
    // frames written are not sounding yet. Returns how many of them are to be
    // mixed again and written over (a change lands there), 0 when none.
    int sync(int unheard);
    void countUnderrun() { underruns_.fetch_add(1, std::memory_order_relaxed); }
    void wakeEvents();  // lock-free
    // Lock-free, any thread: an output that writes ahead takes the newest
    // changes now rather than at its next write.
    void kick();

  private:
    // Made whole on the control side before it is swapped in; the mixer only reads it.
    struct MixList {
        std::vector<Source *> items;
    };

    AudioEngine();
    ~AudioEngine();
    // Opens an output (SDL's devices too when `withSdl`); false, with the reason, when none opens.
    bool openDeviceLocked(bool withSdl, QString *why);
    // `tell`: the players learn where the mix stood (not while the engine ends).
    void closeDeviceLocked(bool tell);
    void endWritingAhead(bool tell);
    void checkOutputLocked();
    void eventLoop();
    void deliverEnds();
    void swapMixList(const std::vector<Source *> &sources);
    static void outputCallback(void *self, float *out, int frames);
    static void outputFailed(void *self);
    static int outputSync(void *self, int unheard);
    void mixFrames(Source *const *sources, size_t count, float *out, int frames, bool ahead);
    void keepAt(Source *const *sources, size_t count);
    int64_t keptBefore(int64_t frame) const;
    void goBack(Source *const *sources, size_t count, int64_t from, int64_t to);

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
    // Mixer side (and control while no callback can run).
    int64_t head_ = 0;   // frames mixed; goes back on a rewrite
    int64_t floor_ = 0;  // the first frame not yet sounding, as the output last told
    bool takeNext_ = false;
    std::atomic<bool> writingAhead_{false};
    int wakeFd_ = -1;  // eventfd an output that writes ahead waits on
    struct KeptAt {
        int64_t block = -1;
        int64_t frame = 0;  // the block's start, or where a change was taken in it
    };
    std::vector<KeptAt> keptAt_;
    std::vector<float> discard_;
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
    // sounds at once. A measure-only source opens no decoder where
    // the length can be read without one; it opens it at start(). VbError:
    // nothing is open then.
    void open(const QString &path, bool measureOnly = false);
    void close();
    bool isOpen() const { return open_; }
    double duration() const { return duration_; }
    int64_t lengthFrames() const { return length_; }

    // Pre-rolls the buffer from `frame` while halted, so a later start(frame)
    // sounds at once.
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
    // A new level is written over the output's queue at once, as a start or a stop is.
    void setGain(float gain) {
        targetGain_.store(gain, std::memory_order_relaxed);
        engine_.kick();
    }

    // Mixer side. `at` is the engine's frame count where `out` starts.
    void mix(float *out, int frames, float *scratch, int64_t at, bool ahead);
    void takeState();
    // A state or a level not yet taken.
    bool changePending() const;
    // Keeping and going back to the state at a block's start.
    void keepBlock(int64_t block);
    void restoreBlock(int64_t block);
    // Positions, playing and ends as of a kept block (writing ahead), or as
    // mixed so far; the ring is released up to there.
    void publishBlock(int64_t block, int64_t floor);
    void publishHead();
    // The output that wrote ahead is gone (no callback runs): as mixed so far.
    void endWritingAhead();
    // Where the ring ran dry while writing ahead, if sound has come since
    // (mix again from there); a hole reached by `floor` is counted and dropped.
    int64_t refillFrom(int64_t floor);
    // Event thread.
    void deliverEnd();
    // Offline render, control thread: decodes until the ring holds `frames`
    // and a fade-out's worth more, as the decoder thread keeps it in real time.
    void fillAhead(int frames);
    // Benchmarks: monotonic nanoseconds when the first frame after start() was mixed.
    int64_t firstMixNs() const { return firstMixNs_.load(); }

  private:
    // What is kept to be read again while writing ahead, and 340 ms beyond.
    static constexpr int kRingFrames = 16384 + AudioEngine::kMaxRewrite;
    static constexpr int kRefillAt = 8192;  // free frames that start the decoder
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
        bool pending() const { return mid_.load(std::memory_order_acquire) & kDirty; }
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

    // Mixer side: what a rewrite goes back to.
    struct Mix {
        State st;
        bool active = false;
        float gain = 0;
        float rampTarget = -1;
        float rampStep = 0;
        int rampLeft = 0;
        float tail[kTail * 2] = {};
        int tailLen = 0;
        int tailPos = 0;
        bool firstPending = false;
        int64_t pos = 0;
        int64_t endGen = -1;  // the file played to its end in this state
        int64_t endAt = 0;    // at this engine frame
    };
    struct Kept {
        int64_t block = -1;
        uint64_t ringRead = 0;
        Mix mix;
    };
    void publish(const Mix &m);

    Mix ms_;
    std::vector<Kept> kept_;  // AudioEngine::kHistory, made before the mixer runs
    float tailNext_[kTail * 2] = {};
    float gainTarget_ = 1.0f;  // the level as last taken
    int64_t endTold_ = -1;
    int64_t dryAt_ = -1;  // frame where the ring ran dry while writing ahead

    // Shared.
    std::atomic<uint64_t> applied_{0};
    std::atomic<int64_t> firstMixNs_{0};
    std::atomic<float> targetGain_{1.0f};
    std::atomic<int64_t> pos_{0};
    std::atomic<bool> playing_{false};
    std::atomic<uint32_t> gen_{0};
    std::atomic<int64_t> pendingEnd_{-1};
    std::atomic<bool> dry_{false};  // the decoder wakes the output once it has filled

    std::thread worker_;
};

}  // namespace vb2media
