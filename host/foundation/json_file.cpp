#include "host/foundation/json_file.h"

#include <json/reader.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

namespace host {

bool readJSONFile(const std::string& path, Json::Value& out, std::string& why) {
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

bool parseJSON(std::string_view text, Json::Value& out) {
    Json::CharReaderBuilder builder;
    Json::CharReaderBuilder::strictMode(&builder.settings_);
    // A key given twice keeps its last value, as most JSON readers do.
    builder["rejectDupKeys"] = false;
    // Editors on some systems start a UTF-8 file with a byte-order mark.
    builder["skipBom"] = true;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    try {
        return reader->parse(text.data(), text.data() + text.size(), &out, nullptr);
    } catch (const Json::Exception&) {
        // The reader throws rather than reports when nesting is too deep.
        return false;
    }
}

const Json::Value* memberOf(const Json::Value& value, const char* key) {
    if (!value.isObject()) return nullptr;
    return value.find(key, key + std::strlen(key));
}

std::optional<std::string> stringMemberOf(const Json::Value& value, const char* key) {
    const Json::Value* member = memberOf(value, key);
    if (!member || !member->isString()) return std::nullopt;
    return member->asString();
}

}  // namespace host
