#pragma once

#include <cstddef>
#include <string>

// The shell's own file handling: the files named on the command line.

namespace host {

// Reads a whole file, pipe or FIFO of at most `limit` bytes into `text`.
// Never blocks for good: a pipe that stays silent for `idleSeconds` is given
// up. False with a short reason in `why`.
bool readInputFile(const std::string& path, size_t limit, double idleSeconds, std::string& text,
                   std::string& why);

// True when both paths name one existing file (through links too).
bool sameFile(const std::string& a, const std::string& b);

}  // namespace host
