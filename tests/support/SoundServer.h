#pragma once
// A private PulseAudio or PipeWire server with a null sink, started by
// sound-server.sh in a temporary folder, and a recorder of that sink's monitor.
// Used by the server tests and the output benchmark; the user's own session is
// never touched.
#include <pulse/error.h>
#include <pulse/simple.h>

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "media/AudioOutput.h"

#ifndef VB2_SOUND_SERVER_SCRIPT
#define VB2_SOUND_SERVER_SCRIPT "tests/support/sound-server.sh"
#endif
#ifndef VB2_BUILD_LOAD_SCRIPT
#define VB2_BUILD_LOAD_SCRIPT "tests/support/build-load.sh"
#endif

namespace vb2test {

inline int64_t nowNs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// Runs `bash script args...` in `proc` and reads what it prints until a
// whole line holding `marker` has come, the script has ended, or `ms` have
// passed. Returns that line, empty if it did not come.
inline QByteArray startScript(std::unique_ptr<QProcess> &proc, const char *script, QStringList args,
                              const QByteArray &marker, int ms) {
    proc = std::make_unique<QProcess>();
    proc->setProgram(QStringLiteral("bash"));
    args.prepend(QString::fromUtf8(script));
    proc->setArguments(args);
    proc->start();
    QElapsedTimer t;
    t.start();
    QByteArray out;
    while (t.elapsed() < ms) {
        proc->waitForReadyRead(100);
        out += proc->readAllStandardOutput();
        const int at = out.indexOf(marker);
        const int end = at >= 0 ? out.indexOf('\n', at) : -1;
        if (end > at)
            return out.mid(at, end - at);
        if (proc->state() == QProcess::NotRunning)
            break;
    }
    return {};
}

// Terminates a script started so (and all it started), killing it after `graceMs`.
inline void endScript(std::unique_ptr<QProcess> &proc, int graceMs) {
    if (!proc)
        return;
    if (proc->state() != QProcess::NotRunning) {
        proc->terminate();
        if (!proc->waitForFinished(graceMs)) {
            proc->kill();
            proc->waitForFinished(2000);
        }
    }
    proc.reset();
}

class SoundServer {
  public:
    // The folder, and so the socket clients reach it at, is fixed from here
    // on, also across stop() and start().
    explicit SoundServer(QString kind) : kind_(std::move(kind)), dir_(std::make_unique<QTemporaryDir>()) {}
    ~SoundServer() { stop(); }

    // Starts the server and waits (bounded) until its null sink is the default
    // sink. False with the reason in `why` when it cannot start.
    bool start(QString *why) {
        const QByteArray ready =
            startScript(proc_, VB2_SOUND_SERVER_SCRIPT, {kind_, dir_->path()}, "READY ", 20000);
        if (!ready.isEmpty()) {
            session_ = ready.split(' ').value(2).toInt();
            return true;
        }
        if (why)
            *why = kind_ + QStringLiteral(" did not start: ") +
                   QString::fromUtf8(proc_->readAllStandardError()).trimmed();
        stop();
        return false;
    }

    void stop() { endScript(proc_, 8000); }

    bool running() const { return proc_ && proc_->state() == QProcess::Running; }
    // The session every process of the running server belongs to.
    int session() const { return session_; }

    // Where the server's log ends now, for cyclesMissedSince().
    qint64 logMark() const { return QFileInfo(logPath()).size(); }
    // Graph cycles the server finished without a node's sound since `mark`: its
    // own real-time threads ran late. The PipeWire daemon logs each as "client
    // too slow!" with the cycle's position; a client cannot prevent them (its
    // sound waits, already written, in the server). PulseAudio's sinks catch up
    // a late cycle instead, so there are none there.
    int cyclesMissedSince(qint64 mark) const {
        QFile f(logPath());
        if (!f.open(QIODevice::ReadOnly) || !f.seek(mark))
            return 0;
        std::set<QByteArray> cycles;
        for (const QByteArray &line : f.readAll().split('\n')) {
            const int at = line.indexOf("client too slow!");
            const int pos = line.indexOf(" pos:", at);
            if (at >= 0 && pos > at)
                cycles.insert(line.mid(pos + 5).split(' ').value(0));
        }
        return int(cycles.size());
    }
    QString kind() const { return kind_; }
    // "unix:<socket>", for PULSE_SERVER.
    QString server() const {
        return QStringLiteral("unix:") + runtimeDir() + QStringLiteral("/pulse/native");
    }
    QString runtimeDir() const { return dir_->path() + QStringLiteral("/run"); }
    QString logPath() const { return dir_->path() + QStringLiteral("/server.log"); }
    // Points this process's sound clients at the server (running or not yet).
    void exportToClients() const {
        qputenv("PULSE_SERVER", server().toUtf8());
        qputenv("PIPEWIRE_RUNTIME_DIR", runtimeDir().toUtf8());
        qunsetenv("SDL_AUDIODRIVER");
    }

  private:
    QString kind_;
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<QProcess> proc_;
    int session_ = 0;
};

// Watches, every 2 ms, how long the server's threads and the engine's audio
// thread wait to run once they are ready (the kernel's run_delay in
// /proc/.../schedstat grows by the whole wait when the thread gets the CPU).
// A server thread kept off the CPU for longer than its buffered sound runs
// dry whatever its clients do. A real-time thread kept off it that long was
// held by the machine itself (a virtual machine's CPU not running, a kernel
// path that does not yield), not by the load of ordinary threads beside it.
class StallWatch {
  public:
    // The shortest stall recorded: PipeWire's graph gives a node one cycle
    // (10 ms); the tests compare longer stalls with the queue themselves.
    static constexpr int64_t kStallNs = 30'000'000;
    enum class Who { Server, Audio, Watch };
    struct Stall {
        int64_t fromNs;  // CLOCK_MONOTONIC
        int64_t ns;
        Who who;
    };

    explicit StallWatch(int serverSession) {
        for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
            QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
            if (pid.toInt() <= 0 || !stat.open(QIODevice::ReadOnly))
                continue;
            // The fields after the command's closing parenthesis: state, ppid, pgrp, session.
            const QByteArray line = stat.readAll();
            const QList<QByteArray> f = line.mid(line.lastIndexOf(')') + 2).split(' ');
            if (f.size() > 3 && f[3].toInt() == serverSession)
                addTasks(QStringLiteral("/proc/") + pid, false);
        }
        addTasks(QStringLiteral("/proc/self"), true);
        thread_ = std::thread([this] { run(); });
    }
    ~StallWatch() { stop(); }

    void stop() {
        quit_.store(true);
        if (thread_.joinable())
            thread_.join();
    }
    // Waits longer than kStallNs, once stop() has returned.
    const std::vector<Stall> &stalls() const { return stalls_; }
    // The engine's audio thread's longest wait.
    double audioLongestMs() const { return double(audioLongest_.load()) / 1e6; }

  private:
    struct Task {
        std::string path;
        bool audio;
        int64_t last = -1;
    };

    void addTasks(const QString &proc, bool onlyAudio) {
        for (const QString &tid :
             QDir(proc + QStringLiteral("/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            const QString dir = proc + QStringLiteral("/task/") + tid;
            QFile comm(dir + QStringLiteral("/comm"));
            const bool audio = comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "vb2-audio";
            if (!onlyAudio || audio)
                tasks_.push_back({(dir + QStringLiteral("/schedstat")).toStdString(), audio});
        }
    }

    // The watch runs with real-time priority where it may: a round of its own
    // that comes late by more than kStallNs is then the whole machine stopping
    // (a virtual machine paused), which leaves no thread waiting in the queue.
    void run() {
        const bool realtime = vb2media::requestRealtime();
        int64_t lastRound = nowNs();
        while (!quit_.load()) {
            const int64_t round = nowNs();
            if (realtime && round - lastRound > kStallNs + 2'000'000 && stalls_.size() < 1000)
                stalls_.push_back({lastRound, round - lastRound, Who::Watch});
            lastRound = round;
            for (Task &t : tasks_) {
                long long run = 0, wait = 0;
                std::FILE *f = std::fopen(t.path.c_str(), "r");
                if (!f)
                    continue;
                const bool ok = std::fscanf(f, "%lld %lld", &run, &wait) == 2;
                std::fclose(f);
                if (!ok)
                    continue;
                const int64_t grew = t.last < 0 ? 0 : wait - t.last;
                t.last = wait;
                if (t.audio)
                    audioLongest_.store(std::max(audioLongest_.load(), grew));
                if (grew > kStallNs && stalls_.size() < 1000)
                    stalls_.push_back({nowNs() - grew, grew, t.audio ? Who::Audio : Who::Server});
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    std::vector<Task> tasks_;
    std::atomic<bool> quit_{false};
    std::vector<Stall> stalls_;  // the watching thread's until stop()
    std::atomic<int64_t> audioLongest_{0};
    std::thread thread_;
};

// A parallel build of a small generated C++ tree beside the sound (build-load.sh),
// for a bounded time; it ends by itself, and at the latest when this is destroyed.
class BuildLoad {
  public:
    ~BuildLoad() { stop(); }

    // Starts `jobs` compilers at a time for `seconds` and waits until they run.
    bool start(int seconds, int jobs = 8, QString *why = nullptr) {
        if (!startScript(proc_, VB2_BUILD_LOAD_SCRIPT,
                         {dir_.path(), QString::number(seconds), QString::number(jobs)}, "LOADING", 10000)
                 .isEmpty())
            return true;
        if (why)
            *why = QStringLiteral("the build load did not start: ") +
                   QString::fromUtf8(proc_->readAllStandardError()).trimmed();
        stop();
        return false;
    }

    void stop() { endScript(proc_, 5000); }

  private:
    QTemporaryDir dir_;
    std::unique_ptr<QProcess> proc_;
};

// The 1-minute load average, as /proc/loadavg tells it.
inline double loadAverage() {
    double v = 0;
    if (std::FILE *f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf", &v) != 1)
            v = 0;
        std::fclose(f);
    }
    return v;
}

// Records the null sink's monitor (float stereo, 48 kHz) on its own thread and
// stamps each block with the monotonic time it was read. The server sends the
// recording in fragments of 40 ms: longer than the engine's requests, so that
// the recorder sets neither the sink's latency (PulseAudio) nor the graph's
// cycle (PipeWire), as no recorder does on a show machine.
class MonitorRecorder {
  public:
    static constexpr int kRate = 48000;
    static constexpr int kBlock = 240;  // 5 ms
    static constexpr int kFragmentBlocks = 8;

    ~MonitorRecorder() { stop(); }

    bool start(const QString &server, QString *why, double maxSeconds = 120) {
        pa_sample_spec ss{PA_SAMPLE_FLOAT32LE, kRate, 2};
        pa_buffer_attr attr{};
        attr.maxlength = uint32_t(-1);
        attr.fragsize = kBlock * kFragmentBlocks * 8;
        int err = 0;
        const QByteArray srv = server.toUtf8();
        pa_ = pa_simple_new(srv.constData(), "vb2-monitor", PA_STREAM_RECORD, "vb2null.monitor", "monitor",
                            &ss, nullptr, &attr, &err);
        if (!pa_) {
            if (why)
                *why = QStringLiteral("cannot record the monitor: ") + QString::fromUtf8(pa_strerror(err));
            return false;
        }
        samples_.assign(size_t(maxSeconds * kRate) * 2, 0.0f);
        stamps_.assign(samples_.size() / (kBlock * 2) + 1, 0);
        frames_.store(0);
        quit_.store(false);
        thread_ = std::thread([this] { run(); });
        return true;
    }

    void stop() {
        quit_.store(true);
        if (thread_.joinable())
            thread_.join();
        if (pa_)
            pa_simple_free(pa_);
        pa_ = nullptr;
    }

    int64_t frames() const { return frames_.load(); }
    // Left channel of frame i (recorded so far).
    float left(int64_t i) const { return samples_[size_t(i) * 2]; }
    // The monotonic time at which frame i reached the monitor (within a block):
    // a fragment's blocks are read at once, so the latest block read soonest
    // after it bounds it best.
    int64_t timeOf(int64_t i) const {
        const int64_t block = i / kBlock, recorded = frames() / kBlock;
        int64_t best = INT64_MAX;
        for (int64_t b = block; b < std::min(recorded, block + 2 * kFragmentBlocks + 1); ++b)
            best = std::min<int64_t>(
                best,
                stamps_[size_t(b)] - ((b - block) * kBlock + kBlock - 1 - i % kBlock) * 1000000000LL / kRate);
        return best == INT64_MAX ? stamps_[size_t(block)] : best;
    }
    // Waits until the monitor was recorded up to `margin` ns past `ns`; false after `ms`.
    bool waitPast(int64_t ns, int64_t margin = 200000000, int ms = 3000) const {
        for (int waited = 0; waited < ms; waited += 10) {
            const int64_t n = frames();
            if (n > 0 && timeOf(n - 1) > ns + margin)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    // The first frame recorded at or after `ns`.
    int64_t frameAt(int64_t ns) const {
        const int64_t n = frames();
        for (int64_t b = 0; b * kBlock < n; ++b)
            if (timeOf(b * kBlock + kBlock - 1) >= ns)
                return std::max<int64_t>(b * kBlock - kBlock + 1, 0);
        return n;
    }
    // The first frame from `from` whose level reaches `level`; -1 if none yet.
    int64_t firstSound(int64_t from, float level = 0.01f) const {
        const int64_t n = frames();
        for (int64_t i = std::max<int64_t>(from, 0); i < n; ++i)
            if (std::fabs(left(i)) >= level)
                return i;
        return -1;
    }
    // The last frame in [from, to) whose level reaches `level`; -1 if none.
    int64_t lastSound(int64_t from, int64_t to, float level = 0.01f) const {
        for (int64_t i = std::min(to, frames()) - 1; i >= std::max<int64_t>(from, 0); --i)
            if (std::fabs(left(i)) >= level)
                return i;
        return -1;
    }
    // Silent runs of at least `minFrames` frames strictly inside [from, to):
    // each run's first frame and length.
    std::vector<std::pair<int64_t, int64_t>> silentRuns(int64_t from, int64_t to, int64_t minFrames,
                                                        float level = 0.01f) const {
        std::vector<std::pair<int64_t, int64_t>> runs;
        int64_t start = -1;
        to = std::min(to, frames());
        for (int64_t i = std::max<int64_t>(from, 0); i < to; ++i) {
            const bool quiet = std::fabs(left(i)) < level && std::fabs(samples_[size_t(i) * 2 + 1]) < level;
            if (quiet && start < 0)
                start = i;
            if (!quiet && start >= 0) {
                if (i - start >= minFrames)
                    runs.push_back({start, i - start});
                start = -1;
            }
        }
        return runs;
    }
    // Items of `len` frames played one after another from `from`: where each
    // starts sounding and ends, and the silent runs of two frames or more inside
    // it of at least `minRun` frames (shorter ones are a sine's zero crossings
    // and the fade-in; they count as sound).
    static constexpr int64_t kLostAtMost = 2048;  // frames a few lost server cycles take
    struct Item {
        int64_t start = -1, end = -1;
        std::vector<std::pair<int64_t, int64_t>> dropouts;
    };
    std::vector<Item> items(int64_t from, int count, int64_t len, int64_t minRun = 24,
                            float level = 0.01f) const {
        std::vector<Item> out;
        const int64_t n = frames();
        int64_t at = from;
        for (int k = 0; k < count; ++k) {
            Item it;
            it.start = firstSound(at, level);
            if (it.start < 0)
                break;
            int64_t content = 0, quietFrom = -1, i = it.start;
            // A silent run this near the item's length may be the gap before the
            // next item, reached early because a cycle the server lost took
            // sound from this one.
            int64_t gapAt = -1;
            size_t gapDropouts = 0;
            for (; i < n && content < len - 16; ++i) {
                const bool quiet =
                    std::fabs(left(i)) < level && std::fabs(samples_[size_t(i) * 2 + 1]) < level;
                if (quiet) {
                    if (quietFrom < 0)
                        quietFrom = i;
                    continue;
                }
                if (quietFrom >= 0) {
                    if (i - quietFrom >= minRun) {
                        if (content >= len - kLostAtMost) {
                            gapAt = quietFrom;
                            gapDropouts = it.dropouts.size();
                        }
                        it.dropouts.push_back({quietFrom, i - quietFrom});
                    } else {
                        content += i - quietFrom;
                    }
                    quietFrom = -1;
                }
                ++content;
            }
            if (content < len - 16)
                break;  // not recorded to its end
            // The last few frames (the fade-in's quiet start shortened the count).
            for (int extra = 0; extra < 32 && i < n && std::fabs(left(i)) >= level; ++extra)
                ++i;
            if (i < n && std::fabs(left(i)) >= level && gapAt >= 0) {
                // Still sounding past the length: the count ran into the next
                // item (the silent runs inside this one are what was lost).
                it.dropouts.resize(gapDropouts);
                i = gapAt;
            }
            it.end = i;
            out.push_back(it);
            at = i;
        }
        return out;
    }
    // Root mean square of the left channel over [from, to).
    double rms(int64_t from, int64_t to) const {
        double s = 0;
        int64_t n = 0;
        for (int64_t i = std::max<int64_t>(from, 0); i < std::min(to, frames()); ++i, ++n)
            s += double(left(i)) * left(i);
        return n ? std::sqrt(s / double(n)) : 0;
    }

  private:
    void run() {
        vb2media::requestRealtime();  // no block lost on a loaded machine
        while (!quit_.load()) {
            const int64_t at = frames_.load();
            if (size_t(at + kBlock) * 2 > samples_.size())
                break;
            int err = 0;
            if (pa_simple_read(pa_, samples_.data() + size_t(at) * 2, size_t(kBlock) * 8, &err) < 0)
                break;  // the server went away: what was recorded stays
            stamps_[size_t(at / kBlock)] = nowNs();
            frames_.store(at + kBlock);
        }
    }

    pa_simple *pa_ = nullptr;
    std::vector<float> samples_;
    std::vector<int64_t> stamps_;
    std::atomic<int64_t> frames_{0};
    std::atomic<bool> quit_{false};
    std::thread thread_;
};

}  // namespace vb2test
