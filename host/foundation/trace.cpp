#include "host/foundation/trace.h"

#include "host/foundation/run_loop.h"

namespace host {

static FILE*& traceFile() {
    static FILE* file = nullptr;
    return file;
}

bool Trace::open(const std::string& path) {
    close();
    traceFile() = std::fopen(path.c_str(), "w");
    return traceFile() != nullptr;
}

void Trace::close() {
    if (traceFile()) std::fclose(traceFile());
    traceFile() = nullptr;
}

bool Trace::isOpen() { return traceFile() != nullptr; }

void Trace::log(const std::string& event, const std::string& details) {
    FILE* f = traceFile();
    if (!f) return;
    std::fprintf(f, "%.4f %s %s\n", NSRunLoop::mainRunLoop().now(), event.c_str(), details.c_str());
    std::fflush(f);
}

}  // namespace host
