// MP3, WMA, WAV and whatever else FFmpeg reads, converted by libswresample to
// stereo float at the engine's rate.
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <cmath>
#include <mutex>
#include <vector>

#include "media/Decoder.h"
#include "media/Probe.h"
#include "platform/VbError.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

namespace vb2media {
namespace {

constexpr size_t kMaxAlloc = 16 << 20;

class FfmpegDecoder : public Decoder {
  public:
    explicit FfmpegDecoder(int rate) : rate_(rate) {}

    // Separate from the constructor so that a failure still frees what was opened.
    void open(const QString &path) {
        static std::once_flag bounds;
        std::call_once(bounds, [] {
            av_log_set_level(AV_LOG_QUIET);
            // No audio file needs a larger single block; damaged headers that
            // announce one (a chunk size that lies) fail here instead of
            // taking hundreds of megabytes.
            av_max_alloc(kMaxAlloc);
        });
        const QByteArray name = QFile::encodeName(path);
        // A WAV header is checked by our own reader first: FFmpeg never sees
        // a RIFF/WAVE without a data chunk or with chunk sizes that point past
        // the end. Plain PCM goes through the raw PCM demuxer: the WAV
        // demuxer's search for S/PDIF data costs over 10 ms per file, and the
        // length comes exactly from the data chunk.
        wav_ = readWavHeader(path);
        if (wav_.riffWave && !wav_.valid)
            throw VbError(QStringLiteral("The file is not a sound file: %1").arg(path));
        const AVInputFormat *forced = nullptr;
        AVDictionary *opts = nullptr;
        // Freed on every path, the refusals below included.
        struct DictGuard {
            AVDictionary *&d;
            ~DictGuard() { av_dict_free(&d); }
        } optsGuard{opts};
        // What FFmpeg reads to recognise a stream, fit for audio files.
        av_dict_set_int(&opts, "probesize", 512 << 10, 0);
        av_dict_set_int(&opts, "formatprobesize", 128 << 10, 0);
        av_dict_set_int(&opts, "analyzeduration", 2 * AV_TIME_BASE, 0);
        // MPEG audio found by our own walk and WMA by its header are opened
        // without FFmpeg's search through every format it knows.
        const QString ext = QFileInfo(path).suffix().toLower();
        if (!wav_.riffWave && (ext == "mp3" || ext == "mp2" || ext == "mpga")) {
            double known = 0;
            if (!cachedDuration(path, known))
                mpeg_ = scanMpeg(path);
            if (mpeg_.valid)
                forced = av_find_input_format("mp3");
        } else if (!wav_.riffWave) {
            // So is an ASF header, whose objects FFmpeg would walk however many there are.
            asf_ = readAsfHeader(path);
            if (asf_.broken)
                throw VbError(QStringLiteral("The file is not a sound file: %1").arg(path));
            if (asf_.valid)
                forced = av_find_input_format("asf");
        }
        if (wav_.valid && wav_.plainPcm) {
            if (wav_.dataBytes < wav_.blockAlign)
                throw VbError(QStringLiteral("The file holds no sound: %1").arg(path));
            forced = av_find_input_format(wav_.rawFormat);
            AVChannelLayout layout;
            av_channel_layout_default(&layout, wav_.channels);
            char desc[64] = {};
            av_channel_layout_describe(&layout, desc, sizeof desc);
            av_dict_set_int(&opts, "sample_rate", wav_.sampleRate, 0);
            av_dict_set(&opts, "ch_layout", desc, 0);
            av_dict_set_int(&opts, "skip_initial_bytes", wav_.dataOffset, 0);
        }
        const int opened = avformat_open_input(&fmt_, name.constData(), forced, &opts);
        if (opened < 0) {
            fmt_ = nullptr;
            throw VbError(QStringLiteral("The file cannot be opened as sound: %1").arg(path));
        }
        stream_ = av_find_best_stream(fmt_, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
        if (stream_ < 0 || !paramsKnown()) {
            avformat_find_stream_info(fmt_, nullptr);
            stream_ = av_find_best_stream(fmt_, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
        }
        if (stream_ < 0 || !paramsKnown())
            throw VbError(QStringLiteral("The file holds no sound that can be played: %1").arg(path));
        // Whatever the container, no resampler is asked to convert from a rate
        // no sound file has (from 1 Hz it would upsample each sample 48,000 times).
        const AVCodecParameters *par = fmt_->streams[stream_]->codecpar;
        if (!saneRate(par->sample_rate) || !saneChannels(par->ch_layout.nb_channels))
            throw VbError(QStringLiteral("The file is not a sound file: %1").arg(path));
        for (unsigned i = 0; i < fmt_->nb_streams; ++i)
            if (int(i) != stream_)
                fmt_->streams[i]->discard = AVDISCARD_ALL;
        AVStream *st = fmt_->streams[stream_];
        const AVCodec *codec = avcodec_find_decoder(st->codecpar->codec_id);
        if (!codec)
            throw VbError(QStringLiteral("The sound format of the file is not supported: %1").arg(path));
        cc_ = avcodec_alloc_context3(codec);
        pkt_ = av_packet_alloc();
        frame_ = av_frame_alloc();
        if (!cc_ || !pkt_ || !frame_ || avcodec_parameters_to_context(cc_, st->codecpar) < 0 ||
            avcodec_open2(cc_, codec, nullptr) < 0)
            throw VbError(QStringLiteral("The sound format of the file is not supported: %1").arg(path));

        const double seconds = measure(path);
        if (!saneSeconds(seconds))
            throw VbError(QStringLiteral("The file is not a sound file: %1").arg(path));
        setDuration(seconds, rate_);

        // The first audio is decoded now: a file that yields none is refused
        // here rather than failing silently at Play.
        fifo_.reserve(size_t(rate_) * 2);
        if (!decodeMore() || fifo_.size() <= fifoPos_)
            throw VbError(QStringLiteral("The file cannot be decoded: %1").arg(path));
        if (lengthFrames() <= 0)
            throw VbError(QStringLiteral("The file holds no sound: %1").arg(path));
    }

    ~FfmpegDecoder() override {
        swr_free(&swr_);
        av_channel_layout_uninit(&inLayout_);
        av_channel_layout_uninit(&frameLayout_);
        av_frame_free(&frame_);
        av_packet_free(&pkt_);
        avcodec_free_context(&cc_);
        if (fmt_)
            avformat_close_input(&fmt_);
    }

  protected:
    int readRaw(float *out, int frames) override {
        int n = 0;
        while (n < frames) {
            if (fifoPos_ >= fifo_.size()) {
                fifo_.clear();
                fifoPos_ = 0;
                if (!decodeMore())
                    break;
                continue;
            }
            const int have = int((fifo_.size() - fifoPos_) / 2);
            const int take = std::min(have, frames - n);
            std::copy_n(fifo_.data() + fifoPos_, size_t(take) * 2, out + size_t(n) * 2);
            fifoPos_ += size_t(take) * 2;
            n += take;
        }
        return n;
    }

    void seekRaw(int64_t frame) override {
        fifo_.clear();
        fifoPos_ = 0;
        AVStream *st = fmt_->streams[stream_];
        // A quarter second early: the first frames decoded after a jump lack
        // their predecessors (MP3's bit reservoir, WMA's overlap) and would
        // sound as a gap or a click; they are decoded and dropped.
        const int64_t early = std::max<int64_t>(0, frame - rate_ / 4);
        const int64_t ts = early == 0 ? 0 : av_rescale_q(early, AVRational{1, rate_}, st->time_base);
        if (av_seek_frame(fmt_, stream_, ts + originTs(), AVSEEK_FLAG_BACKWARD) < 0)
            av_seek_frame(fmt_, stream_, startTs(), AVSEEK_FLAG_BACKWARD);
        avcodec_flush_buffers(cc_);
        swr_free(&swr_);
        demuxEnded_ = false;
        drained_ = false;
        failures_ = 0;
        seekTarget_ = frame;
        expectedAt_ = -1;
    }

  private:
    bool paramsKnown() const {
        const AVCodecParameters *p = fmt_->streams[stream_]->codecpar;
        return p->sample_rate > 0 && p->ch_layout.nb_channels > 0 && p->codec_id != AV_CODEC_ID_NONE;
    }

    int64_t startTs() const {
        const int64_t s = fmt_->streams[stream_]->start_time;
        return s == AV_NOPTS_VALUE ? 0 : s;
    }

    // The time stamp of position 0: the stream's start (after MP3's encoder
    // delay, whose trimmed first frame keeps its packet's earlier stamp), or
    // the first frame decoded where that comes later (WMA's decoder gives
    // nothing for its first packets, so its sound starts ~90 ms into the stream).
    int64_t originTs() const {
        return originTs_ == AV_NOPTS_VALUE ? startTs() : std::max(startTs(), originTs_);
    }

    static int64_t frameTs(const AVFrame *f) {
        return f->best_effort_timestamp != AV_NOPTS_VALUE ? f->best_effort_timestamp : f->pts;
    }

    // Seconds the file plays for: the header's length where it is exact, else
    // the packets are counted (an MPEG file without a length header).
    double measure(const QString &path) {
        AVStream *st = fmt_->streams[stream_];
        const AVCodecID id = st->codecpar->codec_id;
        const bool mpeg = id == AV_CODEC_ID_MP3 || id == AV_CODEC_ID_MP2 || id == AV_CODEC_ID_MP1;
        if (wav_.valid && wav_.plainPcm)
            return wav_.seconds;
        if (id == AV_CODEC_ID_WMAV1 || id == AV_CODEC_ID_WMAV2) {
            // The header's length counts the decoder's silent first frame.
            gridFrames_ = asf_.frameLength;
            if (asf_.valid)
                return asf_.seconds;
        }
        // Measured before (the console's probe measures every file it lists)
        // and unchanged since: a headerless MP3 is not walked again at Play.
        double known = 0;
        if (cachedDuration(path, known))
            return known;
        if (mpeg) {
            // Random bytes can pass FFmpeg's probe as MPEG audio and decode to
            // noise; a file without a run of valid frames is not sound.
            const MpegInfo info = mpeg_.valid ? mpeg_ : scanMpeg(path);
            if (!info.valid)
                throw VbError(QStringLiteral("The file is not a sound file: %1").arg(path));
            return info.seconds;
        }
        if (st->duration != AV_NOPTS_VALUE && st->duration > 0)
            return st->duration * av_q2d(st->time_base);
        if (fmt_->duration != AV_NOPTS_VALUE && fmt_->duration > 0)
            return double(fmt_->duration) / AV_TIME_BASE;
        return scanPackets();
    }

    double scanPackets() {
        AVStream *st = fmt_->streams[stream_];
        int64_t total = 0;
        while (av_read_frame(fmt_, pkt_) >= 0) {
            if (pkt_->stream_index == stream_)
                total += pkt_->duration;
            av_packet_unref(pkt_);
        }
        av_seek_frame(fmt_, stream_, startTs(), AVSEEK_FLAG_BACKWARD);
        return total * av_q2d(st->time_base);
    }

    // Decodes until new frames are in the FIFO; false at the end.
    bool decodeMore() {
        while (true) {
            int r = avcodec_receive_frame(cc_, frame_);
            if (r == 0) {
                const bool converted = convert(frame_);
                av_frame_unref(frame_);
                // Frames that cannot be converted (a rate no sound file has) are
                // skipped; a file of nothing else ends rather than being decoded whole.
                badFrames_ = converted ? 0 : badFrames_ + 1;
                if (badFrames_ > 200)
                    return false;
                if (fifo_.size() > fifoPos_)
                    return true;
                continue;
            }
            if (r == AVERROR_EOF) {
                if (!drained_) {
                    drained_ = true;
                    flushResampler();
                    if (fifo_.size() > fifoPos_)
                        return true;
                }
                return false;
            }
            if (r != AVERROR(EAGAIN)) {
                if (++failures_ > 200)
                    return false;
            }
            if (demuxEnded_) {
                // Already sent the flush packet; EAGAIN here would spin.
                if (r == AVERROR(EAGAIN))
                    return false;
                continue;
            }
            r = av_read_frame(fmt_, pkt_);
            if (r < 0) {
                demuxEnded_ = true;
                avcodec_send_packet(cc_, nullptr);
                continue;
            }
            if (pkt_->stream_index == stream_) {
                r = avcodec_send_packet(cc_, pkt_);
                if (r < 0 && r != AVERROR(EAGAIN)) {
                    // A damaged packet is skipped; a file that is only damage ends.
                    if (++failures_ > 200) {
                        av_packet_unref(pkt_);
                        return false;
                    }
                } else {
                    failures_ = 0;
                }
            }
            av_packet_unref(pkt_);
        }
    }

    bool ensureResampler(const AVFrame *f) {
        // Compared with the frame's own layout: a file with no channel order
        // (WMA in ASF) would otherwise get a new resampler for every frame and
        // lose the resampler's delay, a few frames, at every packet.
        if (swr_ && f->sample_rate == inRate_ && f->format == inFormat_ &&
            av_channel_layout_compare(&f->ch_layout, &frameLayout_) == 0)
            return true;
        swr_free(&swr_);
        av_channel_layout_uninit(&inLayout_);
        av_channel_layout_uninit(&frameLayout_);
        if (!saneRate(f->sample_rate) || !saneChannels(f->ch_layout.nb_channels))
            return false;
        av_channel_layout_copy(&frameLayout_, &f->ch_layout);
        av_channel_layout_copy(&inLayout_, &f->ch_layout);
        if (inLayout_.order == AV_CHANNEL_ORDER_UNSPEC)
            av_channel_layout_default(&inLayout_, inLayout_.nb_channels);
        inRate_ = f->sample_rate;
        inFormat_ = f->format;
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        if (swr_alloc_set_opts2(&swr_, &stereo, AV_SAMPLE_FMT_FLT, rate_, &inLayout_,
                                AVSampleFormat(inFormat_), inRate_, 0, nullptr) < 0)
            return false;
        if (inLayout_.nb_channels == 1) {
            // A mono file sounds at full level on both sides.
            const double m[2] = {1.0, 1.0};
            swr_set_matrix(swr_, m, 1);
        }
        if (swr_init(swr_) < 0) {
            swr_free(&swr_);
            return false;
        }
        return true;
    }

    bool convert(const AVFrame *f) {
        if (!ensureResampler(f))
            return false;
        // A frame goes to the resampler in pieces: its buffers then stay far
        // below the allocation limit, where a failed growth would lose the
        // buffer it had (libswresample leaks it) and the frame's sound.
        const AVSampleFormat format = AVSampleFormat(f->format);
        const int planes = av_sample_fmt_is_planar(format) ? f->ch_layout.nb_channels : 1;
        const size_t stride =
            size_t(av_get_bytes_per_sample(format)) * size_t(f->ch_layout.nb_channels / planes);
        const size_t old = fifo_.size();
        for (int done = 0; done < f->nb_samples;) {
            const int n = std::min(f->nb_samples - done, kPieceSamples);
            for (int p = 0; p < planes; ++p)
                pieceIn_[size_t(p)] = f->extended_data[p] + size_t(done) * stride;
            done += n;
            const int cap = swr_get_out_samples(swr_, n);
            if (cap <= 0)
                continue;
            const size_t from = fifo_.size();
            fifo_.resize(from + size_t(cap) * 2);
            uint8_t *outp = reinterpret_cast<uint8_t *>(fifo_.data() + from);
            const int got = swr_convert(swr_, &outp, cap, pieceIn_.data(), n);
            fifo_.resize(from + size_t(std::max(got, 0)) * 2);
        }
        if (!originKnown_) {
            originKnown_ = true;
            originTs_ = frameTs(f);
        }
        if (seekTarget_ >= 0)
            dropBeforeSeekTarget(f, old);
        sanitize(old);
        return true;
    }

    // After a seek the decoder restarts at a packet before the target; what
    // lies before it is dropped so playback starts at the exact frame. A
    // frame's place is the count from the frame before, or its time stamp
    // when that is far off (packets holding several frames share one stamp).
    void dropBeforeSeekTarget(const AVFrame *f, size_t from) {
        const int64_t produced = int64_t((fifo_.size() - from) / 2);
        int64_t at = expectedAt_;
        const int64_t pts = frameTs(f);
        if (pts != AV_NOPTS_VALUE) {
            AVStream *st = fmt_->streams[stream_];
            int64_t stamped = av_rescale_q(pts - originTs(), st->time_base, AVRational{1, rate_});
            if (gridFrames_ > 0 && inRate_ > 0) {
                // The container's stamps are rounded to the millisecond; the
                // codec's frames lie on a grid of equal frames from the origin.
                const double frames =
                    double(pts - originTs()) * av_q2d(st->time_base) * inRate_ / gridFrames_;
                stamped = av_rescale(std::llround(frames) * gridFrames_, rate_, inRate_);
            }
            // Stamps rounded to the container's unit (ASF: 1 ms) do not override the count.
            if (expectedAt_ < 0 || std::llabs(stamped - expectedAt_) > rate_ / 200)
                at = stamped;
        } else if (expectedAt_ < 0) {
            at = seekTarget_;
        }
        const int64_t drop = std::clamp<int64_t>(seekTarget_ - at, 0, produced);
        fifo_.erase(fifo_.begin() + ptrdiff_t(from), fifo_.begin() + ptrdiff_t(from + size_t(drop) * 2));
        expectedAt_ = at + produced;
        if (expectedAt_ >= seekTarget_)
            seekTarget_ = -1;
    }

    void flushResampler() {
        if (!swr_)
            return;
        const int cap = swr_get_out_samples(swr_, 0);
        if (cap <= 0)
            return;
        const size_t old = fifo_.size();
        fifo_.resize(old + size_t(cap) * 2);
        uint8_t *outp = reinterpret_cast<uint8_t *>(fifo_.data() + old);
        const int got = swr_convert(swr_, &outp, cap, nullptr, 0);
        fifo_.resize(old + size_t(std::max(got, 0)) * 2);
        sanitize(old);
    }

    // A damaged or changing file must not turn into a burst of noise.
    void sanitize(size_t from) {
        for (size_t i = from; i < fifo_.size(); ++i) {
            float &v = fifo_[i];
            if (!std::isfinite(v))
                v = 0;
            v = std::clamp(v, -1.0f, 1.0f);
        }
    }

    int rate_;
    WavInfo wav_;
    MpegInfo mpeg_;  // walked at open, not again to measure
    AsfInfo asf_;
    AVFormatContext *fmt_ = nullptr;
    AVCodecContext *cc_ = nullptr;
    AVPacket *pkt_ = nullptr;
    AVFrame *frame_ = nullptr;
    SwrContext *swr_ = nullptr;
    AVChannelLayout inLayout_{};
    AVChannelLayout frameLayout_{};
    int inRate_ = 0;
    int inFormat_ = -1;
    int stream_ = -1;
    int gridFrames_ = 0;  // the codec's fixed frame length at the file's rate, where it has one
    bool demuxEnded_ = false;
    bool drained_ = false;
    int failures_ = 0;
    int badFrames_ = 0;
    int64_t seekTarget_ = -1;
    bool originKnown_ = false;
    int64_t originTs_ = AV_NOPTS_VALUE;
    int64_t expectedAt_ = -1;
    std::vector<float> fifo_;
    size_t fifoPos_ = 0;
    // At 1 kHz, a piece of 4096 samples resamples to 196,608 frames (1.5 MB).
    static constexpr int kPieceSamples = 4096;
    std::array<const uint8_t *, kMaxChannels> pieceIn_{};
};

}  // namespace

std::unique_ptr<Decoder> openFfmpegDecoder(const QString &path, int rate) {
    auto d = std::make_unique<FfmpegDecoder>(rate);
    d->open(path);
    return d;
}

}  // namespace vb2media
