// Our own RIFF/WAVE reader. It gives what SDL's loader gives with the hints
// the native decoder sets (a data chunk cut short is refused, a fact chunk
// shortens the sound), in the same words, so that a file is accepted or
// refused alike on every build; the native tests hold the two side by side.

#include "host/audio/wav_reader.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace host {

namespace {

constexpr unsigned kPCM = 0x0001, kMSADPCM = 0x0002, kFloat = 0x0003, kALaw = 0x0006,
                   kMuLaw = 0x0007, kIMAADPCM = 0x0011, kMPEG = 0x0050, kMPEGLayer3 = 0x0055,
                   kExtensible = 0xFFFE;

std::uint32_t le16(const std::uint8_t* p) { return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8; }
std::uint32_t le32(const std::uint8_t* p) { return le16(p) | le16(p + 2) << 16; }

std::string printed(const char* format, unsigned long value) {
    char text[96];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// G.711 expansions to 16-bit linear samples.
std::int16_t fromALaw(std::uint8_t v) {
    v ^= 0x55;
    const int exponent = (v >> 4) & 7, mantissa = v & 15;
    int linear = exponent == 0 ? (mantissa << 4) + 8 : ((mantissa << 4) + 0x108) << (exponent - 1);
    return std::int16_t(v & 0x80 ? linear : -linear);
}

std::int16_t fromMuLaw(std::uint8_t v) {
    v = ~v;
    const int exponent = (v >> 4) & 7, mantissa = v & 15;
    const int linear = (((mantissa << 3) + 0x84) << exponent) - 0x84;
    return std::int16_t(v & 0x80 ? -linear : linear);
}

bool decodable(std::uint32_t code) {
    return code == kPCM || code == kMSADPCM || code == kFloat || code == kALaw || code == kMuLaw ||
           code == kIMAADPCM;
}

struct Chunks {
    const std::uint8_t* fmt = nullptr;
    std::uint32_t fmtLength = 0;
    const std::uint8_t* data = nullptr;
    std::uint32_t dataLength = 0;
    bool dataBeforeFmt = false;
    bool cutShort = false;
    bool hasFact = false;
    std::uint32_t factFrames = 0;
};

// The first fmt, data and (long enough) fact chunks that start within the
// RIFF chunk's size (any size when it is 0). Every chunk lies inside the
// file: decodeWavBytes checked that.
Chunks findChunks(const std::uint8_t* data, std::size_t size) {
    Chunks c;
    const std::uint32_t riffSize = le32(data + 4);
    const std::uint64_t end = riffSize == 0 ? UINT64_MAX : 8 + std::uint64_t(riffSize);
    for (std::size_t at = 12; at + 8 <= size && at < end;) {
        const std::uint8_t* id = data + at;
        const std::uint32_t length = le32(data + at + 4);
        const std::uint8_t* body = data + at + 8;
        if (std::memcmp(id, "fmt ", 4) == 0 && !c.fmt) {
            c.fmt = body, c.fmtLength = length;
        } else if (std::memcmp(id, "data", 4) == 0 && !c.data) {
            c.data = body, c.dataLength = length;
            c.dataBeforeFmt = !c.fmt;
        } else if (std::memcmp(id, "fact", 4) == 0 && !c.hasFact && length >= 4) {
            c.hasFact = true, c.factFrames = le32(body);
        }
        at += 8 + std::size_t(length) + (length & 1);
        // The pad byte of a chunk of odd length is missing at the file's end.
        if (at > size && at < end) c.cutShort = true;
    }
    return c;
}

struct Format {
    unsigned encoding, channels, blockAlign, bits;
    std::uint32_t rate;
    const std::uint8_t* guid = nullptr;  // the extensible form's sub-format
};

// The fmt chunk's fields.
bool readFormat(const Chunks& c, Format& f, std::string& why) {
    if (c.fmtLength < 14) return why = "Invalid WAVE fmt chunk length (too small)", false;
    const std::uint8_t* p = c.fmt;
    // The encodings SDL decodes must say their sample width; others may not.
    if (c.fmtLength < 16 && decodable(le16(p)))
        return why = "Missing wBitsPerSample field in WAVE fmt chunk", false;
    f = {le16(p), le16(p + 2), le16(p + 12), c.fmtLength < 16 ? 0 : le16(p + 14), le32(p + 4)};
    if (f.encoding == kExtensible) {
        if (c.fmtLength < 40 || le16(p + 16) < 22)
            return why = "Extensible WAVE header too small", false;
        f.guid = p + 24;
    }
    return true;
}

// The extensible form's sub-format as an encoding; false for one SDL does not know.
bool resolveGuid(Format& f, std::string& why) {
    static const std::uint8_t kTail[12] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00,
                                           0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    const std::uint8_t* guid = f.guid;
    const std::uint32_t code = le32(guid);
    if (!decodable(code) || std::memcmp(guid + 4, kTail, 12) != 0) {
        char text[96];
        std::snprintf(text, sizeof text,
                      "Unknown WAVE format GUID: %08x-%04x-%04x-%02x%02x%02x%02x%02x%02x%02x%02x",
                      unsigned(code), unsigned(le16(guid + 4)), unsigned(le16(guid + 6)), guid[8],
                      guid[9], guid[10], guid[11], guid[12], guid[13], guid[14], guid[15]);
        return why = text, false;
    }
    f.encoding = code;
    return true;
}

// What SDL checks of any format, then of each encoding; false with why.
bool checkFormat(Format& f, std::string& why) {
    if (f.channels == 0) return why = "Invalid number of channels", false;
    if (f.channels > 255) return why = "Number of channels exceeds limit of 255", false;
    if (f.rate == 0) return why = "Invalid sample rate", false;
    if (f.rate > std::uint32_t(INT_MAX))
        return why = "Sample rate exceeds limit of 2147483647", false;
    if (f.guid && !resolveGuid(f, why)) return false;
    switch (f.encoding) {
        case kPCM:
        case kFloat:
        case kALaw:
        case kMuLaw:
        case kMSADPCM:
        case kIMAADPCM:
            break;
        case kMPEG:
        case kMPEGLayer3:
            return why = "MPEG formats not supported", false;
        default:
            return why = printed("Unknown WAVE format tag: 0x%04lx", f.encoding), false;
    }
    if (f.bits == 0) return why = "Invalid bits per sample", false;
    if (f.blockAlign == 0) return why = "Invalid block alignment", false;
    if (f.encoding == kPCM && f.bits != 8 && f.bits != 16 && f.bits != 24 && f.bits != 32)
        return why = printed("%lu-bit PCM format not supported", f.bits), false;
    if (f.encoding == kFloat && f.bits != 32)
        return why = printed("%lu-bit IEEE floating-point format not supported", f.bits), false;
    if (f.encoding == kALaw || f.encoding == kMuLaw) {
        if (f.bits != 8)
            return why = printed("Invalid companded bits per sample of %lu", f.bits), false;
        if (f.blockAlign != f.channels) return why = "Unsupported block alignment", false;
    } else if (f.encoding == kPCM || f.encoding == kFloat) {
        if ((f.channels * f.bits) % (f.blockAlign * 8) != 0)
            return why = "Unsupported block alignment", false;
    }
    return true;
}

}  // namespace

OSStatus readWav(const std::uint8_t* bytes, std::size_t size, DecodedSound& out, std::string& why) {
    if (std::memcmp(bytes, "RIFX", 4) == 0) {
        why = "Could not find RIFF or WAVE identifiers (not a Waveform file)";
        return kAudioFileInvalidFileError;
    }
    const Chunks c = findChunks(bytes, size);
    if (c.cutShort) return why = "Could not seek to WAVE chunk header", kAudioFileInvalidFileError;
    if (!c.fmt) return why = "Missing fmt chunk in WAVE file", kAudioFileInvalidFileError;
    if (c.dataBeforeFmt)
        return why = "fmt chunk after data chunk in WAVE file", kAudioFileInvalidFileError;
    if (!c.data) return why = "Missing data chunk in WAVE file", kAudioFileInvalidFileError;
    Format f;
    if (!readFormat(c, f, why) || !checkFormat(f, why)) return kAudioFileInvalidFileError;
    if (f.encoding == kMSADPCM || f.encoding == kIMAADPCM) {
        why = f.encoding == kMSADPCM ? "MS ADPCM is not supported here"
                                     : "IMA ADPCM is not supported here";
        return kAudioFileUnsupportedDataFormatError;
    }
    if (f.blockAlign > 1 && c.dataLength % f.blockAlign != 0)
        return why = "Truncated data chunk in WAVE file", kAudioFileInvalidFileError;
    // Sizes in 64 bits: a wasm32 size_t would overflow on a hostile header.
    std::uint64_t blocks = c.dataLength / f.blockAlign;
    if (c.hasFact && c.factFrames < blocks) blocks = c.factFrames;
    const std::uint64_t samples = blocks * f.channels;
    std::uint64_t length = blocks * f.blockAlign;
    DecodedSound sound;
    sound.channels = int(f.channels);
    sound.rate = int(f.rate);
    if (f.encoding == kPCM && f.bits == 24)
        sound.format = SampleFormat::S32LE, length = samples * 4;
    else if (f.encoding == kALaw || f.encoding == kMuLaw)
        sound.format = SampleFormat::S16LE, length = samples * 2;
    else if (f.encoding == kFloat)
        sound.format = SampleFormat::F32LE;
    else
        sound.format = f.bits == 8    ? SampleFormat::U8
                       : f.bits == 16 ? SampleFormat::S16LE
                                      : SampleFormat::S32LE;
    if (length > UINT32_MAX) return why = "WAVE file too big", kAudioFileInvalidFileError;
    sound.bytes = std::uint32_t(length);

    // What the native decoder asks of SDL's result, in its words; asked
    // before the samples are made, so a refused file costs no memory.
    const std::uint32_t frameBytes = std::uint32_t(bytesPerSample(sound.format) * sound.channels);
    sound.frames = sound.bytes / frameBytes;
    if (sound.frames == 0) return why = "no samples", kAudioFileInvalidFileError;
    if (sound.rate < 1000 || sound.rate > 384000) {
        why = "sample rate " + std::to_string(sound.rate) + " Hz";
        return kAudioFileUnsupportedDataFormatError;
    }
    // SDL converts from no more than eight channels.
    if (sound.channels > 8)
        return why = "Invalid source channels", kAudioFileUnsupportedDataFormatError;
    if (sound.duration() > kMaximumSoundDuration) {
        why = "longer than 30 seconds";
        return kAudioServicesSystemSoundExceededMaximumDurationError;
    }

    sound.samples.reset(allocateSamples(std::size_t(length)));
    if (!sound.samples) return why = "Out of memory", kAudioFileInvalidFileError;
    std::uint8_t* to = sound.samples.get();
    if (f.encoding == kPCM && f.bits == 24) {
        // Into the top three bytes of each 32-bit sample; past the chunk's
        // end (a block alignment smaller than a frame) the samples are zero.
        for (std::uint64_t i = 0; i < samples; ++i, to += 4) {
            to[0] = 0;
            for (int k = 0; k < 3; ++k) {
                const std::uint64_t at = 3 * i + std::uint64_t(k);
                to[1 + k] = at < c.dataLength ? c.data[at] : 0;
            }
        }
    } else if (f.encoding == kALaw || f.encoding == kMuLaw) {
        for (std::uint64_t i = 0; i < samples; ++i, to += 2) {
            const std::int16_t v = f.encoding == kALaw ? fromALaw(c.data[i]) : fromMuLaw(c.data[i]);
            to[0] = std::uint8_t(v), to[1] = std::uint8_t(std::uint16_t(v) >> 8);
        }
    } else {
        std::memcpy(to, c.data, std::size_t(length));
    }
    out = std::move(sound);
    return kAudioServicesNoError;
}

}  // namespace host
