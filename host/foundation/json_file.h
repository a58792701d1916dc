#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "host/foundation/json_value.h"

namespace host {

// Interface files and property lists are small; anything larger is not one.
inline constexpr long kMaxJSONFileBytes = 1 << 20;

// Reads and parses a whole JSON file, strictly: an object or an array, no
// comments, nothing after the value, finite numbers, nesting at most a
// thousand deep; one byte-order mark may come first. False with a short reason in `why`
// ("it cannot be read", "it is too large", "it is not JSON").
bool readJSONFile(const std::string& path, JSONValue& out, std::string& why);

// Parses JSON text as readJSONFile does. False when it is not JSON.
bool parseJSON(std::string_view text, JSONValue& out);

// The member `key` of an object, or nullptr when `value` is not an object or
// has no such member.
const JSONValue* memberOf(const JSONValue& value, const char* key);

// The string member `key` of an object, if it has one.
std::optional<std::string> stringMemberOf(const JSONValue& value, const char* key);

}  // namespace host
