#include "host/audio/system_sound.h"

#include <sys/stat.h>

#include <cstdio>
#include <map>
#include <memory>
#include <vector>

#include "host/audio/audio_output.h"
#include "host/audio/output_backend.h"
#include "host/audio/sound_observer.h"
#include "host/audio/wav_decoder.h"
#include "host/foundation/messages.h"
#include "host/foundation/run_loop.h"
#include "host/foundation/trace.h"

// The system sounds' bookkeeping: identifiers, completion procedures,
// disposal, the cache of prepared samples and the channel limit. Sound itself
// is the business of whichever output is open (output_backend.h).

namespace host {

namespace {

struct Sound {
    std::string name;
    std::shared_ptr<const PreparedSound> prepared;
    AudioServicesSystemSoundCompletionProc completion = nullptr;
    void* clientData = nullptr;
};

SystemSoundObserver* observer = nullptr;

struct Output {
    std::unique_ptr<AudioOutputBackend> backend;
    // The backend is the device output.
    bool device = false;
    bool busySaid = false;
    std::map<SystemSoundID, Sound> sounds;
    SystemSoundID nextID = 1;
    // The last files prepared, by path: a cue given every frame makes a
    // sound from the same file every frame, and decoding and resampling it
    // each time cost a seventh of the program's time during a show. An entry
    // counts only while the file's size and modification time are the same.
    struct Prepared {
        std::string path;
        off_t size;
        timespec modified;
        std::shared_ptr<const PreparedSound> sound;
        // The samples an observer was given, when one was set.
        std::shared_ptr<const ObservedSound> observed;
    };
    std::vector<Prepared> prepared;

    ~Output();
};

constexpr std::size_t kPreparedFilesKept = 8;

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

// Takes the output itself, so that its destructor need not reach it through
// output() while that static is being destroyed.
void closeOutput(Output& out) {
    if (!out.backend) return;
    // Emptied first: a playback's end on its way finds no sound.
    auto sounds = std::move(out.sounds);
    out.sounds.clear();
    for (auto& [id, sound] : sounds) out.backend->stop(id);
    // Prepared samples belong to the output: gone before it is.
    sounds.clear();
    out.prepared.clear();
    out.backend.reset();
}

Output::~Output() { closeOutput(*this); }

void install(std::unique_ptr<AudioOutputBackend> backend, bool device = false) {
    Output& out = output();
    out.backend = std::move(backend);
    out.device = device;
    out.busySaid = false;
}

void goSilent(const std::string& reason) {
    install(makeSilentOutput());
    say(messages::kAudioSilent, reason.c_str());
    std::fflush(stdout);
    Trace::log("sound", "output silent: " + reason);
}

void ensureOpen() {
    if (!output().backend) AudioOutput::openDevice();
}

// The prepared samples of `path` when they are still those of the file.
const Output::Prepared* preparedFile(const std::string& path, const struct stat& file) {
    for (const auto& c : output().prepared)
        if (c.path == path && c.size == file.st_size && c.modified.tv_sec == file.st_mtim.tv_sec &&
            c.modified.tv_nsec == file.st_mtim.tv_nsec)
            return &c;
    return nullptr;
}

void keepPrepared(const std::string& path, const struct stat& file, const Sound& sound,
                  std::shared_ptr<const ObservedSound> observed) {
    auto& kept = output().prepared;
    std::erase_if(kept, [&](const Output::Prepared& c) { return c.path == path; });
    if (kept.size() >= kPreparedFilesKept) kept.erase(kept.begin());
    kept.push_back({path, file.st_size, file.st_mtim, sound.prepared, std::move(observed)});
}

SystemSoundID addSound(Sound sound) {
    Output& out = output();
    if (out.nextID == kSystemSoundID_Vibrate) ++out.nextID;
    SystemSoundID id = out.nextID++;
    out.sounds.emplace(id, std::move(sound));
    return id;
}

// Starts a playback of `id`, or skips it: a skipped play still completes
// (at the next turn of the loop), so that whoever waits for it (a one-shot
// effect freeing itself) is not left waiting for ever.
bool startPlayback(SystemSoundID id, Sound& sound) {
    Output& out = output();
    AudioOutputBackend& backend = *out.backend;
    std::string why;
    if (backend.activePlaybacks() >= backend.channelCount()) {
        if (!out.busySaid) {
            say(messages::kAudioChannelsBusy, backend.channelCount());
            std::fflush(stdout);
            out.busySaid = true;
        }
        Trace::log("sound", "skipped " + sound.name + " (all channels busy)");
    } else if (backend.play(id, *sound.prepared, why)) {
        return true;
    } else {
        Trace::log("sound", "skipped " + sound.name + ": " + why);
    }
    NSRunLoop::mainRunLoop().post([id] { audioPlaybackFinished(id); });
    return false;
}

}  // namespace

// On the main loop: one playback of `id` has ended. Nothing comes for a
// sound disposed of since; the sound may be disposed of by the procedure.
void audioPlaybackFinished(SystemSoundID id) {
    auto& sounds = output().sounds;
    auto it = sounds.find(id);
    if (it == sounds.end()) return;
    Trace::log("sound", "finished " + it->second.name);
    auto completion = it->second.completion;
    void* clientData = it->second.clientData;
    if (completion) completion(id, clientData);
}

bool AudioOutput::openDevice() {
    Output& out = output();
    if (out.backend && out.device) return true;
    close();
    std::string why;
#ifdef __EMSCRIPTEN__
    auto device = openWebAudioOutput(why);
#else
    auto device = openMixerOutput(why);
#endif
    if (device) {
        install(std::move(device), true);
        return true;
    }
    goSilent(why);
    return false;
}

void AudioOutput::openSilent(const std::string& reason) {
    close();
    goSilent(reason);
}

void AudioOutput::open(std::unique_ptr<AudioOutputBackend> backend) {
    close();
    install(std::move(backend));
}

bool AudioOutput::isOpen() { return output().backend != nullptr; }
bool AudioOutput::isSilent() { return output().backend && output().backend->isSilent(); }

void AudioOutput::close() { closeOutput(output()); }

int AudioOutput::activePlaybacks() {
    return output().backend ? output().backend->activePlaybacks() : 0;
}

int AudioOutput::soundCount() { return int(output().sounds.size()); }

void setSystemSoundObserver(SystemSoundObserver* newObserver) { observer = newObserver; }

OSStatus AudioServicesCreateSystemSoundID(const std::string& filePath,
                                          SystemSoundID* outSystemSoundID) {
    if (!outSystemSoundID) return kAudio_ParamError;
    ensureOpen();
    Sound sound;
    sound.name = baseName(filePath);
    // Made again from the samples prepared last time (and given to an
    // observer as they were last time).
    struct stat file {};
    const bool known = stat(filePath.c_str(), &file) == 0 && S_ISREG(file.st_mode);
    const Output::Prepared* c = known ? preparedFile(filePath, file) : nullptr;
    if (c && (!observer || c->observed)) {
        sound.prepared = c->sound;
        auto observed = c->observed;
        SystemSoundID id = addSound(std::move(sound));
        *outSystemSoundID = id;
        if (observer) observer->soundCreated(id, std::move(observed));
        return kAudioServicesNoError;
    }
    DecodedSound decoded;
    std::string why;
    OSStatus status = decodeWavFile(filePath, decoded, why);
    // Copied before the output prepares the samples, which it may take.
    std::shared_ptr<ObservedSound> observed;
    if (status == kAudioServicesNoError && observer) {
        auto samples = floatSamples(decoded);
        if (!samples.empty()) {
            observed = std::make_shared<ObservedSound>();
            observed->samples = std::move(samples);
            observed->channels = decoded.channels;
            observed->rate = decoded.rate;
        }
    }
    if (status == kAudioServicesNoError) {
        status = output().backend->prepare(decoded, sound.prepared, why);
        if (status == kAudioServicesNoError && known) keepPrepared(filePath, file, sound, observed);
    }
    if (status != kAudioServicesNoError) {
        Trace::log("sound", "cannot load " + filePath + ": " + why);
        return status;
    }
    SystemSoundID id = addSound(std::move(sound));
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
    if (startPlayback(inSystemSoundID, it->second) && observer)
        observer->soundPlayed(inSystemSoundID, NSRunLoop::mainRunLoop().now());
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
    // Out of the table before the playbacks stop, so that no end reported
    // meanwhile finds it.
    Sound sound = std::move(it->second);
    sounds.erase(it);
    int stopped = output().backend->stop(inSystemSoundID);
    for (int i = 0; i < stopped; ++i) Trace::log("sound", "stopped " + sound.name);
    Trace::log("sound", "disposed " + sound.name);
    if (observer) observer->soundDisposed(inSystemSoundID, NSRunLoop::mainRunLoop().now());
    return kAudioServicesNoError;
}

}  // namespace host
