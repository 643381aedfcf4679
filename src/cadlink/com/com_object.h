// A CAD object reached through IDispatch: the COM backend of the automation boundary.
// Members are called by name (late-bound); DISPIDs come from the connection's cache.
#pragma once

#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "cadlink/automation.h"
#include "cadlink/com/com_ptr.h"
#include "cadlink/com/dispatch_session.h"
#include "cadlink/com/windows_headers.h"

namespace tarsel::cadlink::com {

class ComObject final : public Object {
public:
    [[nodiscard]] static ObjectRef Create(ComPtr<IDispatch> dispatch,
                                          std::shared_ptr<DispatchSession> session);
    ComObject(ComPtr<IDispatch> dispatch, std::shared_ptr<DispatchSession> session);

    // Reads and calls go as DISPATCH_METHOD | DISPATCH_PROPERTYGET, writes as
    // DISPATCH_PROPERTYPUT with the value named DISPID_PROPERTYPUT. Arguments travel in
    // COM's reverse order. An empty argument is an out parameter in this object model
    // (GetEntity, GetXdata): it travels as VT_BYREF | VT_VARIANT and what the server wrote
    // there is put back into args. A failure raises AutomationError with the member's
    // name, the HRESULT (the server's own code for DISP_E_EXCEPTION) and its text.
    Variant Invoke(std::string_view member, InvokeKind kind, std::span<Variant> args) override;

    [[nodiscard]] IDispatch* dispatch() const noexcept { return dispatch_.get(); }

private:
    [[nodiscard]] DISPID IdOf(std::string_view member);

    ComPtr<IDispatch> dispatch_;
    std::shared_ptr<DispatchSession> session_;
    bool typeLooked_ = false;
    DispatchSession::Type* type_ = nullptr;
    // Only for an object without type information.
    std::map<std::string, DISPID, std::less<>> ownIds_;
};

}  // namespace tarsel::cadlink::com
