#pragma once

#include <memory>
#include <string>

#include "host/audio/system_sound.h"

namespace host {

struct DecodedSound;

// A sound's samples made ready for one output. Every sound made from the
// same unchanged file shares one, so an output keeps in it whatever it needs
// to start a playback (converted samples, its own handle on them).
struct PreparedSound {
    virtual ~PreparedSound() = default;
    // The sound's length in seconds, as decoded.
    double duration = 0;
};

// What an audio output must provide to the system sounds' bookkeeping
// (system_sound.cpp), which keeps identifiers, completion procedures, the
// decoded-sample cache and the channel limit, and talks to whichever output
// is open. Every member is called on the main run loop's thread.
class AudioOutputBackend {
  public:
    // Closing: stops every playback at once. No playback is reported
    // finished afterwards, not even one whose end was already on its way.
    virtual ~AudioOutputBackend() = default;

    // True for an output nobody hears (AudioOutput::isSilent).
    virtual bool isSilent() const = 0;

    // Playbacks that can sound at once. The bookkeeping starts no more than
    // these; a play beyond them is skipped and still completes.
    virtual int channelCount() const = 0;

    // Playbacks started and not yet finished or stopped.
    virtual int activePlaybacks() const = 0;

    // Makes `decoded` ready to play, converting it as the output needs; it
    // may take the decoded samples. kAudioServicesNoError and `out`, or the
    // status saying why not, with a short reason in `why` (for the trace).
    virtual OSStatus prepare(DecodedSound& decoded, std::shared_ptr<const PreparedSound>& out,
                             std::string& why) = 0;

    // Starts one playback of `sound` for the sound `id` and returns at once:
    // true when it sounds, false (with a short reason) when the output
    // refused it. A started playback ends in exactly one of two ways: it
    // finishes by itself, and the output then calls audioPlaybackFinished(id)
    // on the main run loop (never from another thread: an output whose
    // playbacks end elsewhere posts the call to the loop), or it is stopped.
    virtual bool play(SystemSoundID id, const PreparedSound& sound, std::string& why) = 0;

    // Stops every playback of the sound `id` without reporting them
    // finished; returns how many there were.
    virtual int stop(SystemSoundID id) = 0;
};

// Told by an output, on the main run loop, that one playback of `id` ended
// by itself: the sound's completion procedure is called, if it still has one.
// Identifiers are never reused, so a report for a sound disposed of since
// (or from an output closed since) is ignored.
void audioPlaybackFinished(SystemSoundID id);

// The two outputs. The device output (SDL2_mixer, mixer_output.cpp) opens
// the default device, or returns null and says why; SDL's own drivers
// (SDL_AUDIODRIVER=dummy or disk) are devices like any other.
std::unique_ptr<AudioOutputBackend> openMixerOutput(std::string& why);
// The browser's output (web_audio_output.cpp, web build only): Web Audio,
// or null with why when the page has none.
std::unique_ptr<AudioOutputBackend> openWebAudioOutput(std::string& why);
// The silent output (silent_output.cpp): each playback finishes its sound's
// duration after it starts, on the run loop's clock.
std::unique_ptr<AudioOutputBackend> makeSilentOutput();

}  // namespace host
