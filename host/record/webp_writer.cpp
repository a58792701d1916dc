#include <webp/encode.h>
#include <webp/mux.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "host/record/writer.h"

namespace host {

namespace {

long long milliseconds(long long slot) {
    return std::llround(double(slot) * 1000.0 / Recorder::kFramesPerSecond);
}

class WebpWriter : public RecordingWriter {
  public:
    WebpWriter(std::string path, int width, int height)
        : path_(std::move(path)), width_(width), height_(height) {}
    ~WebpWriter() override {
        if (encoder_) WebPAnimEncoderDelete(encoder_);
    }

    bool open(std::string& why) {
        WebPAnimEncoderOptions options;
        if (!WebPAnimEncoderOptionsInit(&options) || !WebPConfigInit(&config_))
            return why = "this libwebp does not match its headers", false;
        options.anim_params.loop_count = 0;
        // Lossy at a quality that keeps edges clean, small enough for a chat.
        config_.quality = 70;
        config_.method = 4;
        encoder_ = WebPAnimEncoderNew(width_, height_, &options);
        if (!encoder_) return why = "out of memory", false;
        return true;
    }

    bool hasSound() const override { return false; }

    bool addFrame(const uint8_t* argb, int stride, long long slot, std::string& why) override {
        WebPPicture picture;
        if (!WebPPictureInit(&picture)) return why = "out of memory", false;
        picture.use_argb = 1;
        picture.width = width_;
        picture.height = height_;
        if (!WebPPictureAlloc(&picture)) return why = "out of memory", false;
        // Both are native-endian 0xAARRGGBB; the frames are opaque, so
        // premultiplied or not is the same.
        for (int y = 0; y < height_; ++y)
            std::memcpy(picture.argb + std::size_t(y) * picture.argb_stride, argb + y * stride,
                        std::size_t(width_) * 4);
        const bool added =
            WebPAnimEncoderAdd(encoder_, &picture, int(milliseconds(slot)), &config_);
        WebPPictureFree(&picture);
        if (!added) return why = WebPAnimEncoderGetError(encoder_), false;
        return true;
    }

    bool addSound(const float*, long long, std::string&) override { return true; }

    bool finish(long long endSlot, std::string& why) override {
        if (!WebPAnimEncoderAdd(encoder_, nullptr, int(milliseconds(endSlot)), nullptr))
            return why = WebPAnimEncoderGetError(encoder_), false;
        WebPData data;
        WebPDataInit(&data);
        if (!WebPAnimEncoderAssemble(encoder_, &data)) {
            why = WebPAnimEncoderGetError(encoder_);
            WebPDataClear(&data);
            return false;
        }
        FILE* file = std::fopen(path_.c_str(), "wb");
        bool written = file && std::fwrite(data.bytes, 1, data.size, file) == data.size;
        if (!written) why = std::strerror(errno);
        if (file && std::fclose(file) != 0 && written) {
            why = std::strerror(errno);
            written = false;
        }
        WebPDataClear(&data);
        return written;
    }

  private:
    std::string path_;
    int width_, height_;
    WebPConfig config_;
    WebPAnimEncoder* encoder_ = nullptr;
};

}  // namespace

std::unique_ptr<RecordingWriter> openWebpWriter(const std::string& path, int width, int height,
                                                std::string& why) {
    auto writer = std::make_unique<WebpWriter>(path, width, height);
    if (!writer->open(why)) return nullptr;
    return writer;
}

}  // namespace host
