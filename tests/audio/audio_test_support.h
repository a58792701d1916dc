#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/foundation/trace.h"

namespace audiotest {

// Little-endian WAV pieces, so tests can build good and damaged files alike.
struct Bytes {
    std::vector<std::uint8_t> b;
    Bytes& tag(const char* t) {
        for (int i = 0; i < 4; ++i) b.push_back(std::uint8_t(t[i]));
        return *this;
    }
    Bytes& u16(unsigned v) {
        b.push_back(std::uint8_t(v));
        b.push_back(std::uint8_t(v >> 8));
        return *this;
    }
    Bytes& u32(std::uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    Bytes& raw(const std::vector<std::uint8_t>& more) {
        b.insert(b.end(), more.begin(), more.end());
        return *this;
    }
};

struct Format {
    Format(unsigned tag_ = 1, unsigned channels_ = 1, std::uint32_t rate_ = 22050,
           unsigned bits_ = 16, unsigned blockAlign_ = 0, std::vector<std::uint8_t> extra_ = {})
        : tag(tag_),
          channels(channels_),
          rate(rate_),
          bits(bits_),
          blockAlign(blockAlign_),
          extra(std::move(extra_)) {}
    unsigned tag;  // 1 PCM, 3 float, 0x11 IMA ADPCM
    unsigned channels;
    std::uint32_t rate;
    unsigned bits;
    unsigned blockAlign;              // derived when 0
    std::vector<std::uint8_t> extra;  // bytes after the 16 standard ones
};

// A WAV file with the given format and data bytes; `dataSize` overrides the
// data chunk's size field (for damaged files).
inline std::vector<std::uint8_t> wav(const Format& f, const std::vector<std::uint8_t>& data,
                                     std::int64_t dataSize = -1,
                                     const std::vector<std::uint8_t>& beforeData = {}) {
    unsigned align = f.blockAlign ? f.blockAlign : f.channels * f.bits / 8;
    Bytes fmt;
    fmt.u16(f.tag)
        .u16(f.channels)
        .u32(f.rate)
        .u32(f.rate * align)
        .u16(align)
        .u16(f.bits)
        .raw(f.extra);
    Bytes body;
    body.tag("WAVE").tag("fmt ").u32(std::uint32_t(fmt.b.size())).raw(fmt.b).raw(beforeData);
    body.tag("data").u32(dataSize < 0 ? std::uint32_t(data.size()) : std::uint32_t(dataSize));
    body.raw(data);
    Bytes file;
    file.tag("RIFF").u32(std::uint32_t(body.b.size())).raw(body.b);
    return file.b;
}

// 16-bit mono sine: a short real sound for playing.
inline std::vector<std::uint8_t> toneWav(double seconds, double hz = 440,
                                         std::uint32_t rate = 22050, double amplitude = 0.5) {
    Bytes data;
    const int n = int(seconds * rate);
    for (int i = 0; i < n; ++i) {
        long v = std::lround(amplitude * 32767 * std::sin(2 * M_PI * hz * i / rate));
        data.u16(unsigned(v) & 0xFFFF);
    }
    return wav(Format{}, data.b);
}

class TempDir {
  public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "paddock-audio-XXXXXX").string();
        path_ = mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }
    std::string write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
        std::string p = path_ + "/" + name;
        std::ofstream(p, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return p;
    }

  private:
    std::string path_;
};

// Everything printed to standard output while it lives.
class StdoutCapture {
  public:
    StdoutCapture() : file_(std::tmpfile()) {
        std::fflush(stdout);
        saved_ = dup(STDOUT_FILENO);
        dup2(fileno(file_), STDOUT_FILENO);
    }
    ~StdoutCapture() { restore(); }
    std::string text() {
        restore();
        std::rewind(file_);
        std::string out;
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, file_)) > 0) out.append(buf, n);
        return out;
    }

  private:
    void restore() {
        if (saved_ < 0) return;
        std::fflush(stdout);
        dup2(saved_, STDOUT_FILENO);
        close(saved_);
        saved_ = -1;
    }
    FILE* file_;
    int saved_ = -1;
};

// The trace's "sound" lines, without their times.
class SoundTrace {
  public:
    SoundTrace() { host::Trace::open(dir_.path() + "/trace.txt"); }
    ~SoundTrace() { host::Trace::close(); }
    std::vector<std::string> lines() const {
        std::vector<std::string> out;
        std::ifstream in(dir_.path() + "/trace.txt");
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream words(line);
            std::string time, event, rest;
            words >> time >> event;
            std::getline(words >> std::ws, rest);
            if (event == "sound") out.push_back(rest);
        }
        return out;
    }
    int count(const std::string& line) const {
        int n = 0;
        for (auto& l : lines()) n += l == line ? 1 : 0;
        return n;
    }

  private:
    TempDir dir_;
};

}  // namespace audiotest
