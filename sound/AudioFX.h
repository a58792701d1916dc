#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/audio/system_sound.h"

class AudioFX;

class AudioFXDelegate {
  public:
    virtual ~AudioFXDelegate() = default;
    virtual void audioFXDidComplete(AudioFX* effect) = 0;
};

// One sound file loaded as a system sound; it can be played any number of
// times and tells its delegate when each playback has finished.
class AudioFX {
  public:
    // The path is absolute or the exact name of a bundle resource (with its
    // extension). Nothing when the file cannot be loaded; two lines say why.
    static std::unique_ptr<AudioFX> initWithPath(const std::string& path);
    ~AudioFX();
    AudioFX(const AudioFX&) = delete;
    AudioFX& operator=(const AudioFX&) = delete;

    // Returns at once; each call is one more playback.
    void play();

    AudioFXDelegate* delegate() const { return _delegate; }
    // Not owned. The completion procedure is installed with the first
    // delegate and removed when the delegate is set to nothing.
    void setDelegate(AudioFXDelegate* delegate);

    std::int32_t tag() const { return _tag; }
    void setTag(std::int32_t tag) { _tag = tag; }

    static void vibrate();
    // Plays the file once with an effect that frees itself when the playback
    // ends. False when the file cannot be loaded.
    static bool playAtPath(const std::string& path);
    // The class as the delegate of the effects playAtPath makes: frees them.
    static void audioFXDidComplete(AudioFX* effect);

  private:
    AudioFX() = default;

    host::SystemSoundID _soundID = 0;
    std::int32_t _tag = 0;
    AudioFXDelegate* _delegate = nullptr;
    bool _hasCallback = false;
};

// Installed with the sound service; `clientData` is the effect.
void AudioServicesSystemSoundCompletionProc(host::SystemSoundID ssID, void* clientData);
