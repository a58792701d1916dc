extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}
#include <gtest/gtest.h>
#include <webp/demux.h>

#include <cmath>
#include <cstring>
#include <map>

#include "host/foundation/messages.h"
#include "tests/support/host_support.h"

// Records scripted shows headless, decodes them back with the same libraries
// and compares them with the run's own snapshots and trace.

namespace {

namespace fs = std::filesystem;

// A drag and release; the show ends near 9.6 s.
constexpr const char* kScript =
    "0.30 down 160 240\n0.50 move 200 300\n0.70 move 250 380\n0.80 up 250 380\n"
    "1.50 snapshot a.png\n3.00 snapshot b.png\n10.50 quit\n";
constexpr double kEnd = 10.5;
constexpr int kRate = 48000;

struct Media {
    int width = 0, height = 0;
    std::vector<std::vector<uint32_t>> frames;  // 0xAARRGGBB
    std::vector<double> times;                  // when each frame starts
    double duration = 0;
    std::vector<float> sound;  // mono at kRate from time 0
    bool operator==(const Media&) const = default;
};

void addSound(Media& m, AVCodecContext* c, AVFrame* f, double start) {
    AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO;
    SwrContext* swr = nullptr;
    swr_alloc_set_opts2(&swr, &mono, AV_SAMPLE_FMT_FLT, kRate, &c->ch_layout, c->sample_fmt,
                        c->sample_rate, 0, nullptr);
    swr_init(swr);
    std::vector<float> out(std::size_t(f->nb_samples) * 2 + 256);
    auto* data = reinterpret_cast<uint8_t*>(out.data());
    int n = swr_convert(swr, &data, int(out.size()), const_cast<const uint8_t**>(f->extended_data),
                        f->nb_samples);
    swr_free(&swr);
    const long long at = std::llround(start * kRate);
    for (int i = 0; i < n; ++i) {
        if (at + i < 0) continue;
        if (m.sound.size() <= std::size_t(at + i)) m.sound.resize(std::size_t(at + i) + 1);
        m.sound[std::size_t(at + i)] = out[std::size_t(i)];
    }
}

Media decodeAv(const std::string& path) {
    Media m;
    // The decoders' notes on standard error would only clutter the test's output.
    av_log_set_level(AV_LOG_QUIET);
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return m;
    avformat_find_stream_info(format, nullptr);
    m.duration = double(format->duration) / AV_TIME_BASE;
    std::map<int, AVCodecContext*> codecs;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVCodec* codec = avcodec_find_decoder(format->streams[i]->codecpar->codec_id);
        AVCodecContext* c = avcodec_alloc_context3(codec);
        avcodec_parameters_to_context(c, format->streams[i]->codecpar);
        c->thread_count = 1;
        avcodec_open2(c, codec, nullptr);
        codecs[int(i)] = c;
    }
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    auto drain = [&](int index) {
        AVCodecContext* c = codecs[index];
        const AVStream* stream = format->streams[index];
        // WebM starts the video 7 ms late, past Opus's preroll: its first
        // frame is the recording's time 0.
        const long long origin =
            c->codec_type == AVMEDIA_TYPE_VIDEO && stream->start_time > 0 ? stream->start_time : 0;
        while (avcodec_receive_frame(c, frame) == 0) {
            const double t =
                double(frame->best_effort_timestamp - origin) * av_q2d(stream->time_base);
            if (c->codec_type == AVMEDIA_TYPE_AUDIO) {
                addSound(m, c, frame, t);
                continue;
            }
            m.width = frame->width, m.height = frame->height;
            std::vector<uint32_t> rgb(std::size_t(m.width) * m.height);
            SwsContext* sws =
                sws_getContext(m.width, m.height, AVPixelFormat(frame->format), m.width, m.height,
                               AV_PIX_FMT_RGB32, SWS_BICUBIC, nullptr, nullptr, nullptr);
            uint8_t* planes[1] = {reinterpret_cast<uint8_t*>(rgb.data())};
            int strides[1] = {m.width * 4};
            sws_scale(sws, frame->data, frame->linesize, 0, m.height, planes, strides);
            sws_freeContext(sws);
            m.frames.push_back(std::move(rgb));
            m.times.push_back(t);
        }
    };
    while (av_read_frame(format, packet) >= 0) {
        if (codecs.count(packet->stream_index) &&
            avcodec_send_packet(codecs[packet->stream_index], packet) >= 0)
            drain(packet->stream_index);
        av_packet_unref(packet);
    }
    for (auto& [index, c] : codecs) {
        avcodec_send_packet(c, nullptr);
        drain(index);
        avcodec_free_context(&c);
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    avformat_close_input(&format);
    return m;
}

Media decodeWebp(const std::string& path) {
    Media m;
    const std::string bytes = testsupport::readFile(path);
    WebPData data{reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()};
    WebPAnimDecoderOptions options;
    WebPAnimDecoderOptionsInit(&options);
    options.color_mode = MODE_BGRA;  // 0xAARRGGBB in memory on this machine
    WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &options);
    if (!decoder) return m;
    WebPAnimInfo info;
    WebPAnimDecoderGetInfo(decoder, &info);
    m.width = int(info.canvas_width), m.height = int(info.canvas_height);
    double start = 0;
    while (WebPAnimDecoderHasMoreFrames(decoder)) {
        uint8_t* pixels = nullptr;
        int end = 0;
        if (!WebPAnimDecoderGetNext(decoder, &pixels, &end)) break;
        const auto* p = reinterpret_cast<const uint32_t*>(pixels);
        m.frames.emplace_back(p, p + std::size_t(m.width) * m.height);
        m.times.push_back(start);
        start = m.duration = end / 1000.0;
    }
    WebPAnimDecoderDelete(decoder);
    return m;
}

// The frame shown at `t`.
const std::vector<uint32_t>& frameAt(const Media& m, double t) {
    std::size_t i = 0;
    while (i + 1 < m.times.size() && m.times[i + 1] <= t + 1e-6) ++i;
    return m.frames[i];
}

// Mean difference per colour channel, 0-255.
double difference(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        for (int shift : {0, 8, 16})
            sum += std::abs(int(a[i] >> shift & 255) - int(b[i] >> shift & 255));
    return sum / (3.0 * double(a.size()));
}

double rms(const std::vector<float>& s, double from, double to) {
    const long long a = std::llround(from * kRate), b = std::llround(to * kRate);
    double sum = 0;
    for (long long i = std::max(a, 0LL); i < std::min(b, (long long)s.size()); ++i)
        sum += double(s[std::size_t(i)]) * s[std::size_t(i)];
    return b > a ? std::sqrt(sum / double(b - a)) : 0;
}

class Recording : public ::testing::TestWithParam<const char*> {
  protected:
    testsupport::ProgramRun record(const std::string& file, const std::string& prefix = "") {
        dir.write("show.script", kScript);
        return testsupport::runProgram(
            "cd '" + dir.path() + "' && " + prefix +
                " LSAN_OPTIONS=\"$LSAN_OPTIONS:print_suppressions=0\" '" PADDOCK_BIN "'",
            "--headless --script show.script --trace trace.txt --record '" + file + "'");
    }
    Media decode(const std::string& file) const {
        return file.ends_with(".webp") ? decodeWebp(dir.file(file)) : decodeAv(dir.file(file));
    }
    testsupport::TempDir dir;
};

TEST_P(Recording, HoldsTheShowFrameByFrameWithItsSoundTheSameEveryTime) {
    const std::string file = std::string("show.") + GetParam();
    const bool webp = file.ends_with(".webp");
    for (const char* n : {"2", ""}) {
        const auto run = record(n + file);
        ASSERT_EQ(run.status, 0) << run.output;
    }
    Media m = decode(file);
    ASSERT_FALSE(m.frames.empty());
    EXPECT_TRUE(m == decode("2" + file));
    EXPECT_EQ(std::pair(m.width, m.height), std::pair(320, 480));
    EXPECT_NEAR(m.duration, kEnd, 0.03);
    // WebP merges identical frames (the placard resting); WebM keeps whole milliseconds.
    EXPECT_TRUE(webp ? m.frames.size() > 6 * 30 && m.frames.size() <= kEnd * 30
                     : m.frames.size() == kEnd * 30 &&
                           std::abs(m.times.back() - (kEnd - 1.0 / 30)) < 0.01)
        << m.frames.size() << " frames, the last at " << m.times.back();
    // The frames at the snapshots' times are those snapshots, and nearer
    // them than the frames two ticks of the recording before or after.
    for (auto [t, png] : {std::pair{1.5, "a.png"}, {3.0, "b.png"}}) {
        const auto snapshot = decodeAv(dir.file(png)).frames.at(0);
        const double here = difference(frameAt(m, t), snapshot);
        EXPECT_LT(here, 4.0) << t;
        EXPECT_LT(here, difference(frameAt(m, t - 2.0 / 30), snapshot)) << t;
        EXPECT_LT(here, difference(frameAt(m, t + 2.0 / 30), snapshot)) << t;
    }
    if (webp) return;
    const auto trace = testsupport::traceLines(testsupport::readFile(dir.file("trace.txt")));
    // Loud at the release and at every floor contact, quiet before the first
    // sound and after the last one ends.
    int boings = 0;
    double first = kEnd, last = 0;
    for (const auto& line : trace) {
        if (line.event == "cue" && line.details.starts_with("boing")) {
            EXPECT_GT(rms(m.sound, line.time, line.time + 0.1), 0.03) << line.time;
            ++boings;
        }
        if (line.event != "sound") continue;
        if (line.details.starts_with("played")) first = std::min(first, line.time);
        if (line.details.starts_with("finished") || line.details.starts_with("stopped"))
            last = line.time;
    }
    EXPECT_EQ(boings, 8);
    ASSERT_LT(last, kEnd - 0.2);
    EXPECT_LT(rms(m.sound, 0.05, first - 0.05), 0.002);
    EXPECT_LT(rms(m.sound, last + 0.05, kEnd - 0.05), 0.002);
}

INSTANTIATE_TEST_SUITE_P(Formats, Recording, ::testing::Values("mp4", "webm", "webp"));

// Each failure: its line, its status, and no file left behind but the script.
TEST_F(Recording, FailuresSayWhyAndLeaveNoFile) {
    using host::messages::kRecordingUnwritable, testsupport::message;
    struct Case {
        std::string file, prefix, line;
        int status = 1;
    };
    std::vector<Case> cases = {
        {"show.avi", "",
         message(host::messages::kBadCommandLine, "paddock",
                 "--record wants a file name ending in .mp4, .webm or .webp, not \"show.avi\""),
         2},
        {"no/such/show.mp4", "",
         message(kRecordingUnwritable, "no/such/show.mp4", "No such file or directory")}};
    for (std::string type : {"mp4", "webp"}) {
        const std::string full = "full." + type, big = "big." + type;
        ASSERT_EQ(::symlink("/dev/full", dir.file(full).c_str()), 0);
        cases.push_back(
            {full, "", message(kRecordingUnwritable, full.c_str(), "No space left on device")});
        // Larger than the 64 KiB a file may have: the encoder fails part way.
        cases.push_back({big, "trap '' XFSZ; ulimit -f 64;",
                         message(kRecordingUnwritable, big.c_str(), "File too large")});
    }
    // The start of the line a finished recording prints.
    const std::string recorded(host::messages::kRecordingFinished,
                               std::strchr(host::messages::kRecordingFinished, '%'));
    for (const Case& c : cases) {
        const auto run = record(c.file, c.prefix);
        EXPECT_EQ(run.status, c.status) << c.file;
        EXPECT_NE(run.output.find(c.line), std::string::npos) << c.file << ":\n" << run.output;
        EXPECT_EQ(run.output.find(recorded), std::string::npos) << c.file;
        for (const auto& entry : fs::directory_iterator(dir.path())) {
            const std::string name = entry.path().filename().string();
            EXPECT_TRUE(name == "show.script" || name == "trace.txt" || name.ends_with(".png") ||
                        name.starts_with("full."))
                << c.file << " left " << name;
        }
    }
}

}  // namespace
