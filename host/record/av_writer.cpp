extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <vector>

#include "host/record/writer.h"

namespace host {

namespace {

std::string avError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

class AvWriter : public RecordingWriter {
  public:
    ~AvWriter() override {
        avcodec_free_context(&video_);
        avcodec_free_context(&sound_);
        av_frame_free(&picture_);
        av_frame_free(&samples_);
        av_packet_free(&packet_);
        sws_freeContext(scaler_);
        if (format_) {
            if (format_->pb) avio_closep(&format_->pb);
            avformat_free_context(format_);
        }
    }

    bool open(const std::string& path, RecordingFormat kind, int width, int height,
              std::string& why);
    bool hasSound() const override { return true; }
    bool addFrame(const uint8_t* argb, int stride, long long slot, std::string& why) override;
    bool addSound(const float* stereo, long long frames, std::string& why) override;
    bool finish(long long endSlot, std::string& why) override;

  private:
    bool openVideo(RecordingFormat kind, int width, int height, std::string& why);
    bool openSound(RecordingFormat kind, std::string& why);
    bool sendSamples(int count, std::string& why);
    // Sends `frame` (null to flush) and writes what comes out.
    bool encode(AVCodecContext* codec, AVStream* stream, AVFrame* frame, std::string& why);

    AVFormatContext* format_ = nullptr;
    AVCodecContext* video_ = nullptr;
    AVCodecContext* sound_ = nullptr;
    AVStream* videoStream_ = nullptr;
    AVStream* soundStream_ = nullptr;
    AVFrame* picture_ = nullptr;
    AVFrame* samples_ = nullptr;
    AVPacket* packet_ = nullptr;
    SwsContext* scaler_ = nullptr;
    std::vector<float> pending_;  // stereo, interleaved
    long long soundPts_ = 0;
};

bool AvWriter::openVideo(RecordingFormat kind, int width, int height, std::string& why) {
    const char* name = kind == RecordingFormat::mp4 ? "libx264" : "libvpx-vp9";
    const AVCodec* codec = avcodec_find_encoder_by_name(name);
    if (!codec) {
        why = std::string("this libavcodec has no ") + name + " encoder";
        return false;
    }
    video_ = avcodec_alloc_context3(codec);
    video_->width = width;
    video_->height = height;
    video_->time_base = AVRational{1, Recorder::kFramesPerSecond};
    video_->framerate = AVRational{Recorder::kFramesPerSecond, 1};
    video_->pix_fmt = AV_PIX_FMT_YUV420P;
    video_->gop_size = 2 * Recorder::kFramesPerSecond;
    // One thread and exact arithmetic: the same frames give the same file.
    video_->thread_count = 1;
    video_->flags |= AV_CODEC_FLAG_BITEXACT;
    // swscale converts with the BT.601 matrix in video range; say so.
    video_->color_range = AVCOL_RANGE_MPEG;
    video_->colorspace = AVCOL_SPC_SMPTE170M;
    video_->color_primaries = AVCOL_PRI_SMPTE170M;
    video_->color_trc = AVCOL_TRC_SMPTE170M;
    if (format_->oformat->flags & AVFMT_GLOBALHEADER) video_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* options = nullptr;
    if (kind == RecordingFormat::mp4) {
        av_dict_set(&options, "preset", "veryfast", 0);
        av_dict_set(&options, "crf", "23", 0);
    } else {
        // Constant quality, fast enough to keep up with a window.
        av_dict_set(&options, "deadline", "realtime", 0);
        av_dict_set(&options, "cpu-used", "8", 0);
        av_dict_set(&options, "crf", "32", 0);
        av_dict_set(&options, "b", "0", 0);
        av_dict_set(&options, "row-mt", "0", 0);
    }
    int error = avcodec_open2(video_, codec, &options);
    av_dict_free(&options);
    if (error < 0) {
        why = std::string("cannot start the ") + name + " encoder: " + avError(error);
        return false;
    }
    videoStream_ = avformat_new_stream(format_, nullptr);
    if (!videoStream_) return why = "out of memory", false;
    videoStream_->time_base = video_->time_base;
    avcodec_parameters_from_context(videoStream_->codecpar, video_);

    picture_ = av_frame_alloc();
    picture_->format = video_->pix_fmt;
    picture_->width = width;
    picture_->height = height;
    if (av_frame_get_buffer(picture_, 0) < 0) return why = "out of memory", false;
    // Cairo's ARGB32 is AV_PIX_FMT_RGB32 (native-endian 0xAARRGGBB).
    scaler_ =
        sws_getContext(width, height, AV_PIX_FMT_RGB32, width, height, AV_PIX_FMT_YUV420P,
                       SWS_BICUBIC | SWS_ACCURATE_RND | SWS_BITEXACT, nullptr, nullptr, nullptr);
    if (!scaler_) return why = "cannot convert the frames to YUV", false;
    return true;
}

bool AvWriter::openSound(RecordingFormat kind, std::string& why) {
    const char* name = kind == RecordingFormat::mp4 ? "aac" : "libopus";
    const AVCodec* codec = avcodec_find_encoder_by_name(name);
    if (!codec) {
        why = std::string("this libavcodec has no ") + name + " encoder";
        return false;
    }
    sound_ = avcodec_alloc_context3(codec);
    sound_->sample_rate = Recorder::kSoundRate;
    av_channel_layout_default(&sound_->ch_layout, 2);
    sound_->sample_fmt = kind == RecordingFormat::mp4 ? AV_SAMPLE_FMT_FLTP : AV_SAMPLE_FMT_FLT;
    sound_->bit_rate = kind == RecordingFormat::mp4 ? 128000 : 96000;
    sound_->time_base = AVRational{1, Recorder::kSoundRate};
    sound_->thread_count = 1;
    sound_->flags |= AV_CODEC_FLAG_BITEXACT;
    if (format_->oformat->flags & AVFMT_GLOBALHEADER) sound_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int error = avcodec_open2(sound_, codec, nullptr);
    if (error < 0) {
        why = std::string("cannot start the ") + name + " encoder: " + avError(error);
        return false;
    }
    soundStream_ = avformat_new_stream(format_, nullptr);
    if (!soundStream_) return why = "out of memory", false;
    soundStream_->time_base = sound_->time_base;
    avcodec_parameters_from_context(soundStream_->codecpar, sound_);
    samples_ = av_frame_alloc();
    samples_->format = sound_->sample_fmt;
    samples_->sample_rate = sound_->sample_rate;
    samples_->nb_samples = sound_->frame_size > 0 ? sound_->frame_size : 1024;
    av_channel_layout_copy(&samples_->ch_layout, &sound_->ch_layout);
    if (av_frame_get_buffer(samples_, 0) < 0) return why = "out of memory", false;
    return true;
}

bool AvWriter::open(const std::string& path, RecordingFormat kind, int width, int height,
                    std::string& why) {
    int error = avformat_alloc_output_context2(
        &format_, nullptr, kind == RecordingFormat::mp4 ? "mp4" : "webm", path.c_str());
    if (error < 0) return why = avError(error), false;
    // No library versions, dates or random identifiers in the file.
    format_->flags |= AVFMT_FLAG_BITEXACT;
    if (!openVideo(kind, width, height, why) || !openSound(kind, why)) return false;
    packet_ = av_packet_alloc();
    error = avio_open(&format_->pb, path.c_str(), AVIO_FLAG_WRITE);
    if (error < 0) return why = avError(error), false;
    AVDictionary* options = nullptr;
    // The index up front, so that players start before the whole file is in.
    if (kind == RecordingFormat::mp4) av_dict_set(&options, "movflags", "+faststart", 0);
    error = avformat_write_header(format_, &options);
    av_dict_free(&options);
    if (error < 0) return why = avError(error), false;
    return true;
}

bool AvWriter::encode(AVCodecContext* codec, AVStream* stream, AVFrame* frame, std::string& why) {
    int error = avcodec_send_frame(codec, frame);
    if (error < 0) return why = "encoding failed: " + avError(error), false;
    for (;;) {
        error = avcodec_receive_packet(codec, packet_);
        if (error == AVERROR(EAGAIN) || error == AVERROR_EOF) return true;
        if (error < 0) return why = "encoding failed: " + avError(error), false;
        av_packet_rescale_ts(packet_, codec->time_base, stream->time_base);
        packet_->stream_index = stream->index;
        error = av_interleaved_write_frame(format_, packet_);
        if (error < 0) return why = avError(error), false;
        if (format_->pb->error < 0) return why = avError(format_->pb->error), false;
    }
}

bool AvWriter::addFrame(const uint8_t* argb, int stride, long long slot, std::string& why) {
    if (av_frame_make_writable(picture_) < 0) return why = "out of memory", false;
    const uint8_t* planes[1] = {argb};
    const int strides[1] = {stride};
    sws_scale(scaler_, planes, strides, 0, video_->height, picture_->data, picture_->linesize);
    picture_->pts = slot;
    return encode(video_, videoStream_, picture_, why);
}

bool AvWriter::sendSamples(int count, std::string& why) {
    if (av_frame_make_writable(samples_) < 0) return why = "out of memory", false;
    samples_->nb_samples = count;
    if (sound_->sample_fmt == AV_SAMPLE_FMT_FLTP) {
        auto* left = reinterpret_cast<float*>(samples_->data[0]);
        auto* right = reinterpret_cast<float*>(samples_->data[1]);
        for (int i = 0; i < count; ++i) left[i] = pending_[2 * i], right[i] = pending_[2 * i + 1];
    } else {
        std::copy_n(pending_.begin(), 2 * count, reinterpret_cast<float*>(samples_->data[0]));
    }
    pending_.erase(pending_.begin(), pending_.begin() + 2 * count);
    samples_->pts = soundPts_;
    soundPts_ += count;
    return encode(sound_, soundStream_, samples_, why);
}

bool AvWriter::addSound(const float* stereo, long long frames, std::string& why) {
    pending_.insert(pending_.end(), stereo, stereo + 2 * frames);
    const int size = sound_->frame_size > 0 ? sound_->frame_size : 1024;
    while (pending_.size() >= std::size_t(2 * size))
        if (!sendSamples(size, why)) return false;
    return true;
}

bool AvWriter::finish(long long /*endSlot*/, std::string& why) {
    const int size = sound_->frame_size > 0 ? sound_->frame_size : 1024;
    if (!pending_.empty()) {
        // Encoders that take only whole frames get the last one padded with silence.
        if (!(sound_->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME))
            pending_.resize(std::size_t(2 * size), 0.0f);
        if (!sendSamples(int(pending_.size() / 2), why)) return false;
    }
    if (!encode(video_, videoStream_, nullptr, why) || !encode(sound_, soundStream_, nullptr, why))
        return false;
    int error = av_write_trailer(format_);
    if (error < 0) return why = avError(error), false;
    if (format_->pb->error < 0) return why = avError(format_->pb->error), false;
    error = avio_closep(&format_->pb);
    if (error < 0) return why = avError(error), false;
    return true;
}

}  // namespace

std::unique_ptr<RecordingWriter> openAvWriter(const std::string& path, RecordingFormat format,
                                              int width, int height, std::string& why) {
    // The libraries' own lines would go to standard error; failures are
    // reported here, one line each.
    av_log_set_level(AV_LOG_QUIET);
    auto writer = std::make_unique<AvWriter>();
    if (!writer->open(path, format, width, height, why)) return nullptr;
    return writer;
}

}  // namespace host
