#pragma once

// WAV files our reader must accept or refuse, shared by the native test (which
// also holds SDL's loader against them) and the web build's check under node
// (wasm32: a 32-bit size_t), with what the reader says of each.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace wavcases {

using Bytes = std::vector<std::uint8_t>;

// Appends each value little-endian in its size in bytes.
inline void put(Bytes& b, std::initializer_list<std::pair<std::uint32_t, int>> values) {
    for (auto [v, size] : values)
        for (int i = 0; i < size; ++i) b.push_back(std::uint8_t(v >> 8 * i));
}
constexpr std::uint32_t tag(const char* t) { return t[0] | t[1] << 8 | t[2] << 16 | t[3] << 24; }

// A RIFF WAVE file of the given chunks (odd ones padded), RIFF size `riff`.
inline Bytes riff(std::initializer_list<std::pair<const char*, Bytes>> chunks,
                  std::uint32_t riff = 0) {
    Bytes b;
    put(b, {{tag("RIFF"), 4}, {riff, 4}, {tag("WAVE"), 4}});
    for (const auto& [id, data] : chunks) {
        put(b, {{tag(id), 4}, {std::uint32_t(data.size()), 4}});
        b.insert(b.end(), data.begin(), data.end());
        if (data.size() & 1) b.push_back(0);
    }
    return b;
}

inline Bytes fmt(unsigned code, unsigned channels, std::uint32_t rate, unsigned bits,
                 unsigned align, const Bytes& extra = {}) {
    Bytes b;
    put(b, {{code, 2}, {channels, 2}, {rate, 4}, {rate * align, 4}, {align, 2}, {bits, 2}});
    b.insert(b.end(), extra.begin(), extra.end());
    return b;
}

struct Format {
    unsigned tag = 1;  // 1 PCM, 3 float, 0x11 IMA ADPCM
    unsigned channels = 1;
    std::uint32_t rate = 22050;
    unsigned bits = 16;
    unsigned blockAlign = 0;  // derived when 0
    Bytes extra;              // bytes after the 16 standard ones
};

// A WAV file with the given format and data bytes; `dataSize` overrides the
// data chunk's size field (for damaged files).
inline Bytes wav(const Format& f, const Bytes& data, std::int64_t dataSize = -1) {
    const unsigned align = f.blockAlign ? f.blockAlign : f.channels * f.bits / 8;
    const auto extra = std::uint32_t(f.extra.size()), size = std::uint32_t(data.size());
    Bytes b;
    put(b, {{tag("RIFF"), 4}, {36 + extra + size, 4}, {tag("WAVE"), 4}, {tag("fmt "), 4}});
    put(b, {{16 + extra, 4}, {f.tag, 2}, {f.channels, 2}, {f.rate, 4}, {f.rate * align, 4}});
    put(b, {{align, 2}, {f.bits, 2}});
    b.insert(b.end(), f.extra.begin(), f.extra.end());
    put(b, {{tag("data"), 4}, {dataSize < 0 ? size : std::uint32_t(dataSize), 4}});
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

// The extensible form's tail: valid bits, channel mask, sub-format GUID.
inline Bytes extensible(std::uint32_t code, std::uint8_t lastGuidByte = 0x71) {
    return {22,
            0,
            16,
            0,
            4,
            0,
            0,
            0,
            std::uint8_t(code),
            std::uint8_t(code >> 8),
            0,
            0,
            0,
            0,
            0x10,
            0,
            0x80,
            0,
            0,
            0xAA,
            0,
            0x38,
            0x9B,
            lastGuidByte};
}

inline Bytes counting(std::size_t n) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = std::uint8_t(i * 37 + 11);
    return b;
}

inline Bytes cut(Bytes b, std::size_t n) { return b.resize(n), b; }

struct Case {
    const char* what;
    Bytes bytes;
    const char* why;  // what our reader says; empty when it accepts the file
};

inline std::vector<Case> cases() {
    const Bytes pcm = counting(800);
    return {

        // clang-format off
        {"8-bit", wav({1, 1, 8000, 8, 0, {}}, pcm), ""},
        {"16-bit stereo", wav({1, 2, 44100, 16, 0, {}}, pcm), ""},
        {"24-bit", wav({1, 1, 48000, 24, 0, {}}, cut(pcm, 600)), ""},
        {"32-bit stereo", wav({1, 2, 96000, 32, 0, {}}, pcm), ""},
        {"float", wav({3, 1, 11025, 32, 0, {}}, pcm), ""},
        {"A-law", wav({6, 1, 8000, 8, 0, {}}, counting(256)), ""},
        {"mu-law stereo", wav({7, 2, 8000, 8, 0, {}}, counting(256)), ""},
        {"extensible float", riff({{"fmt ", fmt(0xFFFE, 1, 8000, 32, 4, extensible(3))}, {"data", pcm}}), ""},
        {"a block alignment dividing the frame", riff({{"fmt ", fmt(1, 2, 8000, 16, 1)}, {"data", cut(pcm, 15)}}), ""},
        {"chunks before and between", riff({{"LIST", counting(7)}, {"fmt ", fmt(1, 1, 8000, 16, 2)}, {"junk", {1}}, {"data", pcm}}), ""},
        {"fact chunk shortens", riff({{"fmt ", fmt(1, 1, 8000, 16, 2)}, {"data", pcm}, {"fact", {10, 0, 0, 0}}}), ""},
        {"RIFF size of 4 GiB", riff({{"fmt ", fmt(1, 1, 8000, 16, 2)}, {"data", pcm}}, 0xFFFFFFFF), ""},
        {"fact chunk beyond the RIFF size", riff({{"fmt ", fmt(1, 1, 8000, 16, 2)}, {"data", pcm}, {"fact", {10, 0, 0, 0}}}, 830), ""},
        {"RIFF size ending inside the fmt chunk", riff({{"fmt ", fmt(1, 1, 8000, 16, 2)}, {"data", pcm}}, 5), "Missing data chunk in WAVE file"},
        {"RIFF size before the fmt chunk", riff({{"fmt ", fmt(1, 1, 8000, 16, 2)}, {"data", pcm}}, 4), "Missing fmt chunk in WAVE file"},
        {"odd chunk's pad missing", cut(riff({{"fmt ", fmt(1, 1, 8000, 8, 1)}, {"data", counting(401)}}), 445), "Could not seek to WAVE chunk header"},
        {"data before fmt", riff({{"data", pcm}, {"fmt ", fmt(1, 1, 8000, 16, 2)}}), "fmt chunk after data chunk in WAVE file"},
        {"no data", riff({{"fmt ", fmt(1, 1, 8000, 16, 2)}}), "Missing data chunk in WAVE file"},
        {"fmt of 12 bytes", riff({{"fmt ", cut(fmt(1, 1, 8000, 16, 2), 12)}, {"data", pcm}}), "Invalid WAVE fmt chunk length (too small)"},
        {"fmt without its sample width", riff({{"fmt ", cut(fmt(3, 1, 8000, 32, 4), 14)}, {"data", pcm}}), "Missing wBitsPerSample field in WAVE fmt chunk"},
        {"extensible too short", riff({{"fmt ", fmt(0xFFFE, 1, 8000, 16, 2)}, {"data", pcm}}), "Extensible WAVE header too small"},
        {"extensible of an unknown kind", riff({{"fmt ", fmt(0xFFFE, 1, 8000, 16, 2, extensible(1, 0x72))}, {"data", pcm}}), "Unknown WAVE format GUID: 00000001-0000-0010-800000aa00389b72"},
        {"no channels", wav({1, 0, 22050, 16, 0, {}}, pcm), "Invalid number of channels"},
        {"256 channels", wav({1, 256, 22050, 8, 0, {}}, pcm), "Number of channels exceeds limit of 255"},
        {"nine channels", wav({1, 9, 8000, 8, 0, {}}, cut(pcm, 90)), "Invalid source channels"},
        {"no sample rate", wav({1, 1, 0, 16, 0, {}}, pcm), "Invalid sample rate"},
        {"absurd sample rate", wav({1, 1, 0xFFFFFFFF, 16, 0, {}}, pcm), "Sample rate exceeds limit of 2147483647"},
        {"500 Hz", wav({1, 1, 500, 8, 0, {}}, pcm), "sample rate 500 Hz"},
        {"12-bit samples", wav({1, 1, 22050, 12, 0, {}}, pcm), "12-bit PCM format not supported"},
        {"64-bit float", wav({3, 1, 8000, 64, 0, {}}, pcm), "64-bit IEEE floating-point format not supported"},
        {"16-bit A-law", wav({6, 1, 8000, 16, 0, {}}, pcm), "Invalid companded bits per sample of 16"},
        {"no bits", wav({1, 1, 8000, 0, 2, {}}, pcm), "Invalid bits per sample"},
        {"no block alignment", riff({{"fmt ", fmt(1, 1, 8000, 16, 0)}, {"data", pcm}}), "Invalid block alignment"},
        {"block alignment past the frame", wav({1, 1, 8000, 16, 4, {}}, pcm), "Unsupported block alignment"},
        {"MPEG", wav({0x55, 1, 8000, 16, 0, {}}, pcm), "MPEG formats not supported"},
        {"unknown encoding", wav({0x1234, 1, 22050, 16, 0, {}}, pcm), "Unknown WAVE format tag: 0x1234"},
        {"data not a whole block", wav({1, 1, 48000, 24, 0, {}}, cut(pcm, 10)), "Truncated data chunk in WAVE file"},
        {"no samples", wav({1, 1, 8000, 8, 0, {}}, {}), "no samples"},
        {"over 30 seconds", wav({1, 1, 1000, 8, 0, {}}, Bytes(31000)), "longer than 30 seconds"},
        {"decoded past 4 GiB", wav({1, 255, 8000, 24, 1, {}}, Bytes(4211000)), "WAVE file too big"},
        {"data chunk longer than the file", wav({}, pcm, 0x7FFFFFF0), "chunk \"data\" runs past the end of the file"},
        {"not audio", {'m', 'o', 'o', '\n'}, "not a WAV file"},
        // clang-format on
    };
}

// FNV-1a over what a decoder gave: the same on every build.
inline std::uint64_t mix(std::uint64_t h, const std::uint8_t* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
    return h;
}
inline constexpr std::uint64_t kHashStart = 14695981039346656037ull;
// The hash of every accepted row's samples, in order (the native test checks it).
inline constexpr std::uint64_t kAcceptedSamplesHash = 0xa2bb187aea9ee4aeull;

}  // namespace wavcases
