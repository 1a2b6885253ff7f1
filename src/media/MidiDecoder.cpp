// MIDI files: our own sequencer over the file's timeline drives a FluidSynth
// synthesiser with the General MIDI soundfont; playback ends at the file's
// own length (FluidSynth's player would run on for seconds).
#include <fluidsynth.h>

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <mutex>
#include <vector>

#include "media/Decoder.h"
#include "media/MidiFile.h"
#include "platform/VbError.h"

namespace vb2media {

QString soundFontPath() {
    const QString env = qEnvironmentVariable("VB2_SOUNDFONT");
    return env.isEmpty() ? QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2") : env;
}

namespace {

// Loading the soundfont takes a while, so synthesisers are kept for reuse.
class SynthPool {
  public:
    struct Synth {
        fluid_settings_t *settings = nullptr;
        fluid_synth_t *synth = nullptr;
        QString font;
        int rate = 0;
        ~Synth() {
            if (synth)
                delete_fluid_synth(synth);
            if (settings)
                delete_fluid_settings(settings);
        }
    };

    static SynthPool &instance() {
        static SynthPool pool;
        return pool;
    }

    std::unique_ptr<Synth> take(const QString &font, int rate) {
        {
            std::lock_guard<std::mutex> g(mtx_);
            for (auto it = idle_.begin(); it != idle_.end(); ++it) {
                if ((*it)->font == font && (*it)->rate == rate) {
                    std::unique_ptr<Synth> s = std::move(*it);
                    idle_.erase(it);
                    fluid_synth_system_reset(s->synth);
                    return s;
                }
            }
        }
        static std::once_flag quiet;
        std::call_once(quiet, [] {
            for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
                fluid_set_log_function(level, nullptr, nullptr);
        });
        auto s = std::make_unique<Synth>();
        s->font = font;
        s->rate = rate;
        if (!QFileInfo(font).isFile())
            return nullptr;
        s->settings = new_fluid_settings();
        if (!s->settings)
            return nullptr;
        fluid_settings_setnum(s->settings, "synth.sample-rate", rate);
        fluid_settings_setnum(s->settings, "synth.gain", 0.6);
        fluid_settings_setint(s->settings, "synth.threadsafe-api", 0);
        s->synth = new_fluid_synth(s->settings);
        if (!s->synth)
            return nullptr;
        if (fluid_synth_sfload(s->synth, QFile::encodeName(font).constData(), 1) == FLUID_FAILED)
            return nullptr;
        return s;
    }

    void give(std::unique_ptr<Synth> s) {
        std::lock_guard<std::mutex> g(mtx_);
        if (idle_.size() < 4)
            idle_.push_back(std::move(s));
    }

  private:
    std::mutex mtx_;
    std::vector<std::unique_ptr<Synth>> idle_;
};

class MidiDecoder : public Decoder {
  public:
    MidiDecoder(MidiSong song, std::unique_ptr<SynthPool::Synth> synth, int rate)
        : song_(std::move(song)), synth_(std::move(synth)), rate_(rate) {
        frames_.reserve(song_.messages.size());
        for (const MidiMessage &m : song_.messages)
            frames_.push_back(std::llround(m.seconds * rate_));
        setDuration(song_.seconds, rate_);
    }
    ~MidiDecoder() override {
        fluid_synth_system_reset(synth_->synth);
        SynthPool::instance().give(std::move(synth_));
    }

  protected:
    int readRaw(float *out, int frames) override {
        fluid_synth_t *fs = synth_->synth;
        int done = 0;
        while (done < frames) {
            while (next_ < frames_.size() && frames_[next_] <= pos_)
                send(song_.messages[next_++], true);
            int64_t until = next_ < frames_.size() ? frames_[next_] : INT64_MAX;
            const int n = int(std::min<int64_t>({frames - done, until - pos_, 1024}));
            float *o = out + size_t(done) * 2;
            fluid_synth_write_float(fs, n, o, 0, 2, o, 1, 2);
            fadeAtEnd(o, n);
            done += n;
            pos_ += n;
        }
        return done;
    }

    void seekRaw(int64_t frame) override {
        // Back to the state of every channel at that moment, without its notes.
        fluid_synth_system_reset(synth_->synth);
        next_ = 0;
        while (next_ < frames_.size() && frames_[next_] < frame)
            send(song_.messages[next_++], false);
        pos_ = frame;
    }

  private:
    void send(const MidiMessage &m, bool notes) {
        fluid_synth_t *fs = synth_->synth;
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

    // The sound stops at the file's length; its last 10 ms fade so it never clicks.
    void fadeAtEnd(float *o, int n) {
        const int64_t fade = rate_ / 100;
        const int64_t end = lengthFrames();
        for (int i = 0; i < n; ++i) {
            const int64_t left = end - (pos_ + i);
            if (left >= fade)
                continue;
            const float g = left > 0 ? float(left) / float(fade) : 0.0f;
            o[2 * i] *= g;
            o[2 * i + 1] *= g;
        }
    }

    MidiSong song_;
    std::vector<int64_t> frames_;
    std::unique_ptr<SynthPool::Synth> synth_;
    int rate_;
    size_t next_ = 0;
    int64_t pos_ = 0;
};

}  // namespace

std::unique_ptr<Decoder> openMidiDecoder(const QString &path, int rate) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw VbError(QStringLiteral("The file cannot be opened: %1").arg(path));
    MidiSong song;
    if (!parseMidi(f.readAll(), song))
        throw VbError(QStringLiteral("The file is not a valid MIDI file: %1").arg(path));
    const bool notes = std::any_of(song.messages.begin(), song.messages.end(),
                                   [](const MidiMessage &m) { return (m.status & 0xF0) == 0x90 && m.data2; });
    if (!notes || song.seconds <= 0)
        throw VbError(QStringLiteral("The MIDI file holds no notes: %1").arg(path));
    std::unique_ptr<SynthPool::Synth> synth = SynthPool::instance().take(soundFontPath(), rate);
    if (!synth)
        throw VbError(
            QStringLiteral("MIDI files cannot be played: the soundfont %1 is missing").arg(soundFontPath()));
    return std::make_unique<MidiDecoder>(std::move(song), std::move(synth), rate);
}

}  // namespace vb2media
