// What every WAV file passes before a decoder sees it, on every build: a
// regular file, a RIFF WAVE header, the size limit, every chunk inside it.

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "host/audio/wav_reader.h"

namespace host {

namespace {

bool looksLikeWave(const std::uint8_t* head, std::size_t size) {
    return size >= 12 && (std::memcmp(head, "RIFF", 4) == 0 || std::memcmp(head, "RIFX", 4) == 0) &&
           std::memcmp(head + 8, "WAVE", 4) == 0;
}

std::uint32_t le32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

// Every chunk must lie inside the file. SDL allocates what a chunk header
// claims before reading it, so a hostile size would cost gigabytes.
bool chunksFit(const std::uint8_t* data, std::size_t size, std::string& why) {
    std::size_t at = 12;
    while (at + 8 <= size) {
        const std::uint32_t length = le32(data + at + 4);
        if (length > size - at - 8) {
            why = "chunk \"" + std::string(reinterpret_cast<const char*>(data + at), 4) +
                  "\" runs past the end of the file";
            return false;
        }
        at += 8 + std::size_t(length) + (length & 1);
    }
    return true;
}

}  // namespace

OSStatus decodeWavFile(const std::string& path, DecodedSound& out, std::string& why) {
    if (path.empty()) {
        why = "no path";
        return kAudio_FileNotFoundError;
    }
    // Only regular files: a FIFO or a device would block or never end.
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        why = std::strerror(errno);
        return kAudio_FileNotFoundError;
    }
    if (!S_ISREG(st.st_mode)) {
        why = "not a regular file";
        return kAudioFileUnsupportedFileTypeError;
    }
    if (std::size_t(st.st_size) > kMaximumSoundFileBytes) {
        why = "larger than 32 MiB";
        return kAudioServicesSystemSoundExceededMaximumDurationError;
    }
    std::vector<std::uint8_t> bytes(std::size_t(st.st_size));
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        why = std::strerror(errno);
        return kAudio_FileNotFoundError;
    }
    const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    bytes.resize(got);
    return decodeWavMemory(bytes.data(), bytes.size(), out, why);
}

OSStatus decodeWavBytes(const void* data, std::size_t size, DecodedSound& out, std::string& why,
                        WavDecoder decoder) {
    if (!looksLikeWave(static_cast<const std::uint8_t*>(data), size)) {
        why = size == 0 ? "empty file" : "not a WAV file";
        return size == 0 ? kAudioFileInvalidFileError : kAudioFileUnsupportedFileTypeError;
    }
    if (size > kMaximumSoundFileBytes) {
        why = "larger than 32 MiB";
        return kAudioServicesSystemSoundExceededMaximumDurationError;
    }
    if (!chunksFit(static_cast<const std::uint8_t*>(data), size, why))
        return kAudioFileInvalidFileError;
    return decoder(static_cast<const std::uint8_t*>(data), size, out, why);
}

OSStatus decodeWavMemory(const void* data, std::size_t size, DecodedSound& out, std::string& why) {
    return decodeWavBytes(data, size, out, why, decodeCheckedWav);
}

}  // namespace host
