// Owning handles for COM, all of them the one UniqueAny template with their own traits: a
// reference-counted interface pointer, a VARIANT, a BSTR, a SAFEARRAY and an EXCEPINFO's
// strings; the scope in which a SAFEARRAY's data may be touched; and COM itself on a thread.
#pragma once

#include <cstring>

#include "cadlink/com/com_text.h"
#include "cadlink/com/windows_headers.h"
#include "platform/win32/unique_any.h"

namespace tarsel::cadlink::com {

using platform::UniqueAny;

template <class T>
struct ComTraits {
    using Type = T*;
    static constexpr Type Invalid() noexcept { return nullptr; }
    static bool IsValid(const Type& p) noexcept { return p != nullptr; }
    static void Close(Type& p) noexcept { p->Release(); }
    static void Duplicate(Type p) noexcept { p->AddRef(); }
};

struct VariantTraits {
    using Type = VARIANT;
    static Type Invalid() noexcept {
        VARIANT empty;
        VariantInit(&empty);
        return empty;
    }
    static bool IsValid(const Type& v) noexcept { return v.vt != VT_EMPTY; }
    static void Close(Type& v) noexcept { VariantClear(&v); }
};

// The three strings a failed Invoke leaves for its caller to free.
struct ExcepInfoTraits {
    using Type = EXCEPINFO;
    static Type Invalid() noexcept {
        EXCEPINFO empty;
        std::memset(&empty, 0, sizeof empty);
        return empty;
    }
    static bool IsValid(const Type& e) noexcept {
        return e.bstrSource || e.bstrDescription || e.bstrHelpFile;
    }
    static void Close(Type& e) noexcept {
        SysFreeString(e.bstrSource);
        SysFreeString(e.bstrDescription);
        SysFreeString(e.bstrHelpFile);
    }
};

// Copying adds a reference; Share(p) takes a new reference to p, Adopt(p) one the caller had.
template <class T>
using ComPtr = UniqueAny<ComTraits<T>>;
using UniqueVariant = UniqueAny<VariantTraits>;
using UniqueBstr = UniqueAny<platform::CloseWith<BSTR, ::SysFreeString>>;
using UniqueSafeArray = UniqueAny<platform::CloseWith<SAFEARRAY*, ::SafeArrayDestroy>>;
using UniqueExcepInfo = UniqueAny<ExcepInfoTraits>;

// QueryInterface; an empty pointer when the object does not have U.
template <class U, class T>
[[nodiscard]] ComPtr<U> As(T* object) noexcept {
    ComPtr<U> result;
    if (object) (void)object->QueryInterface(__uuidof(U), result.put_void());
    return result;
}
template <class U, class T>
[[nodiscard]] ComPtr<U> As(const ComPtr<T>& object) noexcept {
    return As<U>(object.get());
}

// Puts value into a VARIANT slot of the caller's (a result, a by-reference argument): the
// old value is cleared only once the new one exists, so a failed conversion changes nothing.
inline void Replace(VARIANT* slot, UniqueVariant value) noexcept {
    VariantClear(slot);
    *slot = value.release();
}

// SafeArrayAccessData for a scope: the data must be handed back on every path. Raises
// AutomationError (type mismatch) when the array cannot be read.
class SafeArrayAccess {
public:
    explicit SafeArrayAccess(SAFEARRAY* array) : array_(array) {
        if (FAILED(SafeArrayAccessData(array_, &data_)))
            ThrowTypeMismatch("cannot read a SAFEARRAY");
    }
    ~SafeArrayAccess() { SafeArrayUnaccessData(array_); }
    SafeArrayAccess(const SafeArrayAccess&) = delete;
    SafeArrayAccess& operator=(const SafeArrayAccess&) = delete;

    template <class T>
    [[nodiscard]] T* as() const noexcept {
        return static_cast<T*>(data_);
    }

private:
    SAFEARRAY* array_;
    void* data_ = nullptr;
};

// COM for the calling thread, in a single-threaded apartment as a CAD's main thread (and the
// palette's) has it, for the life of this object. Raises AutomationError when COM refuses.
class ComApartment {
public:
    ComApartment() {
        ThrowIfFailed(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), "CoInitializeEx");
    }
    ~ComApartment() { CoUninitialize(); }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
};

}  // namespace tarsel::cadlink::com
