// Output to the sound server through its own client library: a playback
// stream on PulseAudio, or on PipeWire through its PulseAudio service.
//
// The stream keeps a long queue on the server and writes a change over it
// (a negative relative seek), and opens on a sink that starts at once. The
// mainloop thread is the audio thread: it asks for real-time priority before
// the stream opens, and wakes on the engine's eventfd when a change comes.
#include <pulse/pulseaudio.h>

#include <unistd.h>
#include <QByteArray>
#include <QList>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "media/AudioEngine.h"
#include "media/AudioOutput.h"

namespace vb2media {

namespace {

// The queue kept written on the server, the size of each request and the
// part of the queue never written over (what the server may already have
// taken), in milliseconds, measured with bench_output sweep and the server
// tests beside a parallel build. The queue outlasts a machine that keeps the
// server or us off the CPU for up to about 170 ms (PulseAudio lost nothing
// there; at 70 or 80 ms it ran dry in 1 take of 5); a change is written over
// all but the guard, so it sounds about as soon as in a 30 ms queue. PipeWire
// runs its graph in cycles of one request: in 5 ms cycles its own threads
// missed several a take beside the build (none in three takes at 20 ms
// requests, which add about 20 ms to a Play).
struct Latency {
    int aheadMs;
    int requestMs;
    int guardMs;
};
constexpr Latency kPulseAudioLatency{200, 10, 30};
constexpr Latency kPipeWireLatency{200, 20, 40};

std::atomic<int> stationQueueMs{0};

// VB2_SERVER_LATENCY="ahead/request[/guard]" (ms) tries another setting, for
// measuring; a station sets the queue's length with PULSE_LATENCY_MSEC.
Latency latencyFor(bool pipewire) {
    Latency l = pipewire ? kPipeWireLatency : kPulseAudioLatency;
    if (const int ms = stationQueueMs.load(); ms > 0)
        l.aheadMs = ms;
    const QList<QByteArray> parts = qgetenv("VB2_SERVER_LATENCY").split('/');
    if (parts.size() == 2 || parts.size() == 3) {
        bool ok[3] = {false, false, true};
        const int ahead = parts[0].toInt(&ok[0]), request = parts[1].toInt(&ok[1]);
        const int guard = parts.size() == 3 ? parts[2].toInt(&ok[2]) : l.guardMs;
        if (ok[0] && ok[1] && ok[2] && request >= 1 && ahead >= request && ahead <= 2000 && guard >= 0)
            l = {ahead, request, guard};
    }
    return l;
}

class ServerOutput final : public AudioOutput {
  public:
    explicit ServerOutput(const OutputFormat &f) : fmt_(f) {}
    ~ServerOutput() override { close(); }

    bool open(QString *why);

    QString name() const override { return name_; }
    int bufferFrames() const override { return frames_; }
    double latency() const override { return double(latencyUs_.load(std::memory_order_relaxed)) / 1e6; }
    uint64_t underflows() const override { return underflows_.load(std::memory_order_relaxed); }
    bool failed() const override { return failed_.load(std::memory_order_acquire); }
    bool realtime() const override { return realtime_.load(); }

  private:
    void close();
    // Waits, with the mainloop locked, until `ready` holds or `bad` does, for at most 3 s.
    template <class Ready, class Bad>
    bool waitLocked(Ready ready, Bad bad);
    void fail() {
        if (!failed_.exchange(true, std::memory_order_acq_rel) && fmt_.failed)
            fmt_.failed(fmt_.user);
        pa_threaded_mainloop_signal(loop_, 0);
    }

    static void onContextState(pa_context *c, void *self);
    static void onStreamState(pa_stream *s, void *self);
    static void onWrite(pa_stream *s, size_t bytes, void *self);
    static void onWake(pa_mainloop_api *, pa_io_event *, int fd, pa_io_event_flags_t, void *self);
    // Audio thread: goes back for any change, then fills the queue up to its length.
    void service(size_t requested);
    void writeFrames(size_t frames, int64_t offsetBytes);
    static void onUnderflow(pa_stream *s, void *self);
    static void onServerInfo(pa_context *c, const pa_server_info *info, void *self);
    static void onLoopStart(pa_threaded_mainloop *m, void *self);
    static void onSinkInfo(pa_context *c, const pa_sink_info *info, int eol, void *self);
    bool suspendSinkLocked(bool suspend);

    OutputFormat fmt_;
    pa_threaded_mainloop *loop_ = nullptr;
    pa_context *ctx_ = nullptr;
    pa_stream *stream_ = nullptr;
    pa_io_event *wake_ = nullptr;
    int aheadFrames_ = 0;  // queue length kept written
    int guardFrames_ = 0;  // of the queue, never written over
    QString name_ = QStringLiteral("pulseaudio");
    bool pipewire_ = false;
    bool infoDone_ = false;
    bool hasSink_ = false;
    pa_sink_state_t sinkState_ = PA_SINK_INVALID_STATE;
    int frames_ = 0;
    std::atomic<bool> failed_{false};
    std::atomic<bool> realtime_{false};
    std::atomic<uint64_t> underflows_{0};
    std::atomic<int64_t> latencyUs_{0};
};

void ServerOutput::onContextState(pa_context *c, void *self) {
    auto *o = static_cast<ServerOutput *>(self);
    if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(c)))
        o->fail();
    else
        pa_threaded_mainloop_signal(o->loop_, 0);
}

void ServerOutput::onStreamState(pa_stream *s, void *self) {
    auto *o = static_cast<ServerOutput *>(self);
    if (!PA_STREAM_IS_GOOD(pa_stream_get_state(s)))
        o->fail();
    else
        pa_threaded_mainloop_signal(o->loop_, 0);
}

void ServerOutput::onServerInfo(pa_context *, const pa_server_info *info, void *self) {
    auto *o = static_cast<ServerOutput *>(self);
    if (info && info->server_name && std::strstr(info->server_name, "PipeWire"))
        o->pipewire_ = true;
    o->hasSink_ = info && info->default_sink_name && *info->default_sink_name;
    o->infoDone_ = true;
    pa_threaded_mainloop_signal(o->loop_, 0);
}

void ServerOutput::onLoopStart(pa_threaded_mainloop *, void *self) {
    static_cast<ServerOutput *>(self)->realtime_.store(requestRealtime());
}

// The audio thread: the mixer writes straight into the server's buffer, at
// the end of the queue or `offsetBytes` back from it.
void ServerOutput::writeFrames(size_t frames, int64_t offsetBytes) {
    constexpr size_t kFrameBytes = 2 * sizeof(float);
    size_t bytes = frames * kFrameBytes;
    while (bytes >= kFrameBytes) {
        void *data = nullptr;
        size_t n = bytes;
        if (pa_stream_begin_write(stream_, &data, &n) < 0 || !data)
            return;
        n = std::min(n, bytes);
        n -= n % kFrameBytes;
        if (n == 0) {
            pa_stream_cancel_write(stream_);
            return;
        }
        fmt_.render(fmt_.user, static_cast<float *>(data), int(n / kFrameBytes));
        if (pa_stream_write(stream_, data, n, nullptr, offsetBytes, PA_SEEK_RELATIVE) < 0)
            return;
        // The rest follows what was just written.
        offsetBytes = 0;
        bytes -= n;
    }
}

void ServerOutput::service(size_t requested) {
    constexpr size_t kFrameBytes = 2 * sizeof(float);
    pa_usec_t usec = 0;
    int negative = 0;
    int64_t queued = -1;  // frames written and not yet sounding; unknown before the first timing
    if (pa_stream_get_latency(stream_, &usec, &negative) == 0) {
        queued = negative ? 0 : int64_t(usec) * fmt_.rate / 1000000;
        latencyUs_.store(negative ? 0 : int64_t(usec), std::memory_order_relaxed);
    }
    size_t frames = requested / kFrameBytes;
    if (fmt_.sync) {
        const int64_t unheard = std::max<int64_t>(0, queued - guardFrames_);
        if (const int again = fmt_.sync(fmt_.user, int(unheard)); again > 0)
            writeFrames(size_t(again), -int64_t(again) * int64_t(kFrameBytes));
        // The server asks again for what a rewrite wrote, so the queue is
        // measured rather than counted from its requests.
        if (queued >= 0)
            frames = size_t(std::clamp<int64_t>(aheadFrames_ - queued, 0, int64_t(frames)));
    }
    if (frames > 0)
        writeFrames(frames, 0);
}

void ServerOutput::onWrite(pa_stream *, size_t bytes, void *self) {
    static_cast<ServerOutput *>(self)->service(bytes);
}

// A change came: it is written over the queue now, not at the next request.
void ServerOutput::onWake(pa_mainloop_api *, pa_io_event *, int fd, pa_io_event_flags_t, void *self) {
    uint64_t count = 0;
    if (::read(fd, &count, sizeof count) < 0) {
        // Nothing to read: another wake took it.
    }
    auto *o = static_cast<ServerOutput *>(self);
    if (o->stream_ && pa_stream_get_state(o->stream_) == PA_STREAM_READY) {
        const size_t writable = pa_stream_writable_size(o->stream_);
        o->service(writable == size_t(-1) ? 0 : writable);
    }
}

void ServerOutput::onUnderflow(pa_stream *, void *self) {
    static_cast<ServerOutput *>(self)->underflows_.fetch_add(1, std::memory_order_relaxed);
}

void ServerOutput::onSinkInfo(pa_context *, const pa_sink_info *info, int eol, void *self) {
    auto *o = static_cast<ServerOutput *>(self);
    if (!eol && info)
        o->sinkState_ = info->state;
    pa_threaded_mainloop_signal(o->loop_, 0);
}

bool ServerOutput::suspendSinkLocked(bool suspend) {
    pa_operation *op = pa_context_suspend_sink_by_name(ctx_, "@DEFAULT_SINK@", suspend, nullptr, nullptr);
    if (!op)
        return false;
    waitLocked([&] { return pa_operation_get_state(op) != PA_OPERATION_RUNNING; }, [] { return false; });
    pa_operation_unref(op);
    return true;
}

template <class Ready, class Bad>
bool ServerOutput::waitLocked(Ready ready, Bad bad) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (!ready()) {
        if (bad() || failed_.load() || std::chrono::steady_clock::now() > until)
            return false;
        // The callbacks signal; a short sleep bounds the wait if a server never answers.
        pa_threaded_mainloop_unlock(loop_);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        pa_threaded_mainloop_lock(loop_);
    }
    return true;
}

bool ServerOutput::open(QString *why) {
    auto error = [&](const char *what) {
        if (why)
            *why = QStringLiteral("%1: %2").arg(
                QLatin1String(what), QString::fromUtf8(pa_strerror(ctx_ ? pa_context_errno(ctx_) : 0)));
        return false;
    };
    loop_ = pa_threaded_mainloop_new();
    if (!loop_)
        return error("no mainloop");
    pa_threaded_mainloop_set_name(loop_, "vb2-audio");
    ctx_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "Vantelbrook2");
    if (!ctx_)
        return error("no context");
    pa_context_set_state_callback(ctx_, &ServerOutput::onContextState, this);
    if (pa_context_connect(ctx_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return error("no sound server");
    pa_threaded_mainloop_once_unlocked(loop_, &ServerOutput::onLoopStart, this);
    if (pa_threaded_mainloop_start(loop_) < 0)
        return error("no mainloop thread");

    pa_threaded_mainloop_lock(loop_);
    bool resumeSink = false;
    bool ok = waitLocked([&] { return pa_context_get_state(ctx_) == PA_CONTEXT_READY; },
                         [&] { return !PA_CONTEXT_IS_GOOD(pa_context_get_state(ctx_)); });
    if (ok) {
        if (pa_operation *op = pa_context_get_server_info(ctx_, &ServerOutput::onServerInfo, this)) {
            waitLocked([&] { return infoDone_; }, [] { return false; });
            pa_operation_unref(op);
        }
        name_ = pipewire_ ? QStringLiteral("pipewire") : QStringLiteral("pulseaudio");
        // A server still starting has no sink yet: a stream made then is
        // linked later with other buffers than it asked for.
        ok = hasSink_;
    }
    if (ok) {
        // An idle PulseAudio sink sleeps for its longest latency (seconds) and
        // takes a new stream's sound only when it wakes; one resumed from
        // suspension starts at once at the latency its streams ask for.
        if (!pipewire_) {
            sinkState_ = PA_SINK_INVALID_STATE;
            if (pa_operation *op = pa_context_get_sink_info_by_name(ctx_, "@DEFAULT_SINK@",
                                                                    &ServerOutput::onSinkInfo, this)) {
                waitLocked([&] { return pa_operation_get_state(op) != PA_OPERATION_RUNNING; },
                           [] { return false; });
                pa_operation_unref(op);
            }
            if (sinkState_ == PA_SINK_IDLE)
                resumeSink = suspendSinkLocked(true);
        }
        const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, uint32_t(fmt_.rate), 2};
        pa_channel_map map;
        pa_channel_map_init_stereo(&map);
        stream_ = pa_stream_new(ctx_, "Vantelbrook2 output", &spec, &map);
        ok = stream_ != nullptr;
    }
    if (ok) {
        pa_stream_set_state_callback(stream_, &ServerOutput::onStreamState, this);
        pa_stream_set_write_callback(stream_, &ServerOutput::onWrite, this);
        pa_stream_set_underflow_callback(stream_, &ServerOutput::onUnderflow, this);
        const Latency want = latencyFor(pipewire_);
        const uint32_t msBytes = uint32_t(fmt_.rate / 1000) * 2 * sizeof(float);
        pa_buffer_attr attr;
        attr.maxlength = uint32_t(-1);
        attr.tlength = uint32_t(want.aheadMs) * msBytes;
        attr.prebuf = uint32_t(want.requestMs) * msBytes;  // after an underflow, play again at once
        attr.minreq = uint32_t(want.requestMs) * msBytes;
        attr.fragsize = uint32_t(-1);
        guardFrames_ = want.guardMs * fmt_.rate / 1000;
        aheadFrames_ = want.aheadMs * fmt_.rate / 1000;
        // The queue stays in the server's stream, where it can be written over.
        // Early requests keep the sink (PulseAudio) or the graph's cycle
        // (PipeWire) at one request; else PulseAudio's sink takes most of the
        // queue as its own buffer and PipeWire's graph runs in 43 ms cycles.
        const auto flags = pa_stream_flags_t(PA_STREAM_EARLY_REQUESTS | PA_STREAM_INTERPOLATE_TIMING |
                                             PA_STREAM_AUTO_TIMING_UPDATE);
        if (fmt_.sync && fmt_.wakeFd >= 0)
            wake_ =
                pa_threaded_mainloop_get_api(loop_)->io_new(pa_threaded_mainloop_get_api(loop_), fmt_.wakeFd,
                                                            PA_IO_EVENT_INPUT, &ServerOutput::onWake, this);
        ok = pa_stream_connect_playback(stream_, nullptr, &attr, flags, nullptr, nullptr) == 0 &&
             waitLocked([&] { return pa_stream_get_state(stream_) == PA_STREAM_READY; },
                        [&] { return !PA_STREAM_IS_GOOD(pa_stream_get_state(stream_)); });
    }
    if (resumeSink)
        suspendSinkLocked(false);
    if (ok) {
        // PULSE_LATENCY_MSEC may have set another queue length.
        const pa_buffer_attr *got = pa_stream_get_buffer_attr(stream_);
        frames_ = got ? int(got->minreq / (2 * sizeof(float))) : fmt_.bufferFrames;
        if (got)
            aheadFrames_ = int(got->tlength / (2 * sizeof(float)));
    }
    pa_threaded_mainloop_unlock(loop_);
    if (!ok) {
        error(stream_                  ? "the playback stream did not start"
              : infoDone_ && !hasSink_ ? "the sound server has no sound device"
                                       : "no sound server");
        close();
        return false;
    }
    return true;
}

void ServerOutput::close() {
    if (loop_) {
        pa_threaded_mainloop_lock(loop_);
        if (wake_)
            pa_threaded_mainloop_get_api(loop_)->io_free(wake_);
        wake_ = nullptr;
        if (stream_) {
            pa_stream_set_write_callback(stream_, nullptr, nullptr);
            pa_stream_set_state_callback(stream_, nullptr, nullptr);
            pa_stream_disconnect(stream_);
        }
        if (ctx_) {
            pa_context_set_state_callback(ctx_, nullptr, nullptr);
            pa_context_disconnect(ctx_);
        }
        pa_threaded_mainloop_unlock(loop_);
        pa_threaded_mainloop_stop(loop_);
    }
    if (stream_)
        pa_stream_unref(stream_);
    if (ctx_)
        pa_context_unref(ctx_);
    if (loop_)
        pa_threaded_mainloop_free(loop_);
    stream_ = nullptr;
    ctx_ = nullptr;
    loop_ = nullptr;
}

}  // namespace

void takeServerQueueSetting() {
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("PULSE_LATENCY_MSEC", &ok);
    stationQueueMs.store(ok && ms >= 10 && ms <= 2000 ? ms : 0);
    qunsetenv("PULSE_LATENCY_MSEC");
}

std::unique_ptr<AudioOutput> openServerOutput(const OutputFormat &format, QString *why) {
    auto out = std::make_unique<ServerOutput>(format);
    if (!out->open(why))
        return nullptr;
    return out;
}

}  // namespace vb2media
