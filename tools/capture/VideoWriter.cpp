// FFmpeg encoding and muxing of captured frames and music (see header).
#include "VideoWriter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>

namespace sunvale {
namespace capture {

namespace {

constexpr int64_t kAudioBitRate = 192000;  // bits per second, stereo AAC-LC

std::string AvError(const char* what, int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {0};
    av_strerror(code, text, sizeof text);
    return std::string(what) + ": " + text;
}

}  // namespace

VideoWriter::~VideoWriter() { Close(); }

const char* VideoWriter::VideoEncoderName() const
{
    return video_ && video_->codec ? video_->codec->name : "none";
}

bool VideoWriter::Open(const std::string& path, const std::string& formatName,
                       const VideoSettings& settings, std::string* error)
{
    Close();
    settings_ = settings;
    // The encoders' statistics and banners are noise beside the progress bar.
    av_log_set_level(AV_LOG_WARNING);
    const AVOutputFormat* container = av_guess_format(nullptr, formatName.c_str(), nullptr);
    if (!container) {
        *error = "no FFmpeg container for " + formatName;
        return false;
    }
    int ret = avformat_alloc_output_context2(&format_, container, nullptr, path.c_str());
    if (ret < 0 || !format_) {
        *error = AvError("cannot set up the container", ret);
        return false;
    }
    packet_ = av_packet_alloc();
    if (!packet_ || !OpenVideo(error) || !OpenAudio(error)) {
        if (error->empty()) *error = "out of memory";
        Close();
        return false;
    }
    ret = avio_open(&format_->pb, path.c_str(), AVIO_FLAG_WRITE);
    if (ret < 0) {
        *error = AvError(("cannot open " + path).c_str(), ret);
        Close();
        return false;
    }
    fileOpen_ = true;
    ret = avformat_write_header(format_, nullptr);
    if (ret < 0) {
        *error = AvError("cannot write the container header", ret);
        Close();
        return false;
    }
    headerWritten_ = true;
    return true;
}

bool VideoWriter::OpenVideo(std::string* error)
{
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (!codec) codec = avcodec_find_encoder(AV_CODEC_ID_H264);
    if (!codec) {
        *error = "this FFmpeg has no H.264 encoder";
        return false;
    }
    videoStream_ = avformat_new_stream(format_, nullptr);
    video_ = avcodec_alloc_context3(codec);
    picture_ = av_frame_alloc();
    if (!videoStream_ || !video_ || !picture_) return false;
    video_->width = settings_.width;
    video_->height = settings_.height;
    video_->time_base = AVRational{1, settings_.fps};
    video_->framerate = AVRational{settings_.fps, 1};
    video_->pix_fmt = AV_PIX_FMT_YUV420P;
    // A key frame every two seconds keeps seeking quick in players.
    video_->gop_size = 2 * settings_.fps;
    video_->color_range = AVCOL_RANGE_MPEG;
    video_->colorspace = AVCOL_SPC_BT709;
    video_->color_primaries = AVCOL_PRI_BT709;
    video_->color_trc = AVCOL_TRC_BT709;
    if (format_->oformat->flags & AVFMT_GLOBALHEADER) video_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* options = nullptr;
    av_dict_set_int(&options, "crf", settings_.crf, 0);
    av_dict_set(&options, "preset", "medium", 0);
    int ret = avcodec_open2(video_, codec, &options);
    av_dict_free(&options);
    if (ret < 0) {
        *error = AvError("cannot open the H.264 encoder", ret);
        return false;
    }
    ret = avcodec_parameters_from_context(videoStream_->codecpar, video_);
    if (ret < 0) {
        *error = AvError("cannot describe the video stream", ret);
        return false;
    }
    videoStream_->time_base = video_->time_base;
    videoStream_->avg_frame_rate = video_->framerate;

    picture_->format = video_->pix_fmt;
    picture_->width = video_->width;
    picture_->height = video_->height;
    if (av_frame_get_buffer(picture_, 0) < 0) return false;
    scaler_ = sws_getContext(settings_.width, settings_.height, AV_PIX_FMT_RGBA, settings_.width,
                             settings_.height, AV_PIX_FMT_YUV420P,
                             SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INP, nullptr, nullptr,
                             nullptr);
    if (!scaler_) {
        *error = "cannot set up the RGB to Y'CbCr conversion";
        return false;
    }
    // Full-range RGB in, BT.709 limited range out, as the stream is tagged.
    sws_setColorspaceDetails(scaler_, sws_getCoefficients(SWS_CS_ITU709), 1,
                             sws_getCoefficients(SWS_CS_ITU709), 0, 0, 1 << 16, 1 << 16);
    return true;
}

bool VideoWriter::OpenAudio(std::string* error)
{
    const AVCodec* codec = avcodec_find_encoder_by_name("aac");
    if (!codec) {
        *error = "this FFmpeg has no AAC encoder";
        return false;
    }
    audioStream_ = avformat_new_stream(format_, nullptr);
    audio_ = avcodec_alloc_context3(codec);
    sound_ = av_frame_alloc();
    if (!audioStream_ || !audio_ || !sound_) return false;
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    audio_->sample_fmt = AV_SAMPLE_FMT_FLTP;
    audio_->sample_rate = settings_.sampleRate;
    av_channel_layout_copy(&audio_->ch_layout, &stereo);
    audio_->bit_rate = kAudioBitRate;
    audio_->time_base = AVRational{1, settings_.sampleRate};
    if (format_->oformat->flags & AVFMT_GLOBALHEADER) audio_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int ret = avcodec_open2(audio_, codec, nullptr);
    if (ret < 0) {
        *error = AvError("cannot open the AAC encoder", ret);
        return false;
    }
    ret = avcodec_parameters_from_context(audioStream_->codecpar, audio_);
    if (ret < 0) {
        *error = AvError("cannot describe the audio stream", ret);
        return false;
    }
    audioStream_->time_base = audio_->time_base;

    ret = swr_alloc_set_opts2(&resampler_, &audio_->ch_layout, audio_->sample_fmt,
                              audio_->sample_rate, &stereo, AV_SAMPLE_FMT_S16, settings_.sampleRate,
                              0, nullptr);
    if (ret < 0 || swr_init(resampler_) < 0) {
        *error = "cannot set up the audio conversion";
        return false;
    }
    fifo_ = av_audio_fifo_alloc(audio_->sample_fmt, 2, audio_->frame_size * 4);
    return fifo_ != nullptr;
}

bool VideoWriter::WriteVideoFrame(const uint8_t* rgba, std::string* error)
{
    if (!headerWritten_) {
        *error = "the video file is not open";
        return false;
    }
    const int ret = av_frame_make_writable(picture_);
    if (ret < 0) {
        *error = AvError("no picture buffer", ret);
        return false;
    }
    const uint8_t* source[1] = {rgba};
    const int stride[1] = {settings_.width * 4};
    sws_scale(scaler_, source, stride, 0, settings_.height, picture_->data, picture_->linesize);
    picture_->pts = videoPts_++;
    return Encode(video_, videoStream_, picture_, error);
}

bool VideoWriter::WriteAudio(const int16_t* stereo, int frames, std::string* error)
{
    if (!headerWritten_) {
        *error = "the video file is not open";
        return false;
    }
    if (frames <= 0) return true;
    // Same rate in and out: the conversion keeps the count of samples.
    uint8_t** planes = nullptr;
    int ret =
        av_samples_alloc_array_and_samples(&planes, nullptr, 2, frames, audio_->sample_fmt, 0);
    if (ret < 0) {
        *error = AvError("no audio buffer", ret);
        return false;
    }
    const uint8_t* source[1] = {reinterpret_cast<const uint8_t*>(stereo)};
    const int converted = swr_convert(resampler_, planes, frames, source, frames);
    if (converted > 0)
        ret = av_audio_fifo_write(fifo_, reinterpret_cast<void**>(planes), converted);
    av_freep(&planes[0]);
    av_freep(&planes);
    if (converted < 0 || ret < 0) {
        *error = "cannot convert the audio";
        return false;
    }
    return EncodeAudioFrames(false, error);
}

bool VideoWriter::EncodeAudioFrames(bool flush, std::string* error)
{
    const int frameSize = audio_->frame_size;
    while (av_audio_fifo_size(fifo_) >= frameSize || (flush && av_audio_fifo_size(fifo_) > 0)) {
        const int count = std::min(av_audio_fifo_size(fifo_), frameSize);
        // An encoder without short last frames gets silence after the end.
        const bool shortLast = audio_->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME;
        av_frame_unref(sound_);
        sound_->nb_samples = shortLast ? count : frameSize;
        sound_->format = audio_->sample_fmt;
        sound_->sample_rate = audio_->sample_rate;
        av_channel_layout_copy(&sound_->ch_layout, &audio_->ch_layout);
        int ret = av_frame_get_buffer(sound_, 0);
        if (ret < 0) {
            *error = AvError("no audio frame", ret);
            return false;
        }
        av_samples_set_silence(sound_->data, 0, sound_->nb_samples, 2, audio_->sample_fmt);
        if (av_audio_fifo_read(fifo_, reinterpret_cast<void**>(sound_->data), count) != count) {
            *error = "lost audio samples";
            return false;
        }
        sound_->pts = audioPts_;
        audioPts_ += count;
        if (!Encode(audio_, audioStream_, sound_, error)) return false;
    }
    return true;
}

bool VideoWriter::Encode(AVCodecContext* codec, AVStream* stream, AVFrame* frame,
                         std::string* error)
{
    int ret = avcodec_send_frame(codec, frame);
    if (ret < 0) {
        *error = AvError("encoding failed", ret);
        return false;
    }
    for (;;) {
        ret = avcodec_receive_packet(codec, packet_);
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) return true;
        if (ret < 0) {
            *error = AvError("encoding failed", ret);
            return false;
        }
        av_packet_rescale_ts(packet_, codec->time_base, stream->time_base);
        packet_->stream_index = stream->index;
        ret = av_interleaved_write_frame(format_, packet_);
        if (ret < 0) {
            *error = AvError("cannot write the video file", ret);
            return false;
        }
    }
}

bool VideoWriter::Finish(std::string* error)
{
    if (!headerWritten_) {
        *error = "the video file is not open";
        return false;
    }
    // FFmpeg's AAC encoder takes a short last frame, so the stream ends with
    // the last sample given, not on a frame boundary.
    if (!EncodeAudioFrames(true, error) || !Encode(video_, videoStream_, nullptr, error) ||
        !Encode(audio_, audioStream_, nullptr, error))
        return false;
    int ret = av_write_trailer(format_);
    headerWritten_ = false;
    if (ret < 0) {
        *error = AvError("cannot finish the video file", ret);
        return false;
    }
    avio_flush(format_->pb);
    const int ioError = format_->pb->error;
    ret = avio_closep(&format_->pb);
    fileOpen_ = false;
    if (ioError < 0 || ret < 0) {
        *error = AvError("cannot write the video file", ioError < 0 ? ioError : ret);
        return false;
    }
    return true;
}

void VideoWriter::Close()
{
    if (format_ && fileOpen_) avio_closep(&format_->pb);
    fileOpen_ = false;
    headerWritten_ = false;
    avcodec_free_context(&video_);
    avcodec_free_context(&audio_);
    av_frame_free(&picture_);
    av_frame_free(&sound_);
    av_packet_free(&packet_);
    if (fifo_) av_audio_fifo_free(fifo_);
    fifo_ = nullptr;
    sws_freeContext(scaler_);
    scaler_ = nullptr;
    swr_free(&resampler_);
    avformat_free_context(format_);
    format_ = nullptr;
    videoStream_ = audioStream_ = nullptr;
    videoPts_ = audioPts_ = 0;
}

}  // namespace capture
}  // namespace sunvale
