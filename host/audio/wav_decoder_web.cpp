// WAV decoding in the web build, which has no SDL: our own reader
// (wav_reader.cpp), and samples widened to float for an observer.

#include <cstdlib>
#include <cstring>

#include "host/audio/wav_reader.h"

namespace host {

void DecodedSound::Free::operator()(std::uint8_t* p) const { std::free(p); }

std::uint8_t* allocateSamples(std::size_t bytes) {
    return static_cast<std::uint8_t*>(std::malloc(bytes));
}

OSStatus decodeCheckedWav(const std::uint8_t* data, std::size_t size, DecodedSound& out,
                          std::string& why) {
    return readWav(data, size, out, why);
}

std::vector<float> floatSamples(const DecodedSound& decoded) {
    const int width = bytesPerSample(decoded.format);
    const std::size_t count = std::size_t(decoded.frames) * std::size_t(decoded.channels);
    if (count == 0 || count * std::size_t(width) > decoded.bytes) return {};
    std::vector<float> samples(count);
    const std::uint8_t* p = decoded.samples.get();
    const bool big = decoded.format == SampleFormat::S16BE ||
                     decoded.format == SampleFormat::S32BE || decoded.format == SampleFormat::F32BE;
    for (std::size_t i = 0; i < count; ++i, p += width) {
        std::uint32_t v = 0;
        for (int k = 0; k < width; ++k) v |= std::uint32_t(p[big ? width - 1 - k : k]) << (8 * k);
        switch (decoded.format) {
            case SampleFormat::U8:
                samples[i] = (float(v) - 128.0f) / 128.0f;
                break;
            case SampleFormat::S8:
                samples[i] = float(std::int8_t(v)) / 128.0f;
                break;
            case SampleFormat::S16LE:
            case SampleFormat::S16BE:
                samples[i] = float(std::int16_t(v)) / 32768.0f;
                break;
            case SampleFormat::S32LE:
            case SampleFormat::S32BE:
                samples[i] = float(double(std::int32_t(v)) / 2147483648.0);
                break;
            case SampleFormat::F32LE:
            case SampleFormat::F32BE:
                std::memcpy(&samples[i], &v, 4);
                break;
        }
    }
    return samples;
}

}  // namespace host
