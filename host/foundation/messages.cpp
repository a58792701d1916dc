#include "host/foundation/messages.h"

#include <cstdarg>
#include <cstdio>

namespace host {

void say(const char* format, ...) {
    // The toy's own lines go to standard output, which may be buffered:
    // they come first, so the two streams stay in the order things happened.
    std::fflush(stdout);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
}

}  // namespace host
