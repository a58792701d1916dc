// The silent output: nothing is heard, but every playback lasts its sound's
// duration on the run loop's clock (the virtual one in a headless run), so
// completions come when they would on a device.

#include <algorithm>
#include <vector>

#include "host/audio/audio_output.h"
#include "host/audio/output_backend.h"
#include "host/audio/wav_decoder.h"
#include "host/foundation/timer.h"

namespace host {

namespace {

class SilentOutput final : public AudioOutputBackend {
  public:
    ~SilentOutput() override {
        for (auto& playback : playbacks_) playback.timer->invalidate();
    }

    bool isSilent() const override { return true; }
    int channelCount() const override { return AudioOutput::kChannelCount; }
    int activePlaybacks() const override { return int(playbacks_.size()); }

    OSStatus prepare(DecodedSound& decoded, std::shared_ptr<const PreparedSound>& out,
                     std::string&) override {
        auto sound = std::make_shared<PreparedSound>();
        sound->duration = decoded.duration();
        out = std::move(sound);
        return kAudioServicesNoError;
    }

    bool play(SystemSoundID id, const PreparedSound& sound, std::string&) override {
        // One one-shot timer per playback, firing at its end.
        auto timer = NSTimer::scheduledTimerWithTimeInterval(
            sound.duration,
            [this, id](NSTimer& fired) {
                std::erase_if(playbacks_,
                              [&](const Playback& p) { return p.timer.get() == &fired; });
                audioPlaybackFinished(id);
            },
            false);
        playbacks_.push_back({id, std::move(timer)});
        return true;
    }

    int stop(SystemSoundID id) override {
        int stopped = 0;
        std::erase_if(playbacks_, [&](const Playback& p) {
            if (p.id != id) return false;
            if (p.timer->isValid()) ++stopped;
            p.timer->invalidate();
            return true;
        });
        return stopped;
    }

  private:
    struct Playback {
        SystemSoundID id;
        std::shared_ptr<NSTimer> timer;
    };
    std::vector<Playback> playbacks_;
};

}  // namespace

std::unique_ptr<AudioOutputBackend> makeSilentOutput() { return std::make_unique<SilentOutput>(); }

}  // namespace host
