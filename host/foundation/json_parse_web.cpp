// JSON text read with the browser's JSON.parse into the host's JSONValue, with
// the native reader's strictness: an object or an array at the root, finite
// numbers, nesting at most a thousand deep, one leading byte-order mark, no
// unpaired leading surrogate. JSON.parse is stricter than jsoncpp in a few
// corners (leading zeros, "1.", raw control characters in strings): those
// texts are refused here.
#include <emscripten.h>

#include <cstdlib>
#include <cstring>

#include "host/foundation/json_file.h"

// Parses `size` bytes of UTF-8 at `text` and hands the value back in a simple
// prefix form (see Decoder) in memory from malloc, or null when it is not JSON.
// clang-format off
EM_JS(char*, paddock_parse_json, (const char* text, int size), {
    let value;
    try {
        const bytes = HEAPU8.subarray(text, text + size);
        // ignoreBOM: a byte-order mark is left in the text (one was taken off already).
        value = JSON.parse(new TextDecoder("utf-8", {ignoreBOM: true}).decode(bytes));
    } catch (e) {
        return 0;
    }
    if (value === null || typeof value !== "object") return 0;
    const parts = [];
    const str = function(s) {
        for (let i = 0; i < s.length; ++i) {
            const c = s.charCodeAt(i);
            if (c < 0xD800 || c > 0xDBFF) continue;
            const next = s.charCodeAt(i + 1);
            if (!(next >= 0xDC00 && next <= 0xDFFF)) throw new Error("unpaired surrogate");
            ++i;
        }
        parts.push("s", lengthBytesUTF8(s), ":", s);
    };
    const walk = function(v, depth) {
        if (depth > 1000) throw new Error("too deep");
        if (v === null) parts.push("n");
        else if (v === true) parts.push("t");
        else if (v === false) parts.push("f");
        else if (typeof v === "number") {
            if (!isFinite(v)) throw new Error("not finite");
            parts.push("d", String(v), ";");
        } else if (typeof v === "string") str(v);
        else if (Array.isArray(v)) {
            parts.push("a", v.length, ";");
            for (const e of v) walk(e, depth + 1);
        } else {
            const keys = Object.keys(v);
            parts.push("o", keys.length, ";");
            for (const k of keys) { str(k); walk(v[k], depth + 1); }
        }
    };
    try {
        walk(value, 1);
    } catch (e) {
        return 0;
    }
    const out = parts.join("");
    const length = lengthBytesUTF8(out) + 1;
    const buffer = _malloc(length);
    if (buffer) stringToUTF8(out, buffer, length);
    return buffer;
});
// clang-format on

namespace host {

namespace {

// Reads the prefix form: n t f, d<number>; s<bytes>:<UTF-8>, a<count>; then
// the elements, o<count>; then key and value pairs.
struct Decoder {
    const char* p;
    size_t count() {
        char* end;
        const size_t n = std::strtoul(p, &end, 10);
        p = end + 1;
        return n;
    }
    std::string string() {
        ++p;
        const size_t n = count();
        std::string s(p, n);
        p += n;
        return s;
    }
    JSONValue value() {
        switch (*p) {
            case 'n':
                return ++p, JSONValue();
            case 't':
                return ++p, JSONValue(true);
            case 'f':
                return ++p, JSONValue(false);
            case 'd': {
                char* end;
                const double d = std::strtod(p + 1, &end);
                p = end + 1;
                return JSONValue(d);
            }
            case 's':
                return JSONValue(string());
            case 'a': {
                ++p;
                JSONValue::Array a(count());
                for (JSONValue& e : a) e = value();
                return JSONValue(std::move(a));
            }
            default: {
                ++p;
                JSONValue::Object o(count());
                for (auto& [key, member] : o) {
                    key = string();
                    member = value();
                }
                return JSONValue(std::move(o));
            }
        }
    }
};

}  // namespace

bool parseJSON(std::string_view text, JSONValue& out) {
    // Editors on some systems start a UTF-8 file with a byte-order mark.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    char* form = paddock_parse_json(text.data(), static_cast<int>(text.size()));
    if (!form) return false;
    out = Decoder{form}.value();
    std::free(form);
    return true;
}

}  // namespace host
