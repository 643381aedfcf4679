// The owning handles and the IUnknown base of our COM objects: every reference is let go
// exactly once, put() lets go of the old value before the slot is written, and an object
// answers QueryInterface for the interfaces it names, with one identity.
#include <gtest/gtest.h>

#include <utility>

#include "cadlink/com/com_implements.h"
#include "cadlink/com/com_ptr.h"

namespace tarsel::cadlink::com {
namespace {

// Counts the live objects, so a leaked or a doubly released reference shows.
class Probe final : public ComImplements<Probe, IMessageFilter, IClassFactory> {
public:
    static inline int live = 0;

    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD,
                                               LPINTERFACEINFO) noexcept override {
        return SERVERCALL_ISHANDLED;
    }
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) noexcept override {
        return static_cast<DWORD>(-1);
    }
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) noexcept override {
        return PENDINGMSG_WAITDEFPROCESS;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID, void**) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) noexcept override { return S_OK; }

private:
    friend ComImplements;
    Probe() { ++live; }
    ~Probe() { --live; }
};

TEST(ComOwnershipTest, EachReferenceIsLetGoOnce) {
    ComPtr<Probe> first = Probe::Make();
    ASSERT_EQ(Probe::live, 1);
    ComPtr<Probe> copy = first;  // a second reference
    ComPtr<Probe> moved = std::move(copy);
    EXPECT_FALSE(copy);
    first.reset();
    EXPECT_EQ(Probe::live, 1);

    // An out parameter slot that still holds an object lets go of it before it is written.
    ComPtr<IMessageFilter> slot = As<IMessageFilter>(moved);
    moved.reset();
    EXPECT_EQ(Probe::live, 1);
    *slot.put() = nullptr;
    EXPECT_EQ(Probe::live, 0);

    // So does a VARIANT that holds one, overwritten or cleared.
    UniqueVariant value;
    for (int i = 0; i < 2; ++i) {
        VARIANT* out = value.put();
        out->vt = VT_UNKNOWN;
        out->punkVal = As<IUnknown>(Probe::Make()).release();
        EXPECT_EQ(Probe::live, 1);
    }
    value.reset();
    EXPECT_EQ(Probe::live, 0);
}

TEST(ComOwnershipTest, QueryInterfaceAnswersTheNamedInterfacesWithOneIdentity) {
    const ComPtr<Probe> probe = Probe::Make();
    const ComPtr<IUnknown> viaFilter = As<IUnknown>(As<IMessageFilter>(probe));
    const ComPtr<IUnknown> viaFactory = As<IUnknown>(As<IClassFactory>(probe));
    ASSERT_TRUE(viaFilter);
    EXPECT_TRUE(viaFilter == viaFactory);
    EXPECT_FALSE(As<IDispatch>(probe));

    void* out = probe.get();
    EXPECT_EQ(probe->QueryInterface(IID_IDispatch, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(probe->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

}  // namespace
}  // namespace tarsel::cadlink::com
