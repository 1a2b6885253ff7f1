#include "media/MidiSynth.h"

#include <fluidsynth.h>

#include <dlfcn.h>
#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "media/AudioOutput.h"
#include "media/Decoder.h"

namespace vb2media {

QString soundFontPath() {
    const QString env = qEnvironmentVariable("VB2_SOUNDFONT");
    return env.isEmpty() ? QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2") : env;
}

namespace {

// The synthesiser's own gain: headroom for a few voices at full velocity, while
// a single voice keeps about its usual loudness; the decoder's limiter takes
// the peaks of a full arrangement.
constexpr double kSynthGain = 0.5;
constexpr int kBlock = 64;  // the synthesiser renders in blocks of this many frames
// Synthesisers kept ready: both decks may open a MIDI file at once.
constexpr int kSpares = 2;

void quietLogs() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
            fluid_set_log_function(level, nullptr, nullptr);
    });
}

// FluidSynth reads a soundfont with an OpenMP team of one thread a core. On a
// busy machine the team's threads wait for each other at every barrier,
// spinning while they wait: the reading took up to four times its single-thread
// CPU time and several times as long. One thread reads it in about 50 ms of
// CPU. The setting holds for the calling thread only; OpenMP is reached
// through FluidSynth's own dependency, so nothing happens without it.
void oneOpenMpThread() {
    using SetThreads = void (*)(int);
    if (auto set = reinterpret_cast<SetThreads>(dlsym(RTLD_DEFAULT, "omp_set_num_threads")))
        set(1);
}

// FluidSynth's settings ask SDL for its audio devices: never beside the engine's
// own SDL calls.
fluid_settings_t *newSettings() {
    std::lock_guard<std::mutex> g(sdlAudioMutex());
    return new_fluid_settings();
}

// The soundfonts read so far, each held by a synthesiser of its own that plays
// nothing, and synthesisers ready for the next files.
class Bank {
  public:
    static Bank &instance() {
        // Never destroyed: a synthesiser freed late at exit still finds its
        // soundfont, and a reading under way at exit just stops.
        static Bank *bank = new Bank;
        return *bank;
    }

    void preload(int rate) {
        if (preloaded_.exchange(true))
            return;
        // The thread uses no Qt: it may still run while the program exits.
        std::thread([this, path = std::string(QFile::encodeName(soundFontPath()).constData()), rate] {
            if (fluid_sfont_t *f = font(path))
                makeSpare(f, rate);
            endSdlThread();
        }).detach();
    }

    // The soundfont read from `path` (in the file system's encoding), read now
    // unless it is already read or being read.
    fluid_sfont_t *font(const std::string &path) {
        std::unique_lock<std::mutex> lk(mtx_);
        for (;;) {
            Font *f = find(path);
            if (!f)
                break;
            if (f->font)
                return f->font;
            cv_.wait(lk);  // being read on another thread
        }
        struct stat st;
        if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            return nullptr;
        fonts_.push_back(std::make_unique<Font>());
        Font *f = fonts_.back().get();
        f->path = path;
        lk.unlock();

        quietLogs();
        oneOpenMpThread();
        fluid_settings_t *settings = newSettings();
        fluid_synth_t *holder = settings ? new_fluid_synth(settings) : nullptr;
        int id = FLUID_FAILED;
        if (holder)
            id = fluid_synth_sfload(holder, path.c_str(), 0);
        fluid_sfont_t *font = id == FLUID_FAILED ? nullptr : fluid_synth_get_sfont_by_id(holder, id);

        lk.lock();
        ++reads_;
        if (font) {
            f->settings = settings;
            f->holder = holder;
            f->font = font;
        } else {
            if (holder)
                delete_fluid_synth(holder);
            if (settings)
                delete_fluid_settings(settings);
            fonts_.erase(
                std::find_if(fonts_.begin(), fonts_.end(), [f](const auto &p) { return p.get() == f; }));
        }
        cv_.notify_all();
        return font;
    }

    // A synthesiser that has played nothing yet: its chorus and other inner
    // state start where a play from the file's start expects them. Spares are
    // made ready in the background for the next files and seeks.
    std::unique_ptr<MidiSynth> take(fluid_sfont_t *font, int rate) {
        std::unique_ptr<MidiSynth> s;
        {
            std::unique_lock<std::mutex> lk(mtx_);
            for (;;) {
                for (auto it = spare_.begin(); it != spare_.end(); ++it) {
                    if ((*it)->font() == font && (*it)->rate() == rate) {
                        s = std::move(*it);
                        spare_.erase(it);
                        break;
                    }
                }
                // One being made is as near as one made here, and costs no second making.
                if (s || making_ != std::pair{font, rate})
                    break;
                cv_.wait(lk);
            }
        }
        if (!s) {
            s = std::make_unique<MidiSynth>(font, rate);
            if (!s->ok())
                return nullptr;
        }
        makeSpare(font, rate);
        return s;
    }

    // Tops the spares of this soundfont and rate up to kSpares, on a thread of its own.
    void makeSpare(fluid_sfont_t *font, int rate) {
        {
            std::lock_guard<std::mutex> g(mtx_);
            if (making_.first)
                return;
            making_ = {font, rate};
        }
        std::thread([this, font, rate] {
            topUp(font, rate);
            endSdlThread();
        }).detach();
    }

    bool preloaded() const { return preloaded_.load(); }

    bool ready(int rate) {
        std::lock_guard<std::mutex> g(mtx_);
        return std::any_of(spare_.begin(), spare_.end(), [&](const auto &o) { return o->rate() == rate; });
    }

    int reads() {
        std::lock_guard<std::mutex> g(mtx_);
        return reads_;
    }

  private:
    void topUp(fluid_sfont_t *font, int rate) {
        for (;;) {
            {
                std::lock_guard<std::mutex> g(mtx_);
                const auto n = std::count_if(spare_.begin(), spare_.end(), [&](const auto &o) {
                    return o->font() == font && o->rate() == rate;
                });
                if (n >= kSpares) {
                    making_ = {};
                    cv_.notify_all();
                    return;
                }
            }
            auto s = std::make_unique<MidiSynth>(font, rate);
            std::lock_guard<std::mutex> g(mtx_);
            if (s->ok())
                spare_.push_back(std::move(s));
            else
                making_ = {};
            cv_.notify_all();
            if (!making_.first)
                return;
        }
    }

    struct Font {
        std::string path;
        fluid_settings_t *settings = nullptr;
        fluid_synth_t *holder = nullptr;  // owns the soundfont
        fluid_sfont_t *font = nullptr;    // null while it is being read
    };

    Font *find(const std::string &path) {
        for (const auto &f : fonts_)
            if (f->path == path)
                return f.get();
        return nullptr;
    }

    std::mutex mtx_;
    std::condition_variable cv_;
    std::vector<std::unique_ptr<Font>> fonts_;
    std::vector<std::unique_ptr<MidiSynth>> spare_;
    std::atomic<bool> preloaded_{false};
    // The soundfont and rate whose spares are being made; none while none is.
    std::pair<fluid_sfont_t *, int> making_{nullptr, 0};
    int reads_ = 0;
};

}  // namespace

MidiSynth::MidiSynth(fluid_sfont_t *font, int rate) : font_(font), rate_(rate) {
    quietLogs();
    settings_ = newSettings();
    if (!settings_)
        return;
    fluid_settings_setnum(settings_, "synth.sample-rate", rate);
    fluid_settings_setnum(settings_, "synth.gain", kSynthGain);
    fluid_settings_setint(settings_, "synth.threadsafe-api", 0);
    synth_ = new_fluid_synth(settings_);
    if (synth_ && fluid_synth_add_sfont(synth_, font_) == FLUID_FAILED) {
        delete_fluid_synth(synth_);
        synth_ = nullptr;
    }
    if (synth_)
        fluid_synth_program_reset(synth_);
}

MidiSynth::~MidiSynth() {
    if (synth_) {
        // The soundfont belongs to its holder, not to this synthesiser.
        fluid_synth_system_reset(synth_);
        fluid_synth_remove_sfont(synth_, font_);
        delete_fluid_synth(synth_);
    }
    if (settings_)
        delete_fluid_settings(settings_);
}

void MidiSynth::write(float *out, int frames) {
    fluid_synth_write_float(synth_, frames, out, 0, 2, out, 1, 2);
    written_ += frames;
}

void MidiSynth::reset() {
    fluid_synth_system_reset(synth_);
    const int ahead = int((kBlock - written_ % kBlock) % kBlock);
    if (ahead > 0) {
        float drain[2 * kBlock];
        write(drain, ahead);
    }
}

void preloadMidi(int rate) {
    Bank::instance().preload(rate);
}

void preloadMidiFor(const QString &path, int rate) {
    static const QStringList kSuffixes = {"mid", "midi", "kar", "smf"};
    if (!Bank::instance().preloaded() && kSuffixes.contains(QFileInfo(path).suffix(), Qt::CaseInsensitive))
        preloadMidi(rate);
}

std::unique_ptr<MidiSynth> takeMidiSynth(int rate) {
    Bank &bank = Bank::instance();
    fluid_sfont_t *font = bank.font(std::string(QFile::encodeName(soundFontPath()).constData()));
    if (!font)
        return nullptr;
    return bank.take(font, rate);
}

std::unique_ptr<MidiSynth> takeMidiSynth(const MidiSynth &like) {
    return Bank::instance().take(like.font(), like.rate());
}

int soundFontReads() {
    return Bank::instance().reads();
}

bool midiSynthReady(int rate) {
    return Bank::instance().ready(rate);
}

}  // namespace vb2media
