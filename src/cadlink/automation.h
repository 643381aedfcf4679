// The one entry point through which every command talks to "the CAD": invoke a member by
// name, as IDispatch does. minicad implements it in process; the COM backend forwards it
// to a real automation server. Code above this line cannot tell the two apart.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "cadlink/variant.h"

namespace tarsel::cadlink {

// HRESULT values a COM automation server reports; minicad raises the same ones.
namespace hresult {
inline constexpr std::int32_t kFail = static_cast<std::int32_t>(0x80004005);        // E_FAIL
inline constexpr std::int32_t kInvalidArg = static_cast<std::int32_t>(0x80070057);  // E_INVALIDARG
inline constexpr std::int32_t kTypeMismatch =
    static_cast<std::int32_t>(0x80020005);  // DISP_E_TYPEMISMATCH
inline constexpr std::int32_t kUnknownName =
    static_cast<std::int32_t>(0x80020006);  // DISP_E_UNKNOWNNAME
inline constexpr std::int32_t kException =
    static_cast<std::int32_t>(0x80020009);  // DISP_E_EXCEPTION
inline constexpr std::int32_t kBadParamCount =
    static_cast<std::int32_t>(0x8002000E);  // DISP_E_BADPARAMCOUNT
inline constexpr std::int32_t kCallRejected =
    static_cast<std::int32_t>(0x80010001);  // RPC_E_CALL_REJECTED
inline constexpr std::int32_t kServerUnavailable =
    static_cast<std::int32_t>(0x800706BA);  // RPC_S_SERVER_UNAVAILABLE
}  // namespace hresult

// A member that failed: its name, the HRESULT and the CAD's own text. A cancelled prompt
// is such a failure too (DISP_E_EXCEPTION with the CAD's cancel text).
class AutomationError : public std::runtime_error {
public:
    AutomationError(std::string member, std::int32_t code, std::string text);

    [[nodiscard]] const std::string& member() const noexcept { return member_; }
    [[nodiscard]] std::int32_t code() const noexcept { return code_; }
    [[nodiscard]] const std::string& text() const noexcept { return text_; }

private:
    std::string member_;
    std::int32_t code_;
    std::string text_;
};

enum class InvokeKind : std::uint8_t {
    MethodOrGet,  // DISPATCH_METHOD | DISPATCH_PROPERTYGET
    Put,          // DISPATCH_PROPERTYPUT with the value as the last argument
};

class Object {
public:
    virtual ~Object() = default;

    // Arguments in source order (first argument first). Out parameters (GetEntity,
    // GetXdata) are written back into args. Member names are case-insensitive.
    virtual Variant Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) = 0;
};

// Thin helpers that keep command code readable; all go through Object::Invoke.
Variant Get(const ObjectRef& obj, std::string_view member);
Variant Call(const ObjectRef& obj, std::string_view member, std::initializer_list<Variant> args);
Variant CallWithOut(const ObjectRef& obj, std::string_view member, std::span<Variant> args);
void Put(const ObjectRef& obj, std::string_view member, Variant value);
ObjectRef GetObject(const ObjectRef& obj, std::string_view member);

// Filter arrays of a selection: a one-element array of 16-bit integers (the group codes)
// and a one-element array of variants (the values).
Variant FilterTypeArray(std::int16_t code);
Variant FilterDataArray(std::string_view value);

}  // namespace tarsel::cadlink
