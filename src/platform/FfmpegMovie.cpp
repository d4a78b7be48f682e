#include "platform/FfmpegMovie.h"

#include "media/Tonica.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <array>
#include <chrono>
#include <cmath>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <mutex>

namespace kestra::platform {

namespace {

// Decoded pictures waiting for their time; more are not read ahead.
constexpr std::size_t KMaxPendingPictures = 8;
// Sound is decoded this far beyond the picture shown.
constexpr double KSoundLead = 0.25;
// Packets one Advance reads at most; the caller sees no progress and ends the movie.
constexpr int KMaxPacketsPerStep = 4096;
// Seconds the movie may go on after the end of its file was read.
constexpr double KMaxTail = 2.0;
constexpr int KMaxSoundRate = 384000;
// Sound samples decoded and not yet taken, at most (10 s).
constexpr std::size_t KMaxHeldSound = 2 * 10 * KMovieSoundRate;
constexpr int KMaxSoundChannels = 16;

std::string ErrorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

double WallSeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

struct TFormatDeleter {
    void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
struct TCodecDeleter {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct TFrameDeleter {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct TPacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct TSwsDeleter {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};
struct TSwrDeleter {
    void operator()(SwrContext* s) const { swr_free(&s); }
};

using TFormatPtr = std::unique_ptr<AVFormatContext, TFormatDeleter>;
using TCodecPtr = std::unique_ptr<AVCodecContext, TCodecDeleter>;
using TFramePtr = std::unique_ptr<AVFrame, TFrameDeleter>;
using TPacketPtr = std::unique_ptr<AVPacket, TPacketDeleter>;

class TFfmpegMovie : public IKandelMovie {
public:
    explicit TFfmpegMovie(const std::string& path) : path_(path) {
        QuietMovieLibrary();
        CheckRiffLength();
        frame_.reset(av_frame_alloc());
        packet_.reset(av_packet_alloc());
        if (!frame_ || !packet_) Fail("out of memory");
        AVFormatContext* format = avformat_alloc_context();
        if (!format) Fail("out of memory");
        format->interrupt_callback.callback = &TFfmpegMovie::Interrupt;
        format->interrupt_callback.opaque = this;
        deadline_ = WallSeconds() + KMovieStepTimeLimit;
        // On failure the library frees the context itself.
        int rc = avformat_open_input(&format, path.c_str(), nullptr, nullptr);
        if (rc < 0) Fail("cannot be opened as a movie (" + ErrorText(rc) + ")");
        format_.reset(format);
        rc = avformat_find_stream_info(format_.get(), nullptr);
        if (rc < 0) Fail("no readable streams (" + ErrorText(rc) + ")");

        video_ = av_find_best_stream(format_.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (video_ < 0) Fail("no video stream");
        const AVStream* vs = format_->streams[video_];
        if (vs->codecpar->width <= 0 || vs->codecpar->height <= 0 ||
            vs->codecpar->width > KMaxMovieSide || vs->codecpar->height > KMaxMovieSide)
            Fail("picture size " + std::to_string(vs->codecpar->width) + " x " +
                 std::to_string(vs->codecpar->height) + " is not supported");
        videoCodec_ = OpenDecoder(video_);
        if (!videoCodec_) Fail("no decoder for its video");
        const AVRational rate = vs->avg_frame_rate.num > 0 ? vs->avg_frame_rate : vs->r_frame_rate;
        if (rate.num > 0 && rate.den > 0) {
            const double d = av_q2d(av_inv_q(rate));
            if (d > 0.001 && d < 10.0) frameDuration_ = d;
        }
        lastPictureTime_ = -frameDuration_;

        // Sound is optional: a movie whose sound cannot be decoded plays silent.
        audio_ = av_find_best_stream(format_.get(), AVMEDIA_TYPE_AUDIO, -1, video_, nullptr, 0);
        if (audio_ >= 0) {
            audioCodec_ = OpenDecoder(audio_);
            if (!audioCodec_ || !OpenResampler()) {
                audioCodec_.reset();
                audio_ = -1;
            }
        }
        if (audio_ < 0) audioDone_ = true;
        // Times count from the first picture: the picture due at 0 is the first one.
        if (vs->start_time != AV_NOPTS_VALUE)
            origin_ = static_cast<double>(vs->start_time) * av_q2d(vs->time_base);
        else if (format_->start_time != AV_NOPTS_VALUE)
            origin_ = static_cast<double>(format_->start_time) / AV_TIME_BASE;
        // The length the file states: its container's, or the picture count its header
        // gives (an AVI without its index reports only what is left of it).
        if (format_->duration != AV_NOPTS_VALUE && format_->duration > 0 &&
            format_->duration_estimation_method != AVFMT_DURATION_FROM_BITRATE)
            duration_ = static_cast<double>(format_->duration) / AV_TIME_BASE;
        if (vs->nb_frames > 0)
            duration_ = std::max(duration_, static_cast<double>(vs->nb_frames) * frameDuration_);
    }

    bool Advance(double ms) override {
        const double t = ms / 1000.0;
        deadline_ = WallSeconds() + KMovieStepTimeLimit;
        for (int packets = 0;;) {
            // A picture due within a tenth of a millisecond counts as due: times from
            // different time bases do not meet exactly.
            while (!pending_.empty() && !(pending_.front().Time > t + 1e-4)) {
                picture_ = std::move(pending_.front().Picture);
                shownUntil_ = pending_.front().Time + frameDuration_;
                pending_.pop_front();
                ++pictureCount_;
            }
            const bool needPicture = !videoDone_ && pending_.empty();
            const bool needSound =
                !audioDone_ && soundUntil_ < t + KSoundLead && sound_.size() < KMaxHeldSound;
            if (!needPicture && !needSound) break;
            if (pending_.size() >= KMaxPendingPictures) break;
            if (packets >= KMaxPacketsPerStep) return true;
            if (WallSeconds() > deadline_) Fail("no progress for a few seconds");
            if (eof_) {
                // Both decoders were drained when the end was read.
                videoDone_ = true;
                audioDone_ = true;
                break;
            }
            ReadPacket();
            ++packets;
        }
        if (eof_ && eofTime_ < 0) eofTime_ = t;
        // Once everything is read, what is left plays for a few seconds at most: damaged
        // time stamps cannot keep a movie going.
        if (eof_ && t > eofTime_ + KMaxTail) return false;
        return !(videoDone_ && pending_.empty() && audioDone_ &&
                 t >= std::max(shownUntil_, soundUntil_));
    }

    const TMoviePicture& Picture() const override { return picture_; }
    std::uint64_t PictureCount() const override { return pictureCount_; }

    void TakeSound(std::vector<std::int16_t>& out) override {
        out.insert(out.end(), sound_.begin(), sound_.end());
        sound_.clear();
    }

private:
    struct TPending {
        double Time;
        TMoviePicture Picture;
    };

    [[noreturn]] void Fail(const std::string& problem) const {
        throw EMovieError(path_ + ": " + problem);
    }

    // An AVI (a RIFF file) states its length in its first bytes: a shorter file was cut
    // short, and its index at the end is gone with the rest.
    void CheckRiffLength() const {
        std::ifstream in(path_, std::ios::binary);
        std::array<unsigned char, 12> head{};
        if (!in.read(reinterpret_cast<char*>(head.data()), head.size())) return;
        if (std::memcmp(head.data(), "RIFF", 4) != 0 ||
            std::memcmp(head.data() + 8, "AVI ", 4) != 0)
            return;
        const std::uint64_t stated =
            8 + (std::uint64_t{head[4]} | std::uint64_t{head[5]} << 8 |
                 std::uint64_t{head[6]} << 16 | std::uint64_t{head[7]} << 24);
        std::error_code ec;
        const std::uint64_t size = std::filesystem::file_size(path_, ec);
        if (!ec && size < stated)
            Fail("ends after " + std::to_string(size) + " of the " + std::to_string(stated) +
                 " bytes its header gives (truncated)");
    }

    static int Interrupt(void* self) {
        return WallSeconds() > static_cast<TFfmpegMovie*>(self)->deadline_ ? 1 : 0;
    }

    TCodecPtr OpenDecoder(int stream) {
        const AVCodecParameters* par = format_->streams[stream]->codecpar;
        const AVCodec* codec = avcodec_find_decoder(par->codec_id);
        if (!codec) return nullptr;
        TCodecPtr context(avcodec_alloc_context3(codec));
        if (!context) return nullptr;
        if (avcodec_parameters_to_context(context.get(), par) < 0) return nullptr;
        // One thread: the same file decodes to the same pictures every time.
        context->thread_count = 1;
        if (avcodec_open2(context.get(), codec, nullptr) < 0) return nullptr;
        return context;
    }

    bool OpenResampler() {
        AVCodecContext* c = audioCodec_.get();
        if (c->sample_rate <= 0 || c->sample_rate > KMaxSoundRate) return false;
        const int channels = c->ch_layout.nb_channels;
        if (channels <= 0 || channels > KMaxSoundChannels) return false;
        AVChannelLayout in{};
        if (c->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
            av_channel_layout_default(&in, channels);
        else if (av_channel_layout_copy(&in, &c->ch_layout) < 0)
            return false;
        AVChannelLayout out = AV_CHANNEL_LAYOUT_STEREO;
        SwrContext* swr = nullptr;
        int rc = swr_alloc_set_opts2(&swr, &out, AV_SAMPLE_FMT_S16, KMovieSoundRate, &in,
                                     c->sample_fmt, c->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&in);
        if (rc < 0 || !swr) return false;
        resampler_.reset(swr);
        if (swr_init(swr) < 0) return false;
        soundRate_ = c->sample_rate;
        soundChannels_ = channels;
        return true;
    }

    double TimeOf(const AVFrame& frame, int stream, double previous) const {
        const std::int64_t ts = frame.best_effort_timestamp;
        if (ts == AV_NOPTS_VALUE) return previous;
        const double time = static_cast<double>(ts) * av_q2d(format_->streams[stream]->time_base);
        return std::isfinite(time) ? time - origin_ : previous;
    }

    void ReadPacket() {
        const int rc = av_read_frame(format_.get(), packet_.get());
        if (rc == AVERROR_EOF) {
            eof_ = true;
            Send(videoCodec_.get(), nullptr);
            if (audioCodec_) Send(audioCodec_.get(), nullptr);
            CheckLength();
            return;
        }
        if (rc < 0) {
            if (WallSeconds() > deadline_) Fail("no progress for a few seconds");
            Fail("cannot be read (" + ErrorText(rc) + ")");
        }
        const int stream = packet_->stream_index;
        if (stream == video_)
            Send(videoCodec_.get(), packet_.get());
        else if (stream == audio_)
            Send(audioCodec_.get(), packet_.get());
        av_packet_unref(packet_.get());
    }

    // A file that ends well before the length its header gives was cut short.
    void CheckLength() const {
        const double reached = std::max(lastPictureTime_ + frameDuration_, soundUntil_);
        if (duration_ > 0 && reached + std::max(1.0, duration_ / 10) < duration_)
            Fail("ends after " + std::to_string(static_cast<int>(reached)) + " of its " +
                 std::to_string(static_cast<int>(duration_)) + " seconds (truncated?)");
    }

    void Send(AVCodecContext* codec, const AVPacket* packet) {
        int rc = avcodec_send_packet(codec, packet);
        if (rc < 0 && rc != AVERROR_EOF && rc != AVERROR(EAGAIN))
            Fail("broken " + std::string(codec == videoCodec_.get() ? "video" : "sound") +
                 " data (" + ErrorText(rc) + ")");
        for (;;) {
            rc = avcodec_receive_frame(codec, frame_.get());
            if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) break;
            if (rc < 0)
                Fail("broken " + std::string(codec == videoCodec_.get() ? "video" : "sound") +
                     " data (" + ErrorText(rc) + ")");
            if (codec == videoCodec_.get())
                TakePicture(*frame_);
            else
                TakeSoundFrame(*frame_);
            av_frame_unref(frame_.get());
        }
    }

    void TakePicture(const AVFrame& frame) {
        if (frame.width <= 0 || frame.height <= 0 || frame.width > KMaxMovieSide ||
            frame.height > KMaxMovieSide)
            Fail("picture size " + std::to_string(frame.width) + " x " +
                 std::to_string(frame.height) + " is not supported");
        SwsContext* sws = sws_getCachedContext(
            scaler_.release(), frame.width, frame.height, static_cast<AVPixelFormat>(frame.format),
            frame.width, frame.height, AV_PIX_FMT_RGB565LE, SWS_POINT, nullptr, nullptr, nullptr);
        scaler_.reset(sws);
        if (!sws) Fail("pictures in a format that cannot be converted");
        TPending p;
        p.Time = TimeOf(frame, video_, lastPictureTime_ + frameDuration_);
        lastPictureTime_ = p.Time;
        p.Picture.Width = frame.width;
        p.Picture.Height = frame.height;
        p.Picture.Pixels.resize(static_cast<std::size_t>(frame.width) *
                                static_cast<std::size_t>(frame.height));
        std::uint8_t* dst[4] = {reinterpret_cast<std::uint8_t*>(p.Picture.Pixels.data()), nullptr,
                                nullptr, nullptr};
        int dstStride[4] = {frame.width * 2, 0, 0, 0};
        if (sws_scale(sws, frame.data, frame.linesize, 0, frame.height, dst, dstStride) !=
            frame.height)
            Fail("a picture could not be converted");
        pending_.push_back(std::move(p));
    }

    void TakeSoundFrame(const AVFrame& frame) {
        if (frame.sample_rate != soundRate_ || frame.ch_layout.nb_channels != soundChannels_ ||
            frame.nb_samples <= 0)
            return; // a change of format in mid-stream: that part stays silent
        const double start = TimeOf(frame, audio_, soundUntil_);
        const int room = swr_get_out_samples(resampler_.get(), frame.nb_samples);
        if (room <= 0) return;
        const std::size_t at = sound_.size();
        sound_.resize(at + 2 * static_cast<std::size_t>(room));
        std::uint8_t* out[1] = {reinterpret_cast<std::uint8_t*>(sound_.data() + at)};
        const int got =
            swr_convert(resampler_.get(), out, room,
                        const_cast<const std::uint8_t**>(frame.extended_data), frame.nb_samples);
        if (got < 0) Fail("sound that cannot be converted");
        sound_.resize(at + 2 * static_cast<std::size_t>(got));
        soundUntil_ =
            std::max(soundUntil_, start + static_cast<double>(frame.nb_samples) / soundRate_);
    }

    std::string path_;
    TFormatPtr format_;
    TCodecPtr videoCodec_, audioCodec_;
    TFramePtr frame_;
    TPacketPtr packet_;
    std::unique_ptr<SwsContext, TSwsDeleter> scaler_;
    std::unique_ptr<SwrContext, TSwrDeleter> resampler_;
    int video_ = -1, audio_ = -1;
    int soundRate_ = 0, soundChannels_ = 0;
    double origin_ = 0, duration_ = 0;
    double frameDuration_ = 1.0 / 25;
    double deadline_ = 0;
    double eofTime_ = -1; // the movie time at which the end of the file was read
    bool eof_ = false, videoDone_ = false, audioDone_ = false;
    std::deque<TPending> pending_;
    TMoviePicture picture_;
    std::uint64_t pictureCount_ = 0;
    double shownUntil_ = 0, lastPictureTime_ = 0, soundUntil_ = 0;
    std::vector<std::int16_t> sound_;
};

} // namespace

void QuietMovieLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

std::unique_ptr<IKandelMovie> OpenFfmpegMovie(const std::string& path) {
    try {
        return std::make_unique<TFfmpegMovie>(path);
    } catch (const std::bad_alloc&) {
        throw EMovieError(path + ": out of memory");
    }
}

} // namespace kestra::platform
