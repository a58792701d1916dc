// Preloaded into the real program (LD_PRELOAD) by bench/window_show_figures.sh
// to see when each show tick runs: the tick's first GL call is glClearColor,
// and nothing else in the program calls it. Each call writes one line, the
// steady clock in seconds, to the file named by PADDOCK_TICK_LOG, then goes on
// to the real function. The program itself is not changed.

#include <GLES/gl.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

int logFile() {
    static const int fd = [] {
        const char* path = std::getenv("PADDOCK_TICK_LOG");
        return path ? open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644) : -1;
    }();
    return fd;
}

using ClearColor = void (*)(GLfloat, GLfloat, GLfloat, GLfloat);

}  // namespace

extern "C" GL_API void GL_APIENTRY glClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    if (int fd = logFile(); fd >= 0) {
        char line[32];
        int n = std::snprintf(line, sizeof line, "%lld.%09ld\n", static_cast<long long>(now.tv_sec),
                              now.tv_nsec);
        // One write a tick; a failed one only loses that line.
        [[maybe_unused]] ssize_t written = write(fd, line, static_cast<size_t>(n));
    }
    static const auto real = reinterpret_cast<ClearColor>(dlsym(RTLD_NEXT, "glClearColor"));
    if (real) real(r, g, b, a);
}
