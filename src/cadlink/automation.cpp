#include "cadlink/automation.h"

#include <vector>

namespace tarsel::cadlink {

AutomationError::AutomationError(std::string member, std::int32_t code, std::string text)
    : std::runtime_error((member.empty() ? std::string("automation") : member) + ": " + text),
      member_(std::move(member)),
      code_(code),
      text_(std::move(text)) {}

Variant Get(const ObjectRef& obj, std::string_view member) {
    if (!obj) throw AutomationError(std::string(member), hresult::kFail, "no object");
    return obj->Invoke(member, InvokeKind::MethodOrGet, {});
}

Variant Call(const ObjectRef& obj, std::string_view member, std::initializer_list<Variant> args) {
    if (!obj) throw AutomationError(std::string(member), hresult::kFail, "no object");
    std::vector<Variant> copy(args);
    return obj->Invoke(member, InvokeKind::MethodOrGet, copy);
}

Variant CallWithOut(const ObjectRef& obj, std::string_view member, std::span<Variant> args) {
    if (!obj) throw AutomationError(std::string(member), hresult::kFail, "no object");
    return obj->Invoke(member, InvokeKind::MethodOrGet, args);
}

void Put(const ObjectRef& obj, std::string_view member, Variant value) {
    if (!obj) throw AutomationError(std::string(member), hresult::kFail, "no object");
    Variant args[1] = {std::move(value)};
    obj->Invoke(member, InvokeKind::Put, args);
}

ObjectRef GetObject(const ObjectRef& obj, std::string_view member) {
    return Get(obj, member).AsObject();
}

Variant FilterTypeArray(std::int16_t code) {
    return Variant::Int16Array({code});
}

Variant FilterDataArray(std::string_view value) {
    return Variant::VariantArray({Variant(value)});
}

}  // namespace tarsel::cadlink
