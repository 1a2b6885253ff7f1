#include "media/MediaPlayer.h"

#include <QMetaObject>
#include <QPointer>
#include <algorithm>
#include <cmath>

#include "media/AudioEngine.h"
#include "media/MidiSynth.h"
#include "platform/VbError.h"

using vb2media::AudioEngine;
using vb2media::Source;

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
    std::unique_ptr<Source> source;

    Impl(MediaPlayer *owner, bool autoStartFile) : q(owner), autoStart(autoStartFile) {
        QPointer<MediaPlayer> guard(owner);
        // Called on the engine's event thread; the end reaches the UI thread as
        // an ordinary queued event and is dropped there if it became stale.
        source = std::make_unique<Source>([guard](uint32_t generation) {
            MediaPlayer *p = guard.data();
            if (!p)
                return;
            QMetaObject::invokeMethod(
                p, [p, generation] { p->d->ended(generation); }, Qt::QueuedConnection);
        });
        applyGain();
        // The soundfont is read in the background now, not at the first MIDI file's Play.
        vb2media::preloadMidi(rate());
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
    // that Play sounds at the next output buffer.
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
