// MIDI files: our own sequencer over the file's timeline drives a FluidSynth
// synthesiser with the General MIDI soundfont; playback ends at the file's
// own length (FluidSynth's player would run on for seconds).
#include <fluidsynth.h>

#include <QFile>
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "media/Decoder.h"
#include "media/MidiFile.h"
#include "media/MidiSynth.h"
#include "platform/VbError.h"

namespace vb2media {
namespace {

// A look-ahead peak limiter: a full arrangement at full velocity stays below
// full scale while a few voices pass untouched. The gain needed by each frame
// is held for the look-ahead and smoothed over it, so the gain is already down
// when a peak leaves the delay line, and recovers over about 80 ms.
class Limiter {
  public:
    static constexpr int kLook = 64;          // frames of look-ahead (1.3 ms at 48 kHz)
    static constexpr float kCeiling = 0.89f;  // -1 dBFS

    explicit Limiter(int rate) : recover_(float(std::exp(-1.0 / (0.08 * rate)))) { reset(); }

    void reset() {
        env_ = 1;
        held_.fill(1);
        box_.fill(1);
        boxSum_ = kLook;
        delay_.fill(0);
        at_ = 0;
        delayAt_ = 0;
    }

    // In place; the output is the input of kLook - 1 frames before.
    void process(float *io, int frames) {
        for (int i = 0; i < frames; ++i) {
            float &l = io[2 * i], &r = io[2 * i + 1];
            const float peak = std::max(std::fabs(l), std::fabs(r));
            const float need = peak > kCeiling ? kCeiling / peak : 1.0f;
            env_ = std::min(need, 1.0f - (1.0f - env_) * recover_);
            held_[size_t(at_)] = env_;
            const float hold = *std::min_element(held_.begin(), held_.end());
            boxSum_ += double(hold) - box_[size_t(at_)];
            box_[size_t(at_)] = hold;
            at_ = (at_ + 1) % kLook;
            const float g = std::min(1.0f, float(boxSum_ / kLook));
            float *d = &delay_[size_t(2 * delayAt_)];
            const float dl = d[0], dr = d[1];
            d[0] = l;
            d[1] = r;
            delayAt_ = (delayAt_ + 1) % (kLook - 1);
            l = dl * g;
            r = dr * g;
        }
    }

  private:
    float recover_;
    float env_ = 1;
    std::array<float, kLook> held_{};
    std::array<float, kLook> box_{};
    double boxSum_ = kLook;
    std::array<float, 2 * (kLook - 1)> delay_{};
    int at_ = 0;
    int delayAt_ = 0;
};

// Which notes sound at a moment of the song, and since when: what a seek must
// bring back.
class Sounding {
  public:
    Sounding() { clear(); }

    void clear() {
        for (auto &ch : since_)
            ch.fill(-1);
        pedal_.fill(false);
        for (auto &ch : pedalled_)
            ch.fill(false);
    }

    void take(const MidiMessage &m, int64_t frame) {
        const int ch = m.status & 0x0F;
        const int kind = m.status & 0xF0;
        if (kind == 0x90 && m.data2) {
            if (since_[ch][m.data1] < 0)
                since_[ch][m.data1] = frame;
            velocity_[ch][m.data1] = m.data2;
            pedalled_[ch][m.data1] = false;
        } else if (kind == 0x80 || kind == 0x90) {
            if (pedal_[ch])
                pedalled_[ch][m.data1] = since_[ch][m.data1] >= 0;
            else
                since_[ch][m.data1] = -1;
        } else if (kind == 0xB0 && (m.data1 == 64 || m.data1 == 121)) {  // sustain, reset controllers
            pedal_[ch] = m.data1 == 64 && m.data2 >= 64;
            if (!pedal_[ch])
                release(ch);
        } else if (kind == 0xB0 && m.data1 == 120) {  // all sound off
            since_[ch].fill(-1);
            pedalled_[ch].fill(false);
        } else if (kind == 0xB0 && m.data1 == 123) {  // all notes off: as a note off for each
            for (int k = 0; k < 128; ++k) {
                if (pedal_[ch])
                    pedalled_[ch][k] = since_[ch][k] >= 0;
                else
                    since_[ch][k] = -1;
            }
        }
    }

    // The end's release: every note lets go, pedals up.
    void releaseAll() {
        for (int ch = 0; ch < 16; ++ch) {
            pedal_[ch] = false;
            since_[ch].fill(-1);
        }
    }

    // The earliest start of a note still sounding; `none` when none sounds.
    int64_t earliest(int64_t none) const {
        int64_t e = none;
        for (const auto &ch : since_)
            for (int64_t s : ch)
                if (s >= 0)
                    e = std::min(e, s);
        return e;
    }

    // Strikes the sounding notes again; those held only by the pedal are let go at once.
    void strike(fluid_synth_t *fs) const {
        for (int ch = 0; ch < 16; ++ch) {
            for (int k = 0; k < 128; ++k) {
                if (since_[ch][k] < 0)
                    continue;
                fluid_synth_noteon(fs, ch, k, velocity_[ch][k]);
                if (pedalled_[ch][k])
                    fluid_synth_noteoff(fs, ch, k);
            }
        }
    }

  private:
    void release(int ch) {
        for (int k = 0; k < 128; ++k) {
            if (pedalled_[ch][k])
                since_[ch][k] = -1;
            pedalled_[ch][k] = false;
        }
    }

    std::array<std::array<int64_t, 128>, 16> since_;
    std::array<std::array<uint8_t, 128>, 16> velocity_{};
    std::array<std::array<bool, 128>, 16> pedalled_;
    std::array<bool, 16> pedal_;
};

class MidiDecoder : public Decoder {
  public:
    MidiDecoder(MidiSong song, std::unique_ptr<MidiSynth> synth, int rate)
        : song_(std::move(song)),
          synth_(std::move(synth)),
          rate_(rate),
          limiter_(rate),
          history_(size_t(rate) * 2) {
        frames_.reserve(song_.messages.size());
        for (const MidiMessage &m : song_.messages)
            frames_.push_back(std::llround(m.seconds * rate_));
        setDuration(song_.seconds, rate_);
        // The last notes let go a little before the end and fade with their
        // own release, within the file's length.
        endFade_ = std::min<int64_t>(std::llround(kEndRelease * rate_), lengthFrames() / 4);
        releaseAt_ = lengthFrames() - endFade_;
        restart(0);
    }

  protected:
    int readRaw(float *out, int frames) override {
        int done = 0;
        while (done < frames) {
            const int n = std::min(frames - done, kChunk);
            float *o = out + size_t(done) * 2;
            if (readPos_ < livePos_) {
                const int k = int(std::min<int64_t>(n, livePos_ - readPos_));
                fromHistory(o, k);
                fadeAtEnd(o, k);
                done += k;
                readPos_ += k;
                continue;
            }
            renderLive(o, n);
            fadeAtEnd(o, n);
            done += n;
            readPos_ += n;
        }
        return done;
    }

    // A seek a little back (Pause, then Play: the decoder has run ahead of
    // what was heard) replays what was rendered; a little forward renders on.
    // Either way the sound goes on exactly as it would have. Farther, the
    // synthesiser starts again (see restart).
    void seekRaw(int64_t frame) override {
        if (frame <= livePos_ && frame >= livePos_ - kept_) {
            readPos_ = frame;
            return;
        }
        if (frame > livePos_ && frame - livePos_ <= std::llround(kSkipAhead * rate_)) {
            float scratch[2 * kChunk];
            while (livePos_ < frame)
                renderLive(scratch, int(std::min<int64_t>(kChunk, frame - livePos_)));
            readPos_ = frame;
            return;
        }
        restart(frame);
    }

  private:
    static constexpr int kChunk = 1024;
    static constexpr double kEndRelease = 0.3;     // seconds
    static constexpr double kWarmUp = 0.25;        // seconds of reverb and release before a seek
    static constexpr double kLongestWarmUp = 1.0;  // seconds played again at most
    static constexpr double kSkipAhead = 1.0;      // seconds rendered on rather than restarting

    // Back to the state of every channel at `frame`, on a synthesiser that has
    // played nothing. The notes sounding there are played again from shortly
    // before it (from their start when that is near), so they sound on at
    // once, with their reverb, much as they would have without the seek.
    void restart(int64_t frame) {
        if (synth_->used()) {
            if (std::unique_ptr<MidiSynth> fresh = takeMidiSynth(*synth_))
                synth_ = std::move(fresh);
            else
                synth_->reset();
        }
        sounding_.clear();
        next_ = 0;
        released_ = false;
        for (; next_ < frames_.size() && frames_[next_] < frame; ++next_)
            sounding_.take(song_.messages[next_], frames_[next_]);
        const int64_t warm = std::llround(kWarmUp * rate_), longest = std::llround(kLongestWarmUp * rate_);
        int64_t from = std::min(frame - warm, sounding_.earliest(frame));
        from = std::max<int64_t>({from, frame - longest, 0});
        from -= from % 64;  // the synthesiser's blocks fall where they fall when played from the start

        sounding_.clear();
        next_ = 0;
        for (; next_ < frames_.size() && frames_[next_] < from; ++next_) {
            send(song_.messages[next_], false);
            sounding_.take(song_.messages[next_], frames_[next_]);
        }
        if (from >= releaseAt_)
            released_ = true;
        else
            sounding_.strike(synth_->get());
        synthPos_ = from;
        limiter_.reset();
        livePos_ = from - (Limiter::kLook - 1);
        kept_ = 0;
        float scratch[2 * kChunk];
        while (livePos_ < frame)
            renderLive(scratch, int(std::min<int64_t>(kChunk, frame - livePos_)));
        kept_ = std::min(kept_, frame - from);
        readPos_ = frame;
    }

    // The next `frames` frames of the synthesiser through the limiter, kept
    // for a seek back.
    void renderLive(float *out, int frames) {
        int done = 0;
        while (done < frames) {
            if (!released_ && synthPos_ >= releaseAt_) {
                releaseAll();
                released_ = true;
            }
            while (next_ < frames_.size() && frames_[next_] <= synthPos_)
                send(song_.messages[next_++], true);
            int64_t until = next_ < frames_.size() ? frames_[next_] : INT64_MAX;
            if (!released_)
                until = std::min(until, releaseAt_);
            const int n = int(std::min<int64_t>(frames - done, until - synthPos_));
            synth_->write(out + size_t(done) * 2, n);
            done += n;
            synthPos_ += n;
        }
        limiter_.process(out, frames);
        const int64_t cap = int64_t(history_.size() / 2);
        for (int i = 0; i < frames; ++i) {
            const size_t at = size_t(((livePos_ + i) % cap + cap) % cap) * 2;
            history_[at] = out[2 * i];
            history_[at + 1] = out[2 * i + 1];
        }
        livePos_ += frames;
        kept_ = std::min(cap, kept_ + frames);
    }

    void fromHistory(float *out, int frames) {
        const int64_t cap = int64_t(history_.size() / 2);
        for (int i = 0; i < frames; ++i) {
            const size_t at = size_t((readPos_ + i) % cap) * 2;
            out[2 * i] = history_[at];
            out[2 * i + 1] = history_[at + 1];
        }
    }

    void releaseAll() {
        fluid_synth_t *fs = synth_->get();
        for (int ch = 0; ch < 16; ++ch) {
            fluid_synth_cc(fs, ch, 64, 0);
            fluid_synth_cc(fs, ch, 66, 0);
        }
        fluid_synth_all_notes_off(fs, -1);
        sounding_.releaseAll();
    }

    void send(const MidiMessage &m, bool notes) {
        fluid_synth_t *fs = synth_->get();
        const int ch = m.status & 0x0F;
        switch (m.status & 0xF0) {
            case 0x80:
                if (notes)
                    fluid_synth_noteoff(fs, ch, m.data1);
                break;
            case 0x90:
                if (notes) {
                    if (m.data2)
                        fluid_synth_noteon(fs, ch, m.data1, m.data2);
                    else
                        fluid_synth_noteoff(fs, ch, m.data1);
                }
                break;
            case 0xA0:
                fluid_synth_key_pressure(fs, ch, m.data1, m.data2);
                break;
            case 0xB0:
                fluid_synth_cc(fs, ch, m.data1, m.data2);
                break;
            case 0xC0:
                fluid_synth_program_change(fs, ch, m.data1);
                break;
            case 0xD0:
                fluid_synth_channel_pressure(fs, ch, m.data1);
                break;
            case 0xE0:
                fluid_synth_pitch_bend(fs, ch, m.data1 | (m.data2 << 7));
                break;
        }
    }

    // The last notes' release fades to silence at the file's length (a raised cosine).
    void fadeAtEnd(float *o, int n) {
        const int64_t end = lengthFrames();
        if (readPos_ + n <= end - endFade_)
            return;
        for (int i = 0; i < n; ++i) {
            const int64_t left = end - (readPos_ + i);
            if (left >= endFade_)
                continue;
            const float g =
                left > 0 ? float(0.5 - 0.5 * std::cos(M_PI * double(left) / double(endFade_))) : 0.0f;
            o[2 * i] *= g;
            o[2 * i + 1] *= g;
        }
    }

    MidiSong song_;
    std::vector<int64_t> frames_;
    std::unique_ptr<MidiSynth> synth_;
    int rate_;
    Limiter limiter_;
    Sounding sounding_;
    std::vector<float> history_;  // the last frames rendered, by frame modulo its length
    size_t next_ = 0;
    int64_t synthPos_ = 0;  // the synthesiser's next frame
    int64_t livePos_ = 0;   // the next frame out of the limiter: its look-ahead behind
    int64_t kept_ = 0;      // frames before livePos_ in history_
    int64_t readPos_ = 0;   // the next frame read
    int64_t endFade_ = 0;
    int64_t releaseAt_ = 0;
    bool released_ = false;
};

}  // namespace

std::unique_ptr<Decoder> openMidiDecoder(const QString &path, int rate) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw VbError(QStringLiteral("The file cannot be opened: %1").arg(path));
    MidiSong song;
    if (f.size() > kMaxMidiBytes || !parseMidi(f.readAll(), song))
        throw VbError(QStringLiteral("The file is not a valid MIDI file: %1").arg(path));
    if (!playable(song))
        throw VbError(QStringLiteral("The MIDI file holds no notes: %1").arg(path));
    std::unique_ptr<MidiSynth> synth = takeMidiSynth(rate);
    if (!synth)
        throw VbError(
            QStringLiteral("MIDI files cannot be played: the soundfont %1 is missing").arg(soundFontPath()));
    return std::make_unique<MidiDecoder>(std::move(song), std::move(synth), rate);
}

}  // namespace vb2media
