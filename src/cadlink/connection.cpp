#include "cadlink/connection.h"

namespace tarsel::cadlink {

void InProcessCadRegistry::Register(std::string progId, ObjectRef application) {
    std::lock_guard lock(mutex_);
    running_[std::move(progId)] = std::move(application);
}

void InProcessCadRegistry::Unregister(std::string_view progId) {
    std::lock_guard lock(mutex_);
    if (auto it = running_.find(progId); it != running_.end()) running_.erase(it);
}

bool InProcessCadRegistry::IsCadRunning(std::string_view progId) noexcept {
    std::lock_guard lock(mutex_);
    return running_.find(progId) != running_.end();
}

ObjectRef InProcessCadRegistry::GetRunningApplication(std::string_view progId) {
    std::lock_guard lock(mutex_);
    if (auto it = running_.find(progId); it != running_.end()) return it->second;
    throw AutomationError("GetActiveObject",
                          static_cast<std::int32_t>(0x800401E3),  // MK_E_UNAVAILABLE
                          "no CAD is running under " + std::string(progId));
}

}  // namespace tarsel::cadlink
