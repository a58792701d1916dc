#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace host {

// A parsed JSON value: null, true or false, a number, a string (UTF-8), an
// array or an object (each key once: a key given twice keeps its last value). Whatever reads the
// JSON text (jsoncpp natively, the browser's JSON.parse in the web build) builds one of these.
class JSONValue {
  public:
    using Array = std::vector<JSONValue>;
    using Object = std::vector<std::pair<std::string, JSONValue>>;

    JSONValue() = default;
    explicit JSONValue(bool b) : value_(b) {}
    explicit JSONValue(double n) : value_(n) {}
    explicit JSONValue(std::string s) : value_(std::move(s)) {}
    explicit JSONValue(Array a) : value_(std::move(a)) {}
    explicit JSONValue(Object o) : value_(std::move(o)) {}

    bool isNull() const { return value_.index() == 0; }
    bool isBool() const { return value_.index() == 1; }
    bool isNumeric() const { return value_.index() == 2; }
    bool isString() const { return value_.index() == 3; }
    bool isArray() const { return value_.index() == 4; }
    bool isObject() const { return value_.index() == 5; }

    // A value of another kind reads as false, 0 or "".
    bool asBool() const { return isBool() && std::get<1>(value_); }
    double asDouble() const { return isNumeric() ? std::get<2>(value_) : 0.0; }
    float asFloat() const { return static_cast<float>(asDouble()); }
    std::string asString() const { return isString() ? std::get<3>(value_) : std::string(); }

    // Elements of an array or members of an object; 0 for anything else.
    std::size_t size() const {
        return isArray() ? std::get<4>(value_).size() : isObject() ? std::get<5>(value_).size() : 0;
    }
    // An array's elements; empty for anything else.
    const Array& elements() const {
        static const Array none;
        return isArray() ? std::get<4>(value_) : none;
    }
    const JSONValue& operator[](std::size_t i) const { return elements().at(i); }
    auto begin() const { return elements().begin(); }
    auto end() const { return elements().end(); }
    // An object's members; empty for anything else.
    const Object& members() const {
        static const Object none;
        return isObject() ? std::get<5>(value_) : none;
    }
    // The member `key` of an object; null when there is none.
    const JSONValue* find(std::string_view key) const {
        for (const auto& [name, value] : members())
            if (name == key) return &value;
        return nullptr;
    }

  private:
    std::variant<std::monostate, bool, double, std::string, Array, Object> value_;
};

}  // namespace host
