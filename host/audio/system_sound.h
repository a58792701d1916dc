#pragma once

#include <cstdint>
#include <string>

namespace host {

class NSRunLoop;

// System sounds: short sound files loaded once and played on demand, each
// playback reported to a completion procedure on the main run loop.
// Every function here is called on the main run loop's thread.

using OSStatus = std::int32_t;
using SystemSoundID = std::uint32_t;
using AudioServicesSystemSoundCompletionProc = void (*)(SystemSoundID ssID, void* clientData);

inline constexpr OSStatus kAudioServicesNoError = 0;
inline constexpr OSStatus kAudio_FileNotFoundError = -43;
inline constexpr OSStatus kAudio_ParamError = -50;
// No sound by that identifier (never made, or already disposed of).
inline constexpr OSStatus kAudioServicesSystemSoundUnspecifiedError = -1500;
inline constexpr OSStatus kAudioServicesSystemSoundExceededMaximumDurationError = -1502;
// Four-character codes: 'typ?' not a sound file, 'dta?' a damaged one,
// 'fmt?' a sound whose data cannot be played.
inline constexpr OSStatus kAudioFileUnsupportedFileTypeError = 0x7479703F;
inline constexpr OSStatus kAudioFileInvalidFileError = 0x6474613F;
inline constexpr OSStatus kAudioFileUnsupportedDataFormatError = 0x666D743F;

// Playing this identifier asks for a vibration.
inline constexpr SystemSoundID kSystemSoundID_Vibrate = 0x00000FFF;

// Loads the WAV file at `filePath` and writes a new identifier into
// `outSystemSoundID`. Non-zero for anything that cannot be played: a missing
// or unreadable file, an empty, truncated or damaged one, one that is not
// WAV, or a sound longer than 30 seconds. The identifier is left untouched
// then.
OSStatus AudioServicesCreateSystemSoundID(const std::string& filePath,
                                          SystemSoundID* outSystemSoundID);

// Starts one more playback of the sound and returns at once. Unknown
// identifiers are ignored.
void AudioServicesPlaySystemSound(SystemSoundID inSystemSoundID);

// Installs (or replaces) the sound's completion procedure, called with
// `clientData` once for every playback that finishes. The run loop and mode
// may be null: completions always come on the main run loop.
OSStatus AudioServicesAddSystemSoundCompletion(SystemSoundID inSystemSoundID, NSRunLoop* inRunLoop,
                                               const char* inRunLoopMode,
                                               AudioServicesSystemSoundCompletionProc inCompletion,
                                               void* clientData);
void AudioServicesRemoveSystemSoundCompletion(SystemSoundID inSystemSoundID);

// Stops the sound's playbacks (no completion comes for them) and frees it.
OSStatus AudioServicesDisposeSystemSoundID(SystemSoundID inSystemSoundID);

}  // namespace host
