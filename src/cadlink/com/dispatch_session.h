// What the client side of one automation connection shares between its objects: the DISPID
// of each member name per object type, so that GetIDsOfNames runs once per name and type,
// not once per call. Also counts the IDispatch calls the client makes, for measurements.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cadlink/com/com_ptr.h"
#include "cadlink/com/windows_headers.h"

namespace tarsel::cadlink::com {

// IDispatch calls made by this process's clients since it started (all sessions).
struct ClientCallCounts {
    std::uint64_t invoke = 0;
    std::uint64_t getIDsOfNames = 0;
    std::uint64_t getTypeInfo = 0;
    std::uint64_t getDocumentation = 0;
    friend ClientCallCounts operator-(const ClientCallCounts& a, const ClientCallCounts& b) {
        return {a.invoke - b.invoke, a.getIDsOfNames - b.getIDsOfNames,
                a.getTypeInfo - b.getTypeInfo, a.getDocumentation - b.getDocumentation};
    }
};
[[nodiscard]] ClientCallCounts CurrentClientCallCounts();

class DispatchSession {
public:
    // One object type as the server's type information names it. Its member table holds
    // the DISPIDs looked up so far, under the lower-cased member name.
    class Type {
    public:
        [[nodiscard]] const std::string& name() const { return name_; }

    private:
        friend class DispatchSession;
        std::string name_;
        ComPtr<ITypeInfo> info_;  // the first one seen: the same object is recognised at once
        std::map<std::string, DISPID, std::less<>> ids_;
    };

    // The type of dispatch by its type information; nullptr when it has none. Costs a
    // GetTypeInfo call, and a GetDocumentation call when the type information is new.
    [[nodiscard]] Type* TypeOf(IDispatch* dispatch);

    // The DISPID of member on an object of type (GetIDsOfNames when not yet known). With no
    // type, the object's own table perObject is used: the object has to hold that table,
    // since nothing else says which objects share DISPIDs. Raises AutomationError.
    [[nodiscard]] DISPID IdOf(IDispatch* dispatch, Type* type, std::string_view member,
                              std::map<std::string, DISPID, std::less<>>& perObject);

    // Number of object types seen (bounded by the server's type count, never by calls).
    [[nodiscard]] std::size_t TypeCount() const;

private:
    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<Type>> types_;
};

namespace detail {
// Every IDispatch::Invoke a client of this folder makes is counted here.
void CountInvoke() noexcept;
}  // namespace detail

}  // namespace tarsel::cadlink::com
