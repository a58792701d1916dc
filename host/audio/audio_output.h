#pragma once

#include <memory>
#include <string>

namespace host {

class AudioOutputBackend;

// Where system sounds are heard. The default output device is opened at the
// first sound unless the shell chose before. Without a device the output is
// silent: files are still checked when loaded, and every playback still
// completes on the main run loop after the sound's duration, so completions
// behave the same. SDL's own drivers (SDL_AUDIODRIVER=dummy or disk) are
// devices like any other.
class AudioOutput {
  public:
    // Playbacks that can sound at once. A play beyond them is skipped (a
    // line says so once per opening) and completes at the next turn.
    static constexpr int kChannelCount = 64;

    // Opens the default device; true when one is open. On failure the output
    // turns silent and one line says why.
    static bool openDevice();
    // Silent output, saying why in one line (a headless run).
    static void openSilent(const std::string& reason);
    // Any other output (output_backend.h), silently: a test's own.
    static void open(std::unique_ptr<AudioOutputBackend> backend);
    static bool isOpen();
    static bool isSilent();
    // Stops every playback and disposes of every sound: identifiers made
    // before are no longer valid. The next sound opens the output again.
    static void close();

    // Playbacks under way (on the open output), and sounds not yet disposed of.
    static int activePlaybacks();
    static int soundCount();
};

}  // namespace host
