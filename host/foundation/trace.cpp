#include "host/foundation/trace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "host/foundation/run_loop.h"

namespace host {

namespace {

struct TraceFile {
    FILE* file = nullptr;
    // The first write error, kept until close() reports it.
    int error = 0;
};

TraceFile& trace() {
    static TraceFile t;
    return t;
}

}  // namespace

bool Trace::open(const std::string& path, std::string* why) {
    close();
    // Not blocking: a FIFO nobody reads would otherwise hang the open.
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd >= 0) {
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        trace().file = fdopen(fd, "w");
        if (!trace().file) ::close(fd);
    }
    if (!trace().file && why) *why = errno == ENXIO ? "nothing reads that pipe" : std::strerror(errno);
    return trace().file != nullptr;
}

bool Trace::close(std::string* why) {
    TraceFile& t = trace();
    if (!t.file) return true;
    if (std::fclose(t.file) != 0 && !t.error) t.error = errno;
    t.file = nullptr;
    const int error = t.error;
    t.error = 0;
    if (error && why) *why = std::strerror(error);
    return error == 0;
}

bool Trace::isOpen() { return trace().file != nullptr; }

void Trace::log(const std::string& event, const std::string& details) {
    TraceFile& t = trace();
    if (!t.file || t.error) return;
    if (std::fprintf(t.file, "%.4f %s %s\n", NSRunLoop::mainRunLoop().now(), event.c_str(),
                     details.c_str()) < 0 ||
        std::fflush(t.file) != 0)
        t.error = errno ? errno : EIO;
}

}  // namespace host
