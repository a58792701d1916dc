#include "sound/AudioFX.h"

#include <cstdio>

#include "host/foundation/bundle.h"
#include "host/foundation/messages.h"

namespace {

// Lets the class itself stand as a delegate.
class ClassDelegate : public AudioFXDelegate {
  public:
    void audioFXDidComplete(AudioFX* effect) override { AudioFX::audioFXDidComplete(effect); }
};

ClassDelegate& classDelegate() {
    static ClassDelegate delegate;
    return delegate;
}

}  // namespace

std::unique_ptr<AudioFX> AudioFX::initWithPath(const std::string& path) {
    std::unique_ptr<AudioFX> effect(new AudioFX);
    std::string filePath = path;
    if (path.empty() || path[0] != '/') {
        // A name no resource bears leaves an empty path, which the sound
        // service cannot open; the name is still what the failure shows.
        auto found = host::NSBundle::mainBundle().pathForResource(path, "");
        filePath = found ? *found : std::string();
    }
    host::OSStatus status = host::AudioServicesCreateSystemSoundID(filePath, &effect->_soundID);
    if (status != host::kAudioServicesNoError) {
        std::printf(toy::messages::kCreateSoundFailed, int(status));
        const std::string& shown = filePath.empty() ? path : filePath;
        std::printf(toy::messages::kOpenSoundFileFailed, shown.c_str());
        return nullptr;
    }
    return effect;
}

AudioFX::~AudioFX() {
    if (_soundID != 0) {
        if (_hasCallback) host::AudioServicesRemoveSystemSoundCompletion(_soundID);
        host::AudioServicesDisposeSystemSoundID(_soundID);
    }
}

void AudioFX::play() { host::AudioServicesPlaySystemSound(_soundID); }

void AudioFX::setDelegate(AudioFXDelegate* delegate) {
    _delegate = delegate;
    if (delegate && !_hasCallback) {
        host::OSStatus status = host::AudioServicesAddSystemSoundCompletion(
            _soundID, nullptr, nullptr, AudioServicesSystemSoundCompletionProc, this);
        if (status != host::kAudioServicesNoError)
            std::printf(toy::messages::kAddSoundCompletionFailed, int(status));
        else
            _hasCallback = true;
    } else if (!delegate && _hasCallback) {
        host::AudioServicesRemoveSystemSoundCompletion(_soundID);
        _hasCallback = false;
    }
}

void AudioFX::vibrate() { host::AudioServicesPlaySystemSound(host::kSystemSoundID_Vibrate); }

bool AudioFX::playAtPath(const std::string& path) {
    std::unique_ptr<AudioFX> effect = initWithPath(path);
    if (!effect) return false;
    effect->setDelegate(&classDelegate());
    // Without its completion the effect would never be freed: play nothing.
    if (!effect->_hasCallback) return false;
    effect->play();
    // Owned from here by its own playback: audioFXDidComplete frees it.
    effect.release();
    return true;
}

void AudioFX::audioFXDidComplete(AudioFX* effect) { delete effect; }

void AudioServicesSystemSoundCompletionProc(host::SystemSoundID /*ssID*/, void* clientData) {
    auto* effect = static_cast<AudioFX*>(clientData);
    if (AudioFXDelegate* delegate = effect->delegate()) delegate->audioFXDidComplete(effect);
}
