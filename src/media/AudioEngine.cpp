#include "media/AudioEngine.h"

#include <SDL.h>
#include <pthread.h>
#include <semaphore.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>

#include "media/Decoder.h"
#include "media/Probe.h"
#include "platform/VbError.h"

namespace vb2media {

namespace {
int64_t monotonicNs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}
constexpr int kMaxMixFrames = 4096;
}  // namespace

// A POSIX semaphore: posting it is async-signal-safe, so the mixer may wake
// the event thread without locking.
struct AudioEngine::EventSignal {
    sem_t sem;
    EventSignal() { sem_init(&sem, 0, 0); }
    ~EventSignal() { sem_destroy(&sem); }
};

AudioEngine &AudioEngine::instance() {
    static AudioEngine engine;
    return engine;
}

AudioEngine::AudioEngine() : events_(std::make_unique<EventSignal>()) {
    mixList_.reserve(64);
    scratch_.resize(size_t(kMaxMixFrames) * 2);
    eventThread_ = std::thread([this] {
        pthread_setname_np(pthread_self(), "vb2-events");
        eventLoop();
    });
}

AudioEngine::~AudioEngine() {
    quit_.store(true);
    wakeEvents();
    if (eventThread_.joinable())
        eventThread_.join();
    std::lock_guard<std::mutex> g(outMtx_);
    closeDeviceLocked();
}

void AudioEngine::lock() {
    outMtx_.lock();
    if (dev_)
        SDL_LockAudioDevice(dev_);
}

void AudioEngine::unlock() {
    if (dev_)
        SDL_UnlockAudioDevice(dev_);
    outMtx_.unlock();
}

void AudioEngine::addSource(Source *s) {
    {
        std::lock_guard<std::mutex> g(regMtx_);
        all_.push_back(s);
    }
    lock();
    mixList_.push_back(s);
    unlock();
}

void AudioEngine::removeSource(Source *s) {
    lock();
    mixList_.erase(std::remove(mixList_.begin(), mixList_.end(), s), mixList_.end());
    unlock();
    std::lock_guard<std::mutex> g(regMtx_);
    all_.erase(std::remove(all_.begin(), all_.end(), s), all_.end());
}

void AudioEngine::wakeEvents() {
    sem_post(&events_->sem);
}

QString AudioEngine::driverName() const {
    if (offline_.load())
        return QStringLiteral("offline");
    return driver_;
}

void AudioEngine::mix(float *out, int frames) {
    while (frames > 0) {
        const int n = std::min(frames, kMaxMixFrames);
        std::memset(out, 0, size_t(n) * 2 * sizeof(float));
        for (Source *s : mixList_)
            s->mix(out, n, scratch_.data());
        for (int i = 0; i < n * 2; ++i) {
            float v = out[i];
            if (!(v == v))
                v = 0;  // NaN never reaches the device
            out[i] = std::clamp(v, -1.0f, 1.0f);
        }
        out += size_t(n) * 2;
        frames -= n;
    }
}

void AudioEngine::sdlCallback(void *self, uint8_t *stream, int len) {
    auto *e = static_cast<AudioEngine *>(self);
    e->mix(reinterpret_cast<float *>(stream), len / int(2 * sizeof(float)));
    e->callbacks_.fetch_add(1, std::memory_order_relaxed);
}

void AudioEngine::ensureRunning() {
    if (offline_.load())
        return;
    std::lock_guard<std::mutex> g(outMtx_);
    if (!dev_)
        openDeviceLocked();
}

void AudioEngine::openDeviceLocked() {
    SDL_AudioSpec want{};
    want.freq = kRate;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = kBufferFrames;
    want.callback = &AudioEngine::sdlCallback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // The engine's rate and format are fixed; SDL converts for a device that differs.
    if (SDL_WasInit(SDL_INIT_AUDIO) || SDL_InitSubSystem(SDL_INIT_AUDIO) == 0)
        dev_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (!dev_) {
        // No sound device: SDL's dummy driver keeps time without sound.
        if (SDL_WasInit(SDL_INIT_AUDIO))
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
        SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0)
            dev_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    }
    if (!dev_)
        throw VbError(
            QStringLiteral("No sound output can be opened: %1").arg(QString::fromUtf8(SDL_GetError())));
    driver_ = QString::fromUtf8(SDL_GetCurrentAudioDriver());
    obtainedFrames_.store(have.samples ? have.samples : kBufferFrames);
    SDL_PauseAudioDevice(dev_, 0);
}

void AudioEngine::closeDeviceLocked() {
    if (!dev_)
        return;
    SDL_CloseAudioDevice(dev_);
    dev_ = 0;
}

void AudioEngine::setOffline(bool offline) {
    std::lock_guard<std::mutex> g(outMtx_);
    if (offline)
        closeDeviceLocked();
    offline_.store(offline);
}

void AudioEngine::render(float *out, int frames) {
    for (Source *s : mixList_)
        s->fillAhead(frames);
    mix(out, frames);
    deliverEnds();
}

void AudioEngine::deliverEnds() {
    std::lock_guard<std::mutex> g(regMtx_);
    for (Source *s : all_)
        s->deliverEnd();
}

void AudioEngine::eventLoop() {
    while (!quit_.load()) {
        timespec until;
        clock_gettime(CLOCK_REALTIME, &until);
        until.tv_nsec += 250 * 1000000L;
        if (until.tv_nsec >= 1000000000L) {
            until.tv_sec += 1;
            until.tv_nsec -= 1000000000L;
        }
        const bool woken = sem_timedwait(&events_->sem, &until) == 0;
        if (quit_.load())
            break;
        deliverEnds();
        if (woken)
            continue;
        // A lost device: the engine keeps its state and opens an output again.
        std::lock_guard<std::mutex> g(outMtx_);
        if (!dev_ || offline_.load())
            continue;
        if (lost_.exchange(false) || SDL_GetAudioDeviceStatus(dev_) == SDL_AUDIO_STOPPED) {
            closeDeviceLocked();
            try {
                openDeviceLocked();
                reopens_.fetch_add(1);
            } catch (const std::exception &) {
                // Tried again at the next tick.
            }
        }
    }
}

// ---------------------------------------------------------------- Source

Source::Source(EndHandler onEnd) : engine_(AudioEngine::instance()), onEnd_(std::move(onEnd)) {
    chunk_.resize(size_t(std::max(kChunk, kPreroll)) * 2);
    engine_.addSource(this);
    worker_ = std::thread([this] {
        pthread_setname_np(pthread_self(), "vb2-decoder");
        workerLoop();
    });
}

Source::~Source() {
    {
        std::lock_guard<std::mutex> g(decMtx_);
        quit_ = true;
    }
    cv_.notify_all();
    worker_.join();
    engine_.removeSource(this);
}

void Source::captureTailLocked() {
    // What would have played next, faded to zero, so a cut never clicks.
    if (!active_)
        return;
    const int n = int(ring_.read(tail_, kTail));
    for (int i = 0; i < n; ++i) {
        const float env = gain_ * float(kTail - i) / float(kTail);
        tail_[2 * i] *= env;
        tail_[2 * i + 1] *= env;
    }
    tailLen_ = n;
    tailPos_ = 0;
}

void Source::stopLocked() {
    captureTailLocked();
    active_ = false;
    playing_.store(false, std::memory_order_release);
    gen_.fetch_add(1);
    pendingEnd_.store(-1);
}

void Source::prerollLocked() {
    const int n = dec_->read(chunk_.data(), kPreroll);
    ring_.write(chunk_.data(), size_t(n));
    if (n < kPreroll)
        decEnded_.store(true, std::memory_order_release);
}

void Source::open(const QString &path) {
    close();
    double seconds = 0;
    if (quickMeasure(path, seconds)) {
        // Measured and checked without a decoder (the console's probe measures
        // thousands of files); the decoder opens, at the latest, in start().
        std::lock_guard<std::mutex> g(decMtx_);
        path_ = path;
        lazy_ = true;
        duration_ = seconds;
        length_ = std::llround(seconds * engine_.rate());
        open_ = true;
        return;
    }
    std::unique_ptr<Decoder> dec = openDecoder(path, engine_.rate());
    rememberDuration(path, dec->duration());
    std::lock_guard<std::mutex> g(decMtx_);
    path_ = path;
    installLocked(std::move(dec));
}

void Source::installLocked(std::unique_ptr<Decoder> dec) {
    engine_.lock();
    stopLocked();
    ring_.reset();
    decEnded_.store(false);
    pos_.store(0);
    engine_.unlock();
    dec_ = std::move(dec);
    duration_ = dec_->duration();
    length_ = dec_->lengthFrames();
    prerollLocked();
    ringFresh_ = true;
    ringStart_ = 0;
    lazy_ = false;
    open_ = true;
    cv_.notify_all();
}

void Source::close() {
    std::lock_guard<std::mutex> g(decMtx_);
    engine_.lock();
    stopLocked();
    engine_.unlock();
    dec_.reset();
    lazy_ = false;
    path_.clear();
    armed_ = false;
    open_ = false;
    duration_ = 0;
    length_ = 0;
    ringFresh_ = false;
}

void Source::start(int64_t frame) {
    std::lock_guard<std::mutex> g(decMtx_);
    if (lazy_)
        installLocked(openDecoder(path_, engine_.rate()));
    if (!dec_)
        return;
    frame = std::clamp<int64_t>(frame, 0, length_);
    const bool reuse = ringFresh_ && frame == ringStart_;
    engine_.lock();
    stopLocked();
    if (!reuse) {
        ring_.reset();
        decEnded_.store(false);
    }
    pos_.store(frame);
    engine_.unlock();
    if (!reuse) {
        dec_->seek(frame);
        prerollLocked();
    }
    ringFresh_ = false;
    armed_ = true;
    engine_.lock();
    active_ = true;
    gain_ = 0;  // fades in from silence
    rampTarget_ = -1;
    firstPending_ = true;
    firstMixNs_.store(0);
    playing_.store(true, std::memory_order_release);
    engine_.unlock();
    cv_.notify_all();
}

void Source::halt() {
    std::lock_guard<std::mutex> g(decMtx_);
    engine_.lock();
    stopLocked();
    engine_.unlock();
    ringFresh_ = false;
}

void Source::mix(float *out, int frames, float *scratch) {
    // The tail of a stopped or replaced sound plays out first.
    if (tailPos_ < tailLen_) {
        const int n = std::min(frames, tailLen_ - tailPos_);
        for (int i = 0; i < n; ++i) {
            out[2 * i] += tail_[2 * (tailPos_ + i)];
            out[2 * i + 1] += tail_[2 * (tailPos_ + i) + 1];
        }
        tailPos_ += n;
    }
    const float target = targetGain_.load(std::memory_order_relaxed);
    if (target != rampTarget_) {
        rampTarget_ = target;
        rampLeft_ = kRamp;
        rampStep_ = (target - gain_) / float(kRamp);
    }
    if (!active_)
        return;
    const int n = int(ring_.read(scratch, size_t(frames)));
    int i = 0;
    for (; i < n && rampLeft_ > 0; ++i) {
        gain_ += rampStep_;
        if (--rampLeft_ == 0)
            gain_ = rampTarget_;
        out[2 * i] += scratch[2 * i] * gain_;
        out[2 * i + 1] += scratch[2 * i + 1] * gain_;
    }
    const float g = gain_;
    for (int k = 2 * i; k < 2 * n; ++k)
        out[k] += scratch[k] * g;
    if (n > 0 && firstPending_) {
        firstPending_ = false;
        firstMixNs_.store(monotonicNs());
    }
    pos_.fetch_add(n, std::memory_order_release);
    if (n < frames) {
        if (decEnded_.load(std::memory_order_acquire) && ring_.readable() == 0) {
            active_ = false;
            playing_.store(false, std::memory_order_release);
            pendingEnd_.store(gen_.load());
            engine_.wakeEvents();
        } else {
            engine_.countUnderrun();
        }
    }
}

void Source::deliverEnd() {
    const int64_t g = pendingEnd_.exchange(-1);
    if (g >= 0 && onEnd_)
        onEnd_(uint32_t(g));
}

void Source::fillAhead(int frames) {
    std::lock_guard<std::mutex> g(decMtx_);
    if (!dec_)
        return;
    while (!decEnded_.load() && ring_.readable() < size_t(frames) && ring_.writable() >= size_t(kChunk)) {
        const int n = dec_->read(chunk_.data(), kChunk);
        ring_.write(chunk_.data(), size_t(n));
        if (n < kChunk)
            decEnded_.store(true, std::memory_order_release);
    }
}

void Source::workerLoop() {
    std::unique_lock<std::mutex> lk(decMtx_);
    while (!quit_) {
        if (!dec_ || !armed_ || decEnded_.load()) {
            cv_.wait(lk);
            continue;
        }
        if (ring_.writable() < ring_.capacity() / 2) {
            // Half a ring (170 ms) or more is buffered: look again in 40 ms.
            cv_.wait_for(lk, std::chrono::milliseconds(40));
            continue;
        }
        while (!quit_ && ring_.writable() >= size_t(kChunk)) {
            const int n = dec_->read(chunk_.data(), kChunk);
            ring_.write(chunk_.data(), size_t(n));
            if (n < kChunk) {
                decEnded_.store(true, std::memory_order_release);
                break;
            }
        }
    }
}

}  // namespace vb2media
