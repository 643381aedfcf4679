// Finding the running CAD by ProgID. On Windows this is the Running Object Table; in
// process (tests, tarsel) it is a registry in which a minicad application registers itself.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include "cadlink/automation.h"

namespace tarsel::cadlink {

class CadConnection {
public:
    virtual ~CadConnection() = default;

    // True when a CAD is running under progId. Never raises.
    [[nodiscard]] virtual bool IsCadRunning(std::string_view progId) noexcept = 0;

    // The running application object; raises AutomationError when there is none.
    [[nodiscard]] virtual ObjectRef GetRunningApplication(std::string_view progId) = 0;
};

class InProcessCadRegistry final : public CadConnection {
public:
    void Register(std::string progId, ObjectRef application);
    void Unregister(std::string_view progId);

    bool IsCadRunning(std::string_view progId) noexcept override;
    ObjectRef GetRunningApplication(std::string_view progId) override;

private:
    std::mutex mutex_;
    std::map<std::string, ObjectRef, std::less<>> running_;
};

}  // namespace tarsel::cadlink
