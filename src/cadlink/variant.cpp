#include "cadlink/variant.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

#include "cadlink/automation.h"
#include "text/numbers.h"

namespace tarsel::cadlink {
namespace {

[[noreturn]] void Mismatch(const Variant& v, const char* wanted) {
    throw AutomationError("", hresult::kTypeMismatch,
                          std::string("cannot convert ") + Describe(v) + " to " + wanted);
}

using text::ShortestText;

}  // namespace

Variant Variant::DoubleArray(const std::vector<double>& values) {
    Array a{ArrayKind::Double, 0, {}};
    a.items.reserve(values.size());
    for (double d : values) a.items.emplace_back(d);
    return Variant(std::move(a));
}

Variant Variant::Int16Array(const std::vector<std::int16_t>& values) {
    Array a{ArrayKind::Int16, 0, {}};
    a.items.reserve(values.size());
    for (std::int16_t v : values) a.items.emplace_back(v);
    return Variant(std::move(a));
}

Variant Variant::VariantArray(std::vector<Variant> values) {
    return Variant(Array{ArrayKind::Variant, 0, std::move(values)});
}

bool Variant::IsNumber() const {
    switch (type()) {
        case Type::Bool:
        case Type::Int16:
        case Type::Int32:
        case Type::Int64:
        case Type::Double: return true;
        default: return false;
    }
}

double Variant::AsDouble() const {
    switch (type()) {
        case Type::Empty: return 0.0;
        case Type::Bool: return std::get<bool>(value_) ? -1.0 : 0.0;  // VARIANT_TRUE is -1
        case Type::Int16: return std::get<std::int16_t>(value_);
        case Type::Int32: return std::get<std::int32_t>(value_);
        case Type::Int64: return static_cast<double>(std::get<std::int64_t>(value_));
        case Type::Double: return std::get<double>(value_);
        case Type::Text: {
            // As a C-locale VariantChangeType would: a user's locale never changes a figure.
            if (const auto number = text::ParseDecimal(std::get<std::string>(value_))) {
                return *number;
            }
            Mismatch(*this, "a number");
        }
        default: Mismatch(*this, "a number");
    }
}

std::int64_t Variant::AsInt64() const {
    switch (type()) {
        case Type::Int64: return std::get<std::int64_t>(value_);
        case Type::Int32: return std::get<std::int32_t>(value_);
        case Type::Int16: return std::get<std::int16_t>(value_);
        default: {
            const double d = AsDouble();
            // COM rounds half to even when it narrows a double to an integer.
            const double r = std::nearbyint(d);
            if (!(r >= -9.2e18 && r <= 9.2e18)) Mismatch(*this, "a 64-bit integer");
            return static_cast<std::int64_t>(r);
        }
    }
}

std::int32_t Variant::AsInt() const {
    const std::int64_t v = AsInt64();
    if (v < std::numeric_limits<std::int32_t>::min() ||
        v > std::numeric_limits<std::int32_t>::max())
        Mismatch(*this, "a 32-bit integer");
    return static_cast<std::int32_t>(v);
}

bool Variant::AsBool() const {
    if (type() == Type::Bool) return std::get<bool>(value_);
    if (type() == Type::Text) {
        const auto& s = std::get<std::string>(value_);
        if (s == "True" || s == "true" || s == "TRUE") return true;
        if (s == "False" || s == "false" || s == "FALSE") return false;
    }
    return AsDouble() != 0.0;
}

std::string Variant::AsText() const {
    switch (type()) {
        case Type::Empty: return {};
        case Type::Text: return std::get<std::string>(value_);
        case Type::Bool: return std::get<bool>(value_) ? "True" : "False";
        case Type::Int16:
        case Type::Int32:
        case Type::Int64: return std::to_string(AsInt64());
        case Type::Double: return ShortestText(std::get<double>(value_));
        default: Mismatch(*this, "text");
    }
}

ObjectRef Variant::AsObject() const {
    if (type() == Type::Object && std::get<ObjectRef>(value_)) return std::get<ObjectRef>(value_);
    Mismatch(*this, "an object");
}

const Array& Variant::AsArray() const {
    if (type() != Type::Array) Mismatch(*this, "an array");
    return std::get<Array>(value_);
}

Array& Variant::AsArray() {
    if (type() != Type::Array) Mismatch(*this, "an array");
    return std::get<Array>(value_);
}

bool operator==(const Variant& a, const Variant& b) {
    if (a.type() != b.type()) return false;
    if (a.type() == Variant::Type::Array) {
        const Array& x = std::get<Array>(a.value_);
        const Array& y = std::get<Array>(b.value_);
        return x.kind == y.kind && x.lowerBound == y.lowerBound && x.items == y.items;
    }
    return a.value_ == b.value_;
}

std::string Describe(const Variant& v) {
    using T = Variant::Type;
    switch (v.type()) {
        case T::Empty: return "Empty";
        case T::Bool: return std::string("Bool ") + (v.AsBool() ? "true" : "false");
        case T::Int16: return "I2 " + v.AsText();
        case T::Int32: return "I4 " + v.AsText();
        case T::Int64: return "I8 " + v.AsText();
        case T::Double: return "R8 " + v.AsText();
        case T::Text: return "Text \"" + v.AsText() + "\"";
        case T::Object: return "Object";
        case T::Array: {
            const Array& a = v.AsArray();
            std::string s = a.kind == ArrayKind::Double  ? "R8"
                            : a.kind == ArrayKind::Int16 ? "I2"
                                                         : "VARIANT";
            s += "[" + std::to_string(a.lowerBound) + ".." + std::to_string(a.UpperBound()) + "]{";
            for (std::size_t i = 0; i < a.items.size(); ++i) {
                if (i) s += ", ";
                s += a.kind == ArrayKind::Variant ? Describe(a.items[i]) : a.items[i].AsText();
            }
            return s + "}";
        }
    }
    return "?";
}

}  // namespace tarsel::cadlink
