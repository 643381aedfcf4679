// Publishes any automation object (minicad's, a test's) as a real IDispatch, so that COM
// clients in other apartments and processes reach it by member name like a CAD's objects.
#pragma once

#include <cstdint>

#include "cadlink/automation.h"
#include "cadlink/com/com_implements.h"
#include "cadlink/com/com_ptr.h"
#include "cadlink/com/windows_headers.h"

namespace tarsel::cadlink::com {

class DispatchServer final : public ComImplements<DispatchServer, IDispatch> {
public:
    // A new IDispatch for object. DISPIDs are handed out per member name for the whole
    // process, so every object agrees on them; the type information names the object's
    // C++ type, so clients cache DISPIDs per type.
    [[nodiscard]] static ComPtr<IDispatch> Publish(ObjectRef object);
    // The object behind dispatch when dispatch is a live DispatchServer of this process
    // (an object handed back to its own apartment); nullptr otherwise. Never calls into it.
    [[nodiscard]] static ObjectRef Unwrap(IDispatch* dispatch) noexcept;

    // IDispatch. Invoke converts the arguments, calls the object, writes VT_BYREF |
    // VT_VARIANT arguments back and turns an AutomationError into DISP_E_EXCEPTION with
    // the error's code as scode and its text as the description.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale,
                                          ITypeInfo** info) noexcept override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) noexcept override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argumentError) noexcept override;

    // Calls received by all servers of this process since it started.
    [[nodiscard]] static std::uint64_t InvokeCount() noexcept;
    [[nodiscard]] static std::uint64_t GetIDsOfNamesCount() noexcept;

private:
    friend ComImplements;
    explicit DispatchServer(ObjectRef object);
    ~DispatchServer();

    ObjectRef object_;
};

}  // namespace tarsel::cadlink::com
