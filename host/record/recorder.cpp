#include "host/record/recorder.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "host/record/writer.h"

namespace host {

namespace {

// The device mixes every sound at half level (Mix_MasterVolume); so does the recording.
constexpr float kMixLevel = 0.5f;
constexpr long long kSamplesPerFrame = Recorder::kSoundRate / Recorder::kFramesPerSecond;

std::string lowerExtension(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return ext;
}

// The sound as stereo at the recording's rate.
std::vector<float> resampled(const ObservedSound& sound) {
    std::vector<float> out;
    if (sound.channels <= 0 || sound.rate <= 0 || sound.samples.empty()) return out;
    AVChannelLayout in, stereo;
    av_channel_layout_default(&in, sound.channels);
    av_channel_layout_default(&stereo, 2);
    SwrContext* swr = nullptr;
    if (swr_alloc_set_opts2(&swr, &stereo, AV_SAMPLE_FMT_FLT, Recorder::kSoundRate, &in,
                            AV_SAMPLE_FMT_FLT, sound.rate, 0, nullptr) < 0 ||
        swr_init(swr) < 0) {
        swr_free(&swr);
        av_channel_layout_uninit(&in);
        return out;
    }
    const int frames = int(sound.samples.size() / std::size_t(sound.channels));
    const int room = swr_get_out_samples(swr, frames) + 64;
    out.resize(std::size_t(room) * 2);
    auto* outData = reinterpret_cast<uint8_t*>(out.data());
    const auto* inData = reinterpret_cast<const uint8_t*>(sound.samples.data());
    int got = swr_convert(swr, &outData, room, &inData, frames);
    int total = std::max(got, 0);
    // What the filter still holds.
    while (total < room) {
        outData = reinterpret_cast<uint8_t*>(out.data() + 2 * total);
        got = swr_convert(swr, &outData, room - total, nullptr, 0);
        if (got <= 0) break;
        total += got;
    }
    out.resize(std::size_t(total) * 2);
    swr_free(&swr);
    av_channel_layout_uninit(&in);
    return out;
}

}  // namespace

std::optional<RecordingFormat> recordingFormatFor(const std::string& path) {
    const std::string ext = lowerExtension(path);
    if (ext == ".mp4") return RecordingFormat::mp4;
    if (ext == ".webm") return RecordingFormat::webm;
    if (ext == ".webp") return RecordingFormat::webp;
    return std::nullopt;
}

struct Recorder::Worker {
    struct Item {
        enum class Kind { Frame, Play, Stop, End } kind = Kind::Frame;
        long long slot = 0;
        long long sample = 0;
        SystemSoundID id = 0;
        std::shared_ptr<const ObservedSound> sound;
        std::vector<uint8_t> pixels;
    };
    struct Voice {
        SystemSoundID id = 0;
        std::shared_ptr<const std::vector<float>> samples;
        long long start = 0, end = LLONG_MAX;
    };

    std::unique_ptr<RecordingWriter> writer;
    int width = 0, height = 0;
    // Where the file is written, and what it is called once complete (the
    // same when the target is a device rather than a file).
    std::string partPath, finalPath;

    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Item> queue;
    int framesQueued = 0;
    std::string error;
    std::thread thread;

    // The worker's own.
    std::vector<Voice> voices;
    long long mixed = 0;
    std::vector<uint8_t> lastPixels;
    long long lastSlot = -1;
    std::vector<float> mix;
    std::map<const ObservedSound*, std::pair<std::shared_ptr<const ObservedSound>,
                                             std::shared_ptr<const std::vector<float>>>>
        resampledSounds;

    void push(Item item) {
        std::lock_guard lock(mutex);
        if (item.kind == Item::Kind::Frame) ++framesQueued;
        queue.push_back(std::move(item));
        changed.notify_all();
    }

    bool mixTo(long long sample, std::string& why) {
        if (!writer->hasSound() || sample <= mixed) return true;
        const long long count = sample - mixed;
        mix.assign(std::size_t(count) * 2, 0.0f);
        for (const Voice& v : voices) {
            const long long length = (long long)(v.samples->size() / 2);
            const long long from = std::max(v.start, mixed);
            const long long to = std::min({v.end, v.start + length, sample});
            for (long long s = from; s < to; ++s) {
                mix[std::size_t(2 * (s - mixed))] +=
                    kMixLevel * (*v.samples)[std::size_t(2 * (s - v.start))];
                mix[std::size_t(2 * (s - mixed) + 1)] +=
                    kMixLevel * (*v.samples)[std::size_t(2 * (s - v.start) + 1)];
            }
        }
        for (float& x : mix) x = std::clamp(x, -1.0f, 1.0f);
        mixed = sample;
        std::erase_if(voices, [&](const Voice& v) {
            return v.end <= mixed || v.start + (long long)(v.samples->size() / 2) <= mixed;
        });
        return writer->addSound(mix.data(), count, why);
    }

    std::shared_ptr<const std::vector<float>> samplesFor(
        const std::shared_ptr<const ObservedSound>& sound) {
        auto it = resampledSounds.find(sound.get());
        if (it != resampledSounds.end()) return it->second.second;
        // Sounds made again and again (a cue cutting itself off) are new
        // objects each time: keep only the recent ones.
        if (resampledSounds.size() > 32) resampledSounds.clear();
        auto samples = std::make_shared<const std::vector<float>>(resampled(*sound));
        resampledSounds[sound.get()] = {sound, samples};
        return samples;
    }

    bool handle(Item& item, std::string& why) {
        switch (item.kind) {
            case Item::Kind::Frame:
                if (!mixTo(item.slot * kSamplesPerFrame, why)) return false;
                if (!writer->addFrame(item.pixels.data(), width * 4, item.slot, why)) return false;
                lastPixels = std::move(item.pixels);
                lastSlot = item.slot;
                return true;
            case Item::Kind::Play:
                if (writer->hasSound())
                    voices.push_back({item.id, samplesFor(item.sound), item.sample, LLONG_MAX});
                return true;
            case Item::Kind::Stop:
                for (Voice& v : voices)
                    if (v.id == item.id) v.end = std::min(v.end, item.sample);
                return true;
            case Item::Kind::End:
                // Abandoned: nothing more is written.
                if (item.slot < 0) return true;
                if (lastSlot < 0) return why = "no frame was recorded", false;
                if (!mixTo(item.sample, why)) return false;
                // The last picture stays up to the end.
                if (lastSlot < item.slot - 1 &&
                    !writer->addFrame(lastPixels.data(), width * 4, item.slot - 1, why))
                    return false;
                return writer->finish(item.slot, why);
        }
        return true;
    }

    void run() {
        std::string why;
        bool failed = false;
        for (;;) {
            Item item;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return !queue.empty(); });
                item = std::move(queue.front());
                queue.pop_front();
                if (item.kind == Item::Kind::Frame) --framesQueued;
                changed.notify_all();
            }
            const bool end = item.kind == Item::Kind::End;
            if (!failed && !handle(item, why)) {
                failed = true;
                std::lock_guard lock(mutex);
                error = why;
            }
            if (end) break;
        }
        writer.reset();
    }

    // Stops the thread (when running) and removes the partial file.
    void abandon() {
        if (thread.joinable()) {
            push(Item{Item::Kind::End, -1, 0, 0, nullptr, {}});
            thread.join();
        }
        if (partPath != finalPath) ::unlink(partPath.c_str());
    }
};

std::unique_ptr<Recorder> Recorder::start(const std::string& path, const Settings& settings,
                                          std::string& why) {
    auto format = recordingFormatFor(path);
    if (!format) return why = "not a .mp4, .webm or .webp file name", nullptr;
    if (settings.width <= 0 || settings.height <= 0) return why = "no frame size", nullptr;
    std::unique_ptr<Recorder> recorder(new Recorder);
    recorder->path_ = path;
    recorder->settings_ = settings;
    auto worker = std::make_unique<Worker>();
    worker->width = settings.width;
    worker->height = settings.height;
    worker->finalPath = path;
    worker->partPath = path;
    struct stat target;
    // A regular file (or none yet) is written beside itself and renamed when
    // complete; a device (/dev/null, /dev/full) is written straight into.
    if (::stat(path.c_str(), &target) != 0 || S_ISREG(target.st_mode)) {
        const std::filesystem::path p(path);
        std::string pattern =
            (p.parent_path() / ("." + p.filename().string() + ".part-XXXXXX")).string();
        const int fd = ::mkstemp(pattern.data());
        if (fd < 0) return why = std::strerror(errno), nullptr;
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
        ::close(fd);
        worker->partPath = pattern;
    }
    // The encoder's own names (avio, libwebp) are kept off the partial name.
    worker->writer =
        *format == RecordingFormat::webp
            ? openWebpWriter(worker->partPath, settings.width, settings.height, why)
            : openAvWriter(worker->partPath, *format, settings.width, settings.height, why);
    if (!worker->writer) {
        worker->abandon();
        return nullptr;
    }
    Worker* w = worker.get();
    worker->thread = std::thread([w] { w->run(); });
    recorder->worker_ = std::move(worker);
    return recorder;
}

Recorder::~Recorder() {
    if (worker_) worker_->abandon();
}

long long Recorder::slotAt(double time) const {
    return (long long)std::floor((time - settings_.start) * kFramesPerSecond + 1e-6);
}

double Recorder::nextFrameTime() const {
    return settings_.start + double(nextSlot_) / kFramesPerSecond;
}

void Recorder::addFrame(const CGImage& frame, double time) {
    if (!worker_ || time < nextFrameTime() - 1e-9) return;
    const long long slot = std::max(slotAt(time), nextSlot_);
    nextSlot_ = slot + 1;
    if (frame.width() != settings_.width || frame.height() != settings_.height ||
        frame.format() != CGImage::Format::argb32)
        return;
    Worker& w = *worker_;
    {
        std::unique_lock lock(w.mutex);
        if (w.framesQueued >= settings_.queueFrames) {
            if (settings_.dropWhenBusy) {
                ++framesDropped_;
                return;
            }
            w.changed.wait(lock, [&] { return w.framesQueued < settings_.queueFrames; });
        }
    }
    Worker::Item item;
    item.kind = Worker::Item::Kind::Frame;
    item.slot = slot;
    item.pixels.resize(std::size_t(settings_.width) * settings_.height * 4);
    for (int y = 0; y < settings_.height; ++y)
        std::memcpy(item.pixels.data() + std::size_t(y) * settings_.width * 4,
                    frame.data() + std::size_t(y) * frame.stride(),
                    std::size_t(settings_.width) * 4);
    w.push(std::move(item));
    ++framesRecorded_;
}

static long long sampleAt(double time, double start) {
    return std::max(0LL, std::llround((time - start) * Recorder::kSoundRate));
}

void Recorder::soundPlayed(SystemSoundID id, std::shared_ptr<const ObservedSound> sound,
                           double time) {
    if (!worker_ || !sound) return;
    Worker::Item item;
    item.kind = Worker::Item::Kind::Play;
    item.id = id;
    item.sound = std::move(sound);
    item.sample = sampleAt(time, settings_.start);
    worker_->push(std::move(item));
}

void Recorder::soundStopped(SystemSoundID id, double time) {
    if (!worker_) return;
    Worker::Item item;
    item.kind = Worker::Item::Kind::Stop;
    item.id = id;
    item.sample = sampleAt(time, settings_.start);
    worker_->push(std::move(item));
}

bool Recorder::finish(double time, std::string& why) {
    if (!worker_) return why = "the recording was already finished", false;
    Worker& w = *worker_;
    Worker::Item item;
    item.kind = Worker::Item::Kind::End;
    // Ends with the run: the last picture is up until `time`.
    item.slot = std::max((long long)std::ceil((time - settings_.start) * kFramesPerSecond - 1e-6),
                         nextSlot_);
    item.sample = item.slot * kSamplesPerFrame;
    w.push(std::move(item));
    w.thread.join();
    std::string error;
    {
        std::lock_guard lock(w.mutex);
        error = w.error;
    }
    bool ok = error.empty();
    if (ok && w.partPath != w.finalPath && ::rename(w.partPath.c_str(), w.finalPath.c_str()) != 0) {
        error = std::strerror(errno);
        ok = false;
    }
    if (!ok) {
        if (w.partPath != w.finalPath) ::unlink(w.partPath.c_str());
        why = error;
    }
    worker_.reset();
    return ok;
}

void SoundTap::soundCreated(SystemSoundID id, std::shared_ptr<const ObservedSound> sound) {
    sounds_[id] = std::move(sound);
}

void SoundTap::soundPlayed(SystemSoundID id, double time) {
    auto it = sounds_.find(id);
    if (recorder_ && it != sounds_.end()) recorder_->soundPlayed(id, it->second, time);
}

void SoundTap::soundDisposed(SystemSoundID id, double time) {
    sounds_.erase(id);
    if (recorder_) recorder_->soundStopped(id, time);
}

}  // namespace host
