#include "cadlink/com/dispatch_server.h"

#include <cxxabi.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <typeinfo>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "cadlink/com/com_text.h"
#include "cadlink/com/dispatch_session.h"
#include "cadlink/com/variant_convert.h"

namespace tarsel::cadlink::com {
namespace {

std::atomic<std::uint64_t> invokeCount{0};
std::atomic<std::uint64_t> getIDsOfNamesCount{0};

// Member names to DISPIDs for the whole process: 1, 2, 3... in order of first request
// (0 is DISPID_VALUE, the default member, which no object here has).
class NameTable {
public:
    DISPID IdOf(std::string_view name) {
        std::string key = MemberKey(name);
        std::lock_guard lock(mutex_);
        if (auto it = ids_.find(key); it != ids_.end()) return it->second;
        names_.emplace_back(name);
        const auto id = static_cast<DISPID>(names_.size());
        ids_.emplace(std::move(key), id);
        return id;
    }
    // The name as first asked for; empty for an id never handed out.
    std::string NameOf(DISPID id) {
        std::lock_guard lock(mutex_);
        if (id < 1 || static_cast<std::size_t>(id) > names_.size()) return {};
        return names_[static_cast<std::size_t>(id) - 1];
    }

private:
    std::mutex mutex_;
    std::unordered_map<std::string, DISPID> ids_;
    std::vector<std::string> names_;
};

NameTable& Names() {
    static NameTable table;
    return table;
}

// The live servers of this process, so that an IDispatch coming back can be recognised
// without calling into it (a QueryInterface on a proxy would be a round trip).
class LiveServers {
public:
    void Add(IDispatch* p) {
        std::lock_guard lock(mutex_);
        live_.insert(p);
    }
    void Remove(IDispatch* p) {
        std::lock_guard lock(mutex_);
        live_.erase(p);
    }
    bool Contains(IDispatch* p) {
        std::lock_guard lock(mutex_);
        return live_.count(p) != 0;
    }

private:
    std::mutex mutex_;
    std::unordered_set<IDispatch*> live_;
};

LiveServers& Live() {
    static LiveServers live;
    return live;
}

// Objects that clients hand in (proxies of their own objects) are called through this. It is
// never destroyed: releasing the proxies it caches after COM has shut down would crash at exit.
const std::shared_ptr<DispatchSession>& ForeignSession() {
    static const auto* session = new std::shared_ptr<DispatchSession>(new DispatchSession());
    return *session;
}

std::string ReadableTypeName(const std::type_info& type) {
    int status = 0;
    char* demangled = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    std::string name = status == 0 && demangled ? demangled : type.name();
    std::free(demangled);
    return name;
}

// Type information that only names the type (and its members): enough for a client to
// know which objects share DISPIDs. Everything else is not implemented.
class NamedTypeInfo final : public ComImplements<NamedTypeInfo, ITypeInfo> {
public:
    HRESULT STDMETHODCALLTYPE GetDocumentation(MEMBERID id, BSTR* name, BSTR* docString,
                                               DWORD* helpContext,
                                               BSTR* helpFile) noexcept override {
        if (docString) *docString = nullptr;
        if (helpContext) *helpContext = 0;
        if (helpFile) *helpFile = nullptr;
        if (!name) return S_OK;
        *name = nullptr;
        return GuardedCall([&] {
            const std::string text = id == MEMBERID_NIL ? name_ : Names().NameOf(id);
            if (text.empty()) return TYPE_E_ELEMENTNOTFOUND;
            *name = Utf8ToBstr(text);
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(LPOLESTR* names, UINT count,
                                            MEMBERID* ids) noexcept override {
        if (!names || !ids) return E_INVALIDARG;
        return GuardedCall([&] {
            for (UINT i = 0; i < count; ++i) ids[i] = Names().IdOf(WideToUtf8(names[i]));
            return S_OK;
        });
    }

    HRESULT STDMETHODCALLTYPE GetTypeAttr(TYPEATTR**) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeComp(ITypeComp**) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetFuncDesc(UINT, FUNCDESC**) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetVarDesc(UINT, VARDESC**) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetNames(MEMBERID, BSTR*, UINT, UINT*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetRefTypeOfImplType(UINT, HREFTYPE*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetImplTypeFlags(UINT, INT*) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(PVOID, MEMBERID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetDllEntry(MEMBERID, INVOKEKIND, BSTR*, BSTR*,
                                          WORD*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetRefTypeInfo(HREFTYPE, ITypeInfo**) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE AddressOfMember(MEMBERID, INVOKEKIND, PVOID*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID, PVOID*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetMops(MEMBERID, BSTR*) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetContainingTypeLib(ITypeLib**, UINT*) noexcept override {
        return E_NOTIMPL;
    }
    void STDMETHODCALLTYPE ReleaseTypeAttr(TYPEATTR*) noexcept override {}
    void STDMETHODCALLTYPE ReleaseFuncDesc(FUNCDESC*) noexcept override {}
    void STDMETHODCALLTYPE ReleaseVarDesc(VARDESC*) noexcept override {}

private:
    friend ComImplements;
    explicit NamedTypeInfo(std::string name) : name_(std::move(name)) {}
    ~NamedTypeInfo() = default;

    std::string name_;
};

// One type information object per C++ type, kept for the life of the process (like a loaded
// type library) so that a client sees the same object (and the same proxy) for every object
// of a type.
ComPtr<ITypeInfo> TypeInfoFor(const std::type_info& type) {
    static std::mutex mutex;
    static std::map<std::string, ComPtr<NamedTypeInfo>> infos;
    std::lock_guard lock(mutex);
    auto& info = infos[type.name()];
    if (!info) info = NamedTypeInfo::Make(ReadableTypeName(type));
    return ComPtr<ITypeInfo>::Share(info.get());
}

void FillException(EXCEPINFO* exception, std::string_view member, HRESULT code,
                   std::string_view text) {
    std::memset(exception, 0, sizeof *exception);
    exception->scode = FAILED(code) ? code : E_FAIL;
    try {
        exception->bstrSource = Utf8ToBstr(member);
        exception->bstrDescription = Utf8ToBstr(text);
    } catch (...) {
        // The code alone still tells the client what failed.
    }
}

}  // namespace

ComPtr<IDispatch> DispatchServer::Publish(ObjectRef object) {
    return ComPtr<IDispatch>::Adopt(Make(std::move(object)).release());
}

ObjectRef DispatchServer::Unwrap(IDispatch* dispatch) noexcept {
    if (!dispatch || !Live().Contains(dispatch)) return nullptr;
    return static_cast<DispatchServer*>(dispatch)->object_;
}

DispatchServer::DispatchServer(ObjectRef object) : object_(std::move(object)) {
    Live().Add(this);
}

DispatchServer::~DispatchServer() {
    Live().Remove(this);
}

HRESULT DispatchServer::GetTypeInfoCount(UINT* count) noexcept {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT DispatchServer::GetTypeInfo(UINT index, LCID, ITypeInfo** info) noexcept {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return GuardedCall([&] {
        const Object& object = *object_;
        *info = TypeInfoFor(typeid(object)).release();
        return S_OK;
    });
}

HRESULT DispatchServer::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                                      DISPID* ids) noexcept {
    ++getIDsOfNamesCount;
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (!names || !ids || count == 0) return E_INVALIDARG;
    return GuardedCall([&] {
        ids[0] = Names().IdOf(WideToUtf8(names[0]));
        // The objects take positional arguments only.
        for (UINT i = 1; i < count; ++i) ids[i] = DISPID_UNKNOWN;
        return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
    });
}

HRESULT DispatchServer::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                               VARIANT* result, EXCEPINFO* exception,
                               UINT* argumentError) noexcept {
    ++invokeCount;
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    std::string member;
    const HRESULT named = GuardedCall([&] {
        member = Names().NameOf(id);
        return S_OK;
    });
    if (FAILED(named)) return named;
    if (member.empty()) return DISP_E_MEMBERNOTFOUND;

    DISPPARAMS none{nullptr, nullptr, 0, 0};
    if (!params) params = &none;
    InvokeKind kind = InvokeKind::MethodOrGet;
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        kind = InvokeKind::Put;
        if (params->cNamedArgs != 1 || !params->rgdispidNamedArgs ||
            params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT || params->cArgs == 0) {
            return DISP_E_PARAMNOTOPTIONAL;
        }
    } else if (params->cNamedArgs != 0) {
        return DISP_E_NONAMEDARGS;
    }
    if (params->cArgs > 0 && !params->rgvarg) return E_INVALIDARG;

    const std::size_t count = params->cArgs;
    std::vector<Variant> args(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t slot = count - 1 - i;
        try {
            args[i] = FromVARIANT(params->rgvarg[slot], ForeignSession());
        } catch (...) {
            if (argumentError) *argumentError = static_cast<UINT>(slot);
            return DISP_E_TYPEMISMATCH;
        }
    }

    try {
        Variant value = object_->Invoke(member, kind, args);
        for (std::size_t i = 0; i < count; ++i) {
            VARIANT& slot = params->rgvarg[count - 1 - i];
            if (slot.vt == (VT_BYREF | VT_VARIANT) && slot.pvarVal) {
                Replace(slot.pvarVal, ToVARIANT(args[i]));
            }
        }
        if (result) Replace(result, ToVARIANT(value));
        return S_OK;
    } catch (const AutomationError& e) {
        if (!exception) return FAILED(e.code()) ? e.code() : E_FAIL;
        FillException(exception, member, e.code(), e.text());
        return DISP_E_EXCEPTION;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const std::exception& e) {
        if (!exception) return E_FAIL;
        FillException(exception, member, E_FAIL, e.what());
        return DISP_E_EXCEPTION;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

std::uint64_t DispatchServer::InvokeCount() noexcept {
    return invokeCount.load();
}
std::uint64_t DispatchServer::GetIDsOfNamesCount() noexcept {
    return getIDsOfNamesCount.load();
}

}  // namespace tarsel::cadlink::com
