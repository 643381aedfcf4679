#include "cadlink/com/com_connection.h"

#include "cadlink/com/com_object.h"
#include "cadlink/com/com_text.h"

namespace tarsel::cadlink::com {
namespace {

// The running object for progId, or the failing call's name and HRESULT.
HRESULT ActiveObject(std::string_view progId, ComPtr<IUnknown>& out, const char*& failedCall) {
    const std::wstring wide = Utf8ToWide(progId);
    CLSID clsid;
    failedCall = "CLSIDFromProgID";
    HRESULT hr = CLSIDFromProgID(wide.c_str(), &clsid);
    if (FAILED(hr)) return hr;
    failedCall = "GetActiveObject";
    hr = GetActiveObject(clsid, nullptr, out.put());
    if (SUCCEEDED(hr) && !out) hr = MK_E_UNAVAILABLE;
    return hr;
}

}  // namespace

bool ComCadConnection::IsCadRunning(std::string_view progId) noexcept {
    try {
        ComPtr<IUnknown> running;
        const char* failedCall = "CLSIDFromProgID";
        return SUCCEEDED(ActiveObject(progId, running, failedCall));
    } catch (...) {
        return false;
    }
}

ObjectRef ComCadConnection::GetRunningApplication(std::string_view progId) {
    ComPtr<IUnknown> running;
    const char* failedCall = "CLSIDFromProgID";
    const HRESULT hr = ActiveObject(progId, running, failedCall);
    ThrowIfFailed(hr, failedCall);
    ComPtr<IDispatch> dispatch = As<IDispatch>(running);
    if (!dispatch) ThrowIfFailed(E_NOINTERFACE, "QueryInterface");

    // The identity of a COM object is its IUnknown.
    ComPtr<IUnknown> identity = As<IUnknown>(running);
    if (!session_ || !(identity == application_)) {
        session_ = std::make_shared<DispatchSession>();
        application_ = std::move(identity);
    }
    return ComObject::Create(std::move(dispatch), session_);
}

}  // namespace tarsel::cadlink::com
