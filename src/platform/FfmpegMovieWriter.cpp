// Writes the small movies of the tests and the demo: pictures and sound encoded with
// libavcodec into a container of libavformat, bit-exact so that the same input gives
// the same file.
#include "platform/FfmpegMovie.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstring>

namespace kestra::platform {

namespace {

class TWriter {
public:
    TWriter(const std::string& path, const TMovieWriterOptions& o) : path_(path), o_(o) {
        QuietMovieLibrary();
    }
    ~TWriter() {
        if (format_) {
            if (format_->pb) avio_closep(&format_->pb);
            avformat_free_context(format_);
        }
        avcodec_free_context(&video_);
        avcodec_free_context(&audio_);
        av_frame_free(&frame_);
        av_packet_free(&packet_);
        sws_freeContext(sws_);
    }
    TWriter(const TWriter&) = delete;
    TWriter& operator=(const TWriter&) = delete;

    void Write(const std::vector<std::vector<std::uint8_t>>& pictures,
               const std::vector<std::int16_t>& sound) {
        Check(
            avformat_alloc_output_context2(&format_, nullptr, o_.Container.c_str(), path_.c_str()),
            "no container");
        format_->flags |= AVFMT_FLAG_BITEXACT;
        frame_ = av_frame_alloc();
        packet_ = av_packet_alloc();
        if (!frame_ || !packet_) Fail("out of memory");
        OpenVideo();
        if (!o_.AudioCodec.empty()) OpenAudio();
        Check(avio_open(&format_->pb, path_.c_str(), AVIO_FLAG_WRITE), "cannot create");
        Check(avformat_write_header(format_, nullptr), "header");

        // Pictures and sound in time order, so that the container interleaves them.
        const std::size_t bytes = static_cast<std::size_t>(o_.Width) * o_.Height * 3;
        const std::size_t total = audio_ ? sound.size() / 2 : 0;
        const std::size_t chunk =
            audio_ && audio_->frame_size > 0 ? static_cast<std::size_t>(audio_->frame_size) : 1024;
        std::size_t at = 0;
        auto soundUpTo = [&](std::size_t until) {
            for (; at < std::min(until, total); at += chunk)
                EncodeSound(sound, at, std::min(chunk, total - at));
        };
        for (std::size_t n = 0; n < pictures.size(); ++n) {
            if (pictures[n].size() != bytes) Fail("a picture of the wrong size");
            EncodePicture(pictures[n], static_cast<std::int64_t>(n));
            soundUpTo((n + 1) * static_cast<std::size_t>(o_.SampleRate) /
                      static_cast<std::size_t>(o_.FramesPerSecond));
        }
        Encode(video_, videoStream_, nullptr);
        if (audio_) {
            soundUpTo(total);
            Encode(audio_, audioStream_, nullptr);
        }
        Check(av_write_trailer(format_), "trailer");
    }

private:
    [[noreturn]] void Fail(const std::string& what) const {
        throw EMovieError(path_ + ": cannot write the movie: " + what);
    }
    void Check(int rc, const char* what) const {
        if (rc < 0) {
            char text[AV_ERROR_MAX_STRING_SIZE] = {};
            av_strerror(rc, text, sizeof text);
            Fail(std::string(what) + " (" + text + ")");
        }
    }

    AVCodecContext* Encoder(const std::string& name, AVStream*& stream) {
        const AVCodec* codec = avcodec_find_encoder_by_name(name.c_str());
        if (!codec) Fail("no encoder " + name);
        stream = avformat_new_stream(format_, nullptr);
        AVCodecContext* c = avcodec_alloc_context3(codec);
        if (!stream || !c) Fail("out of memory");
        c->flags |= AV_CODEC_FLAG_BITEXACT;
        c->thread_count = 1;
        if (format_->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        return c;
    }

    void OpenVideo() {
        video_ = Encoder(o_.VideoCodec, videoStream_);
        const AVCodec* codec = video_->codec;
        video_->width = o_.Width;
        video_->height = o_.Height;
        video_->time_base = AVRational{1, o_.FramesPerSecond};
        video_->framerate = AVRational{o_.FramesPerSecond, 1};
        video_->gop_size = 12;
        video_->bit_rate = 800000;
        // The encoder's first pixel format is one it takes.
        video_->pix_fmt = codec->pix_fmts ? codec->pix_fmts[0] : AV_PIX_FMT_YUV420P;
        Check(avcodec_open2(video_, codec, nullptr), "video encoder");
        Check(avcodec_parameters_from_context(videoStream_->codecpar, video_), "video stream");
        videoStream_->time_base = video_->time_base;
        sws_ = sws_getContext(o_.Width, o_.Height, AV_PIX_FMT_RGB24, o_.Width, o_.Height,
                              video_->pix_fmt, SWS_POINT | SWS_BITEXACT, nullptr, nullptr, nullptr);
        if (!sws_) Fail("no picture conversion");
    }

    void OpenAudio() {
        audio_ = Encoder(o_.AudioCodec, audioStream_);
        const AVCodec* codec = audio_->codec;
        audio_->sample_rate = o_.SampleRate;
        audio_->sample_fmt = AV_SAMPLE_FMT_S16;
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        Check(av_channel_layout_copy(&audio_->ch_layout, &stereo), "sound layout");
        audio_->bit_rate = 128000;
        audio_->time_base = AVRational{1, o_.SampleRate};
        Check(avcodec_open2(audio_, codec, nullptr), "sound encoder");
        Check(avcodec_parameters_from_context(audioStream_->codecpar, audio_), "sound stream");
        audioStream_->time_base = audio_->time_base;
    }

    void EncodePicture(const std::vector<std::uint8_t>& rgb, std::int64_t n) {
        av_frame_unref(frame_);
        frame_->format = video_->pix_fmt;
        frame_->width = o_.Width;
        frame_->height = o_.Height;
        Check(av_frame_get_buffer(frame_, 0), "picture buffer");
        const std::uint8_t* src[1] = {rgb.data()};
        const int stride[1] = {o_.Width * 3};
        sws_scale(sws_, src, stride, 0, o_.Height, frame_->data, frame_->linesize);
        frame_->pts = n;
        Encode(video_, videoStream_, frame_);
    }

    void EncodeSound(const std::vector<std::int16_t>& sound, std::size_t at, std::size_t frames) {
        av_frame_unref(frame_);
        frame_->format = AV_SAMPLE_FMT_S16;
        frame_->sample_rate = o_.SampleRate;
        Check(av_channel_layout_copy(&frame_->ch_layout, &audio_->ch_layout), "sound layout");
        // Encoders with a fixed frame size take only whole frames: the last is padded.
        const std::size_t size = audio_->frame_size > 0 ? audio_->frame_size : frames;
        frame_->nb_samples = static_cast<int>(size);
        Check(av_frame_get_buffer(frame_, 0), "sound buffer");
        std::memset(frame_->data[0], 0, size * 4);
        std::memcpy(frame_->data[0], sound.data() + 2 * at, frames * 4);
        frame_->pts = static_cast<std::int64_t>(at);
        Encode(audio_, audioStream_, frame_);
    }

    void Encode(AVCodecContext* c, AVStream* stream, const AVFrame* frame) {
        Check(avcodec_send_frame(c, frame), "encoding");
        for (;;) {
            const int rc = avcodec_receive_packet(c, packet_);
            if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return;
            Check(rc, "encoding");
            av_packet_rescale_ts(packet_, c->time_base, stream->time_base);
            packet_->stream_index = stream->index;
            Check(av_interleaved_write_frame(format_, packet_), "writing");
        }
    }

    std::string path_;
    TMovieWriterOptions o_;
    AVFormatContext* format_ = nullptr;
    AVCodecContext *video_ = nullptr, *audio_ = nullptr;
    AVStream *videoStream_ = nullptr, *audioStream_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
    SwsContext* sws_ = nullptr;
};

} // namespace

void WriteMovieFile(const std::string& path, const TMovieWriterOptions& options,
                    const std::vector<std::vector<std::uint8_t>>& pictures,
                    const std::vector<std::int16_t>& sound) {
    TWriter(path, options).Write(pictures, sound);
}

} // namespace kestra::platform
