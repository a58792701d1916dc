#include "host/foundation/json_file.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace host {

bool readJSONFile(const std::string& path, JSONValue& out, std::string& why) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        why = "it cannot be read";
        return false;
    }
    if (in.tellg() > kMaxJSONFileBytes) {
        why = "it is too large";
        return false;
    }
    in.seekg(0);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) {
        why = "it cannot be read";
        return false;
    }
    if (!parseJSON(text, out)) {
        why = "it is not JSON";
        return false;
    }
    return true;
}

const JSONValue* memberOf(const JSONValue& value, const char* key) {
    if (!value.isObject()) return nullptr;
    return value.find(std::string_view(key, std::strlen(key)));
}

std::optional<std::string> stringMemberOf(const JSONValue& value, const char* key) {
    const JSONValue* member = memberOf(value, key);
    if (!member || !member->isString()) return std::nullopt;
    return member->asString();
}

}  // namespace host
