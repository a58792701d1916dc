#include "host/audio/system_sound.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <dlfcn.h>
#include <sys/stat.h>

#include <atomic>
#include <climits>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "host/audio/audio_output.h"
#include "host/audio/sound_observer.h"
#include "host/audio/wav_decoder.h"
#include "host/foundation/messages.h"
#include "host/foundation/run_loop.h"
#include "host/foundation/timer.h"
#include "host/foundation/trace.h"

namespace host {

namespace {

constexpr int kChannels = AudioOutput::kChannelCount;
constexpr int kMixLevel = MIX_MAX_VOLUME / 2;

// The mixer's finished callback runs on the audio thread (and inside
// Mix_HaltChannel on ours); it only reads these and posts to the run loop.
// A channel is chosen only while not busy, and only the callback clears busy
// after reading its sound, so the two never disagree.
std::atomic<SystemSoundID> channelSound[kChannels];
std::atomic<bool> channelBusy[kChannels];

// A file's samples converted to the device's format, shared by every sound
// made from it while the file is unchanged.
struct DevicePCM {
    std::unique_ptr<Uint8, DecodedSound::Free> bytes;
    Uint32 length = 0;
};

struct Sound {
    std::string name;
    double duration = 0;
    // Device output: the samples converted to the device's format.
    std::shared_ptr<const DevicePCM> pcm;
    Mix_Chunk* chunk = nullptr;
    AudioServicesSystemSoundCompletionProc completion = nullptr;
    void* clientData = nullptr;
    // Silent output: one one-shot timer per playback, firing at its end.
    std::vector<std::shared_ptr<NSTimer>> silentPlaybacks;
};

enum class Mode { Closed, Device, Silent };

SystemSoundObserver* observer = nullptr;

// The decoded samples as float at their own rate, for the observer.
std::shared_ptr<ObservedSound> observedCopy(const DecodedSound& decoded) {
    const int frameBytes = SDL_AUDIO_BITSIZE(decoded.format) / 8 * decoded.channels;
    const std::size_t bytes = std::size_t(decoded.frames) * std::size_t(frameBytes);
    SDL_AudioCVT cvt;
    if (frameBytes <= 0 ||
        SDL_BuildAudioCVT(&cvt, decoded.format, Uint8(decoded.channels), decoded.rate, AUDIO_F32SYS,
                          Uint8(decoded.channels), decoded.rate) < 0 ||
        bytes * std::size_t(cvt.len_mult) > std::size_t(INT_MAX))
        return nullptr;
    std::vector<Uint8> buffer(bytes * std::size_t(cvt.len_mult));
    std::memcpy(buffer.data(), decoded.samples.get(), bytes);
    std::size_t converted = bytes;
    if (cvt.needed) {
        cvt.len = int(bytes);
        cvt.buf = buffer.data();
        if (SDL_ConvertAudio(&cvt) < 0) return nullptr;
        converted = std::size_t(cvt.len_cvt);
    }
    auto sound = std::make_shared<ObservedSound>();
    sound->channels = decoded.channels;
    sound->rate = decoded.rate;
    sound->samples.resize(converted / sizeof(float));
    std::memcpy(sound->samples.data(), buffer.data(), sound->samples.size() * sizeof(float));
    return sound;
}

struct Output {
    Mode mode = Mode::Closed;
    bool busySaid = false;
    int rate = 0;
    Uint16 format = 0;
    int channels = 0;
    std::map<SystemSoundID, Sound> sounds;
    SystemSoundID nextID = 1;
    // The last files converted, by path: a cue given every frame makes a
    // sound from the same file every frame, and decoding and resampling it
    // each time cost a seventh of the program's time during a show. An entry
    // counts only while the file's size and modification time are the same.
    struct Converted {
        std::string path;
        off_t size;
        timespec modified;
        double duration;
        std::shared_ptr<const DevicePCM> pcm;
        // The samples an observer was given, when one was set.
        std::shared_ptr<const ObservedSound> observed;
    };
    std::vector<Converted> converted;

    ~Output();
};

constexpr std::size_t kConvertedFilesKept = 8;

Output& output() {
    // The run loop is made first so that it outlives the output, whose
    // closing may still post from the audio thread.
    NSRunLoop::mainRunLoop();
    static Output out;
    return out;
}

std::string baseName(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// On the main loop: one playback of `id` has ended. Nothing comes for a
// sound disposed of since; the sound may be disposed of by the procedure.
void deliverCompletion(SystemSoundID id) {
    auto& sounds = output().sounds;
    auto it = sounds.find(id);
    if (it == sounds.end()) return;
    Trace::log("sound", "finished " + it->second.name);
    auto completion = it->second.completion;
    void* clientData = it->second.clientData;
    if (completion) completion(id, clientData);
}

void SDLCALL channelFinished(int channel) {
    if (channel < 0 || channel >= kChannels) return;
    SystemSoundID id = channelSound[channel].load(std::memory_order_acquire);
    channelBusy[channel].store(false, std::memory_order_release);
    NSRunLoop::mainRunLoop().post([id] { deliverCompletion(id); });
}

void freeSound(Sound& sound) {
    if (sound.chunk) Mix_FreeChunk(sound.chunk);
    sound.chunk = nullptr;
    sound.pcm.reset();
}

// Stops every playback of `id`; returns how many there were.
int stopPlaybacks(const Output& out, SystemSoundID id, Sound& sound) {
    int stopped = 0;
    for (auto& timer : sound.silentPlaybacks) {
        if (timer->isValid()) ++stopped;
        timer->invalidate();
    }
    sound.silentPlaybacks.clear();
    if (out.mode == Mode::Device) {
        for (int ch = 0; ch < kChannels; ++ch) {
            if (channelBusy[ch].load(std::memory_order_acquire) &&
                channelSound[ch].load(std::memory_order_acquire) == id) {
                Mix_HaltChannel(ch);
                ++stopped;
            }
        }
    }
    return stopped;
}

// Takes the output itself, so that its destructor need not reach it through
// output() while that static is being destroyed.
void closeOutput(Output& out) {
    if (out.mode == Mode::Closed) return;
    // Emptied first: completions that the halts below post find no sound.
    auto sounds = std::move(out.sounds);
    out.sounds.clear();
    for (auto& [id, sound] : sounds) stopPlaybacks(out, id, sound);
    if (out.mode == Mode::Device) {
        Mix_HaltChannel(-1);
        for (auto& [id, sound] : sounds) freeSound(sound);
        Mix_ChannelFinished(nullptr);
        Mix_CloseAudio();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    // Another device may want another format.
    out.converted.clear();
    out.mode = Mode::Closed;
}

Output::~Output() { closeOutput(*this); }

void goSilent(const std::string& reason) {
    Output& out = output();
    out.mode = Mode::Silent;
    out.busySaid = false;
    say(messages::kAudioSilent, reason.c_str());
    std::fflush(stdout);
    Trace::log("sound", "output silent: " + reason);
}

void ensureOpen() {
    if (output().mode == Mode::Closed) AudioOutput::openDevice();
}

OSStatus chunkFor(Sound& sound);

// The converted samples of `path` when they are still those of the file.
const Output::Converted* convertedFile(const std::string& path, const struct stat& file) {
    for (const auto& c : output().converted)
        if (c.path == path && c.size == file.st_size &&
            c.modified.tv_sec == file.st_mtim.tv_sec && c.modified.tv_nsec == file.st_mtim.tv_nsec)
            return &c;
    return nullptr;
}

void keepConverted(const std::string& path, const struct stat& file, const Sound& sound,
                   std::shared_ptr<const ObservedSound> observed) {
    auto& kept = output().converted;
    std::erase_if(kept, [&](const Output::Converted& c) { return c.path == path; });
    if (kept.size() >= kConvertedFilesKept) kept.erase(kept.begin());
    kept.push_back(
        {path, file.st_size, file.st_mtim, sound.duration, sound.pcm, std::move(observed)});
}

OSStatus convertForDevice(DecodedSound& decoded, Sound& sound) {
    Output& out = output();
    SDL_AudioCVT cvt;
    if (SDL_BuildAudioCVT(&cvt, decoded.format, Uint8(decoded.channels), decoded.rate, out.format,
                          Uint8(out.channels), out.rate) < 0)
        return kAudioFileUnsupportedDataFormatError;
    // Whole frames only: a converter handed a partial frame reads past it.
    const Uint32 frameBytes = Uint32(SDL_AUDIO_BITSIZE(decoded.format) / 8 * decoded.channels);
    const Uint32 bytes = decoded.frames * frameBytes;
    auto pcm = std::make_shared<DevicePCM>();
    pcm->length = bytes;
    if (cvt.needed) {
        if (std::size_t(bytes) * std::size_t(cvt.len_mult) > std::size_t(INT_MAX))
            return kAudioServicesSystemSoundExceededMaximumDurationError;
        cvt.len = int(bytes);
        cvt.buf = static_cast<Uint8*>(SDL_malloc(std::size_t(bytes) * cvt.len_mult));
        if (!cvt.buf) return kAudioServicesSystemSoundUnspecifiedError;
        std::memcpy(cvt.buf, decoded.samples.get(), bytes);
        pcm->bytes.reset(cvt.buf);
        if (SDL_ConvertAudio(&cvt) < 0) return kAudioFileUnsupportedDataFormatError;
        pcm->length = Uint32(cvt.len_cvt);
    } else {
        pcm->bytes = std::move(decoded.samples);
    }
    sound.pcm = std::move(pcm);
    return chunkFor(sound);
}

OSStatus chunkFor(Sound& sound) {
    // The chunk only points into the shared samples, which it never frees.
    sound.chunk = Mix_QuickLoad_RAW(sound.pcm->bytes.get(), sound.pcm->length);
    return sound.chunk ? kAudioServicesNoError : kAudioServicesSystemSoundUnspecifiedError;
}

bool playOnDevice(SystemSoundID id, Sound& sound) {
    Output& out = output();
    for (int ch = 0; ch < kChannels; ++ch) {
        if (channelBusy[ch].load(std::memory_order_acquire)) continue;
        channelSound[ch].store(id, std::memory_order_release);
        channelBusy[ch].store(true, std::memory_order_release);
        if (Mix_PlayChannel(ch, sound.chunk, 0) == ch) return true;
        channelBusy[ch].store(false, std::memory_order_release);
        Trace::log("sound", "skipped " + sound.name + ": " + Mix_GetError());
        NSRunLoop::mainRunLoop().post([id] { deliverCompletion(id); });
        return false;
    }
    // Every channel is taken. The play is skipped but still completes, so
    // that whoever waits for it (a one-shot effect freeing itself) is not
    // left waiting for ever.
    if (!out.busySaid) {
        say(messages::kAudioChannelsBusy, kChannels);
        std::fflush(stdout);
        out.busySaid = true;
    }
    Trace::log("sound", "skipped " + sound.name + " (all channels busy)");
    NSRunLoop::mainRunLoop().post([id] { deliverCompletion(id); });
    return false;
}

void playSilently(SystemSoundID id, Sound& sound) {
    auto timer = NSTimer::scheduledTimerWithTimeInterval(
        sound.duration,
        [id](NSTimer& fired) {
            auto& sounds = output().sounds;
            auto it = sounds.find(id);
            if (it == sounds.end()) return;
            std::erase_if(it->second.silentPlaybacks,
                          [&](const auto& t) { return t.get() == &fired; });
            deliverCompletion(id);
        },
        false);
    sound.silentPlaybacks.push_back(std::move(timer));
}

}  // namespace

// ALSA reports every step of a failed device search on standard error, eight
// lines or more without a sound card. The one line that says sound is off is
// enough: its messages are silenced in the same library SDL loads.
static void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

static void quietAlsa() {
    using ErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
    static const bool done = [] {
        void* alsa = dlopen("libasound.so.2", RTLD_LAZY | RTLD_LOCAL);
        if (!alsa) return true;
        auto setHandler = reinterpret_cast<int (*)(ErrorHandler)>(
            dlsym(alsa, "snd_lib_error_set_handler"));
        if (setHandler) setHandler(ignoreAlsaError);
        // The library stays loaded, so the handler stays in force.
        return true;
    }();
    (void)done;
}

bool AudioOutput::openDevice() {
    Output& out = output();
    if (out.mode == Mode::Device) return true;
    close();
    quietAlsa();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        goSilent(std::string("no audio device: ") + SDL_GetError());
        return false;
    }
    if (Mix_OpenAudioDevice(44100, AUDIO_S16SYS, 2, 1024, nullptr,
                            SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE) !=
        0) {
        std::string reason = std::string("cannot open the audio device: ") + Mix_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        goSilent(reason);
        return false;
    }
    Mix_QuerySpec(&out.rate, &out.format, &out.channels);
    for (int ch = 0; ch < kChannels; ++ch) {
        channelBusy[ch].store(false);
        channelSound[ch].store(0);
    }
    Mix_AllocateChannels(kChannels);
    // Sounds mix at half level: two full-scale sounds at once (a boing over a
    // moo) then add up without clipping, which would crackle.
    Mix_MasterVolume(kMixLevel);
    Mix_ChannelFinished(channelFinished);
    out.mode = Mode::Device;
    out.busySaid = false;
    const char* driver = SDL_GetCurrentAudioDriver();
    Trace::log("sound", std::string("output device ") + (driver ? driver : "?") + " " +
                            std::to_string(out.rate) + " Hz");
    return true;
}

void AudioOutput::openSilent(const std::string& reason) {
    close();
    goSilent(reason);
}

bool AudioOutput::isOpen() { return output().mode != Mode::Closed; }
bool AudioOutput::isSilent() { return output().mode == Mode::Silent; }

void AudioOutput::close() { closeOutput(output()); }

int AudioOutput::activePlaybacks() {
    Output& out = output();
    int n = 0;
    if (out.mode == Mode::Device) {
        for (int ch = 0; ch < kChannels; ++ch) n += channelBusy[ch].load() ? 1 : 0;
    } else {
        for (auto& [id, sound] : out.sounds) n += int(sound.silentPlaybacks.size());
    }
    return n;
}

int AudioOutput::soundCount() { return int(output().sounds.size()); }

void setSystemSoundObserver(SystemSoundObserver* newObserver) { observer = newObserver; }

OSStatus AudioServicesCreateSystemSoundID(const std::string& filePath,
                                          SystemSoundID* outSystemSoundID) {
    if (!outSystemSoundID) return kAudio_ParamError;
    ensureOpen();
    Output& out = output();
    Sound sound;
    sound.name = baseName(filePath);
    // Made again from the samples converted last time (and given to an
    // observer as they were last time).
    struct stat file {};
    const bool known =
        out.mode == Mode::Device && stat(filePath.c_str(), &file) == 0 && S_ISREG(file.st_mode);
    const Output::Converted* c = known ? convertedFile(filePath, file) : nullptr;
    if (c && (!observer || c->observed)) {
        sound.duration = c->duration;
        sound.pcm = c->pcm;
        if (chunkFor(sound) == kAudioServicesNoError) {
            if (out.nextID == kSystemSoundID_Vibrate) ++out.nextID;
            SystemSoundID id = out.nextID++;
            out.sounds.emplace(id, std::move(sound));
            *outSystemSoundID = id;
            if (observer) observer->soundCreated(id, c->observed);
            return kAudioServicesNoError;
        }
        freeSound(sound);
    }
    DecodedSound decoded;
    std::string why;
    OSStatus status = decodeWavFile(filePath, decoded, why);
    // Copied before the device conversion, which may take the samples.
    std::shared_ptr<ObservedSound> observed;
    if (status == kAudioServicesNoError && observer) observed = observedCopy(decoded);
    sound.duration = decoded.duration();
    if (status == kAudioServicesNoError && out.mode == Mode::Device) {
        status = convertForDevice(decoded, sound);
        if (status != kAudioServicesNoError) {
            why = SDL_GetError();
            freeSound(sound);
        } else if (known) {
            keepConverted(filePath, file, sound, observed);
        }
    }
    if (status != kAudioServicesNoError) {
        Trace::log("sound", "cannot load " + filePath + ": " + why);
        return status;
    }
    if (out.nextID == kSystemSoundID_Vibrate) ++out.nextID;
    SystemSoundID id = out.nextID++;
    out.sounds.emplace(id, std::move(sound));
    *outSystemSoundID = id;
    if (observer && observed) observer->soundCreated(id, std::move(observed));
    return kAudioServicesNoError;
}

void AudioServicesPlaySystemSound(SystemSoundID inSystemSoundID) {
    if (inSystemSoundID == kSystemSoundID_Vibrate) {
        // Nothing to shake on a desktop.
        Trace::log("sound", "vibrate");
        return;
    }
    auto& sounds = output().sounds;
    auto it = sounds.find(inSystemSoundID);
    if (it == sounds.end()) return;
    Trace::log("sound", "played " + it->second.name);
    bool played = true;
    if (output().mode == Mode::Device)
        played = playOnDevice(inSystemSoundID, it->second);
    else
        playSilently(inSystemSoundID, it->second);
    if (observer && played) observer->soundPlayed(inSystemSoundID, NSRunLoop::mainRunLoop().now());
}

OSStatus AudioServicesAddSystemSoundCompletion(SystemSoundID inSystemSoundID,
                                               NSRunLoop* /*inRunLoop*/,
                                               const char* /*inRunLoopMode*/,
                                               AudioServicesSystemSoundCompletionProc inCompletion,
                                               void* clientData) {
    if (!inCompletion) return kAudio_ParamError;
    auto& sounds = output().sounds;
    auto it = sounds.find(inSystemSoundID);
    if (it == sounds.end()) return kAudioServicesSystemSoundUnspecifiedError;
    it->second.completion = inCompletion;
    it->second.clientData = clientData;
    Trace::log("sound", "completion added " + it->second.name);
    return kAudioServicesNoError;
}

void AudioServicesRemoveSystemSoundCompletion(SystemSoundID inSystemSoundID) {
    auto& sounds = output().sounds;
    auto it = sounds.find(inSystemSoundID);
    if (it == sounds.end()) return;
    it->second.completion = nullptr;
    it->second.clientData = nullptr;
    Trace::log("sound", "completion removed " + it->second.name);
}

OSStatus AudioServicesDisposeSystemSoundID(SystemSoundID inSystemSoundID) {
    auto& sounds = output().sounds;
    auto it = sounds.find(inSystemSoundID);
    if (it == sounds.end()) return kAudioServicesSystemSoundUnspecifiedError;
    // Out of the table before the halts, so the completions they post find
    // nothing.
    Sound sound = std::move(it->second);
    sounds.erase(it);
    int stopped = stopPlaybacks(output(), inSystemSoundID, sound);
    for (int i = 0; i < stopped; ++i) Trace::log("sound", "stopped " + sound.name);
    Trace::log("sound", "disposed " + sound.name);
    freeSound(sound);
    if (observer) observer->soundDisposed(inSystemSoundID, NSRunLoop::mainRunLoop().now());
    return kAudioServicesNoError;
}

}  // namespace host
