// The values that cross the automation boundary: what a COM VARIANT can hold for the
// members this system calls, and nothing more. Arrays keep their element type and lower
// bound because readers test both ("an array of 16-bit integers with upper bound 2").
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tarsel::cadlink {

class Object;
using ObjectRef = std::shared_ptr<Object>;

// Element type of a SAFEARRAY: VT_VARIANT, VT_R8 or VT_I2.
enum class ArrayKind : std::uint8_t { Variant, Double, Int16 };

class Variant;

struct Array {
    ArrayKind kind = ArrayKind::Variant;
    std::int32_t lowerBound = 0;
    // For Double every item holds a double, for Int16 every item an int16_t.
    std::vector<Variant> items;

    [[nodiscard]] std::int32_t UpperBound() const;
};

class Variant {
public:
    enum class Type : std::uint8_t {
        Empty,
        Bool,
        Int16,
        Int32,
        Int64,
        Double,
        Text,
        Object,
        Array
    };

    Variant() = default;
    Variant(bool v) : value_(v) {}
    Variant(std::int16_t v) : value_(v) {}
    Variant(std::int32_t v) : value_(v) {}
    Variant(std::int64_t v) : value_(v) {}
    Variant(double v) : value_(v) {}
    Variant(std::string v) : value_(std::move(v)) {}
    Variant(std::string_view v) : value_(std::string(v)) {}
    Variant(const char* v) : value_(std::string(v)) {}
    Variant(ObjectRef v) : value_(std::move(v)) {}
    Variant(Array v) : value_(std::move(v)) {}

    static Variant DoubleArray(const std::vector<double>& values);
    static Variant Int16Array(const std::vector<std::int16_t>& values);
    static Variant VariantArray(std::vector<Variant> values);

    [[nodiscard]] Type type() const { return static_cast<Type>(value_.index()); }
    [[nodiscard]] bool IsEmpty() const { return type() == Type::Empty; }
    [[nodiscard]] bool IsArray() const { return type() == Type::Array; }
    [[nodiscard]] bool IsObject() const { return type() == Type::Object; }
    [[nodiscard]] bool IsText() const { return type() == Type::Text; }
    [[nodiscard]] bool IsNumber() const;  // bool, integers or double

    // Conversions behave like VariantChangeType with the C locale for the types we
    // exchange; anything else raises AutomationError with the type-mismatch code.
    [[nodiscard]] bool AsBool() const;
    [[nodiscard]] std::int32_t AsInt() const;
    [[nodiscard]] std::int64_t AsInt64() const;
    [[nodiscard]] double AsDouble() const;
    [[nodiscard]] std::string AsText() const;
    [[nodiscard]] ObjectRef AsObject() const;
    [[nodiscard]] const Array& AsArray() const;
    [[nodiscard]] Array& AsArray();

    // Exact structural equality (type, value, array kind and bounds); objects by identity.
    friend bool operator==(const Variant& a, const Variant& b);

private:
    std::variant<std::monostate, bool, std::int16_t, std::int32_t, std::int64_t, double,
                 std::string, ObjectRef, Array>
        value_;
};

inline std::int32_t Array::UpperBound() const {
    return lowerBound + static_cast<std::int32_t>(items.size()) - 1;
}

// A short description for messages and test failures, e.g. "R8[0..2]{1, 2, 3}".
[[nodiscard]] std::string Describe(const Variant& v);

}  // namespace tarsel::cadlink
