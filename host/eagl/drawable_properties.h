#pragma once

#include <initializer_list>
#include <map>
#include <string>
#include <variant>

namespace host {

// Keys of a GL ES drawable's property dictionary.
inline constexpr const char* kEAGLDrawablePropertyRetainedBacking =
    "kEAGLDrawablePropertyRetainedBacking";
inline constexpr const char* kEAGLDrawablePropertyColorFormat = "kEAGLDrawablePropertyColorFormat";

// Colour-format identifiers, the values under kEAGLDrawablePropertyColorFormat.
inline constexpr const char* kEAGLColorFormatRGBA8 = "EAGLColorFormatRGBA8";
inline constexpr const char* kEAGLColorFormatRGB565 = "EAGLColorFormatRGB565";

// A small dictionary of drawable properties: string keys mapped to a boolean
// number or a string.
class EAGLDrawableProperties {
  public:
    using Value = std::variant<bool, std::string>;

    EAGLDrawableProperties() = default;
    EAGLDrawableProperties(std::initializer_list<std::pair<const std::string, Value>> entries)
        : entries_(entries) {}

    size_t size() const { return entries_.size(); }
    // nullptr when the key is absent.
    const Value* find(const std::string& key) const {
        auto it = entries_.find(key);
        return it == entries_.end() ? nullptr : &it->second;
    }
    // The fallback when the key is absent or holds another kind of value.
    bool boolValue(const std::string& key, bool fallback) const {
        const Value* v = find(key);
        return v && std::holds_alternative<bool>(*v) ? std::get<bool>(*v) : fallback;
    }
    std::string stringValue(const std::string& key, const std::string& fallback) const {
        const Value* v = find(key);
        return v && std::holds_alternative<std::string>(*v) ? std::get<std::string>(*v) : fallback;
    }

  private:
    std::map<std::string, Value> entries_;
};

}  // namespace host
