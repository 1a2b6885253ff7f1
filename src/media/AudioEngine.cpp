#include "media/AudioEngine.h"

#include <pthread.h>
#include <semaphore.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <QFileInfo>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>

#include "media/AudioOutput.h"
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

AudioEngine::AudioEngine() : mixList_(new MixList), events_(std::make_unique<EventSignal>()) {
    scratch_.resize(size_t(kMaxMixFrames) * 2);
    discard_.resize(size_t(kBlock) * 2);
    keptAt_.resize(kHistory);
    wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    eventThread_ = std::thread([this] {
        pthread_setname_np(pthread_self(), "vb2-events");
        eventLoop();
        endSdlThread();
    });
}

AudioEngine::~AudioEngine() {
    quit_.store(true);
    wakeEvents();
    if (eventThread_.joinable())
        eventThread_.join();
    std::lock_guard<std::mutex> g(outMtx_);
    closeDeviceLocked(false);
    delete mixList_.load();
    if (wakeFd_ >= 0)
        ::close(wakeFd_);
}

// Control side, under regMtx_. The mixer may still be walking the old list:
// it is freed once the mixer's epoch shows that callback has ended.
void AudioEngine::swapMixList(const std::vector<Source *> &sources) {
    auto *next = new MixList{sources};
    MixList *old = mixList_.exchange(next);
    const uint64_t epoch = mixEpoch_.load();
    if (epoch & 1) {
        // Inside a callback now: wait for it to end (a few milliseconds at most).
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (mixEpoch_.load() == epoch) {
            if (std::chrono::steady_clock::now() > until)
                return;  // a mixer that never returns: leave the list to it
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }
    delete old;
}

void AudioEngine::addSource(Source *s) {
    std::lock_guard<std::mutex> g(regMtx_);
    all_.push_back(s);
    swapMixList(all_);
}

void AudioEngine::removeSource(Source *s) {
    std::lock_guard<std::mutex> g(regMtx_);
    all_.erase(std::remove(all_.begin(), all_.end(), s), all_.end());
    swapMixList(all_);
}

void AudioEngine::applyIfIdle(Source *s) {
    std::lock_guard<std::mutex> g(outMtx_);
    if (offline_.load() || !out_)
        s->takeState();
    else
        kick();
}

void AudioEngine::wakeEvents() {
    sem_post(&events_->sem);
}

void AudioEngine::kick() {
    const uint64_t one = 1;
    if (wakeFd_ >= 0 && ::write(wakeFd_, &one, sizeof one) < 0) {
        // Full only when nobody reads it: then no output waits on it either.
    }
}

QString AudioEngine::driverName() const {
    std::lock_guard<std::mutex> g(outMtx_);
    if (offline_.load())
        return QStringLiteral("offline");
    return driver_;
}

double AudioEngine::outputLatency() const {
    std::lock_guard<std::mutex> g(outMtx_);
    return out_ ? out_->latency() : 0.0;
}

uint64_t AudioEngine::serverUnderflows() const {
    std::lock_guard<std::mutex> g(outMtx_);
    return underflowsBefore_ + (out_ ? out_->underflows() : 0);
}

bool AudioEngine::realtime() const {
    std::lock_guard<std::mutex> g(outMtx_);
    return out_ && out_->realtime();
}

void AudioEngine::mix(float *out, int frames) {
    mixEpoch_.fetch_add(1);  // odd: inside
    const MixList *list = mixList_.load();
    Source *const *sources = list->items.data();
    const size_t count = list->items.size();
    // Writing ahead, changes are taken only where sync() went back for them,
    // and the state there is kept (a later change in this block starts from it).
    const bool ahead = writingAhead_.load(std::memory_order_relaxed);
    if (!ahead || takeNext_) {
        for (size_t k = 0; k < count; ++k)
            sources[k]->takeState();
        if (ahead)
            keepAt(sources, count);
        takeNext_ = false;
    }
    mixFrames(sources, count, out, frames, ahead);
    if (!ahead)
        for (size_t k = 0; k < count; ++k)
            sources[k]->publishHead();
    mixEpoch_.fetch_add(1);
}

void AudioEngine::keepAt(Source *const *sources, size_t count) {
    const int64_t block = head_ / kBlock;
    for (size_t k = 0; k < count; ++k)
        sources[k]->keepBlock(block);
    keptAt_[size_t(block % kHistory)] = {block, head_};
}

void AudioEngine::mixFrames(Source *const *sources, size_t count, float *out, int frames, bool ahead) {
    while (frames > 0) {
        int n = std::min(frames, kMaxMixFrames);
        if (ahead) {
            const int64_t inBlock = head_ % kBlock;
            if (inBlock == 0)
                keepAt(sources, count);
            n = int(std::min<int64_t>(n, kBlock - inBlock));
        }
        std::memset(out, 0, size_t(n) * 2 * sizeof(float));
        for (size_t k = 0; k < count; ++k)
            sources[k]->mix(out, n, scratch_.data(), head_, ahead);
        for (int i = 0; i < n * 2; ++i) {
            float v = out[i];
            if (!(v == v))
                v = 0;  // NaN never reaches the device
            out[i] = std::clamp(v, -1.0f, 1.0f);
        }
        out += size_t(n) * 2;
        frames -= n;
        head_ += n;
    }
}

// The frame the state kept for `frame`'s block was kept at, or -1.
int64_t AudioEngine::keptBefore(int64_t frame) const {
    const KeptAt &k = keptAt_[size_t((frame / kBlock) % kHistory)];
    return k.block == frame / kBlock && k.frame <= frame ? k.frame : -1;
}

// Every source back to the state kept at `from`, then mixed again up to `to`
// (in the same block) only to reach the state there: that part is sounding.
void AudioEngine::goBack(Source *const *sources, size_t count, int64_t from, int64_t to) {
    for (size_t k = 0; k < count; ++k)
        sources[k]->restoreBlock(from / kBlock);
    head_ = from;
    mixFrames(sources, count, discard_.data(), int(to - from), true);
}

int AudioEngine::sync(int unheard) {
    mixEpoch_.fetch_add(1);
    const MixList *list = mixList_.load();
    Source *const *sources = list->items.data();
    const size_t count = list->items.size();
    if (!writingAhead_.load(std::memory_order_relaxed)) {
        // A new stream: what was mixed before went elsewhere.
        writingAhead_.store(true, std::memory_order_relaxed);
        floor_ = head_;
    }
    static_assert(kMaxRewrite < (kHistory - 2) * kBlock, "a rewrite goes back only to kept blocks");
    const int64_t back = std::clamp<int64_t>(unheard, 0, kMaxRewrite);
    floor_ = std::max(floor_, head_ - back);
    for (size_t k = 0; k < count; ++k)
        sources[k]->publishBlock(floor_ / kBlock, floor_);

    bool changed = false;
    int64_t dry = std::numeric_limits<int64_t>::max();
    for (size_t k = 0; k < count; ++k) {
        changed = changed || sources[k]->changePending();
        dry = std::min(dry, sources[k]->refillFrom(floor_));
    }
    int64_t to = head_;
    if (changed)
        to = floor_;
    else if (dry != std::numeric_limits<int64_t>::max())
        to = std::max(floor_, dry);
    int64_t from = to < head_ ? keptBefore(to) : -1;
    if (to < head_ && from < 0) {
        // No state kept in that block (the stream began in it): the next one.
        to = (to + kBlock - 1) / kBlock * kBlock;
        from = to < head_ ? keptBefore(to) : -1;
    }
    int again = 0;
    if (from >= 0) {
        again = int(head_ - to);
        goBack(sources, count, from, to);
    }
    takeNext_ = changed;
    mixEpoch_.fetch_add(1);
    return again;
}

int AudioEngine::outputSync(void *self, int unheard) {
    return static_cast<AudioEngine *>(self)->sync(unheard);
}

void AudioEngine::outputCallback(void *self, float *out, int frames) {
    auto *e = static_cast<AudioEngine *>(self);
    e->mix(out, frames);
    e->callbacks_.fetch_add(1, std::memory_order_relaxed);
}

void AudioEngine::outputFailed(void *self) {
    static_cast<AudioEngine *>(self)->wakeEvents();
}

void AudioEngine::ensureRunning() {
    if (offline_.load())
        return;
    std::lock_guard<std::mutex> g(outMtx_);
    QString why;
    if (!out_ && !openDeviceLocked(true, &why)) {
        // A server that starts later is opened as soon as it answers, so the
        // next Play does not wait for its stream to be made and linked. (An
        // SDL_AUDIODRIVER names the only output: a Play tries it again.)
        retryServer_ = qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER");
        wakeEvents();
        throw VbError(QStringLiteral("No sound output can be opened: %1").arg(why));
    }
    wanted_ = true;
    retryServer_ = false;
}

void AudioEngine::prepareOutput() {
    if (offline_.load() || prepare_.exchange(true))
        return;
    wakeEvents();
}

// The server's stream first: it is what a desktop runs, and its latency is
// the one asked for. SDL then finds ALSA, JACK or PipeWire's own protocol; an
// SDL_AUDIODRIVER in the environment goes to SDL alone (the tests' dummy).
bool AudioEngine::openDeviceLocked(bool withSdl, QString *why) {
    OutputFormat format{kRate, kBufferFrames, &AudioEngine::outputCallback, this, &AudioEngine::outputFailed};
    format.sync = &AudioEngine::outputSync;
    format.wakeFd = wakeFd_;
    const bool sdlOnly = !qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER");
    QString serverWhy, sdlWhy;
    std::unique_ptr<AudioOutput> out;
    if (!sdlOnly)
        out = openServerOutput(format, &serverWhy);
    if (!out)
        endWritingAhead(true);
    if (!out && (withSdl || sdlOnly))
        out = openSdlOutput(format, &sdlWhy);
    if (!out) {
        if (why)
            *why = serverWhy.isEmpty() ? sdlWhy : serverWhy + QStringLiteral("; ") + sdlWhy;
        return false;
    }
    out_ = std::move(out);
    driver_ = out_->name();
    obtainedFrames_.store(out_->bufferFrames());
    attempts_ = 0;
    return true;
}

void AudioEngine::closeDeviceLocked(bool tell) {
    if (out_) {
        underflowsBefore_ += out_->underflows();
        out_.reset();
        driver_.clear();
    }
    endWritingAhead(tell);
}

// No callback runs: the output that wrote ahead is closed, or a server's
// stream that had begun to ask for sound failed to open.
void AudioEngine::endWritingAhead(bool tell) {
    if (!writingAhead_.load(std::memory_order_relaxed))
        return;
    // What was mixed ahead will not sound now; the players go on from there,
    // and an end mixed meanwhile is not lost.
    writingAhead_.store(false, std::memory_order_relaxed);
    takeNext_ = false;
    if (tell) {
        std::lock_guard<std::mutex> g(regMtx_);
        // What the output held is lost with it: the players go back to the
        // first frame not yet sounding and go on from there.
        if (const int64_t from = keptBefore(floor_); from >= 0 && floor_ < head_)
            goBack(all_.data(), all_.size(), from, floor_);
        for (Source *s : all_)
            s->endWritingAhead();
    }
    for (KeptAt &k : keptAt_)
        k.block = -1;
}

// Event thread: a lost output is closed and opened again, every tenth of a
// second while a server answers nowhere; SDL's devices, slower to probe, once a second.
void AudioEngine::checkOutputLocked() {
    if (offline_.load())
        return;
    if (!wanted_) {
        // Only the server's stream: SDL's probing of every device is slow and
        // noisy, and could take a server's other protocol while it starts; a
        // Play tries SDL by itself.
        const bool prepare = prepare_.exchange(false);
        if ((prepare || retryServer_) && !out_ && openDeviceLocked(false, nullptr)) {
            wanted_ = true;
            retryServer_ = false;
        }
        return;
    }
    if (out_ && (lost_.exchange(false) || out_->failed()))
        closeDeviceLocked(true);
    if (out_)
        return;
    if (openDeviceLocked(attempts_++ % 10 == 0, nullptr))
        reopens_.fetch_add(1);
}

void AudioEngine::setOffline(bool offline) {
    std::lock_guard<std::mutex> g(outMtx_);
    if (offline) {
        closeDeviceLocked(true);
        wanted_ = false;
        retryServer_ = false;
        prepare_.store(false);
    }
    offline_.store(offline);
}

void AudioEngine::render(float *out, int frames) {
    {
        std::lock_guard<std::mutex> g(regMtx_);
        for (Source *s : all_)
            s->fillAhead(frames);
    }
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
        bool lost;
        {
            std::lock_guard<std::mutex> g(outMtx_);
            lost = (wanted_ || retryServer_) && !out_;
        }
        timespec until;
        clock_gettime(CLOCK_REALTIME, &until);
        until.tv_nsec += (lost ? 100 : 250) * 1000000L;
        if (until.tv_nsec >= 1000000000L) {
            until.tv_sec += 1;
            until.tv_nsec -= 1000000000L;
        }
        sem_timedwait(&events_->sem, &until);
        if (quit_.load())
            break;
        deliverEnds();
        // The engine keeps its sources' state while it opens an output again.
        std::lock_guard<std::mutex> g(outMtx_);
        checkOutputLocked();
    }
}

// ---------------------------------------------------------------- Source

Source::Source(EndHandler onEnd) : engine_(AudioEngine::instance()), onEnd_(std::move(onEnd)) {
    chunk_.resize(size_t(std::max(kChunk, kPreroll)) * 2);
    kept_.resize(AudioEngine::kHistory);
    slots_.push_back(std::make_unique<Slot>());
    slots_.push_back(std::make_unique<Slot>());
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

// ---- control side

// A ring the mixer no longer reads and will not read again: the current one
// when the mixer has let go of it, else another; a new one while the mixer
// has not yet taken the states that released the others.
Source::Slot *Source::freeSlotLocked() {
    const uint64_t acked = applied_.load(std::memory_order_acquire);
    Slot *found = nullptr;
    for (const auto &s : slots_) {
        if (s.get() == live_ || s->busyUntil > acked)
            continue;
        if (s.get() == cur_)
            return s.get();
        if (!found)
            found = s.get();
    }
    if (!found) {
        slots_.push_back(std::make_unique<Slot>());
        found = slots_.back().get();
    }
    return found;
}

// Fills `slot` with the file from `frame` and makes it the one the decoder goes on with.
void Source::fillLocked(Slot *slot, int64_t frame, bool seek) {
    slot->ring.reset();
    slot->ended.store(false, std::memory_order_relaxed);
    if (seek)
        dec_->seek(frame);
    const int n = dec_->read(chunk_.data(), kPreroll);
    slot->ring.write(chunk_.data(), size_t(n));
    if (n < kPreroll)
        slot->ended.store(true, std::memory_order_release);
    cur_ = slot;
    ringFresh_ = true;
    ringStart_ = frame;
}

void Source::publishLocked(Slot *slot, bool active, int64_t frame) {
    State s;
    s.seq = ++pubSeq_;
    s.slot = active ? slot : nullptr;
    s.frame = frame;
    s.gen = gen_.fetch_add(1) + 1;  // an end found for an earlier state is stale
    s.active = active && slot;
    if (live_ && live_ != s.slot)
        live_->busyUntil = s.seq;
    live_ = s.slot;
    pubFrame_ = frame;
    pubActive_ = s.active;
    mailbox_.publish(s);
    engine_.applyIfIdle(this);
}

void Source::installLocked(std::unique_ptr<Decoder> dec) {
    dec_ = std::move(dec);
    duration_ = dec_->duration();
    length_ = dec_->lengthFrames();
    armed_ = false;
    fillLocked(freeSlotLocked(), 0, false);
    lazy_ = false;
    open_ = true;
}

void Source::open(const QString &path, bool measureOnly) {
    close();
    double seconds = 0;
    if (measureOnly && quickMeasure(path, seconds)) {
        // Measured and checked without a decoder (the console's probe measures
        // thousands of files); the decoder opens if it is ever started.
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

void Source::close() {
    std::lock_guard<std::mutex> g(decMtx_);
    publishLocked(nullptr, false, 0);
    dec_.reset();
    lazy_ = false;
    path_.clear();
    armed_ = false;
    open_ = false;
    duration_ = 0;
    length_ = 0;
    ringFresh_ = false;
}

void Source::cue(int64_t frame) {
    std::lock_guard<std::mutex> g(decMtx_);
    if (!dec_ || playing())
        return;  // the decoder goes on with what is playing
    frame = std::clamp<int64_t>(frame, 0, length_);
    if (ringFresh_ && frame == ringStart_)
        return;
    armed_ = false;
    fillLocked(freeSlotLocked(), frame, true);
}

void Source::start(int64_t frame) {
    std::lock_guard<std::mutex> g(decMtx_);
    // An open decoder could go on reading a file deleted since; it is refused
    // as it would be at FileName.
    if (!path_.isEmpty() && !QFileInfo::exists(path_))
        throw VbError(QStringLiteral("The file no longer exists: %1").arg(path_));
    if (lazy_)
        installLocked(openDecoder(path_, engine_.rate()));
    if (!dec_)
        return;
    frame = std::clamp<int64_t>(frame, 0, length_);
    if (!(ringFresh_ && frame == ringStart_ && cur_ != live_)) {
        armed_ = false;
        fillLocked(freeSlotLocked(), frame, true);
    }
    ringFresh_ = false;
    armed_ = true;
    publishLocked(cur_, true, frame);
    cv_.notify_all();
}

void Source::halt() {
    std::lock_guard<std::mutex> g(decMtx_);
    publishLocked(nullptr, false, position());
    armed_ = false;
    ringFresh_ = false;
}

int64_t Source::position() const {
    if (applied_.load(std::memory_order_acquire) < pubSeq_)
        return pubFrame_;
    return pos_.load(std::memory_order_acquire);
}

bool Source::playing() const {
    if (applied_.load(std::memory_order_acquire) < pubSeq_)
        return pubActive_;
    return playing_.load(std::memory_order_acquire);
}

// ---- mixer side

void Source::takeState() {
    gainTarget_ = targetGain_.load(std::memory_order_relaxed);
    State s;
    if (mailbox_.take(s) && s.seq > ms_.st.seq)
        apply(s);
}

bool Source::changePending() const {
    return mailbox_.pending() || targetGain_.load(std::memory_order_relaxed) != gainTarget_;
}

void Source::apply(const State &s) {
    if (ms_.active)
        captureTail();
    ms_.st = s;
    ms_.active = s.active;
    ms_.pos = s.frame;
    ms_.endGen = -1;
    pos_.store(s.frame, std::memory_order_relaxed);
    playing_.store(s.active, std::memory_order_relaxed);
    if (ms_.active) {
        ms_.gain = 0;  // fades in from silence
        ms_.rampTarget = -1;
        ms_.firstPending = true;
        firstMixNs_.store(0, std::memory_order_relaxed);
    }
    dryAt_ = -1;
    applied_.store(s.seq, std::memory_order_release);
}

void Source::captureTail() {
    // What would have played next, faded to zero, so a cut never clicks; the
    // rest of an earlier tail still fading goes on under it.
    Mix &m = ms_;
    const int n = int(m.st.slot->ring.read(tailNext_, kTail));
    for (int i = 0; i < n; ++i) {
        const float env = m.gain * float(kTail - i) / float(kTail);
        tailNext_[2 * i] *= env;
        tailNext_[2 * i + 1] *= env;
    }
    int len = n;
    const int rest = m.tailLen - m.tailPos;
    for (int i = 0; i < rest; ++i) {
        if (i >= len) {
            tailNext_[2 * i] = 0;
            tailNext_[2 * i + 1] = 0;
        }
        tailNext_[2 * i] += m.tail[2 * (m.tailPos + i)];
        tailNext_[2 * i + 1] += m.tail[2 * (m.tailPos + i) + 1];
    }
    len = std::max(len, rest);
    std::memcpy(m.tail, tailNext_, sizeof m.tail);
    m.tailLen = len;
    m.tailPos = 0;
}

void Source::mix(float *out, int frames, float *scratch, int64_t at, bool ahead) {
    Mix &m = ms_;
    // The tail of a stopped or replaced sound plays out first.
    if (m.tailPos < m.tailLen) {
        const int n = std::min(frames, m.tailLen - m.tailPos);
        for (int i = 0; i < n; ++i) {
            out[2 * i] += m.tail[2 * (m.tailPos + i)];
            out[2 * i + 1] += m.tail[2 * (m.tailPos + i) + 1];
        }
        m.tailPos += n;
    }
    if (gainTarget_ != m.rampTarget) {
        m.rampTarget = gainTarget_;
        m.rampLeft = kRamp;
        m.rampStep = (gainTarget_ - m.gain) / float(kRamp);
    }
    if (!m.active)
        return;
    Slot &slot = *m.st.slot;
    const int n = int(slot.ring.read(scratch, size_t(frames)));
    int i = 0;
    for (; i < n && m.rampLeft > 0; ++i) {
        m.gain += m.rampStep;
        if (--m.rampLeft == 0)
            m.gain = m.rampTarget;
        out[2 * i] += scratch[2 * i] * m.gain;
        out[2 * i + 1] += scratch[2 * i + 1] * m.gain;
    }
    const float g = m.gain;
    for (int k = 2 * i; k < 2 * n; ++k)
        out[k] += scratch[k] * g;
    if (n > 0 && m.firstPending) {
        m.firstPending = false;
        firstMixNs_.store(monotonicNs(), std::memory_order_relaxed);
    }
    m.pos += n;
    if (n < frames) {
        if (slot.ended.load(std::memory_order_acquire) && slot.ring.readable() == 0) {
            m.active = false;
            m.endGen = m.st.gen;
            m.endAt = at + n;
        } else if (ahead) {
            // Mixed again from here once the decoder has caught up, if that
            // is before it sounds.
            if (dryAt_ < 0)
                dryAt_ = at + n;
            dry_.store(true, std::memory_order_relaxed);
        } else {
            engine_.countUnderrun();
        }
    }
}

void Source::keepBlock(int64_t block) {
    Kept &k = kept_[size_t(block % AudioEngine::kHistory)];
    k.block = block;
    k.ringRead = ms_.st.slot ? ms_.st.slot->ring.readIndex() : 0;
    k.mix = ms_;
}

// Only a block mixed in the state now in force is gone back to or told: one
// from before the last change may name a ring that control has taken back.
void Source::restoreBlock(int64_t block) {
    if (dryAt_ >= 0) {
        if (dryAt_ < block * AudioEngine::kBlock)
            engine_.countUnderrun();  // that hole is sounding
        dryAt_ = -1;                  // a later one is found again
    }
    const Kept &k = kept_[size_t(block % AudioEngine::kHistory)];
    if (k.block != block || k.mix.st.seq != ms_.st.seq)
        return;
    ms_ = k.mix;
    if (ms_.st.slot)
        ms_.st.slot->ring.seekRead(k.ringRead);
}

void Source::publishBlock(int64_t block, int64_t floor) {
    const Kept &k = kept_[size_t(block % AudioEngine::kHistory)];
    if (k.block != block || k.mix.st.seq != ms_.st.seq)
        return;
    // An end mixed before `floor` is told now, not at the next block.
    publish(ms_.endGen >= 0 && ms_.endAt <= floor ? ms_ : k.mix);
    if (k.mix.st.slot)
        k.mix.st.slot->ring.release(k.ringRead);
}

void Source::publishHead() {
    publish(ms_);
    if (ms_.st.slot)
        ms_.st.slot->ring.release(ms_.st.slot->ring.readIndex());
}

void Source::endWritingAhead() {
    dryAt_ = -1;
    publishHead();
    for (Kept &k : kept_)
        k.block = -1;
}

void Source::publish(const Mix &m) {
    pos_.store(m.pos, std::memory_order_release);
    playing_.store(m.active, std::memory_order_release);
    if (m.endGen >= 0 && m.endGen != endTold_) {
        endTold_ = m.endGen;
        pendingEnd_.store(m.endGen);
        engine_.wakeEvents();
    }
}

int64_t Source::refillFrom(int64_t floor) {
    if (dryAt_ < 0)
        return std::numeric_limits<int64_t>::max();
    if (dryAt_ < floor) {
        engine_.countUnderrun();
        dryAt_ = -1;
        return std::numeric_limits<int64_t>::max();
    }
    const Slot *slot = ms_.active ? ms_.st.slot : nullptr;
    if (slot && (slot->ring.readable() > 0 || slot->ended.load(std::memory_order_acquire)))
        return dryAt_;
    return std::numeric_limits<int64_t>::max();
}

// ---- event thread

void Source::deliverEnd() {
    const int64_t g = pendingEnd_.exchange(-1);
    if (g >= 0 && onEnd_)
        onEnd_(uint32_t(g));
}

// ---- decoding ahead

void Source::fillAhead(int frames) {
    std::lock_guard<std::mutex> g(decMtx_);
    if (!dec_ || !armed_ || !cur_ || engine_.decodersHeld())
        return;
    Slot &slot = *cur_;
    while (!slot.ended.load() && slot.ring.readable() < size_t(frames + kTail) &&
           slot.ring.writable() >= size_t(kChunk)) {
        const int n = dec_->read(chunk_.data(), kChunk);
        slot.ring.write(chunk_.data(), size_t(n));
        if (n < kChunk)
            slot.ended.store(true, std::memory_order_release);
    }
}

void Source::workerLoop() {
    std::unique_lock<std::mutex> lk(decMtx_);
    bool filling = false;
    while (!quit_) {
        if (!dec_ || !armed_ || !cur_ || cur_->ended.load()) {
            filling = false;
            cv_.wait(lk);
            continue;
        }
        FrameRing &ring = cur_->ring;
        // Refilled from 170 ms free to full, a chunk at a time so that control
        // never waits long for the decoder.
        if (ring.writable() >= size_t(kRefillAt))
            filling = true;
        if (!filling || ring.writable() < size_t(kChunk) || engine_.decodersHeld()) {
            filling = false;
            cv_.wait_for(lk, std::chrono::milliseconds(40));
            continue;
        }
        const int n = dec_->read(chunk_.data(), kChunk);
        ring.write(chunk_.data(), size_t(n));
        if (n < kChunk)
            cur_->ended.store(true, std::memory_order_release);
        if (dry_.exchange(false, std::memory_order_relaxed))
            engine_.kick();
        lk.unlock();
        std::this_thread::yield();
        lk.lock();
    }
}

}  // namespace vb2media
