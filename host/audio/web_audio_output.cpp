// The browser's output: Web Audio (web_audio_output.js). Each prepared sound
// is an AudioBuffer; each playback an AudioBufferSourceNode whose end is
// reported on the main run loop. A page may start its AudioContext only after
// a user gesture: until then (the context suspended, no gesture yet) a play
// is not heard and completes its sound's duration later on the run loop's
// clock, as the silent output's do, so completions keep their time.

#include <emscripten.h>

#include <algorithm>
#include <vector>

#include "host/audio/audio_output.h"
#include "host/audio/output_backend.h"
#include "host/audio/wav_decoder.h"
#include "host/foundation/run_loop.h"
#include "host/foundation/timer.h"

extern "C" {
int paddock_audio_open(char* why, int whySize);
void paddock_audio_close();
int paddock_audio_buffer(const float* samples, int frames, int channels, int rate);
void paddock_audio_free(int buffer);
int paddock_audio_audible();
void paddock_audio_play(int buffer, int playback);
void paddock_audio_stop(int playback);
void paddock_audio_count_unheard();
}

namespace host {

namespace {

struct WebSound : PreparedSound {
    int buffer = 0;
    ~WebSound() override { paddock_audio_free(buffer); }
};

class WebAudioOutput;
WebAudioOutput* openOutput = nullptr;

class WebAudioOutput final : public AudioOutputBackend {
  public:
    WebAudioOutput() { openOutput = this; }
    ~WebAudioOutput() override {
        openOutput = nullptr;
        for (auto& p : playbacks_)
            if (p.timer) p.timer->invalidate();
        paddock_audio_close();
    }

    bool isSilent() const override { return false; }
    int channelCount() const override { return AudioOutput::kChannelCount; }
    int activePlaybacks() const override { return int(playbacks_.size()); }

    OSStatus prepare(DecodedSound& decoded, std::shared_ptr<const PreparedSound>& out,
                     std::string& why) override {
        const std::vector<float> samples = floatSamples(decoded);
        if (samples.empty()) {
            why = "samples not convertible";
            return kAudioFileUnsupportedDataFormatError;
        }
        auto sound = std::make_shared<WebSound>();
        sound->duration = decoded.duration();
        sound->buffer = paddock_audio_buffer(samples.data(), int(decoded.frames), decoded.channels,
                                             decoded.rate);
        if (sound->buffer == 0) {
            why = "Web Audio refused the samples";
            return kAudioFileUnsupportedDataFormatError;
        }
        out = std::move(sound);
        return kAudioServicesNoError;
    }

    bool play(SystemSoundID id, const PreparedSound& prepared, std::string& why) override {
        const auto* sound = dynamic_cast<const WebSound*>(&prepared);
        if (!sound) {
            why = "not prepared by this output";
            return false;
        }
        const int number = ++lastPlayback_;
        if (paddock_audio_audible()) {
            paddock_audio_play(sound->buffer, number);
            playbacks_.push_back({number, id, nullptr});
            return true;
        }
        paddock_audio_count_unheard();
        auto timer = NSTimer::scheduledTimerWithTimeInterval(
            sound->duration, [this, number](NSTimer&) { finished(number); }, false);
        playbacks_.push_back({number, id, std::move(timer)});
        return true;
    }

    int stop(SystemSoundID id) override {
        int stopped = 0;
        std::erase_if(playbacks_, [&](const Playback& p) {
            if (p.id != id) return false;
            if (p.timer)
                p.timer->invalidate();
            else
                paddock_audio_stop(p.number);
            ++stopped;
            return true;
        });
        return stopped;
    }

    // A playback ended by itself: reported once, unless stopped since.
    void finished(int number) {
        auto it = std::find_if(playbacks_.begin(), playbacks_.end(),
                               [&](const Playback& p) { return p.number == number; });
        if (it == playbacks_.end()) return;
        const SystemSoundID id = it->id;
        playbacks_.erase(it);
        audioPlaybackFinished(id);
    }

  private:
    struct Playback {
        int number;
        SystemSoundID id;
        std::shared_ptr<NSTimer> timer;  // for a playback nobody hears
    };
    std::vector<Playback> playbacks_;
    int lastPlayback_ = 0;
};

}  // namespace

std::unique_ptr<AudioOutputBackend> openWebAudioOutput(std::string& why) {
    char reason[160] = "";
    if (!paddock_audio_open(reason, sizeof reason)) {
        why = reason;
        return nullptr;
    }
    return std::make_unique<WebAudioOutput>();
}

}  // namespace host

// Called by the page when a source node ends by itself (never after a stop):
// the report is posted to the main run loop.
extern "C" EMSCRIPTEN_KEEPALIVE void paddock_audio_ended(int playback) {
    host::NSRunLoop::mainRunLoop().post([playback] {
        if (host::openOutput) host::openOutput->finished(playback);
    });
}
