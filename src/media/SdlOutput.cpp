// Output through an SDL audio device: ALSA, JACK or PipeWire's own protocol
// where no sound server answers, and the dummy driver when the environment
// asks for it by name (SDL never picks it by itself).
#include <SDL.h>

#include <atomic>

#include "media/AudioOutput.h"

namespace vb2media {

namespace {

class SdlOutput final : public AudioOutput {
  public:
    explicit SdlOutput(const OutputFormat &f) : fmt_(f) {}
    ~SdlOutput() override {
        std::lock_guard<std::mutex> g(sdlAudioMutex());
        if (dev_)
            SDL_CloseAudioDevice(dev_);
    }

    bool open(QString *why) {
        std::lock_guard<std::mutex> g(sdlAudioMutex());
        SDL_SetHint(SDL_HINT_THREAD_FORCE_REALTIME_TIME_CRITICAL, "1");
        // The server's stream covers PulseAudio (SDL's driver for it asks for
        // latencies of a second); SDL_AUDIODRIVER in the environment wins over this.
        SDL_SetHint(SDL_HINT_AUDIODRIVER, "pipewire,alsa,jack");
        // Started afresh each time, so a device that appeared since is found.
        if (SDL_WasInit(SDL_INIT_AUDIO))
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            if (why)
                *why = QString::fromUtf8(SDL_GetError());
            return false;
        }
        SDL_AudioSpec want{};
        want.freq = fmt_.rate;
        want.format = AUDIO_F32SYS;
        want.channels = 2;
        want.samples = uint16_t(fmt_.bufferFrames);
        want.callback = &SdlOutput::callback;
        want.userdata = this;
        SDL_AudioSpec have{};
        // The engine's rate and format are fixed; SDL converts for a device that differs.
        dev_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (!dev_) {
            if (why)
                *why = QString::fromUtf8(SDL_GetError());
            return false;
        }
        name_ = QString::fromUtf8(SDL_GetCurrentAudioDriver());
        frames_ = have.samples ? have.samples : fmt_.bufferFrames;
        SDL_PauseAudioDevice(dev_, 0);
        return true;
    }

    QString name() const override { return name_; }
    int bufferFrames() const override { return frames_; }
    // SDL does not tell the device's own latency: one buffer in SDL, one at the device.
    double latency() const override { return 2.0 * frames_ / fmt_.rate; }
    uint64_t underflows() const override { return 0; }
    bool failed() const override {
        std::lock_guard<std::mutex> g(sdlAudioMutex());
        return SDL_GetAudioDeviceStatus(dev_) == SDL_AUDIO_STOPPED;
    }
    bool realtime() const override { return realtime_.load(std::memory_order_relaxed); }

  private:
    static void callback(void *self, uint8_t *stream, int len) {
        auto *o = static_cast<SdlOutput *>(self);
        if (!o->asked_) {
            // SDL asked for real-time itself where it may; this only reads the result.
            o->asked_ = true;
            int policy = 0;
            sched_param param{};
            o->realtime_.store(pthread_getschedparam(pthread_self(), &policy, &param) == 0 &&
                                   (policy == SCHED_FIFO || policy == SCHED_RR),
                               std::memory_order_relaxed);
        }
        o->fmt_.render(o->fmt_.user, reinterpret_cast<float *>(stream), len / int(2 * sizeof(float)));
    }

    OutputFormat fmt_;
    SDL_AudioDeviceID dev_ = 0;
    QString name_;
    int frames_ = 0;
    bool asked_ = false;
    std::atomic<bool> realtime_{false};
};

}  // namespace

std::mutex &sdlAudioMutex() {
    static std::mutex m;
    return m;
}

void endSdlThread() {
    SDL_TLSCleanup();
}

std::unique_ptr<AudioOutput> openSdlOutput(const OutputFormat &format, QString *why) {
    auto out = std::make_unique<SdlOutput>(format);
    if (!out->open(why))
        return nullptr;
    return out;
}

}  // namespace vb2media
