#pragma once

#include <cstdio>
#include <string>

namespace host {

// The trace of host events worth testing (touches delivered, views shown and
// hidden, animations added and stopped, sounds played): one line each,
// "<seconds on the run loop's clock> <event> <details>", written only when a
// trace file is open.
class Trace {
  public:
    // False when the file cannot be opened for writing (`why`, when given, says why).
    static bool open(const std::string& path, std::string* why = nullptr);
    // False when any line could not be written: the trace is incomplete.
    // Writing stops at the first error; `why` gets that error.
    static bool close(std::string* why = nullptr);
    static bool isOpen();
    // `event` is one word; `details` free text on the same line.
    static void log(const std::string& event, const std::string& details);
};

}  // namespace host
