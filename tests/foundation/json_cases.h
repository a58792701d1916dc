#pragma once

// The JSON reader's table, shared by the native test (jsoncpp) and the web
// build's check under node (JSON.parse): what each text reads as, written
// back compactly, or "not JSON". Where the browser's reader is stricter the
// row says what the web build gives.

#include <cstdio>
#include <string>
#include <vector>

#include "host/foundation/json_file.h"

namespace testsupport {

inline std::string described(const host::JSONValue& v) {
    if (v.isNull()) return "null";
    if (v.isBool()) return v.asBool() ? "true" : "false";
    if (v.isNumeric()) {
        char n[32];
        std::snprintf(n, sizeof n, "%.17g", v.asDouble());
        return n;
    }
    if (v.isString()) return "\"" + v.asString() + "\"";
    std::string out = v.isArray() ? "[" : "{";
    for (const auto& e : v.elements()) out += (out.size() > 1 ? "," : "") + described(e);
    for (const auto& [k, m] : v.members())
        out += (out.size() > 1 ? ",\"" : "\"") + k + "\":" + described(m);
    return out + (v.isArray() ? "]" : "}");
}

inline std::string parsedText(const std::string& text) {
    host::JSONValue v;
    return host::parseJSON(text, v) ? described(v) : "not JSON";
}

struct JSONCase {
    const char* what;
    std::string text;
    const char* reads;          // natively
    const char* web = nullptr;  // in the web build, when it differs
};

inline std::vector<JSONCase> jsonCases() {
    const std::string deep = std::string(1000, '[') + std::string(1000, ']');
    return {
        // clang-format off
        {"an interface file", R"({"view": {"class": "UIView", "frame": [0, 0, 320, 480]}})",
         R"({"view":{"class":"UIView","frame":[0,0,320,480]}})"},
        {"values of each kind", R"([null, true, false, -1.5e2, "a\u00e9\n", {}, []])",
         "[null,true,false,-150,\"a\xc3\xa9\n\",{},[]]"},
        {"a key given twice keeps its last value", R"({"a": 1, "a": 2})", R"({"a":2})"},
        {"a byte-order mark first", "\xEF\xBB\xBF{}", "{}"},
        {"two byte-order marks", "\xEF\xBB\xBF\xEF\xBB\xBF{}", "not JSON"},
        {"a surrogate pair", R"(["\ud83d\udc04"])", "[\"\xf0\x9f\x90\x84\"]"},
        {"an unpaired leading surrogate", R"(["\ud800"])", "not JSON"},
        {"a thousand levels deep", deep, nullptr},
        {"a thousand and one levels deep", "[" + deep + "]", "not JSON"},
        {"a string at the root", R"("s")", "not JSON"},
        {"a number at the root", "1", "not JSON"},
        {"nothing", "", "not JSON"},
        {"cut short", R"({"view": )", "not JSON"},
        {"a trailing comma", "[1,]", "not JSON"},
        {"a comment", R"({"a": 1} // stage)", "not JSON"},
        {"a second value", "{} {}", "not JSON"},
        {"single quotes", "{'a': 1}", "not JSON"},
        {"a number too large", "[1e999]", "not JSON"},
        {"not a number", "[NaN]", "not JSON"},
        {"a key that is no string", "{1: 2}", "not JSON"},
        {"a bad escape", R"(["\x"])", "not JSON"},
        {"a leading zero", "[01]", "[1]", "not JSON"},
        {"a point with no digits after it", "[1.]", "[1]", "not JSON"},
        {"a raw tab in a string", "[\"\t\"]", "[\"\t\"]", "not JSON"},
        // clang-format on
    };
}

}  // namespace testsupport
