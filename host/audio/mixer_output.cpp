// The device output: SDL2_mixer on the default audio device. The only file
// of the audio module that plays through SDL.

#include <SDL.h>
#include <SDL_mixer.h>
#include <dlfcn.h>

#include <atomic>
#include <climits>
#include <cstring>

#include "host/audio/audio_output.h"
#include "host/audio/output_backend.h"
#include "host/audio/sdl_audio_format.h"
#include "host/audio/wav_decoder.h"
#include "host/foundation/run_loop.h"
#include "host/foundation/trace.h"

namespace host {

namespace {

constexpr int kChannels = AudioOutput::kChannelCount;
constexpr int kMixLevel = MIX_MAX_VOLUME / 2;

// The mixer's finished callback runs on the audio thread (and inside
// Mix_HaltChannel on ours); it only reads these and posts to the run loop.
// A channel is chosen only while not busy, and only the callback clears busy
// after reading its sound, so the two never disagree. A channel is halted
// only after its sound is cleared, so a stopped playback reports nothing (one
// that ends on its own at that very moment may report a sound the
// bookkeeping has forgotten, which it ignores).
std::atomic<SystemSoundID> channelSound[kChannels];
std::atomic<bool> channelBusy[kChannels];

void SDLCALL channelFinished(int channel) {
    if (channel < 0 || channel >= kChannels) return;
    SystemSoundID id = channelSound[channel].load(std::memory_order_acquire);
    channelBusy[channel].store(false, std::memory_order_release);
    if (id != 0) NSRunLoop::mainRunLoop().post([id] { audioPlaybackFinished(id); });
}

// A sound's samples in the device's format, and the mixer's chunk over them
// (which only points into the samples and never frees them).
struct DeviceSound : PreparedSound {
    std::unique_ptr<std::uint8_t, DecodedSound::Free> decoded;
    Uint8* converted = nullptr;
    Mix_Chunk* chunk = nullptr;
    ~DeviceSound() override {
        if (chunk) Mix_FreeChunk(chunk);
        SDL_free(converted);
    }
};

// ALSA reports every step of a failed device search on standard error, eight
// lines or more without a sound card. The one line that says sound is off is
// enough: its messages are silenced in the same library SDL loads.
void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

void quietAlsa() {
    using ErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
    static const bool done = [] {
        void* alsa = dlopen("libasound.so.2", RTLD_LAZY | RTLD_LOCAL);
        if (!alsa) return true;
        auto setHandler =
            reinterpret_cast<int (*)(ErrorHandler)>(dlsym(alsa, "snd_lib_error_set_handler"));
        if (setHandler) setHandler(ignoreAlsaError);
        // The library stays loaded, so the handler stays in force.
        return true;
    }();
    (void)done;
}

class MixerOutput final : public AudioOutputBackend {
  public:
    MixerOutput() {
        Mix_QuerySpec(&rate_, &format_, &channels_);
        for (int ch = 0; ch < kChannels; ++ch) {
            channelBusy[ch].store(false);
            channelSound[ch].store(0);
        }
        Mix_AllocateChannels(kChannels);
        // Sounds mix at half level: two full-scale sounds at once (a boing
        // over a moo) then add up without clipping, which would crackle.
        Mix_MasterVolume(kMixLevel);
        Mix_ChannelFinished(channelFinished);
        const char* driver = SDL_GetCurrentAudioDriver();
        Trace::log("sound", std::string("output device ") + (driver ? driver : "?") + " " +
                                std::to_string(rate_) + " Hz");
    }

    ~MixerOutput() override {
        for (int ch = 0; ch < kChannels; ++ch) channelSound[ch].store(0);
        Mix_HaltChannel(-1);
        Mix_ChannelFinished(nullptr);
        Mix_CloseAudio();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }

    bool isSilent() const override { return false; }
    int channelCount() const override { return kChannels; }

    int activePlaybacks() const override {
        int n = 0;
        for (int ch = 0; ch < kChannels; ++ch) n += channelBusy[ch].load() ? 1 : 0;
        return n;
    }

    OSStatus prepare(DecodedSound& decoded, std::shared_ptr<const PreparedSound>& out,
                     std::string& why) override {
        auto sound = std::make_shared<DeviceSound>();
        sound->duration = decoded.duration();
        OSStatus status = convert(decoded, *sound);
        if (status != kAudioServicesNoError) {
            why = SDL_GetError();
            return status;
        }
        out = std::move(sound);
        return kAudioServicesNoError;
    }

    bool play(SystemSoundID id, const PreparedSound& prepared, std::string& why) override {
        const auto& sound = static_cast<const DeviceSound&>(prepared);
        for (int ch = 0; ch < kChannels; ++ch) {
            if (channelBusy[ch].load(std::memory_order_acquire)) continue;
            channelSound[ch].store(id, std::memory_order_release);
            channelBusy[ch].store(true, std::memory_order_release);
            if (Mix_PlayChannel(ch, sound.chunk, 0) == ch) return true;
            channelBusy[ch].store(false, std::memory_order_release);
            why = Mix_GetError();
            return false;
        }
        why = "all channels busy";
        return false;
    }

    int stop(SystemSoundID id) override {
        int stopped = 0;
        for (int ch = 0; ch < kChannels; ++ch) {
            if (channelBusy[ch].load(std::memory_order_acquire) &&
                channelSound[ch].load(std::memory_order_acquire) == id) {
                channelSound[ch].store(0, std::memory_order_release);
                Mix_HaltChannel(ch);
                ++stopped;
            }
        }
        return stopped;
    }

  private:
    OSStatus convert(DecodedSound& decoded, DeviceSound& sound) {
        SDL_AudioCVT cvt;
        const SDL_AudioFormat format = sdlFormat(decoded.format);
        if (SDL_BuildAudioCVT(&cvt, format, Uint8(decoded.channels), decoded.rate, format_,
                              Uint8(channels_), rate_) < 0)
            return kAudioFileUnsupportedDataFormatError;
        // Whole frames only: a converter handed a partial frame reads past it.
        const Uint32 bytes =
            decoded.frames * Uint32(bytesPerSample(decoded.format) * decoded.channels);
        Uint8* samples = nullptr;
        Uint32 length = bytes;
        if (cvt.needed) {
            if (std::size_t(bytes) * std::size_t(cvt.len_mult) > std::size_t(INT_MAX))
                return kAudioServicesSystemSoundExceededMaximumDurationError;
            cvt.len = int(bytes);
            cvt.buf = static_cast<Uint8*>(SDL_malloc(std::size_t(bytes) * cvt.len_mult));
            if (!cvt.buf) return kAudioServicesSystemSoundUnspecifiedError;
            std::memcpy(cvt.buf, decoded.samples.get(), bytes);
            sound.converted = cvt.buf;
            if (SDL_ConvertAudio(&cvt) < 0) return kAudioFileUnsupportedDataFormatError;
            samples = cvt.buf;
            length = Uint32(cvt.len_cvt);
        } else {
            sound.decoded = std::move(decoded.samples);
            samples = sound.decoded.get();
        }
        sound.chunk = Mix_QuickLoad_RAW(samples, length);
        return sound.chunk ? kAudioServicesNoError : kAudioServicesSystemSoundUnspecifiedError;
    }

    int rate_ = 0;
    Uint16 format_ = 0;
    int channels_ = 0;
};

}  // namespace

std::unique_ptr<AudioOutputBackend> openMixerOutput(std::string& why) {
    quietAlsa();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        why = std::string("no audio device: ") + SDL_GetError();
        return nullptr;
    }
    if (Mix_OpenAudioDevice(44100, AUDIO_S16SYS, 2, 1024, nullptr,
                            SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE) !=
        0) {
        why = std::string("cannot open the audio device: ") + Mix_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return nullptr;
    }
    return std::make_unique<MixerOutput>();
}

}  // namespace host
