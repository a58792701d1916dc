#pragma once

// Private to the audio module's decoders: the checks every WAV file passes
// before a decoder sees it (wav_file.cpp), and our own RIFF/WAVE reader
// (wav_reader.cpp), which the web build decodes with and the native tests
// compare with SDL's loader.

#include <cstddef>
#include <cstdint>
#include <string>

#include "host/audio/wav_decoder.h"

namespace host {

// Decodes the bytes of a whole WAV file that has passed the checks below.
using WavDecoder = OSStatus (*)(const std::uint8_t* data, std::size_t size, DecodedSound& out,
                                std::string& why);

// The file's checks (a RIFF WAVE header, the size limit, every chunk inside
// the file), then `decoder`. decodeWavMemory is this with the build's decoder.
OSStatus decodeWavBytes(const void* data, std::size_t size, DecodedSound& out, std::string& why,
                        WavDecoder decoder);

// The build's decoder: SDL's loader natively (wav_decoder.cpp), ours on the web.
OSStatus decodeCheckedWav(const std::uint8_t* data, std::size_t size, DecodedSound& out,
                          std::string& why);

// Our reader: PCM of 8, 16, 24 and 32 bits, IEEE float, A-law and mu-law,
// plain or in the extensible format, to the same sample formats, limits and
// rejection reasons as SDL's loader with the hints this module sets; ADPCM
// and anything else is refused.
OSStatus readWav(const std::uint8_t* data, std::size_t size, DecodedSound& out, std::string& why);

// Memory for decoded samples that DecodedSound::Free releases.
std::uint8_t* allocateSamples(std::size_t bytes);

}  // namespace host
