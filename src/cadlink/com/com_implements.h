// The IUnknown of every COM object this program implements: a thread-safe reference count
// and QueryInterface answered from the interfaces the object names, so an object states
// only what it is and what its own interface does.
//
//   class TMessageFilter final : public ComImplements<TMessageFilter, IMessageFilter> {...};
//   ComPtr<TMessageFilter> filter = TMessageFilter::Make();
#pragma once

#include <atomic>
#include <utility>

#include "cadlink/com/com_ptr.h"
#include "cadlink/com/windows_headers.h"

namespace tarsel::cadlink::com {

// Derived is the implementing class (deleted through it, so its destructor may stay
// private: it befriends ComImplements); Interfaces are the COM interfaces it implements,
// the first of them also standing for its IUnknown.
template <class Derived, class First, class... Rest>
class ComImplements : public First, public Rest... {
public:
    // A new object, its one reference held by the result.
    template <class... Args>
    [[nodiscard]] static ComPtr<Derived> Make(Args&&... args) {
        return ComPtr<Derived>::Adopt(new Derived(std::forward<Args>(args)...));
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override {
        if (!out) return E_POINTER;
        *out = nullptr;
        // IUnknown must be the same pointer whichever interface it is asked through.
        if (IsEqualIID(iid, __uuidof(IUnknown))) {
            *out = static_cast<IUnknown*>(static_cast<First*>(this));
        } else {
            (void)(Offer<First>(iid, out) || ... || Offer<Rest>(iid, out));
        }
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() noexcept override {
        const ULONG left = --references_;
        if (left == 0) delete static_cast<Derived*>(this);
        return left;
    }

protected:
    ComImplements() = default;
    ~ComImplements() = default;
    ComImplements(const ComImplements&) = delete;
    ComImplements& operator=(const ComImplements&) = delete;

private:
    template <class Interface>
    bool Offer(REFIID iid, void** out) noexcept {
        if (!IsEqualIID(iid, __uuidof(Interface))) return false;
        *out = static_cast<Interface*>(this);
        return true;
    }

    std::atomic<ULONG> references_{1};
};

// Runs the part of a COM method that may throw. No exception may cross into COM (its caller
// is C), so one that escapes is answered with E_OUTOFMEMORY: these parts only allocate.
template <class Work>
[[nodiscard]] HRESULT GuardedCall(Work&& work) noexcept {
    try {
        return std::forward<Work>(work)();
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace tarsel::cadlink::com
