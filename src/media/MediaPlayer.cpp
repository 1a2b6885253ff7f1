#include "media/MediaPlayer.h"

#include <QMetaObject>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>

#include "media/AudioEngine.h"
#include "media/MidiSynth.h"
#include "platform/VbError.h"

using vb2media::AudioEngine;
using vb2media::Source;

namespace vb2mediaplayer {

// Takes an end of stream from the engine's event thread to the player's
// thread. The generation crosses in an atomic and the wake-up is a queued call
// that Qt allocates itself: nothing of ours is handed over through Qt's event
// queue, whose locking the thread sanitizer cannot see. Queued calls still
// pending when the relay goes (with its player) are dropped by Qt.
class EndRelay : public QObject {
    Q_OBJECT
  public:
    EndRelay(QObject *parent, std::function<void(uint32_t)> onEnd)
        : QObject(parent), onEnd_(std::move(onEnd)) {}

    // On the event thread.
    void post(uint32_t generation) {
        if (pending_.exchange(generation, std::memory_order_acq_rel) < 0)
            QMetaObject::invokeMethod(this, "deliver", Qt::QueuedConnection);
    }

    Q_INVOKABLE void deliver() {
        const int64_t g = pending_.exchange(-1, std::memory_order_acq_rel);
        if (g >= 0)
            onEnd_(uint32_t(g));
    }

  private:
    std::function<void(uint32_t)> onEnd_;
    std::atomic<int64_t> pending_{-1};
};

}  // namespace vb2mediaplayer

struct MediaPlayer::Impl {
    enum class State { Stopped, Playing, Paused };

    MediaPlayer *q;
    bool autoStart;
    bool measureOnly = false;
    QString fileName;
    double selectionStart = 0;
    State state = State::Stopped;
    int64_t heldFrame = 0;  // the position while not playing
    int volume = 0;
    bool mute = false;
    // A child of the player, so it follows it to another thread.
    vb2mediaplayer::EndRelay *relay;
    // Last: destroyed first, its destructor waits for an end being handed
    // over, so the relay and this state outlive every call from the engine.
    std::unique_ptr<Source> source;

    Impl(MediaPlayer *owner, bool autoStartFile)
        : q(owner),
          autoStart(autoStartFile),
          relay(new vb2mediaplayer::EndRelay(owner, [this](uint32_t generation) { ended(generation); })) {
        source = std::make_unique<Source>([relay = relay](uint32_t generation) { relay->post(generation); });
        applyGain();
    }

    static int rate() { return AudioEngine::kRate; }

    int64_t toFrames(double seconds) const {
        if (!std::isfinite(seconds))
            return 0;
        return std::clamp<int64_t>(std::llround(seconds * rate()), 0, source->lengthFrames());
    }

    // A file that played to its end: the player stands stopped at the start of the selection.
    bool finished() const { return state == State::Playing && !source->playing(); }

    void applyGain() {
        const float g = mute ? 0.0f : float(std::pow(10.0, volume / 2000.0));
        source->setGain(g);
    }

    // The position while not playing; the sound from there is pre-rolled so
    // that Play sounds at once.
    void hold(int64_t frame) {
        heldFrame = frame;
        source->cue(frame);
    }

    void ended(uint32_t generation) {
        if (generation != source->generation() || state != State::Playing || source->playing())
            return;
        state = State::Stopped;
        hold(toFrames(selectionStart));
        emit q->EndOfStream(0);
    }
};

MediaPlayer::MediaPlayer(QObject *parent, bool autoStart)
    : QObject(parent), d(std::make_unique<Impl>(this, autoStart)) {}

MediaPlayer::~MediaPlayer() = default;

void MediaPlayer::setMeasureOnly(bool measureOnly) {
    d->measureOnly = measureOnly;
}

bool MediaPlayer::measureOnly() const {
    return d->measureOnly;
}

void MediaPlayer::setFileName(const QString &fileName) {
    // The first MIDI file listed starts reading the soundfont, so that the
    // player it is cued on next finds it read.
    vb2media::preloadMidiFor(fileName, Impl::rate());
    d->state = Impl::State::Stopped;
    d->selectionStart = 0;
    d->heldFrame = 0;
    try {
        d->source->open(fileName, d->measureOnly);
    } catch (...) {
        d->fileName.clear();
        throw;
    }
    d->fileName = fileName;
    if (!d->measureOnly)
        AudioEngine::instance().prepareOutput();
    if (d->autoStart)
        Play();
}

QString MediaPlayer::FileName() const {
    return d->fileName;
}

double MediaPlayer::Duration() const {
    return d->source->duration();
}

double MediaPlayer::CurrentPosition() const {
    if (!d->source->isOpen())
        return 0;
    const int64_t f = d->state == Impl::State::Playing ? d->source->position() : d->heldFrame;
    return double(f) / Impl::rate();
}

void MediaPlayer::setCurrentPosition(double seconds) {
    if (!d->source->isOpen() || !std::isfinite(seconds))
        return;
    const int64_t f = d->toFrames(seconds);
    if (d->state == Impl::State::Playing && d->source->playing()) {
        d->source->start(f);
    } else {
        if (d->finished())
            d->state = Impl::State::Stopped;
        d->hold(f);
    }
}

double MediaPlayer::SelectionStart() const {
    return d->selectionStart;
}

void MediaPlayer::setSelectionStart(double seconds) {
    if (!std::isfinite(seconds))
        return;
    d->selectionStart = std::clamp(seconds, 0.0, std::max(0.0, d->source->duration()));
    if (d->state != Impl::State::Playing)
        d->hold(d->toFrames(d->selectionStart));
}

double MediaPlayer::SelectionEnd() const {
    return d->source->duration();
}

int MediaPlayer::Volume() const {
    return d->volume;
}

void MediaPlayer::setVolume(int hundredthsOfDb) {
    d->volume = std::min(hundredthsOfDb, 0);
    d->applyGain();
}

bool MediaPlayer::Mute() const {
    return d->mute;
}

void MediaPlayer::setMute(bool mute) {
    d->mute = mute;
    d->applyGain();
}

void MediaPlayer::Play() {
    if (!d->source->isOpen())
        throw VbError(QStringLiteral("There is no file to play."));
    if (d->state == Impl::State::Playing && d->source->playing())
        return;
    AudioEngine::instance().ensureRunning();
    int64_t from = d->heldFrame;
    if (d->finished())
        from = d->toFrames(d->selectionStart);
    d->source->start(from);
    d->state = Impl::State::Playing;
}

void MediaPlayer::Pause() {
    if (d->state != Impl::State::Playing)
        return;
    if (!d->source->playing())
        return;  // already at the end; its end of stream follows
    const int64_t at = d->source->position();
    d->source->halt();
    d->state = Impl::State::Paused;
    d->hold(at);
}

void MediaPlayer::Stop() {
    d->source->halt();
    d->state = Impl::State::Stopped;
    if (d->source->isOpen())
        d->hold(d->toFrames(d->selectionStart));
}

bool MediaPlayer::isPlaying() const {
    return d->state == Impl::State::Playing && d->source->playing();
}

bool MediaPlayer::isPaused() const {
    return d->state == Impl::State::Paused;
}

#include "MediaPlayer.moc"
