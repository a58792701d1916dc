// JSON text read with jsoncpp, strictly, into the host's JSONValue.
#include <json/reader.h>

#include <memory>

#include "host/foundation/json_file.h"

namespace host {

namespace {

JSONValue converted(const Json::Value& v) {
    switch (v.type()) {
        case Json::nullValue:
            return JSONValue();
        case Json::booleanValue:
            return JSONValue(v.asBool());
        case Json::intValue:
        case Json::uintValue:
        case Json::realValue:
            return JSONValue(v.asDouble());
        case Json::stringValue:
            return JSONValue(v.asString());
        case Json::arrayValue: {
            JSONValue::Array a;
            a.reserve(v.size());
            for (const Json::Value& e : v) a.push_back(converted(e));
            return JSONValue(std::move(a));
        }
        case Json::objectValue: {
            JSONValue::Object o;
            for (auto it = v.begin(); it != v.end(); ++it)
                o.emplace_back(it.name(), converted(*it));
            return JSONValue(std::move(o));
        }
    }
    return JSONValue();
}

}  // namespace

bool parseJSON(std::string_view text, JSONValue& out) {
    Json::CharReaderBuilder builder;
    Json::CharReaderBuilder::strictMode(&builder.settings_);
    // A key given twice keeps its last value, as most JSON readers do.
    builder["rejectDupKeys"] = false;
    // Editors on some systems start a UTF-8 file with a byte-order mark.
    builder["skipBom"] = true;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    try {
        Json::Value parsed;
        if (!reader->parse(text.data(), text.data() + text.size(), &parsed, nullptr)) return false;
        out = converted(parsed);
        return true;
    } catch (const Json::Exception&) {
        // The reader throws rather than reports when nesting is too deep.
        return false;
    }
}

}  // namespace host
