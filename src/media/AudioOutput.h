#pragma once
// The engine's sound output: a stream to the sound server (PulseAudio, or
// PipeWire through its PulseAudio service) through the server's own client
// library, or an SDL device (ALSA, JACK, PipeWire's own protocol, and the
// dummy driver when the environment asks for it).
//
// An output calls `render` on its own audio thread, which asks for real-time
// priority; everything else is read through atomics, so the control and event
// threads never wait for the audio thread.
#include <QString>
#include <cstdint>
#include <memory>
#include <mutex>

namespace vb2media {

// Fills `frames` interleaved stereo float frames; never locks, allocates, logs or does I/O.
using RenderFn = void (*)(void *user, float *out, int frames);
// For an output that writes ahead, before each write: the last `unheard`
// frames written are not sounding yet; returns how many of them to render
// again and write over. Same rules as RenderFn.
using SyncFn = int (*)(void *user, int unheard);

class AudioOutput {
  public:
    virtual ~AudioOutput() = default;
    // "pulseaudio", "pipewire" (the server's own name) or SDL's driver name.
    virtual QString name() const = 0;
    // Frames the server asks for at a time.
    virtual int bufferFrames() const = 0;
    // Seconds from a frame leaving the mixer to its sound, as the server reports it.
    virtual double latency() const = 0;
    // Times the server ran out of our sound.
    virtual uint64_t underflows() const = 0;
    // The stream or the server is gone: the output has to be opened again.
    virtual bool failed() const = 0;
    // Whether the audio thread runs with real-time priority.
    virtual bool realtime() const = 0;
};

struct OutputFormat {
    int rate = 48000;
    int bufferFrames = 480;
    RenderFn render = nullptr;
    void *user = nullptr;
    // Called from the output's own thread when it fails (lock-free, async-signal-safe).
    void (*failed)(void *user) = nullptr;
    // An output that can write over what it queued (the server's stream) calls
    // it, and syncs at once when `wakeFd` (an eventfd) becomes readable.
    SyncFn sync = nullptr;
    int wakeFd = -1;
};

// A stream on the sound server the client library finds (PULSE_SERVER, the
// user's session); never starts a server. Null with the reason in `why`.
std::unique_ptr<AudioOutput> openServerOutput(const OutputFormat &format, QString *why);
// An SDL device: the driver SDL_AUDIODRIVER names, else SDL's own choice among
// the real ones (it never picks the dummy driver by itself).
std::unique_ptr<AudioOutput> openSdlOutput(const OutputFormat &format, QString *why);
// Held around every call into SDL's audio subsystem from any thread. FluidSynth
// looks at SDL's audio devices whenever it makes its settings, and SDL's audio
// start and stop are not safe beside another thread's calls.
std::mutex &sdlAudioMutex();
// Frees what SDL keeps for the calling thread (its last error text), which SDL
// frees by itself only for threads it made. Last thing of our threads that call
// SDL, FluidSynth's settings included.
void endSdlThread();

// Asks for real-time scheduling of the calling thread: SCHED_FIFO where the
// process may (RLIMIT_RTPRIO, root), else through rtkit. False when refused.
bool requestRealtime();

}  // namespace vb2media
