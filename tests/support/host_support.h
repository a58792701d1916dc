#pragma once

// Helpers shared by the host and toy tests: temporary folders, captured
// standard output and trace, the main run loop on a virtual clock, and
// running a built program.

#include <gtest/gtest.h>
#include <stdarg.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "host/foundation/run_loop.h"
#include "host/foundation/trace.h"

namespace testsupport {

// A fresh folder, removed with everything in it when the object dies.
class TempDir {
  public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "paddock-XXXXXX").string();
        path_ = mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // Writes `bytes` to name inside the folder and returns its path.
    std::string write(const std::string& name, std::string_view bytes) const {
        std::string p = file(name);
        std::ofstream(p, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
        return p;
    }
    std::string write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
        return write(name,
                     std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }

  private:
    std::string path_;
};

// A line of the message table (host/foundation/messages.h) filled in as the
// program prints it, so that a test names the message instead of copying it.
inline std::string message(const char* format, ...) __attribute__((format(printf, 1, 2)));
inline std::string message(const char* format, ...) {
    va_list args, again;
    va_start(args, format);
    va_copy(again, args);
    std::string out(static_cast<size_t>(std::vsnprintf(nullptr, 0, format, args)), '\0');
    std::vsnprintf(out.data(), out.size() + 1, format, again);
    va_end(again);
    va_end(args);
    return out;
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Everything left to read from `file`.
inline std::string readAll(FILE* file) {
    std::string out;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, file)) > 0;) out.append(buf, n);
    return out;
}

// The UTF-16 big-endian bytes of `s`, as the bundle's text files hold them.
inline std::string be(std::u16string_view s) {
    std::string out;
    for (char16_t c : s) out += {char(c >> 8), char(c & 0xFF)};
    return out;
}

// Everything printed to one of the standard streams while it lives (or until
// text()): standard output for the toy's own lines, standard error for the
// host's (host::say).
class StreamCapture {
  public:
    explicit StreamCapture(FILE* stream)
        : stream_(stream), fd_(fileno(stream)), file_(std::tmpfile()) {
        std::fflush(stream_);
        saved_ = dup(fd_);
        dup2(fileno(file_), fd_);
    }
    ~StreamCapture() {
        restore();
        std::fclose(file_);
    }
    StreamCapture(const StreamCapture&) = delete;
    StreamCapture& operator=(const StreamCapture&) = delete;

    std::string text() {
        restore();
        std::rewind(file_);
        return readAll(file_);
    }

  private:
    void restore() {
        if (saved_ < 0) return;
        std::fflush(stream_);
        dup2(saved_, fd_);
        close(saved_);
        saved_ = -1;
    }
    FILE* stream_;
    int fd_;
    FILE* file_;
    int saved_ = -1;
};

struct StdoutCapture : StreamCapture {
    StdoutCapture() : StreamCapture(stdout) {}
};
struct StderrCapture : StreamCapture {
    StderrCapture() : StreamCapture(stderr) {}
};

// One trace line: "<time> <event> <details>", the time as written and as seconds.
struct TraceLine {
    std::string stamp, event, details;
    double time = 0;
    std::string what() const { return event + " " + details; }
};
inline std::vector<TraceLine> traceLines(const std::string& text) {
    std::vector<TraceLine> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        TraceLine l;
        words >> l.stamp >> l.event;
        std::getline(words >> std::ws, l.details);
        l.time = std::atof(l.stamp.c_str());
        out.push_back(l);
    }
    return out;
}

// The host trace while it lives: whole lines, or the details of one event
// without the time ("sound" → "played boing_0.wav").
class TraceCapture {
  public:
    TraceCapture() { host::Trace::open(dir_.file("trace.txt")); }
    ~TraceCapture() { host::Trace::close(); }
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    std::string text() const { return readFile(dir_.file("trace.txt")); }
    std::vector<TraceLine> lines() const { return traceLines(text()); }
    std::vector<std::string> events(const std::string& event) const {
        std::vector<std::string> out;
        for (const auto& l : lines())
            if (l.event == event) out.push_back(l.details);
        return out;
    }

  private:
    TempDir dir_;
};

// A test on the main run loop driven by a virtual clock that starts at 10 s;
// timers and posted work are dropped before and after.
class VirtualLoopTest : public ::testing::Test {
  protected:
    void SetUp() override {
        loop.reset();
        loop.setClock(&clock);
    }
    void TearDown() override {
        loop.reset();
        loop.setClock(nullptr);
    }
    double now() const { return clock.now(); }
    // Jumps from due event to due event up to `until`, running each.
    void runUntil(double until) {
        for (double next; (next = loop.nextDueTime()) <= until; loop.runDue())
            clock.advanceTo(next);
        clock.advanceTo(until);
    }

    host::NSRunLoop& loop = host::NSRunLoop::mainRunLoop();
    host::VirtualClock clock{10.0};
};

struct ProgramRun {
    int status = -1;     // exit status, or -1 when it did not exit normally
    std::string output;  // standard output and standard error together
    std::vector<std::string> lines() const {
        std::vector<std::string> out;
        std::istringstream in(output);
        for (std::string line; std::getline(in, line);) out.push_back(line);
        return out;
    }
};

// Runs `program args` through the shell, capturing both output streams.
inline ProgramRun runProgram(const std::string& program, const std::string& args) {
    ProgramRun run;
    std::string command = program + " " + args + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    run.output = readAll(pipe);
    int raw = pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return run;
}

}  // namespace testsupport
