// An application object entered in the Running Object Table under the class of a ProgID,
// the way a CAD makes itself reachable by GetActiveObject; revoked when this ends.
#pragma once

#include <string_view>

#include "cadlink/com/windows_headers.h"

namespace tarsel::cadlink::com {

class RunningObjectRegistration {
public:
    // Raises AutomationError when the ProgID is not registered (HKCR\<ProgID>\CLSID) or the
    // table refuses the entry.
    RunningObjectRegistration(IUnknown* object, std::string_view progId);
    ~RunningObjectRegistration();
    RunningObjectRegistration(const RunningObjectRegistration&) = delete;
    RunningObjectRegistration& operator=(const RunningObjectRegistration&) = delete;

    // Revokes the entry now (also done by the destructor).
    void Revoke() noexcept;

private:
    DWORD cookie_ = 0;
};

// Writes HKCR\<progId>\CLSID = clsid (the only key GetActiveObject needs); for tests and
// demos that publish a server under a ProgID of their own. Raises AutomationError.
void RegisterProgId(std::string_view progId, const CLSID& clsid);
// Removes HKCR\<progId> and everything under it; quiet when it is not there.
void UnregisterProgId(std::string_view progId) noexcept;

}  // namespace tarsel::cadlink::com
