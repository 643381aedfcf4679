// Finding the running CAD through COM: its ProgID names a class, and the Running Object
// Table holds the application object that the running CAD registered for that class.
#pragma once

#include <memory>
#include <string_view>

#include "cadlink/com/com_ptr.h"
#include "cadlink/com/dispatch_session.h"
#include "cadlink/connection.h"

namespace tarsel::cadlink::com {

class ComCadConnection final : public CadConnection {
public:
    // CLSIDFromProgID, then GetActiveObject; the object is released at once. Any failure
    // (a ProgID that is not registered, no running server) is false.
    bool IsCadRunning(std::string_view progId) noexcept override;

    // The running application asked for IDispatch. Objects reached from the same running
    // application share one DISPID cache across commands; a new server (the CAD restarted)
    // starts a new one, since its DISPIDs may differ. Raises AutomationError.
    ObjectRef GetRunningApplication(std::string_view progId) override;

private:
    ComPtr<IUnknown> application_;  // identity of the application the cache belongs to
    std::shared_ptr<DispatchSession> session_;
};

}  // namespace tarsel::cadlink::com
