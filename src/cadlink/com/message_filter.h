// The palette's COM message filter: while one of its automation calls waits, a CAD that is
// busy and asks to be called again later is called again every second, without limit;
// other rejections fail the call; the palette's own messages stay queued.
#pragma once

#include "cadlink/com/com_implements.h"
#include "cadlink/com/com_ptr.h"
#include "cadlink/com/windows_headers.h"

namespace tarsel::cadlink::com {

class TMessageFilter final : public ComImplements<TMessageFilter, IMessageFilter> {
public:
    [[nodiscard]] static ComPtr<TMessageFilter> Create() { return Make(); }

    // Registers this filter for the calling thread; the filter it replaces is kept in
    // FOldFilter. Raises AutomationError when COM refuses.
    void RegisterFilter();
    // Puts FOldFilter back; the filter COM hands back (this one) is released at once.
    void RevokeFilter() noexcept;

    // IMessageFilter
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD dwCallType, HTASK htaskCaller,
                                               DWORD dwTickCount,
                                               LPINTERFACEINFO lpInterfaceInfo) noexcept override;
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK htaskCallee, DWORD dwTickCount,
                                              DWORD dwRejectType) noexcept override;
    DWORD STDMETHODCALLTYPE MessagePending(HTASK htaskCallee, DWORD dwTickCount,
                                           DWORD dwPendingType) noexcept override;

    ComPtr<IMessageFilter> FOldFilter;

private:
    friend ComImplements;
    TMessageFilter() = default;
    ~TMessageFilter() = default;
};

}  // namespace tarsel::cadlink::com
