#pragma once

#include <string>
#include <vector>

#include "cow.h"

namespace cowgen {

// Writes one unit per part (cow_<name>.cpp) and the part table (cow_parts.cpp)
// into dir. Returns false, having said why on stderr, when a file cannot be written.
bool writeUnits(const std::vector<Part>& parts, const std::string& dir);

}  // namespace cowgen
