#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace host {

// Interface files and property lists are small; anything larger is not one.
inline constexpr long kMaxJSONFileBytes = 1 << 20;

// Reads and parses a whole JSON file. False with a short reason in `why`
// ("it cannot be read", "it is too large", "it is not JSON").
bool readJSONFile(const std::string& path, nlohmann::json& out, std::string& why);

}  // namespace host
