#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace soundgen {

inline constexpr int kSampleRate = 22050;

struct SoundFile {
    std::string name;
    std::vector<std::uint8_t> bytes;
};

// Mono samples in [-1, 1].
std::vector<float> boing(int which);
std::vector<float> moo(int which);

// A 16-bit PCM mono WAV file of the samples.
std::vector<std::uint8_t> wavFile(const std::vector<float>& samples, int rate = kSampleRate);

// boing_0..2.wav and Cow_0..2.wav, the same bytes every run.
std::vector<SoundFile> allSounds();

}  // namespace soundgen
