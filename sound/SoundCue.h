#pragma once

#include <memory>
#include <optional>
#include <string>

#include "sound/AudioFX.h"

// One of the stage's random sound cues: each time it is given it draws a
// number, lets go of the effect it played last, and plays one of the files
// its format names, or nothing when the draw says silence. The stage owns the
// last effect of each cue; the cue only says what to do with it.
class SoundCue {
  public:
    // rand()'s range, 2^31, split in three: always one of three boings.
    static constexpr double kBoingDivisor = 2147483648.0 / 3.0;
    // Split in six: a moo for the lower half, silence for the upper.
    static constexpr double kMooDivisor = 1073741824.0 / 3.0;
    static constexpr int kFileCount = 3;

    static SoundCue boing() { return SoundCue("boing", "boing_%d.wav", kBoingDivisor); }
    static SoundCue moo() { return SoundCue("moo", "Cow_%d.wav", kMooDivisor); }

    // `format` holds one "%d" for the file number; `name` is for the trace.
    SoundCue(std::string name, std::string format, double divisor);

    // r / divisor in double precision, truncated toward zero.
    static int fileNumber(int r, double divisor);
    // The bundle name that draw `r` plays, or nothing for silence.
    std::optional<std::string> fileForDraw(int r) const;

    // Gives the cue for draw `r` (0 to RAND_MAX): releases `lastEffect`, then
    // loads the drawn file into it and plays it. After a silent draw or a file
    // that will not load, `lastEffect` stays empty. Traced as "cue NAME FILE"
    // or "cue NAME silent".
    void give(std::unique_ptr<AudioFX>& lastEffect, int r) const;

  private:
    std::string name_;
    std::string format_;
    double divisor_;
};
