#include "host/foundation/json_file.h"

#include <cstdio>
#include <cstring>

namespace host {

bool readJSONFile(const std::string& path, JSONValue& out, std::string& why) {
    // C streams rather than iostreams: the web build's page is smaller without them.
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        why = "it cannot be read";
        return false;
    }
    std::string text;
    char buffer[65536];
    size_t n;
    bool tooLarge = false;
    while (!tooLarge && (n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
        tooLarge = text.size() + n > static_cast<size_t>(kMaxJSONFileBytes);
        text.append(buffer, tooLarge ? 0 : n);
    }
    const bool failed = std::ferror(f);
    std::fclose(f);
    if (tooLarge) {
        why = "it is too large";
        return false;
    }
    if (failed) {
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
