#include "cadlink/com/dispatch_session.h"

#include <atomic>

#include "cadlink/automation.h"
#include "cadlink/com/com_text.h"

namespace tarsel::cadlink::com {
namespace {

std::atomic<std::uint64_t> invokeCalls{0};
std::atomic<std::uint64_t> getIDsOfNamesCalls{0};
std::atomic<std::uint64_t> getTypeInfoCalls{0};
std::atomic<std::uint64_t> getDocumentationCalls{0};

DISPID LookUp(IDispatch* dispatch, std::string_view member) {
    std::wstring wide = Utf8ToWide(member);
    LPOLESTR names[1] = {wide.data()};
    DISPID id = DISPID_UNKNOWN;
    ++getIDsOfNamesCalls;
    const HRESULT hr = dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    ThrowIfFailed(hr, member);
    return id;
}

}  // namespace

void detail::CountInvoke() noexcept {
    ++invokeCalls;
}

ClientCallCounts CurrentClientCallCounts() {
    return {invokeCalls.load(), getIDsOfNamesCalls.load(), getTypeInfoCalls.load(),
            getDocumentationCalls.load()};
}

DispatchSession::Type* DispatchSession::TypeOf(IDispatch* dispatch) {
    ComPtr<ITypeInfo> info;
    ++getTypeInfoCalls;
    if (FAILED(dispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put())) || !info) {
        return nullptr;
    }
    {
        std::lock_guard lock(mutex_);
        for (const auto& type : types_) {
            if (type->info_ == info) return type.get();
        }
    }
    UniqueBstr name;
    ++getDocumentationCalls;
    if (FAILED(info->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr)) ||
        !name.get()) {
        return nullptr;
    }
    std::string typeName = BstrToUtf8(name.get());
    std::lock_guard lock(mutex_);
    for (const auto& type : types_) {
        if (type->name_ == typeName) return type.get();
    }
    auto type = std::make_unique<Type>();
    type->name_ = std::move(typeName);
    type->info_ = std::move(info);
    types_.push_back(std::move(type));
    return types_.back().get();
}

DISPID DispatchSession::IdOf(IDispatch* dispatch, Type* type, std::string_view member,
                             std::map<std::string, DISPID, std::less<>>& perObject) {
    std::string key = MemberKey(member);
    auto& table = type ? type->ids_ : perObject;
    {
        std::lock_guard lock(mutex_);
        if (auto it = table.find(key); it != table.end()) return it->second;
    }
    // Not under the lock: the lookup is a call into the server, which may call back.
    const DISPID id = LookUp(dispatch, member);
    std::lock_guard lock(mutex_);
    table.emplace(std::move(key), id);
    return id;
}

std::size_t DispatchSession::TypeCount() const {
    std::lock_guard lock(mutex_);
    return types_.size();
}

}  // namespace tarsel::cadlink::com
