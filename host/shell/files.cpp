#include "host/shell/files.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>

namespace host {

bool readInputFile(const std::string& path, size_t limit, double idleSeconds, std::string& text,
                   std::string& why) {
    // Not blocking: opening a FIFO that nobody writes to would wait for good.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    struct stat st {};
    fstat(fd, &st);
    if (S_ISDIR(st.st_mode) || !(S_ISREG(st.st_mode) || S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode))) {
        why = S_ISDIR(st.st_mode) ? "it is a folder" : "it is not a file or a pipe";
        ::close(fd);
        return false;
    }
    text.clear();
    const int idleMs = static_cast<int>(std::lround(idleSeconds * 1000));
    char buffer[16384];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        int ready = poll(&p, 1, idleMs);
        if (ready < 0 && errno == EINTR) continue;
        if (ready == 0) {
            why = "nothing came through it for " + std::to_string(idleMs / 1000) + " s";
            break;
        }
        ssize_t n = ready < 0 ? -1 : ::read(fd, buffer, sizeof buffer);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        if (n < 0) {
            why = std::strerror(errno);
            break;
        }
        if (n == 0) {
            ::close(fd);
            return true;
        }
        if (text.size() + static_cast<size_t>(n) > limit) {
            why = "larger than " + std::to_string(limit / 1024) + " KiB";
            break;
        }
        text.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return false;
}

bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

}  // namespace host
